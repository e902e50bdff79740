// The input view through the host and the module: the eight mode pages with their rows and
// defaults, the registry's answer to an unknown GUID, stored settings, the checks that
// block Start, the links, the layout, and the rows' in-place editors.
#include <QGroupBox>
#include <QSplitter>
#include <QUrl>

#include "engine/tasks/task_test_support.h"
#include "gui/controls/check_combo_tree.h"
#include "gui/plugin/layout_view.h"
#include "gui/richtext/rich_text_static.h"
#include "input_test_support.h"
#include "platform/ini_file.h"
#include "platform/scripted_prompt.h"
#include "platform/temp_folder.h"

namespace tabulon::gui::testing {
namespace {

using platform::testing::TempFolder;

struct RowText {
    const char* label;
    bool bold;
    QString value;  // as the row draws it
};

QString HostFolder() {
    return BinFolder();
}

QString DrawnValue(CPropertyItem* item) {
    if (auto* workbook = dynamic_cast<CExcelFileItem*>(item))
        return Q(workbook->DisplayText());
    return Q(item->m_strValue);
}

CInputView* InputView() {
    return theApp.m_pInputView;
}

TEST(InputView, EachModeShowsItsRowsLabelsAndDefaultsFromAFreshSettingsFile) {
    CLoadedHost host;
    ASSERT_TRUE(host.Loaded());
    CInputView* view = InputView();
    ASSERT_NE(view, nullptr);
    // Nothing stored: AddCellByCell comes first.
    EXPECT_EQ(view->CurrentList(), view->List(0));

    const RowText folder{"Folder where the Excel file locates", true, HostFolder()};
    const RowText sheets{"Worksheets to process", true, "*(All Worksheets)"};
    const RowText fromRow{"Starting row of the processing range", false, "1"};
    const RowText toRow{"Ending row (counted backwards) of the processing range", false, "1"};
    const RowText keep{"Keep formulas in the result", false, "Yes"};
    const RowText result{"File to save the results", false, ""};
    const std::vector<RowText> twoFiles = {{"Worksheet 1", true, ""},
                                           {"The key column of worksheet 1", true, ""},
                                           {"Worksheet 2", true, ""},
                                           {"The key column of worksheet 2", true, ""},
                                           keep,
                                           result};
    struct Case {
        const char* title;
        std::vector<RowText> rows;
    };
    const Case cases[] = {
        {"Add cell by cell", {folder, sheets, {"Template worksheet", false, ""}, keep, result}},
        {"Copy worksheets", {folder, sheets, keep, result}},
        {"Copy rows", {folder, sheets, fromRow, toRow, keep, result}},
        {"Copy rows by key column",
         {folder, sheets, {"Key column", true, "1"}, fromRow, toRow, keep, result}},
        {"Merge columns", twoFiles},
        {"Intersection", twoFiles},
        {"Difference", twoFiles},
        {"Check worksheets against a template",
         {{"Template worksheet", true, ""}, folder, sheets, result}},
    };
    host.Window().resize(1200, 720);
    for (int m = 0; m < kWorkModeCount; ++m) {
        const Case& c = cases[m];
        SCOPED_TRACE(c.title);
        EXPECT_EQ(host.Module().OnClick(kWorkModes[m].guid), 0);
        QCoreApplication::processEvents();
        CTaskFieldList* list = view->CurrentList();
        ASSERT_EQ(list, view->List(m));
        for (int other = 0; other < kWorkModeCount; ++other)
            EXPECT_EQ(view->List(other)->isVisible(), other == m) << other;
        EXPECT_EQ(list->geometry(), view->GroupBox()->geometry());
        EXPECT_FALSE(view->Icon()->pixmap().isNull());
        const QString help = Q(view->Help()->GetText());
        EXPECT_TRUE(help.contains(QString("<b>%1</b>").arg(c.title))) << help.toStdString();
        EXPECT_TRUE(help.contains("<a msg=\"1001\">More help on this task...</a>"));
        EXPECT_TRUE(help.contains("<a msg=\"1002\">Tabulon home page</a>"));
        EXPECT_EQ(Q(view->HelpPagePath(kWorkModes[m].guid)),
                  Q(theApp.GetResourceFolder()) + QString("/Help/Help-00%1.htm").arg(m + 1));
        ASSERT_EQ(list->GetCount(), static_cast<int>(c.rows.size()));
        for (int r = 0; r < list->GetCount(); ++r) {
            CPropertyItem* item = list->GetItem(r);
            EXPECT_EQ(Q(item->m_strLabel), c.rows[r].label) << r;
            EXPECT_EQ(item->m_bBold != 0, c.rows[r].bold) << r;
            EXPECT_EQ(DrawnValue(item), c.rows[r].value) << r;
        }
        const QString name = QString::fromLatin1(kWorkModes[m].iconFile).section('.', 0, 0);
        host.Window().grab().save(ScreenshotFolder() + "/mode_" + name + ".png");
    }
    EXPECT_EQ(view->Instruction()->text(),
              "How to go: Enter necessary data in below list, and click 'Start' button.");
    EXPECT_EQ(view->StartButton()->text(), "Start");
    EXPECT_EQ(view->StopButton()->text(), "Stop");
    EXPECT_TRUE(view->StartButton()->isEnabled());
    EXPECT_FALSE(view->StopButton()->isEnabled());
    // The settings file is only ever read here.
    EXPECT_FALSE(QFile::exists(host.Isolated()->IniPath()));
}

TEST(InputView, AnUnknownGuidShowsNoThisUiAndKeepsTheCurrentList) {
    CLoadedHost host;
    ASSERT_TRUE(host.Loaded());
    CInputView* view = InputView();
    host.Module().OnClick(kWorkModes[2].guid);
    for (const char* guid : {"2c06e931-21d8-4fe1-bdeb-c60c4f1d7f19",
                             "{2C06E931-21D8-4fe1-BDEB-C60C4F1D7F19}", "", "No mode"}) {
        SCOPED_TRACE(guid);
        CDialogAnswerer answerer;
        QString text;
        answerer.Expect(CDialogAnswerer::Message(QMessageBox::Ok, &text));
        host.Module().OnClick(guid);
        EXPECT_TRUE(WaitUntil([&] { return answerer.AllAnswered(); }));
        EXPECT_EQ(text, "No this UI");
        EXPECT_EQ(view->CurrentList(), view->List(2));
        EXPECT_TRUE(view->List(2)->isVisible());
        EXPECT_TRUE(view->Icon()->pixmap().isNull());
        EXPECT_TRUE(view->HelpPagePath(guid).IsEmpty());
    }
}

TEST(InputView, StoredSettingsAreShownAndARelativePathLiesUnderTheHostFolder) {
    CIsolatedModuleFolder module;
    const CString ini = module.IniPath().toStdString();
    auto write = [&](const char* section, const char* key, const char* value) {
        ASSERT_TRUE(platform::WritePrivateProfileString(section, key, value, ini));
    };
    write("Config", "LastWorkMode", "AC754C78-1F7B-49ca-BE7F-7F91D30535BF");
    write("Config_MergeRowsByCol", "TheXLSFolder", "Data");
    write("Config_MergeRowsByCol", "SheetName", " Sales;Costs ");
    write("Config_MergeRowsByCol", "FromRow", "3");
    write("Config_MergeRowsByCol", "KeepFormula", "No");
    write("Config_MergeRowsByCol", "ResultFolder", "out/r.xlsx");
    write("Config_Intersection", "File1", "books/a.xlsx");
    write("Config_Intersection", "Sheet1", "Sales");
    write("Config_Intersection", "KeyCol2", "4");
    write("Config", "TemplateFile", "t.xlsx");  // AddCellByCell: taken as read
    write("Config", "TemplateSheet", "Sum");
    write("CheckSameFormatSheet", "TemplateFile", "t.xlsx");  // as every other workbook
    write("Config_Difference", "File2", "b.xlsx");
    // The host of the test keeps this module folder: no isolated one of its own.
    CLoadedHost host(false);
    ASSERT_TRUE(host.Loaded());
    CInputView* view = InputView();
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->CurrentList(), view->List(3)) << Q(theApp.GetIniPath()).toStdString();
    CTaskFieldList* byKey = view->List(3);
    EXPECT_EQ(DrawnValue(byKey->GetItem(0)), HostFolder() + "/Data");
    EXPECT_EQ(DrawnValue(byKey->GetItem(1)), "Sales;Costs");
    EXPECT_EQ(DrawnValue(byKey->GetItem(2)), "1");  // the key column is not kept
    EXPECT_EQ(DrawnValue(byKey->GetItem(3)), "3");
    EXPECT_EQ(DrawnValue(byKey->GetItem(4)), "1");
    EXPECT_EQ(DrawnValue(byKey->GetItem(5)), "No");
    EXPECT_EQ(DrawnValue(byKey->GetItem(6)), "out/r.xlsx");  // the result as stored
    CTaskFieldList* intersection = view->List(5);
    auto* file1 = dynamic_cast<CExcelFileItem*>(intersection->GetItem(0));
    ASSERT_NE(file1, nullptr);
    EXPECT_EQ(Q(file1->m_strFile), HostFolder() + "/books/a.xlsx");
    EXPECT_EQ(DrawnValue(file1), "\"" + HostFolder() + "/books/a.xlsx\" --> \"Sales\"");
    EXPECT_EQ(DrawnValue(intersection->GetItem(1)), "");
    EXPECT_EQ(DrawnValue(intersection->GetItem(3)), "4");
    auto* templ = dynamic_cast<CExcelFileItem*>(view->List(0)->GetItem(2));
    EXPECT_EQ(Q(templ->m_strFile), "t.xlsx");
    auto* checked = dynamic_cast<CExcelFileItem*>(view->List(7)->GetItem(0));
    EXPECT_EQ(Q(checked->m_strFile), HostFolder() + "/t.xlsx");
    auto* file2 = dynamic_cast<CExcelFileItem*>(view->List(6)->GetItem(2));
    EXPECT_EQ(Q(file2->m_strFile), HostFolder() + "/b.xlsx");
    // Only Start writes the settings file; LastWorkMode is never written.
    const QString before = QString::fromStdString(platform::testing::ReadFile(ini.Str()));
    host.Module().OnClick(kWorkModes[0].guid);
    EXPECT_EQ(QString::fromStdString(platform::testing::ReadFile(ini.Str())), before);
}

// Sets a row's value as its editor would leave it.
void SetRow(CTaskFieldList* list, int row, const QString& value, const QString& sheet = "") {
    CPropertyItem* item = list->GetItem(row);
    if (auto* workbook = dynamic_cast<CExcelFileItem*>(item)) {
        workbook->m_strFile = value.toStdString();
        workbook->m_strSheet = sheet.toStdString();
    } else {
        item->m_strValue = value.toStdString();
    }
}

// One case per kind of row (the messages of every field are checked where the command
// line gives them, CliRun.FieldsAreCheckedInOrderWithTheFieldMessages: the same checks).
TEST(InputView, AnInvalidFieldBlocksStartWithItsMessageAndSavesNothing) {
    TempFolder files;
    const std::string book = files / "book.xlsx";
    engine::testing::WriteBook(book, {{"Sales", {{"Item", "Units"}}}});
    const QString text = QString::fromStdString(files.Write("notes.txt", "plain"));
    const QString folder = QString::fromStdString(files.Path());
    const QString xlsx = QString::fromStdString(book);
    struct Case {
        int mode;
        std::vector<std::pair<int, QString>> values;  // row, value (workbook rows: path)
        QString message;
    };
    const Case cases[] = {
        {0, {{0, "  "}}, "Please specify 'Folder where the Excel file locates'."},
        {0, {{0, folder}, {2, xlsx}}, "Please specify 'Template worksheet'."},
        {1, {{0, text}}, "'" + text + "' is not a folder."},
        {2,
         {{0, folder}, {2, " 2"}},
         "\"Starting row of the processing range\": You must enter digit(s) in this field"},
        {4, {{0, xlsx}}, "Please specify 'Worksheet 1'."},
        {6,
         {{0, xlsx}, {1, "1"}, {2, xlsx}, {3, ""}},
         "Please specify 'The key column of worksheet 2'."},
        {7, {}, "Please specify 'Template worksheet'."},
    };
    CLoadedHost host;
    ASSERT_TRUE(host.Loaded());
    CInputView* view = InputView();
    COutputView* output = host.Output();
    output->OnTaskNotify(TN_TEXT, std::make_unique<CString>("an earlier line"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message.toStdString());
        host.Module().OnClick(kWorkModes[c.mode].guid);
        CTaskFieldList* list = view->CurrentList();
        const cli::TaskFields stored = list->Values();
        for (const auto& [row, value] : c.values)
            SetRow(list, row, value, value == xlsx && c.mode >= 4 ? "Sales" : "");
        if (c.mode >= 4 && c.mode <= 6 && !c.values.empty() && c.values[0].second == xlsx &&
            c.message.contains("'Worksheet 1'"))
            SetRow(list, 0, xlsx, "");  // a workbook without its worksheet
        CDialogAnswerer answerer;
        QString shown;
        answerer.Expect(CDialogAnswerer::Message(QMessageBox::Ok, &shown));
        QTest::mouseClick(view->StartButton(), Qt::LeftButton);
        EXPECT_TRUE(WaitUntil([&] { return answerer.AllAnswered(); }));
        EXPECT_EQ(shown, c.message);
        EXPECT_TRUE(answerer.Unexpected().isEmpty());
        EXPECT_TRUE(view->StartButton()->isEnabled());
        EXPECT_FALSE(view->StopButton()->isEnabled());
        EXPECT_FALSE(view->IsRunning());
        EXPECT_FALSE(QFile::exists(host.Isolated()->IniPath()));
        ASSERT_EQ(output->LineCount(), 1);
        EXPECT_EQ(output->LineText(0), "an earlier line");
        // The next case starts from the loaded values.
        const std::vector<FieldRow>& rows = FieldRowsOf(list->WorkMode());
        for (size_t r = 0; r < rows.size(); ++r)
            SetRow(list, static_cast<int>(r), Q(stored.*rows[r].value),
                   rows[r].sheet ? Q(stored.*rows[r].sheet) : QString());
    }
}

TEST(InputView, TheLinksOpenTheHelpPageAndTheHomePage) {
    CLoadedHost host;
    ASSERT_TRUE(host.Loaded());
    CInputView* view = InputView();
    host.Module().OnClick(kWorkModes[4].guid);
    auto scripted = std::make_shared<platform::CScriptedPromptService>();
    platform::CScopedPromptService scope(scripted);
    // The title's two links notify the view with their msg text.
    for (const char* msg : {"1001", "1002"}) {
        CLinkNotifyEvent click(CInputView::WM_LINKCLICKED, msg, 0);
        QCoreApplication::sendEvent(view, &click);
    }
    EXPECT_EQ(view->OnLinkClicked("7"), 1);  // neither: nothing opens
    const std::vector<platform::PromptRecord> records = scripted->Records();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].kind, platform::PromptKind::OpenDocument);
    EXPECT_EQ(records[0].text, theApp.GetResourceFolder() + "/Help/Help-005.htm");
    EXPECT_EQ(records[1].text, "https://example.org/tabulon");
}

