// Byte-for-byte conversion between the 16-bit automation strings and the 8-bit strings
// of the messaging calls: the low byte of each 16-bit unit is kept, each byte is widened.
// Portable: no Windows header, so it builds natively with sanitizers.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <memory>

namespace kelmsgs {

struct MallocFree {
  void operator()(void* p) const noexcept { std::free(p); }
};
using NarrowText = std::unique_ptr<char[], MallocFree>;
using WideText = std::unique_ptr<char16_t[], MallocFree>;

// Length of a zero-terminated 16-bit string; 0 for null.
std::size_t WideLength(const char16_t* s) noexcept;

// Whether the 8-bit form of length units of s stands for the same text: every unit is a
// character from U+0001 to U+00FF. A higher character would lose its high byte and a
// zero unit would end the 8-bit string early.
bool IsByteText(const char16_t* s, std::size_t length) noexcept;

// New zero-terminated 8-bit copy of s (null gives ""), at most maxChars characters when
// maxChars is not 0. Null only when memory runs out.
NarrowText NarrowString(const char16_t* s, std::size_t maxChars = 0) noexcept;
// Same, for a string of known length.
NarrowText NarrowString(const char16_t* s, std::size_t length, std::size_t maxChars) noexcept;

// New zero-terminated 16-bit copy of an 8-bit string (null gives ""). Null only when
// memory runs out.
WideText WidenString(const char* s) noexcept;
WideText WidenString(const char* s, std::size_t length) noexcept;

}  // namespace kelmsgs
