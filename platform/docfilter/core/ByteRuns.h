// Lengths of the runs of bytes that text readers pass through unchanged, measured many
// bytes at a time (SSE2 where the compiler targets it, one byte at a time elsewhere), so
// that long ASCII text costs a scan, not a decoding step per byte.
#pragma once

#include <cstddef>

namespace docfilter {

// How many of the n bytes at p, from the start, are ASCII (below 0x80).
std::size_t AsciiRun(const char* p, std::size_t n);

// How many of the n bytes at p, from the start, are printable ASCII (0x20 to 0x7E) or
// tab, line feed, carriage return or form feed: the bytes that stand for themselves in
// the filter's Latin-1 text.
std::size_t PlainAsciiRun(const char* p, std::size_t n);

}  // namespace docfilter
