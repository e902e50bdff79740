// CDetailsDlg: the findings about one worksheet of one workbook, from a detail line of
// the output list: the workbook path, the worksheet name and the detail lines, with a
// button that opens the workbook in the desktop's application for it.
#pragma once

#include <QDialog>
#include <vector>

#include "platform/cstring.h"

class QLabel;
class QListWidget;
class QPushButton;

class CDetailsDlg : public QDialog {
  public:
    // strings: [0] workbook path, [1] worksheet name, [2]... the detail lines.
    CDetailsDlg(std::vector<CString> strings, QWidget* parent);

    // The controls, by their role (for the tests and the screenshots).
    QLabel* FileLabel() const { return m_pFile; }
    QLabel* SheetLabel() const { return m_pSheet; }
    QListWidget* List() const { return m_list; }
    QPushButton* OpenButton() const { return m_pOpen; }
    QPushButton* CloseButton() const { return m_pClose; }

  private:
    void OnInitDialog();
    void OnOpenFile();
    const CString& StringAt(size_t index) const;

    std::vector<CString> m_strings;
    QLabel* m_pFile = nullptr;
    QLabel* m_pSheet = nullptr;
    QListWidget* m_list = nullptr;
    QPushButton* m_pOpen = nullptr;
    QPushButton* m_pClose = nullptr;
};
