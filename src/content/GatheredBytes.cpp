#include "content/GatheredBytes.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <utility>

#include "content/ChunkText.h"

namespace kelmsgs {

bool GatheredBytes::Append(const unsigned char* bytes, std::size_t n) noexcept try {
  if (n > std::numeric_limits<std::size_t>::max() / 2 - size_) return false;
  while (n > 0) {
    // 1. A new block when the last one is full (or there is none).
    if (blocks_.empty() || blocks_.back().used == kBlockBytes) {
      std::unique_ptr<unsigned char[], MallocFree> block(
          static_cast<unsigned char*>(std::malloc(kBlockBytes)));
      if (!block) return false;
      blocks_.push_back(Block{std::move(block), 0});  // a list that cannot grow throws
    }
    // 2. As much as fits in it.
    Block& last = blocks_.back();
    const std::size_t take = std::min(n, kBlockBytes - last.used);
    std::memcpy(last.bytes.get() + last.used, bytes, take);
    last.used += take;
    size_ += take;
    bytes += take;
    n -= take;
  }
  return true;
} catch (const std::bad_alloc&) {
  return false;
}

std::size_t GatheredBytes::SizeBeforeZero() const noexcept {
  std::size_t before = 0;
  for (const Block& block : blocks_) {
    const void* zero = std::memchr(block.bytes.get(), 0, block.used);
    if (zero)
      return before +
             static_cast<std::size_t>(static_cast<const unsigned char*>(zero) - block.bytes.get());
    before += block.used;
  }
  return before;
}

void GatheredBytes::WidenInto(char16_t* out, std::size_t n, bool clean) const noexcept {
  for (const Block& block : blocks_) {
    if (n == 0) return;
    const std::size_t take = std::min(n, block.used);
    if (clean)
      CleanInto(out, block.bytes.get(), take);
    else
      WidenInto16(out, block.bytes.get(), take);
    out += take;
    n -= take;
  }
}

}  // namespace kelmsgs
