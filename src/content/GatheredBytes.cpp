#include "content/GatheredBytes.h"

#include <cstdlib>
#include <cstring>
#include <limits>

namespace kelmsgs {

bool GatheredBytes::Append(const unsigned char* bytes, std::size_t n) noexcept {
  if (n > std::numeric_limits<std::size_t>::max() / 2 - size_) return false;
  const std::size_t needed = size_ + n;
  if (!block_ || needed > capacity_) {
    // Doubling keeps a member of many small text elements linear in its size.
    const std::size_t capacity = needed > capacity_ * 2 ? needed : capacity_ * 2;
    void* grown = std::realloc(block_.get(), capacity ? capacity : 1);
    if (!grown) return false;
    block_.release();
    block_.reset(static_cast<unsigned char*>(grown));
    capacity_ = capacity;
  }
  if (n) std::memcpy(block_.get() + size_, bytes, n);
  size_ = needed;
  return true;
}

}  // namespace kelmsgs
