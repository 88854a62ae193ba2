#include "content/MemberNameTable.h"

#include "content/FilterHandles.h"

namespace kelmsgs {

bool MemberNameTable::Append(const char* name) noexcept {
  // 1. Created at the first name, with room for eight.
  if (!block_) {
    block_.reset(GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, kGrowthSlots * kSlotBytes));
    if (!block_) return false;
    capacity_ = kGrowthSlots;
  }
  // 2. A full table grows by eight slots.
  if (count_ == capacity_) {
    const std::size_t capacity = capacity_ + kGrowthSlots;
    HGLOBAL grown =
        GlobalReAlloc(block_.get(), capacity * kSlotBytes, GMEM_MOVEABLE | GMEM_ZEROINIT);
    if (!grown) return false;
    block_.release();
    block_.reset(grown);
    capacity_ = capacity;
  }
  // 3. The name into the next slot.
  const GlobalLockScope slots(block_.get());
  if (!slots.data()) return false;
  lstrcpynA(static_cast<char*>(slots.data()) + count_ * kSlotBytes, name ? name : "",
            static_cast<int>(kSlotBytes));
  ++count_;
  return true;
}

std::string MemberNameTable::Name(std::size_t index) const {
  if (index >= count_) return {};
  const GlobalLockScope slots(block_.get());
  if (!slots.data()) return {};
  return static_cast<const char*>(slots.data()) + index * kSlotBytes;
}

void MemberNameTable::Free() noexcept {
  block_.reset();
  count_ = 0;
  capacity_ = 0;
}

}  // namespace kelmsgs
