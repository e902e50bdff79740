// The host with the real module: loading, the layout, the mode list, QX_OnClick, and the
// host's answer to a module it cannot use.
#include <dlfcn.h>

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QListWidget>
#include <QSplitter>

#include "gui/input/input_view.h"
#include "gui/plugin/layout_view.h"
#include "gui_test_support.h"

namespace tabulon::gui::testing {
namespace {

TEST(HostAndModule, LoadsTheModuleAndLaysOutTheTwoPanesUnderTheModeList) {
    CLoadedHost host(false);
    ASSERT_TRUE(host.Loaded());
    host::CHostWindow& window = host.Window();
    EXPECT_EQ(window.windowTitle(), "Tabulon");
    // The module's folder is the folder of libTabulon.so, not of the program that loaded it.
    EXPECT_EQ(QString::fromStdString(platform::GetModuleFolder(platform::Module::Core).Str()),
              QFileInfo(ModulePath()).canonicalPath());
    EXPECT_EQ(theApp.GetResourceFolder().Str(),
              platform::GetModuleFolder(platform::Module::Core).Str() + "/Tabulon_DLL");

    // The run-time class the export hands out makes the view the host shows.
    const CRuntimeClass* layoutClass = host.Module().GetLayoutView();
    ASSERT_NE(layoutClass, nullptr);
    EXPECT_STREQ(layoutClass->m_lpszClassName, "CLayoutView");
    auto* layout = dynamic_cast<CLayoutView*>(window.LayoutView());
    ASSERT_NE(layout, nullptr);

    // The document holds the layout view and its two panes.
    const auto& views = window.Document().Views();
    ASSERT_EQ(views.size(), 3u);
    EXPECT_EQ(views[0].runtimeClass, &classCLayoutView);
    EXPECT_EQ(views[1].runtimeClass, &classCInputView);
    EXPECT_EQ(views[2].runtimeClass, &classCOutputView);
    EXPECT_EQ(FindView(&window.Document(), &classCInputView), layout->Pane(0));
    EXPECT_EQ(FindView(&window.Document(), &classCOutputView), layout->Pane(1));
    EXPECT_EQ(theApp.m_pInputView, layout->Pane(0));

    // The splitter overlaps the view's edge by 2 px on every side, at any size, and the
    // input pane keeps its 360 px when the window grows.
    for (QSize size : {QSize(1000, 700), QSize(640, 500), QSize(1300, 900)}) {
        window.resize(size + QSize(260, 0));
        ASSERT_TRUE(WaitUntil([&] { return layout->height() > 400; }));
        QCoreApplication::processEvents();
        EXPECT_EQ(layout->Splitter()->geometry(),
                  QRect(-2, -2, layout->width() + 4, layout->height() + 4));
        EXPECT_EQ(layout->Splitter()->sizes().at(0), CLayoutView::kInputPaneHeight);
    }
    // The bar between the panes moves.
    layout->Splitter()->setSizes({200, 500});
    EXPECT_EQ(layout->Splitter()->sizes().at(0), 200);
}

TEST(HostAndModule, ListsTheEightModesWithTheirTitlesAndIconsAndAClickSelectsTheMode) {
    CLoadedHost host;
    ASSERT_TRUE(host.Loaded());
    QListWidget* modes = host.Window().ModeList();
    const QStringList titles = {
        "Add cell by cell", "Copy worksheets", "Copy rows",  "Copy rows by key column",
        "Merge columns",    "Intersection",    "Difference", "Check worksheets against a template"};
    // The titles come from the encoded host texts (the plain file lies beside them too).
    ASSERT_TRUE(QFile::exists(BinFolder() + "/QXTexts.ini"));
    ASSERT_EQ(modes->count(), titles.size());
    for (int i = 0; i < modes->count(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(modes->item(i)->text(), titles[i]);
        EXPECT_FALSE(modes->item(i)->icon().isNull());
        EXPECT_TRUE(modes->item(i)->toolTip().contains('\n'));  // title, then the description
    }
    // The resource folder beside the module: an icon and a help page per mode, the tile.
    const QString resources = BinFolder() + "/Tabulon_DLL/";
    for (int i = 0; i < 8; ++i) {
        EXPECT_FALSE(QImage(resources + host::kHostModes[i].iconFile).isNull()) << i;
        EXPECT_GT(
            QFileInfo(resources + QString("Help/Help-%1.htm").arg(i + 1, 3, 10, QChar('0'))).size(),
            3000)
            << i;
    }
    EXPECT_FALSE(LoadBitmapFile(theApp.GetResourceFolder() + "/background.bmp").isNull());

    // Picking a mode calls QX_OnClick, which switches the input view to the mode's list;
    // the answer is 0.
    CInputView* input = theApp.m_pInputView;
    ASSERT_NE(input, nullptr);
    for (int i = modes->count() - 1; i >= 0; --i) {
        modes->setCurrentRow(i);
        EXPECT_EQ(host.Window().LastClickResult(), 0);
        EXPECT_EQ(input->CurrentList(), input->List(i)) << i;
    }
    EXPECT_EQ(host.Module().OnClick(nullptr), 0);
    EXPECT_EQ(input->CurrentList(), input->List(0));
}

TEST(HostAndModule, QX_OnClickIsIgnoredWithoutAnInputView) {
    const CRuntimeClass* saved = CLayoutView::s_pInputPaneClass;
    CLayoutView::s_pInputPaneClass = &classCInputPanePlaceholder;
    {
        CLoadedHost host;
        CLayoutView::s_pInputPaneClass = saved;
        ASSERT_TRUE(host.Loaded());
        EXPECT_EQ(theApp.m_pInputView, nullptr);
        EXPECT_EQ(FindView(&host.Window().Document(), &classCInputPanePlaceholder), nullptr);
        EXPECT_EQ(host.Module().OnClick("6EF1C0C4-6411-4ee1-89C3-53866FA1823B"), 0);
        EXPECT_EQ(host.Module().OnClick(nullptr), 0);
    }
    // A host whose input view has gone leaves the module nothing to call.
    {
        CLoadedHost host;
        ASSERT_TRUE(host.Loaded());
        EXPECT_NE(theApp.m_pInputView, nullptr);
    }
    EXPECT_EQ(theApp.m_pInputView, nullptr);
}

TEST(HostAndModule, AModuleThatCannotBeUsedGivesAMessageAndExitStatusOne) {
    Dl_info qtCore{};
    ASSERT_NE(dladdr(reinterpret_cast<void*>(&qVersion), &qtCore), 0);
    struct Case {
        QString path;
        QString expectedPart;
    };
    const Case cases[] = {
        {BinFolder() + "/missing/libTabulon.so", "could not be loaded from"},
        {QString::fromLocal8Bit(qtCore.dli_fname), "it has no function QX_GetLayoutView"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        CDialogAnswerer answerer;
        QString text;
        answerer.Expect(CDialogAnswerer::Message(QMessageBox::Ok, &text));
        EXPECT_EQ(host::RunHost(c.path), 1);
        EXPECT_TRUE(text.contains(c.path)) << text.toStdString();
        EXPECT_TRUE(text.contains(c.expectedPart)) << text.toStdString();
    }
}

TEST(HostAndModule, APaneThatCannotBeMadeIsReportedAndTheLayoutViewStands) {
    CLoadedHost host;  // the module's prompt service is installed by its first view
    ASSERT_TRUE(host.Loaded());
    const CRuntimeClass failing = {"CFailingPane", nullptr,
                                   [](QWidget*, CCreateContext*) -> QWidget* { return nullptr; }};
    struct Case {
        const CRuntimeClass** paneClass;
        const char* message;
        int panesMade;
    };
    const Case cases[] = {{&CLayoutView::s_pInputPaneClass, "Can't Create InputView!", 0},
                          {&CLayoutView::s_pOutputPaneClass, "Can't Create OutputView!", 1}};
    for (const Case& c : cases) {
        const CRuntimeClass* saved = *c.paneClass;
        *c.paneClass = &failing;
        CDialogAnswerer answerer;
        QString text;
        answerer.Expect(CDialogAnswerer::Message(QMessageBox::Ok, &text));
        CDocument doc;
        CCreateContext context{&doc};
        std::unique_ptr<QWidget> view(classCLayoutView.CreateObject(nullptr, &context));
        *c.paneClass = saved;
        EXPECT_EQ(text, c.message);
        ASSERT_NE(view, nullptr);
        auto* layout = static_cast<CLayoutView*>(view.get());
        EXPECT_EQ(layout->Pane(0) != nullptr, c.panesMade >= 1);
        EXPECT_EQ(layout->Pane(1), nullptr);
        view->show();
        view->resize(300, 200);  // still lays out what it has
        QCoreApplication::processEvents();
        EXPECT_EQ(layout->Splitter()->geometry(), QRect(-2, -2, 304, 204));
    }
}

}  // namespace
}  // namespace tabulon::gui::testing
