// A process-wide gate between our own threads and fork(): threads that read files hold
// it shared while they work, and a child process is started only with it held
// exclusively, so the child never inherits a heap or a reader caught half-way by
// another thread of ours.
#pragma once

#include <shared_mutex>

namespace tabulon::platform {

std::shared_mutex& ForkGate();

}  // namespace tabulon::platform
