// CExcelFileItem: a row naming one workbook and one of its worksheets, shown as
// "workbook" --> "worksheet". Browse runs the workbook-and-worksheet picker; Clear
// empties both. The text box is read-only.
#pragma once

#include "gui/controls/property_list.h"

class QLineEdit;
class QPushButton;

class CExcelFileItem : public CPropertyItem {
  public:
    // name goes into the picker's title: "Please specify the Excel file where <name> locates."
    CExcelFileItem(const CString& label, const CString& name, bool bold = false);
    ~CExcelFileItem() override;

    void BeginEdit(int left, int top, int right, int bottom) override;
    void EndEdit() override;
    void DrawValue(QPainter& dc, const QRect& rect) override;
    void CreateEditors(const QFont& font) override;
    void OnCommand(int notifyCode, int id) override;

    // "file" --> "sheet" when both are set, else empty.
    CString DisplayText() const;

    QLineEdit* Edit() const { return m_pEdit; }
    QPushButton* BrowseButton() const { return m_pBrowse; }
    QPushButton* ClearButton() const { return m_pClear; }

    CString m_strFile;
    CString m_strSheet;
    CString m_strPrompt;

    static constexpr int kEditId = 800;
    static constexpr int kBrowseId = 900;
    static constexpr int kClearId = 901;

  private:
    QLineEdit* m_pEdit = nullptr;
    QPushButton* m_pBrowse = nullptr;
    QPushButton* m_pClear = nullptr;
};
