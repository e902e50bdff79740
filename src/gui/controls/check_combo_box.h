// CCheckComboBox: the editor of a worksheet-list field. An editable combo whose drop-down
// is a pop-up tree (CCheckComboTree) with the root "*(All Worksheets)" and the candidate
// names below it: a click on a name appends it to the text (names joined with ";"), a
// click on the root makes the text "*(All Worksheets)". The user may type the text too;
// a tooltip shows the whole of it.
#pragma once

#include <QComboBox>
#include <vector>

#include "platform/cstring.h"

class CCheckComboTree;

// One candidate of the pop-up. Entry 0 is hidden: it stands for the root.
struct CheckComboEntry {
    CString m_strText;
    int m_nMarker = -1;  // -1: a choice from the row's option text; 2: a name read from files
    int m_nLevel = 1;    // 1 for names, 0 for the hidden entry 0
    int m_bChecked = 0;
    int m_bListed = 0;  // 1 when the marker is not -1
};

class CCheckComboBox : public QComboBox {
  public:
    // The text of the root, which stands for every worksheet.
    static constexpr const char* kAllWorksheets = "*(All Worksheets)";
    static constexpr int kDropHeight = 400;
    static constexpr int kTipMaxWidth = 350;

    explicit CCheckComboBox(QWidget* parent = nullptr);
    ~CCheckComboBox() override;

    // Run on every mouse click on the combo, before the drop-down toggles; may be null.
    void (*m_pfnOnClick)(void* context) = nullptr;
    void* m_pClickContext = nullptr;
    // When set, a click on a name replaces the text and closes the pop-up.
    int m_bSingleChoice = 0;

    // Appends an entry (checked 0); the first call also adds the hidden entry 0 with the
    // same text, marker -1 and level 0.
    void AddEntry(const CString& text, int marker, int level);
    void RemoveAllEntries();
    const std::vector<CheckComboEntry>& Entries() const { return m_entries; }
    int MaxLevel() const { return m_nMaxLevel; }

    // Creates the pop-up tree when it does not exist yet, and fills it; false on failure.
    bool CreateTree();
    // Refills the pop-up tree if it exists.
    void RebuildTree();
    // Creates the tree when missing, places it under the combo, then shows or hides it.
    void ToggleDropDown();
    bool IsDroppedDown() const;
    // Null until CreateTree or the first toggle.
    CCheckComboTree* Tree() const { return m_pTree; }

    CString GetText() const;
    void SetText(const CString& text);
    // Adds the name to the text unless the text already holds it as one of its
    // ";"-separated names; an empty text or the root's text is replaced by it.
    void AppendToText(const CString& name);

    // The tooltip's text before wrapping: the whole text, or beyond 1000 characters its
    // first 997 and "...". Empty while the pop-up is shown.
    const CString& TipText() const { return m_strTip; }
    void UpdateTooltip();

    // QComboBox's own pop-up is replaced by the tree.
    void showPopup() override;
    void hidePopup() override;

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

  private:
    friend class CCheckComboTree;
    void OnClick();
    void PlaceTree();
    void ShowTree();
    void HideTree();

    CCheckComboTree* m_pTree = nullptr;
    std::vector<CheckComboEntry> m_entries;
    int m_nMaxLevel = 0;
    int m_nDropWidth = -1;
    CString m_strTip;
};
