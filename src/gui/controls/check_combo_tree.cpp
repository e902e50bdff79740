#include "gui/controls/check_combo_tree.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>

#include "gui/controls/check_combo_box.h"

CCheckComboTree::CCheckComboTree(CCheckComboBox* owner) : QTreeWidget(nullptr), m_pOwner(owner) {
    setWindowFlags(Qt::Popup);
    setHeaderHidden(true);
    setColumnCount(1);
    setRootIsDecorated(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setFont(owner->font());
}

void CCheckComboTree::Fill() {
    clear();
    auto* root =
        new QTreeWidgetItem(this, QStringList(QString::fromUtf8(CCheckComboBox::kAllWorksheets)));
    root->setData(0, Qt::UserRole, 0);
    const auto& entries = m_pOwner->Entries();
    // The most recent item of each level; level 1 hangs under the root.
    std::vector<QTreeWidgetItem*> recent{nullptr, root};
    for (size_t i = 1; i < entries.size(); ++i) {
        const CheckComboEntry& entry = entries[i];
        int level = std::max(entry.m_nLevel, 1);
        QTreeWidgetItem* parent = nullptr;
        for (int l = std::min<int>(level, static_cast<int>(recent.size()) - 1); l >= 1 && !parent;
             --l)
            parent = recent[l];
        auto* item = new QTreeWidgetItem(
            parent, QStringList(QString::fromUtf8(entry.m_strText.GetString())));
        item->setData(0, Qt::UserRole, static_cast<int>(i));
        if (recent.size() < static_cast<size_t>(level) + 2)
            recent.resize(level + 2, nullptr);
        recent[level + 1] = item;
    }
    root->setExpanded(true);
}

QTreeWidgetItem* CCheckComboTree::ItemOfEntry(int index) const {
    for (QTreeWidgetItemIterator it(const_cast<CCheckComboTree*>(this)); *it; ++it) {
        if ((*it)->data(0, Qt::UserRole).toInt() == index)
            return *it;
    }
    return nullptr;
}

bool CCheckComboTree::event(QEvent* event) {
    // A press outside reaches the pop-up itself (not its viewport): it closes the pop-up.
    // A click on the owner combo only closes it: it is not replayed to reopen it.
    if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (!rect().contains(mouse->position().toPoint())) {
            QPoint onOwner = m_pOwner->mapFromGlobal(mouse->globalPosition().toPoint());
            setAttribute(Qt::WA_NoMouseReplay, m_pOwner->rect().contains(onOwner));
            hide();
            return true;
        }
    }
    return QTreeWidget::event(event);
}

void CCheckComboTree::mousePressEvent(QMouseEvent* event) {
    // In viewport coordinates: let the tree handle the click, then act on the item hit.
    QTreeWidget::mousePressEvent(event);
    if (event->button() != Qt::LeftButton)
        return;
    const QPoint pos = event->position().toPoint();
    QTreeWidgetItem* item = itemAt(pos);
    if (item && pos.x() < visualItemRect(item).left())
        return;  // the expand button: only opens or closes the branch
    ActOn(item);
}

void CCheckComboTree::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    const bool alt = event->modifiers() & Qt::AltModifier;
    if (key == Qt::Key_Escape || key == Qt::Key_F4 ||
        (alt && (key == Qt::Key_Up || key == Qt::Key_Down))) {
        hide();
        return;
    }
    if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) {
        if (currentItem())
            ActOn(currentItem());
        return;
    }
    QTreeWidget::keyPressEvent(event);
}

void CCheckComboTree::hideEvent(QHideEvent* event) {
    QTreeWidget::hideEvent(event);
    m_pOwner->UpdateTooltip();
}

void CCheckComboTree::ActOn(QTreeWidgetItem* item) {
    if (!item) {
        hide();
        return;
    }
    if (!item->parent()) {
        m_pOwner->SetText(CCheckComboBox::kAllWorksheets);
        return;
    }
    const CString name(item->text(0).toStdString());
    if (m_pOwner->m_bSingleChoice) {
        m_pOwner->SetText(name);
        hide();
        return;
    }
    if (item->childCount() == 0) {
        m_pOwner->AppendToText(name);
        return;
    }
    for (int i = 0; i < item->childCount(); ++i)
        m_pOwner->AppendToText(CString(item->child(i)->text(0).toStdString()));
}
