// The output list as a Qt list model: the lines of an output::COutputList, which keeps
// the rules (append, the one progress line, clear) and owns the detail records. The model
// replays each change the list reports, so the views attached see every insert and
// removal as it happened.
#pragma once

#include <QAbstractListModel>

#include "output/output_list.h"

namespace tabulon::gui {

class COutputModel : public QAbstractListModel {
  public:
    using QAbstractListModel::QAbstractListModel;

    // Applies one task message; the changes it made, in order.
    std::vector<output::OutputChange> Apply(int code, platform::CNotifyPayload payload);
    void Clear();

    const output::COutputList& Lines() const { return m_lines; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;

  private:
    output::COutputList m_lines;
    int m_nRows = 0;  // the rows the views know of: a prefix of m_lines during a replay
};

}  // namespace tabulon::gui
