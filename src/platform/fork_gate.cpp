#include "platform/fork_gate.h"

namespace tabulon::platform {

std::shared_mutex& ForkGate() {
    static std::shared_mutex gate;
    return gate;
}

}  // namespace tabulon::platform
