// Hands out a text in chunks of at most 65535 bytes with the read statuses of the text
// access entry points: more follows, this is the last chunk, or there is no text.
#pragma once

#include <cstddef>
#include <string_view>

namespace docfilter {

enum ChunkStatus : long {
  kChunkMore = 0,     // a chunk was delivered and more follows
  kChunkLast = 31,    // the last chunk was delivered
  kChunkNone = -7,    // no chunk: the text is empty or was read to its end
  kChunkBadArgs = -2  // no buffer or no room
};

class TextChunker {
 public:
  static constexpr std::size_t kMaxChunk = 65535;

  // The text must outlive the chunker.
  explicit TextChunker(std::string_view text) : text_(text) {}

  // Reads from the start of the text (first) or on from the last chunk.
  ChunkStatus Read(bool first, char* buffer, std::size_t capacity, std::size_t* count);

 private:
  std::string_view text_;
  std::size_t offset_ = 0;
};

}  // namespace docfilter
