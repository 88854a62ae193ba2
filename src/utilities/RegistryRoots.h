// The root keys that scripts name by number, as 32-bit predefined-handle values.
// Portable: no Windows header.
#pragma once

#include <cstdint>
#include <optional>

namespace kelmsgs {

// 0 classes root, 1 current user, 2 local machine, 3 users, 4 current configuration,
// 5 the dynamic-data root (0x80000004). Any other number names no root.
std::optional<std::uint32_t> RootKeyValue(long key) noexcept;

}  // namespace kelmsgs
