// The names of the members that the filter asked about through the redirected-input
// callbacks: a movable global memory block of 260-byte slots that grows by eight slots
// whenever it is full (and may move as it grows).
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

#include "foundation/Owned.h"

namespace kelmsgs {

class MemberNameTable {
 public:
  static constexpr std::size_t kSlotBytes = 260;
  static constexpr std::size_t kGrowthSlots = 8;

  // Copies name (cut to a slot, always terminated) into the next slot. False when the
  // table could not be created or grown.
  bool Append(const char* name) noexcept;
  std::size_t count() const noexcept { return count_; }
  std::size_t capacity() const noexcept { return capacity_; }
  std::string Name(std::size_t index) const;
  void Free() noexcept;

 private:
  GlobalMemory block_;
  std::size_t count_ = 0;
  std::size_t capacity_ = 0;
};

}  // namespace kelmsgs
