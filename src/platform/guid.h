// Fresh GUID texts, "{XXXXXXXX-XXXX-xxxx-XXXX-XXXXXXXXXXXX}". The third group is written in
// lower case and all others in upper case; consumers compare these texts exactly.
#pragma once

#include <array>
#include <cstdint>

#include "platform/cstring.h"

namespace tabulon::platform {

struct Guid {
    std::uint32_t data1 = 0;
    std::uint16_t data2 = 0;
    std::uint16_t data3 = 0;
    std::array<std::uint8_t, 8> data4{};
};

CString FormatGuid(const Guid& guid);

// A random (version 4) GUID formatted as above; empty when no random bytes are available.
CString NewGuidString();

}  // namespace tabulon::platform
