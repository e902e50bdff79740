// Runs from the GUI as a person does them: the fields filled through the rows' editors
// (folder and file dialogs, the select-worksheet dialog), Start, the questions at the
// end answered, the result read back with openpyxl. The settings file the run left
// behind then runs unchanged on the command line, to the same result.
#include <QLabel>
#include <QPainter>
#include <QProcess>
#include <functional>

#include "engine/tasks/task_test_support.h"
#include "input_test_support.h"
#include "platform/temp_folder.h"

namespace tabulon::gui::testing {
namespace {

using platform::testing::TempFolder;

// The sources every run reads: a folder tree of two workbooks.
struct Sources {
    Sources() {
        engine::testing::WriteBook(root / "a.xlsx",
                                   {{"Sales", {{"Item", "Units"}, {"Lamp", "3"}, {"Chair", "5"}}},
                                    {"Notes", {{"kept apart"}}}});
        engine::testing::WriteBook(root / "sub/b.xlsx",
                                   {{"Sales", {{"Item", "Units"}, {"Pen", "7"}, {"Lamp", "2"}}}});
    }
    QString Folder() const { return QString::fromStdString(root.Path()); }
    QString A() const { return QString::fromStdString(root / "a.xlsx"); }
    QString B() const { return QString::fromStdString(root / "sub/b.xlsx"); }
    // A template outside the folder tree whose B2 holds text where the sources hold numbers.
    QString Template() const {
        engine::testing::WriteBook(apart / "template.xlsx",
                                   {{"Sales", {{"Item", "Units"}, {"x", "y"}}}});
        return QString::fromStdString(apart / "template.xlsx");
    }
    TempFolder root;
    TempFolder apart;
};

QString RunCommandLine(const QString& mode, const QString& ini, const QString& result) {
    QProcess cli;
    cli.setStandardInputFile(QProcess::nullDevice());
    cli.start(BinFolder() + "/tabulon",
              {mode, "--settings", ini, "--result", result, "--overwrite"});
    if (!cli.waitForFinished(120000))
        return "did not finish";
    return QString::fromUtf8(cli.readAllStandardError());
}

struct RunCase {
    int mode;
    // Fills the fields; answerer gets the dialogs the filling brings up.
    std::function<void(CTaskFieldList*, CDialogAnswerer&, const Sources&, const QString& result)>
        fill;
    // Every cell of the result, as DumpWithOpenpyxl writes it; <folder> is the sources' folder.
    QString expected;
};

// Folder by typing, worksheets by typing, the result by typing.
void FillFolderRows(CTaskFieldList* list, const Sources& s, const QString& result, int resultRow) {
    TypeIntoRow(list, 0, s.Folder());
    TypeIntoRow(list, 1, "Sales");
    TypeIntoRow(list, resultRow, result);
}

// A workbook row through Browse: the file dialog, then (for several worksheets) the
// select-worksheet dialog.
void BrowseWorkbook(CTaskFieldList* list, int row, CDialogAnswerer& answerer, const QString& path,
                    const char* sheet) {
    answerer.Expect(TypeInFileDialog(path));
    if (sheet)
        answerer.Expect(ClickWorksheet(sheet));
    ClickRowButton(list, row, CExcelFileItem::kBrowseId);
    ASSERT_TRUE(WaitUntil([&] { return answerer.AllAnswered(); }));
}

// The two workbook rows through Browse (the first offers two worksheets, the second has one,
// which is taken), the key columns and the result typed.
void FillTwoWorkbooks(CTaskFieldList* list, CDialogAnswerer& answerer, const Sources& s,
                      const QString& result) {
    BrowseWorkbook(list, 0, answerer, s.A(), "Sales");
    TypeIntoRow(list, 1, "1");
    BrowseWorkbook(list, 2, answerer, s.B(), nullptr);
    TypeIntoRow(list, 3, "1");
    TypeIntoRow(list, 5, result);
}

TEST(InputRun, EveryModeRunsFromTheGuiAndItsSettingsRunOnTheCommandLine) {
    const RunCase cases[] = {
        {0,
         [](CTaskFieldList* list, CDialogAnswerer&, const Sources& s, const QString& result) {
             FillFolderRows(list, s, result, 4);
         },
         "Sheet1!A1=Item\nSheet1!B1=Units\nSheet1!A2=Lamp\nSheet1!B2=10\nSheet1!A3=Chair\nSheet1!"
         "B3=7\n"},
        {1,
         [](CTaskFieldList* list, CDialogAnswerer& answerer, const Sources& s,
            const QString& result) {
             TypeIntoRow(list, 0, s.Folder());
             TypeIntoRow(list, 1, "Sales");
             ChooseInRow(list, 2, "No");
             // The result through its Browse: the result-file prompt.
             QString title;
             answerer.Expect(TypeInFileDialog(result, &title));
             ClickRowButton(list, 3, CEditItem::kBrowseId);
             ASSERT_TRUE(WaitUntil([&] { return answerer.AllAnswered(); }));
             EXPECT_EQ(title, "Enter the name of the result file, or specify an existing file");
             EXPECT_EQ(Q(list->GetItem(3)->m_strValue), result);
         },
         "Sales!A1=Item\nSales!B1=Units\nSales!A2=Lamp\nSales!B2=3\nSales!A3=Chair\nSales!B3="
         "5\nSales (2)!A1=Item\nSales (2)!B1=Units\nSales (2)!A2=Pen\nSales (2)!B2=7\nSales "
         "(2)!A3=Lamp\nSales (2)!B3=2\n"},
        {2,
         [](CTaskFieldList* list, CDialogAnswerer& answerer, const Sources& s,
            const QString& result) {
             // The folder through its Browse: the folder picker.
             QString title;
             answerer.Expect(TypeInFileDialog(s.Folder(), &title));
             ClickRowButton(list, 0, CEditItem::kBrowseId);
             ASSERT_TRUE(WaitUntil([&] { return answerer.AllAnswered(); }));
             EXPECT_EQ(title, "Select a folder:");
             EXPECT_EQ(Q(list->GetItem(0)->m_strValue), s.Folder());
             TypeIntoRow(list, 1, "Sales");
             TypeIntoRow(list, 2, "2");
             TypeIntoRow(list, 3, "1");
             TypeIntoRow(list, 5, result);
         },
         "Sheet1!A1=Lamp\nSheet1!B1=3\nSheet1!A2=Chair\nSheet1!B2=5\nSheet1!A3=Pen\nSheet1!B3="
         "7\nSheet1!A4=Lamp\nSheet1!B4=2\n"},
        {3,
         [](CTaskFieldList* list, CDialogAnswerer&, const Sources& s, const QString& result) {
             FillFolderRows(list, s, result, 6);
             TypeIntoRow(list, 2, "1");
             TypeIntoRow(list, 3, "2");
         },
         "Sheet1!A1=Lamp\nSheet1!B1=5\nSheet1!A2=Chair\nSheet1!B2=5\nSheet1!A3=Pen\nSheet1!B3=7\n"},
        {4, FillTwoWorkbooks,
         "Sheet1!A1=Item\nSheet1!B1=Units\nSheet1!C1=Item\nSheet1!D1=Units\nSheet1!A2=Lamp\nSheet1!"
         "B2=3\nSheet1!C2=Lamp\nSheet1!D2=2\nSheet1!A3=Chair\nSheet1!B3=5\n"},
        {5, FillTwoWorkbooks, "Sheet1!A1=Item\nSheet1!B1=Units\nSheet1!A2=Lamp\nSheet1!B2=3\n"},
        {6, FillTwoWorkbooks, "Sheet1!A1=Chair\nSheet1!B1=5\n"},
        {7,
         [](CTaskFieldList* list, CDialogAnswerer& answerer, const Sources& s,
            const QString& result) {
             BrowseWorkbook(list, 0, answerer, s.Template(), nullptr);
             TypeIntoRow(list, 1, s.Folder());
             TypeIntoRow(list, 2, "Sales");
             TypeIntoRow(list, 3, result);
         },
         "Sheet1!A1=<folder>/a.xlsx\nSheet1!A2=Sales\nSheet1!A3=B2: The type of the cell is "
         "inconsistent with template sheet.\nSheet1!A4= \nSheet1!A5= "
         "\nSheet1!A6=<folder>/sub/b.xlsx\nSheet1!A7=Sales\nSheet1!A8=B2: The type of the cell is "
         "inconsistent with template sheet.\nSheet1!A9= \nSheet1!A10= \n"},
    };
    for (const RunCase& c : cases) {
        const QString name = QString::fromLatin1(kWorkModes[c.mode].iconFile).section('.', 0, 0);
        SCOPED_TRACE(name.toStdString());
        Sources sources;
        TempFolder out;
        const QString result = QString::fromStdString(out / "result.xlsx");
        CLoadedHost host;
        ASSERT_TRUE(host.Loaded());
        host.Window().resize(1200, 720);
        CInputView* view = theApp.m_pInputView;
        host.Module().OnClick(kWorkModes[c.mode].guid);
        CTaskFieldList* list = view->CurrentList();
        CDialogAnswerer answerer;
        c.fill(list, answerer, sources, result);
        ASSERT_TRUE(answerer.Unexpected().isEmpty())
            << answerer.Unexpected().join("|").toStdString();

        QString openQuestion;
        answerer.Expect(CDialogAnswerer::Message(QMessageBox::No, &openQuestion));
        QTest::mouseClick(view->StartButton(), Qt::LeftButton);
        COutputView* output = host.Output();
        ASSERT_TRUE(WaitUntil([&] { return view->StartButton()->isEnabled(); }, 120000));
        ASSERT_TRUE(WaitUntil([&] { return answerer.AllAnswered(); }));
        EXPECT_TRUE(answerer.Unexpected().isEmpty())
            << answerer.Unexpected().join("|").toStdString();
        EXPECT_EQ(openQuestion, "Do you want to open the result?");
        EXPECT_FALSE(view->StopButton()->isEnabled());
        ASSERT_GT(output->LineCount(), 1);
        const QString last = Q(output->LineText(output->LineCount() - 1));
        if (c.mode >= 4 && c.mode <= 6) {
            EXPECT_EQ(last, "Mission accomplished");
        } else {
            EXPECT_TRUE(last.startsWith("Task is complete.")) << last.toStdString();
            EXPECT_TRUE(last.contains(result)) << last.toStdString();
        }
        host.Window().grab().save(ScreenshotFolder() + "/run_" + name + ".png");

        const QString dump = DumpWithOpenpyxl(result.toStdString());
        EXPECT_EQ(QString(dump).replace(sources.Folder(), "<folder>").toStdString(),
                  c.expected.toStdString());
        // The settings the run saved, on the command line.
        const QString ini = host.Isolated()->IniPath();
        ASSERT_TRUE(QFile::exists(ini));
        const QString cliResult = QString::fromStdString(out / "cli.xlsx");
        const QString err = RunCommandLine(
            QString::fromLatin1(cli::ModeName(kWorkModes[c.mode].mode)), ini, cliResult);
        EXPECT_EQ(DumpWithOpenpyxl(cliResult.toStdString()).toStdString(), dump.toStdString())
            << err.toStdString();
    }
}

// The dialog as a window shows it: its caption drawn in a title strip above its client
// area (offscreen windows have no frame of their own).
void SaveWithCaption(QWidget* dialog, const QString& path) {
    const QPixmap client = dialog->grab();
    const int strip = dialog->fontMetrics().height() + 12;
    QPixmap shot(client.width(), client.height() + strip);
    shot.fill(QColor(60, 90, 150));
    QPainter painter(&shot);
    painter.setPen(Qt::white);
    painter.setFont(dialog->font());
    painter.drawText(QRect(8, 0, client.width() - 16, strip), Qt::AlignVCenter | Qt::AlignLeft,
                     dialog->windowTitle());
    painter.drawPixmap(0, strip, client);
    painter.end();
    shot.save(path);
}

TEST(InputRun, StopEndsALongRunWithTaskIsCanceledAndNoResult) {
    TempFolder books, out;
    for (int i = 0; i < 300; ++i) {
        engine::testing::WriteBook(books / ("book" + std::to_string(1000 + i) + ".xlsx"),
                                   {{"Sales", {{"Item", "Units"}, {"Lamp", std::to_string(i)}}}});
    }
    const QString result = QString::fromStdString(out / "result.xlsx");
    CLoadedHost host;
    ASSERT_TRUE(host.Loaded());
    CInputView* view = theApp.m_pInputView;
    host.Module().OnClick(kWorkModes[2].guid);
    CTaskFieldList* list = view->CurrentList();
    TypeIntoRow(list, 0, QString::fromStdString(books.Path()));
    TypeIntoRow(list, 5, result);
    COutputView* output = host.Output();
    CDialogAnswerer answerer;  // nothing is asked
    QTest::mouseClick(view->StartButton(), Qt::LeftButton);
    EXPECT_FALSE(view->StartButton()->isEnabled());  // no second Start while it runs
    EXPECT_TRUE(view->StopButton()->isEnabled());
    ASSERT_TRUE(WaitUntil([&] { return output->LineCount() >= 3; }, 60000));
    QTest::mouseClick(view->StopButton(), Qt::LeftButton);
    EXPECT_FALSE(view->IsRunning());
    ASSERT_TRUE(WaitUntil([&] { return view->StartButton()->isEnabled(); }, 30000));
    EXPECT_FALSE(view->StopButton()->isEnabled());
    ASSERT_TRUE(WaitUntil(
        [&] { return output->LineText(output->LineCount() - 1) == "Task is canceled."; }));
    EXPECT_LT(output->LineCount(), 2 * 300);
    EXPECT_FALSE(QFile::exists(result));
    EXPECT_TRUE(answerer.Unexpected().isEmpty()) << answerer.Unexpected().join("|").toStdString();
    host.Window().grab().save(ScreenshotFolder() + "/run_canceled.png");
}

TEST(InputRun, TheWorkbookRowTakesOneWorksheetOrOffersSeveralInTheSelectWorksheetDialog) {
    TempFolder books;
    const QString several = QString::fromStdString(books / "several.xlsx");
    engine::testing::WriteBook(several.toStdString(),
                               {{"Sales", {{"x"}}}, {"Costs", {{"y"}}}, {"Staff", {{"z"}}}});
    const QString single = QString::fromStdString(books / "single.xlsx");
    engine::testing::WriteBook(single.toStdString(), {{"Only", {{"x"}}}});
    const QString broken = QString::fromStdString(books.Write("broken.xlsx", "not a workbook"));
    CLoadedHost host;
    ASSERT_TRUE(host.Loaded());
    CInputView* view = theApp.m_pInputView;
    host.Module().OnClick(kWorkModes[5].guid);
    CTaskFieldList* list = view->CurrentList();
    auto* row = dynamic_cast<CExcelFileItem*>(list->GetItem(0));
    ASSERT_NE(row, nullptr);

    // Several worksheets: the dialog lists them; a single click chooses.
    CDialogAnswerer answerer;
    QString title, caption, cancel, instruction;
    QStringList offered;
    answerer.Expect(TypeInFileDialog(several, &title));
    answerer.Expect([&](QWidget* dialog) {
        auto* select = dynamic_cast<CSelectSheetDlg*>(dialog);
        ASSERT_NE(select, nullptr);
        caption = select->windowTitle();
        cancel = select->CancelButton()->text();
        instruction = select->Instruction()->text();
        SaveWithCaption(select, ScreenshotFolder() + "/select_worksheet_dialog.png");
        ClickWorksheet("Costs", &offered)(dialog);
    });
    ClickRowButton(list, 0, CExcelFileItem::kBrowseId);
    ASSERT_TRUE(WaitUntil([&] { return answerer.AllAnswered(); }));
    EXPECT_EQ(title, "Please specify the Excel file where Worksheet 1 locates.");
    EXPECT_EQ(caption, QString::fromUtf8("选择工作表"));
    EXPECT_EQ(cancel, QString::fromUtf8("取消"));
    EXPECT_EQ(instruction,
              "There are multiple worksheets in the Excel file you just specified. Please select "
              "one from the list below with your mouse.");
    EXPECT_EQ(offered, QStringList({"Sales", "Costs", "Staff"}));
    EXPECT_EQ(Q(row->m_strFile), several);
    EXPECT_EQ(Q(row->m_strSheet), "Costs");
    EXPECT_EQ(Q(row->DisplayText()), "\"" + several + "\" --> \"Costs\"");
    EXPECT_FALSE(row->Edit()->isVisible());  // the row closed with its new value

    // Cancel in the dialog, a workbook that cannot be read, a cancelled file dialog: the
    // row keeps what it had.
    answerer.Expect(TypeInFileDialog(several));
    answerer.Expect([](QWidget* dialog) {
        auto* select = dynamic_cast<CSelectSheetDlg*>(dialog);
        ASSERT_NE(select, nullptr);
        QTest::mouseClick(select->CancelButton(), Qt::LeftButton);
    });
    answerer.Expect(TypeInFileDialog(broken));
    answerer.Expect([](QWidget* dialog) { static_cast<QDialog*>(dialog)->reject(); });
    for (int i = 0; i < 3; ++i) {
        ClickRowButton(list, 0, CExcelFileItem::kBrowseId);
        ASSERT_TRUE(WaitUntil([&] { return answerer.AllAnswered() || i < 2; }));
        QCoreApplication::processEvents();
        EXPECT_EQ(Q(row->m_strFile), several) << i;
        EXPECT_EQ(Q(row->m_strSheet), "Costs") << i;
    }
    ASSERT_TRUE(WaitUntil([&] { return answerer.AllAnswered(); }));

    // A single worksheet is taken without the dialog; Clear empties the row.
    answerer.Expect(TypeInFileDialog(single));
    ClickRowButton(list, 0, CExcelFileItem::kBrowseId);
    ASSERT_TRUE(WaitUntil([&] { return answerer.AllAnswered(); }));
    EXPECT_EQ(Q(row->m_strFile), single);
    EXPECT_EQ(Q(row->m_strSheet), "Only");
    ClickRowButton(list, 0, CExcelFileItem::kClearId);
    EXPECT_TRUE(row->m_strFile.IsEmpty());
    EXPECT_TRUE(row->m_strSheet.IsEmpty());
    EXPECT_TRUE(row->Edit()->text().isEmpty());
    EXPECT_TRUE(answerer.Unexpected().isEmpty()) << answerer.Unexpected().join("|").toStdString();
}

}  // namespace
}  // namespace tabulon::gui::testing
