// CDifferenceTask: keeps the rows of worksheet 1 whose key does not occur in worksheet 2's key
// column.
#pragma once

#include "engine/tasks/key_filter_task.h"

namespace tabulon::engine {

class CDifferenceTask : public CKeyFilterTask {
  public:
    using CKeyFilterTask::CKeyFilterTask;

  protected:
    bool KeepsFoundKeys() const override { return false; }
};

}  // namespace tabulon::engine
