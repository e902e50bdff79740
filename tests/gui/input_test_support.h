// Helpers of the input view's tests: filling a field list through its rows' editors as a
// person would, answering the file and worksheet dialogs, and reading workbooks back with
// openpyxl.
#pragma once

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QTest>

#include "gui/controls/check_combo_box.h"
#include "gui/input/edit_items.h"
#include "gui/input/excel_file_item.h"
#include "gui/input/input_view.h"
#include "gui/input/select_sheet_dlg.h"
#include "gui/input/sheet_item.h"
#include "gui/input/task_field_list.h"
#include "gui/input/work_modes.h"
#include "gui_test_support.h"

namespace tabulon::gui::testing {

inline QString Q(const CString& text) {
    return QString::fromUtf8(text.GetString());
}

// Clicks a row of a property list, which opens its editor.
inline void ClickRow(CPropertyList* list, int row) {
    const QRect rect = list->visualItemRect(list->item(row));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(20, rect.center().y()));
    QCoreApplication::processEvents();
}

// Clicks the row, then types text into its open text box (or worksheet combo), replacing
// what was there.
inline void TypeIntoRow(CPropertyList* list, int row, const QString& text) {
    ClickRow(list, row);
    QLineEdit* edit = nullptr;
    CPropertyItem* item = list->GetItem(row);
    if (auto* e = dynamic_cast<CEditItem*>(item))
        edit = e->Edit();
    else if (auto* s = dynamic_cast<CSheetItem*>(item))
        edit = s->Combo()->lineEdit();
    ASSERT_NE(edit, nullptr) << "row " << row << " has no text box";
    ASSERT_TRUE(edit->isVisible());
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, text);
}

// A click on the worksheet check-combo through the window system, as a user's click comes.
inline void ClickSheetCombo(CCheckComboBox* combo) {
    QWidget* window = combo->window();
    QTest::mouseClick(window->windowHandle(), Qt::LeftButton, {},
                      combo->mapTo(window, QPoint(combo->width() - 8, combo->height() / 2)));
    QTest::qWait(30);
}

// Chooses an entry of the open Yes/No row.
inline void ChooseInRow(CPropertyList* list, int row, const QString& choice) {
    ClickRow(list, row);
    auto* item = dynamic_cast<CComboItem*>(list->GetItem(row));
    ASSERT_NE(item, nullptr);
    QComboBox* combo = item->Combo();
    ASSERT_TRUE(combo->isVisible());
    const int index = combo->findText(choice);
    ASSERT_GE(index, 0);
    combo->setCurrentIndex(index);
}

// Clicks a button of the row's open editor (the Browse of a text row, or a workbook row's
// Browse or Clear).
inline void ClickRowButton(CPropertyList* list, int row, int id) {
    ClickRow(list, row);
    const auto button =
        list->viewport()->findChildren<QPushButton*>(QStringLiteral("button%1").arg(id));
    for (QPushButton* b : button) {
        if (b->isVisible()) {
            QTest::mouseClick(b, Qt::LeftButton);
            return;
        }
    }
    ADD_FAILURE() << "no visible button " << id << " in row " << row;
}

// A step for the file or folder dialog: types the path and presses the accept button, as a
// person would (for an existing file the dialog then asks before it closes).
inline CDialogAnswerer::Step TypeInFileDialog(const QString& path, QString* title = nullptr,
                                              QStringList* filters = nullptr) {
    return [path, title, filters](QWidget* dialog) {
        auto* files = qobject_cast<QFileDialog*>(dialog);
        ASSERT_NE(files, nullptr) << dialog->metaObject()->className();
        if (title)
            *title = files->windowTitle();
        if (filters)
            *filters = files->nameFilters();
        auto* name = files->findChild<QLineEdit*>("fileNameEdit");
        auto* buttons = files->findChild<QDialogButtonBox*>("buttonBox");
        ASSERT_TRUE(name && buttons);
        name->setText(path);
        for (QAbstractButton* button : buttons->buttons()) {
            if (buttons->buttonRole(button) == QDialogButtonBox::AcceptRole)
                button->click();
        }
    };
}

// A step for the select-worksheet dialog: a click on the named worksheet.
inline CDialogAnswerer::Step ClickWorksheet(const QString& sheet, QStringList* offered = nullptr) {
    return [sheet, offered](QWidget* dialog) {
        auto* select = dynamic_cast<CSelectSheetDlg*>(dialog);
        ASSERT_NE(select, nullptr) << dialog->metaObject()->className();
        QListWidget* list = select->List();
        for (int i = 0; i < list->count(); ++i) {
            if (offered)
                *offered << list->item(i)->text();
        }
        const QList<QListWidgetItem*> found = list->findItems(sheet, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(found.front()).center());
    };
}

// Every cell of every worksheet, read with openpyxl: "Sheet!A1=value" lines in order.
inline QString DumpWithOpenpyxl(const std::string& path) {
    QProcess python;
    python.start("/usr/bin/python3",
                 {"-c",
                  "import sys, openpyxl\n"
                  "wb = openpyxl.load_workbook(sys.argv[1])\n"
                  "for ws in wb.worksheets:\n"
                  "    for row in ws.iter_rows():\n"
                  "        for c in row:\n"
                  "            if c.value is not None:\n"
                  "                print('%s!%s=%s' % (ws.title, c.coordinate, c.value))\n",
                  QString::fromStdString(path)});
    if (!python.waitForFinished(60000))
        return "python did not finish";
    return QString::fromUtf8(python.readAllStandardOutput()) +
           QString::fromUtf8(python.readAllStandardError());
}

}  // namespace tabulon::gui::testing
