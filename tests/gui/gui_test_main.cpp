// The GUI tests run under one QApplication on the offscreen platform, so they need no
// display.
#include <gtest/gtest.h>

#include <QApplication>

// Leaks of the system libraries Qt starts (fontconfig, glib) are not ours to mend.
extern "C" const char* __lsan_default_options() {
    return "suppressions=" TABULON_LSAN_SUPPRESSIONS;
}

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
