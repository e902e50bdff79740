// CSelectSheetDlg: offers the worksheet names of a workbook as icons; a single click on a
// name chooses it and closes the dialog. The caption and the Cancel button keep the texts
// of the dialog's template.
//
// PickWorkbookAndSheet: the Browse of a workbook row. Asks for the workbook file, lists
// its worksheets in a session of its own (quit before any dialog shows), takes a single
// worksheet at once and lets the user choose among several.
#pragma once

#include <QDialog>
#include <vector>

#include "platform/cstring.h"

class QListWidget;
class QLabel;
class QPushButton;

class CSelectSheetDlg : public QDialog {
  public:
    CSelectSheetDlg(std::vector<CString> names, QWidget* parent);

    QListWidget* List() const { return m_list; }
    QLabel* Instruction() const { return m_pInstruction; }
    QPushButton* CancelButton() const { return m_pCancel; }

    CString m_strSelected;

    static constexpr const char* kCaption = "选择工作表";
    static constexpr const char* kCancelText = "取消";
    static constexpr const char* kInstruction =
        "There are multiple worksheets in the Excel file you just specified. Please select "
        "one from the list below with your mouse.";

  private:
    void OnClickList();

    QListWidget* m_list = nullptr;
    QLabel* m_pInstruction = nullptr;
    QPushButton* m_pCancel = nullptr;
    std::vector<CString> m_names;
};

inline constexpr const char* kNoExcelMessage =
    "This program cannot work without the Excel. To use this program properly, you are "
    "required to install Excel 2000 or a higher version.";
inline constexpr const char* kExcelFileFilter =
    "Excel Files(*.xls)|*.xls|Excel2007 Files(*.xlsx)|*.xlsx||";

// True with file and sheet set when the user chose a workbook and one of its worksheets;
// false (both unchanged) otherwise. prompt is the file dialog's title.
bool PickWorkbookAndSheet(const CString& prompt, CString& file, CString& sheet);
