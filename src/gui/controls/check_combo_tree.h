// CCheckComboTree: the pop-up of a CCheckComboBox, a tree in a pop-up window (so a click
// outside it closes it): the root "*(All Worksheets)" with the combo's entries below it,
// in insertion order. Each item's data (Qt::UserRole) is its entry index, 0 for the root.
#pragma once

#include <QTreeWidget>

class CCheckComboBox;

class CCheckComboTree : public QTreeWidget {
  public:
    explicit CCheckComboTree(CCheckComboBox* owner);

    // Deletes all items and inserts the root and the owner's entries.
    void Fill();
    QTreeWidgetItem* Root() const { return topLevelItemCount() ? topLevelItem(0) : nullptr; }
    // The item of entry index, null when none.
    QTreeWidgetItem* ItemOfEntry(int index) const;

  protected:
    bool event(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    // What a click or a key does to an item (null: empty space, which closes).
    void ActOn(QTreeWidgetItem* item);

    CCheckComboBox* m_pOwner;
};
