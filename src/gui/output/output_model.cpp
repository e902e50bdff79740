#include "gui/output/output_model.h"

namespace tabulon::gui {

using Kind = output::OutputChange::Kind;

std::vector<output::OutputChange> COutputModel::Apply(int code, platform::CNotifyPayload payload) {
    std::vector<output::OutputChange> changes = m_lines.Apply(code, std::move(payload));
    // Lines are only ever appended at the end, so while the changes are replayed the rows
    // the views know are always the first m_nRows lines of the list.
    for (const output::OutputChange& change : changes) {
        switch (change.kind) {
            case Kind::Appended:
                beginInsertRows(QModelIndex(), change.index, change.index);
                ++m_nRows;
                endInsertRows();
                break;
            case Kind::Removed:
                beginRemoveRows(QModelIndex(), change.index, change.index);
                --m_nRows;
                endRemoveRows();
                break;
            case Kind::Changed:
                emit dataChanged(index(change.index), index(change.index), {Qt::DisplayRole});
                break;
            case Kind::Cleared:
                beginResetModel();
                m_nRows = 0;
                endResetModel();
                break;
        }
    }
    return changes;
}

void COutputModel::Clear() {
    beginResetModel();
    m_lines.Clear();
    m_nRows = 0;
    endResetModel();
}

int COutputModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_nRows;
}

QVariant COutputModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= m_nRows)
        return QVariant();
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole) {
        const CString& text = m_lines.Line(index.row()).text;
        return QString::fromUtf8(text.GetString(), text.GetLength());
    }
    return QVariant();
}

}  // namespace tabulon::gui
