// Decompression of deflate data (raw, as in ZIP members, or with the zlib wrapper, as in
// PDF streams) with a cap on the output: a bomb stops at the cap, corrupt or truncated
// data yields what decoded before the fault.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace docfilter {

struct Inflated {
  std::string data;
  bool complete = false;  // the stream ended properly within the cap
};

enum class DeflateWrapper { Raw, Zlib };

// sizeHint (the size the container declares) only reserves memory, within the limit.
Inflated Inflate(std::string_view input, DeflateWrapper wrapper, std::size_t limit,
                 std::size_t sizeHint = 0);

}  // namespace docfilter