TEST(InputView, TheButtonsKeepTheirPlaceBelowTheMinimumHeight) {
    CLoadedHost host;
    ASSERT_TRUE(host.Loaded());
    CInputView* view = InputView();
    auto* layout = static_cast<CLayoutView*>(host.Window().LayoutView());
    layout->Splitter()->setSizes({500, 200});
    QCoreApplication::processEvents();
    ASSERT_EQ(view->height(), 500);
    EXPECT_EQ(view->StartButton()->geometry().bottom() + 1, 490);
    EXPECT_EQ(view->StopButton()->geometry().bottom() + 1, 490);
    EXPECT_EQ(view->GroupBox()->geometry().bottom() + 1, view->StartButton()->y() - 20);
    const int markTop = 0;  // the reference point lies at the top of the form
    for (int h : {250, 120}) {
        layout->Splitter()->setSizes({h, 700 - h});
        QCoreApplication::processEvents();
        EXPECT_EQ(view->StartButton()->geometry().bottom() + 1, markTop + 300 - 10) << h;
        EXPECT_EQ(view->CurrentList()->geometry(), view->GroupBox()->geometry());
    }
}

TEST(InputView, RowEditorsOpenOnSelectionAndTheColumnLineMoves) {
    CLoadedHost host;
    ASSERT_TRUE(host.Loaded());
    host.Window().resize(1200, 720);
    CInputView* view = InputView();
    host.Module().OnClick(kWorkModes[0].guid);
    CTaskFieldList* list = view->CurrentList();
    QCoreApplication::processEvents();
    EXPECT_EQ(list->SplitX(), 290);
    EXPECT_EQ(list->RowHeight(), std::max(20, QFontMetrics(list->EditorFont()).height() + 6));

    // The rows of AddCellByCell show every kind of editor: folder (text + Browse), the
    // worksheet combo, the workbook row (text + Browse + Clear), Yes/No, the result.
    const char* shots[] = {"editor_folder", "editor_worksheets", "editor_workbook", "editor_yes_no",
                           "editor_result"};
    for (int row = 0; row < list->GetCount(); ++row) {
        ClickRow(list, row);
        EXPECT_EQ(list->CurSel(), row);
        const QRect value = list->ValueRect(row);
        auto visibleEditors = [&] {
            int n = 0;
            for (QWidget* w :
                 list->viewport()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
                if (w->isVisible()) {
                    ++n;
                    EXPECT_GE(w->x(), value.left()) << row;
                    EXPECT_LE(w->geometry().right(), value.right()) << row;
                }
            }
            return n;
        };
        EXPECT_EQ(visibleEditors(), row == 2 ? 3 : row == 0 || row == 4 ? 2 : 1) << row;
        view->grab().save(ScreenshotFolder() + "/" + shots[row] + ".png");
    }
    // A number row: the text box alone. Keyboard moves open the next row's editor.
    host.Module().OnClick(kWorkModes[2].guid);
    CTaskFieldList* rows = view->CurrentList();
    ClickRow(rows, 2);
    auto* from = dynamic_cast<CEditItem*>(rows->GetItem(2));
    EXPECT_TRUE(from->Edit()->isVisible());
    EXPECT_FALSE(from->BrowseButton()->isVisible());
    QTest::keyClicks(from->Edit(), "5");
    view->grab().save(ScreenshotFolder() + "/editor_number.png");
    rows->setFocus();
    QTest::keyClick(rows, Qt::Key_Down);
    EXPECT_EQ(rows->CurSel(), 3);
    EXPECT_FALSE(from->Edit()->isVisible());
    EXPECT_EQ(Q(from->m_strValue), "15");  // typed after the "1" it showed
    // A Yes/No row whose value is neither shows the first choice.
    auto* keep = dynamic_cast<CComboItem*>(rows->GetItem(4));
    keep->m_strValue = "maybe";
    ClickRow(rows, 4);
    EXPECT_EQ(keep->Combo()->currentText(), "Yes");
    ClickRow(rows, 3);
    keep->m_strValue = "no";
    ClickRow(rows, 4);
    EXPECT_EQ(keep->Combo()->currentText(), "No");

    // Dragging the column line closes the open editor; the next row opens at the new line.
    ClickRow(rows, 0);
    auto* folder = dynamic_cast<CEditItem*>(rows->GetItem(0));
    ASSERT_TRUE(folder->Edit()->isVisible());
    const int y = rows->visualItemRect(rows->item(1)).center().y();
    QTest::mousePress(rows->viewport(), Qt::LeftButton, {}, QPoint(292, y));
    EXPECT_FALSE(folder->Edit()->isVisible());
    QMouseEvent move(QEvent::MouseMove, QPointF(360, y),
                     rows->viewport()->mapToGlobal(QPointF(360, y)), Qt::NoButton, Qt::LeftButton,
                     {});
    QCoreApplication::sendEvent(rows->viewport(), &move);
    QTest::mouseRelease(rows->viewport(), Qt::LeftButton, {}, QPoint(360, y));
    EXPECT_EQ(rows->SplitX(), 360);
    ClickRow(rows, 0);
    EXPECT_TRUE(folder->Edit()->isVisible());
    EXPECT_EQ(folder->Edit()->x(), 360);
}

