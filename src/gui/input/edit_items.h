// The plain rows of a property list: a drop-down list of choices (CComboItem) and a text
// box with an optional Browse button (CEditItem).
#pragma once

#include <vector>

#include "gui/controls/property_list.h"

class QComboBox;
class QLineEdit;
class QPushButton;

class CComboItem : public CPropertyItem {
  public:
    CComboItem(const CString& label, const CString& value, std::vector<CString> options,
               bool bold = false);
    ~CComboItem() override;

    void BeginEdit(int left, int top, int right, int bottom) override;
    void EndEdit() override;
    void CreateEditors(const QFont& font) override;

    QComboBox* Combo() const { return m_pCombo; }
    std::vector<CString> m_options;

    static constexpr int kComboId = 700;

  private:
    QComboBox* m_pCombo = nullptr;
};

class CEditItem : public CPropertyItem {
  public:
    // The Browse action of the row (kind 5): puts the new value and returns true, or
    // returns false when the user cancelled.
    using BrowseCallback = bool (*)(CString* newValue, void* context);

    enum EditKind {
        kNoAction = 0,  // text box + Browse that does nothing
        kColor = 1,     // colour dialog, value "RGB(r,g,b)"
        kFont = 2,      // font dialog, value the face name
        kFile = 3,      // file dialog "Select file" with m_strFilter
        kFolder = 4,    // folder picker
        kCallback = 5,  // m_pfnBrowse
        kTextOnly = 6,  // text box only
        kButtonOnly = 7,
    };

    CEditItem(const CString& label, const CString& value, int editKind, bool bold = false);
    ~CEditItem() override;

    void BeginEdit(int left, int top, int right, int bottom) override;
    void EndEdit() override;
    void CreateEditors(const QFont& font) override;
    void OnCommand(int notifyCode, int id) override;

    QLineEdit* Edit() const { return m_pEdit; }
    QPushButton* BrowseButton() const { return m_pButton; }

    int m_nEditKind;
    CString m_strFilter;
    BrowseCallback m_pfnBrowse = nullptr;
    void* m_pBrowseContext = nullptr;

    static constexpr int kEditId = 800;
    static constexpr int kBrowseId = 900;
    static constexpr int kButtonWidth = 48;  // at 96 dpi

  private:
    // The Browse action of the kind; true with value set when it gave one.
    bool RunBrowse(CString& value);

    QLineEdit* m_pEdit = nullptr;
    QPushButton* m_pButton = nullptr;
};

// The colour a value "RGB(r,g,b)" names; black when the value holds no "RGB".
void ParseRgbValue(const CString& value, int& red, int& green, int& blue);
