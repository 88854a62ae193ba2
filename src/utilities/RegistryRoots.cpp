#include "utilities/RegistryRoots.h"

namespace kelmsgs {

std::optional<std::uint32_t> RootKeyValue(long key) noexcept {
  static constexpr std::uint32_t kRoots[] = {
      0x80000000u,  // classes root
      0x80000001u,  // current user
      0x80000002u,  // local machine
      0x80000003u,  // users
      0x80000005u,  // current configuration
      0x80000004u,  // dynamic data (the performance-data handle)
  };
  if (key < 0 || key >= static_cast<long>(sizeof kRoots / sizeof kRoots[0])) return std::nullopt;
  return kRoots[key];
}

}  // namespace kelmsgs
