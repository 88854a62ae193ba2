// The text bytes of a document or an archive member, gathered piece by piece as the
// filter hands them over, in blocks of fixed size: nothing gathered is ever moved or
// copied again while more arrives, and the blocks are small enough for the heap to reuse
// their memory from one document to the next. Growth that fails is reported instead of
// thrown, so the caller can close what it holds and fail in order. The text leaves as
// 16-bit units written straight into the caller's string, whose length is known once
// everything is gathered. Portable: no Windows header.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "foundation/TextConvert.h"

namespace kelmsgs {

class GatheredBytes {
 public:
  // Bytes of one block.
  static constexpr std::size_t kBlockBytes = 256 * 1024;

  // Appends n bytes. False when memory runs out; what was gathered before stays (with
  // perhaps the start of these bytes).
  bool Append(const unsigned char* bytes, std::size_t n) noexcept;

  std::size_t size() const noexcept { return size_; }
  // The number of bytes before the first zero byte (all of them when there is none).
  std::size_t SizeBeforeZero() const noexcept;
  // Writes the first n bytes (at most size()) to out as 16-bit units of the same values;
  // with clean, cleaned as CleanInto cleans them.
  void WidenInto(char16_t* out, std::size_t n, bool clean) const noexcept;

 private:
  struct Block {
    std::unique_ptr<unsigned char[], MallocFree> bytes;
    std::size_t used;
  };
  std::vector<Block> blocks_;
  std::size_t size_ = 0;
};

}  // namespace kelmsgs
