// The worksheet field's editor: an editable combo box whose text is a ";"-separated list
// of worksheet names, and whose pop-up offers "*(All Worksheets)" and the names found. A
// chosen name is added to the text, or taken out when it is there already; choosing
// "*(All Worksheets)" makes it the whole text. Each mouse press on it first runs the
// click callback (the field list's refresh of the names).
//
// The entries are gathered with AddEntry and shown in the pop-up from the next
// RebuildTree on, so entries appended between rebuilds do not show yet.
#pragma once

#include <QComboBox>
#include <functional>
#include <vector>

#include "platform/cstring.h"

class CSheetCombo : public QComboBox {
  public:
    explicit CSheetCombo(QWidget* parent);

    void CreateTree();
    bool HasTree() const { return m_bTree; }
    void AddEntry(const CString& name, int image, int checkable);
    void RemoveAllEntries();
    void RebuildTree();

    CString Text() const;
    void SetText(const CString& text);
    // The names the pop-up offers, "*(All Worksheets)" first.
    std::vector<CString> Offered() const;

    std::function<void()> m_onClick;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void OnChosen(int index);

    bool m_bTree = false;
    std::vector<CString> m_entries;
    QString m_lastText;  // the text before the pop-up's choice replaced it
};
