#include "TextChunker.h"

#include <algorithm>
#include <cstring>

namespace docfilter {

ChunkStatus TextChunker::Read(bool first, char* buffer, std::size_t capacity, std::size_t* count) {
  if (count) *count = 0;
  if (!buffer || !count || capacity == 0) return kChunkBadArgs;
  if (first) offset_ = 0;
  if (offset_ >= text_.size()) return kChunkNone;
  const std::size_t n = std::min({capacity, kMaxChunk, text_.size() - offset_});
  std::memcpy(buffer, text_.data() + offset_, n);
  offset_ += n;
  *count = n;
  return offset_ >= text_.size() ? kChunkLast : kChunkMore;
}

}  // namespace docfilter
