// qxhost: starts the Tabulon GUI. The module libTabulon.so lies beside this program.
#include <QApplication>

#include "host/host_window.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tabulon"));
    return tabulon::host::RunHost(tabulon::host::DefaultModulePath());
}
