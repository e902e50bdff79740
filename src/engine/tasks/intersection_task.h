// CIntersectionTask: keeps the rows of worksheet 1 whose key occurs in worksheet 2's key column.
#pragma once

#include "engine/tasks/key_filter_task.h"

namespace tabulon::engine {

class CIntersectionTask : public CKeyFilterTask {
  public:
    using CKeyFilterTask::CKeyFilterTask;

  protected:
    bool KeepsFoundKeys() const override { return true; }
};

}  // namespace tabulon::engine
