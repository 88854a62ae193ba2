// The text bytes of an archive member, gathered element by element into one block that
// grows as pieces arrive; growth that fails is reported instead of thrown, so the caller
// can close what it holds and fail in order. Portable: no Windows header.
#pragma once

#include <cstddef>
#include <memory>

#include "foundation/TextConvert.h"

namespace kelmsgs {

class GatheredBytes {
 public:
  // Appends n bytes (the first piece allocates the block, even an empty one). False when
  // memory runs out; what was gathered before stays.
  bool Append(const unsigned char* bytes, std::size_t n) noexcept;

  const unsigned char* data() const noexcept { return block_.get(); }
  std::size_t size() const noexcept { return size_; }

 private:
  std::unique_ptr<unsigned char[], MallocFree> block_;
  std::size_t size_ = 0;
  std::size_t capacity_ = 0;
};

}  // namespace kelmsgs