// The names the pop-up tree lists under its root.
std::vector<CString> Listed(CCheckComboBox* combo) {
    std::vector<CString> names;
    QTreeWidgetItem* root = combo->Tree() ? combo->Tree()->Root() : nullptr;
    for (int i = 0; root && i < root->childCount(); ++i)
        names.emplace_back(root->child(i)->text(0).toStdString());
    return names;
}

TEST(InputView, TheWorksheetComboReadsTheNamesOfAFolderOnce) {
    TempFolder books;
    engine::testing::WriteBook(books / "a.xlsx", {{"Sales", {{"x"}}}, {"Costs", {{"y"}}}});
    engine::testing::WriteBook(books / "sub/b.xlsx", {{"Sales", {{"x"}}}, {"Staff", {{"z"}}}});
    TempFolder other;
    engine::testing::WriteBook(other / "c.xlsx", {{"Summary", {{"x"}}}});
    CLoadedHost host;
    ASSERT_TRUE(host.Loaded());
    CInputView* view = InputView();
    host.Module().OnClick(kWorkModes[1].guid);
    CTaskFieldList* list = view->CurrentList();
    CSheetItem* sheets = list->SheetRow();
    CCheckComboBox* combo = sheets->Combo();
    TypeIntoRow(list, 0, QString::fromStdString(books.Path()));
    ClickRow(list, 1);
    // Until a refresh the pop-up offers the marker alone.
    EXPECT_EQ(Listed(combo), std::vector<CString>{});
    for (int click = 0; click < 2; ++click) {
        ClickSheetCombo(combo);
        ASSERT_TRUE(WaitUntil([&] { return !sheets->IsFilling(); }));
        if (click == 0)
            view->grab().save(ScreenshotFolder() + "/editor_worksheets_filled.png");
        if (combo->IsDroppedDown())
            combo->hidePopup();
    }
    EXPECT_EQ(sheets->ReadCount(), 1);
    EXPECT_EQ(Listed(combo), (std::vector<CString>{"Sales", "Costs", "Staff"}));
    // Chosen names make the row's value when the row closes.
    combo->AppendToText("Sales");
    combo->AppendToText("Staff");
    ClickRow(list, 2);
    EXPECT_EQ(Q(sheets->m_strValue), "Sales;Staff");

    // Another folder is read once more; a folder that is not there is not read.
    TypeIntoRow(list, 0, QString::fromStdString(other.Path()));
    ClickRow(list, 1);
    ClickSheetCombo(combo);
    ASSERT_TRUE(WaitUntil([&] { return !sheets->IsFilling(); }));
    combo->hidePopup();
    EXPECT_EQ(sheets->ReadCount(), 2);
    EXPECT_EQ(Listed(combo), (std::vector<CString>{"Summary"}));
    TypeIntoRow(list, 0, QString::fromStdString(other / "gone"));
    ClickRow(list, 1);
    ClickSheetCombo(combo);
    combo->hidePopup();
    EXPECT_EQ(sheets->ReadCount(), 2);
    EXPECT_EQ(Q(list->m_strLastFolder), QString::fromStdString(other / "gone"));
    EXPECT_EQ(Listed(combo), (std::vector<CString>{"Summary"}));  // as it was
}

}  // namespace
}  // namespace tabulon::gui::testing
