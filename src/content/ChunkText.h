// The text of a document as the filter hands it over: 8-bit chunks that become one
// automation string, and the gathered text of an archive member, each byte the 16-bit
// unit of the same value (no code page: 0xE9 is U+00E9). Portable: no Windows header, so
// it builds natively with sanitizers.
#pragma once

#include <cstddef>

namespace kelmsgs {

// How many of the n bytes at the start are of value 32 or less: the first chunk of a
// document loses them.
std::size_t LeadingBlankBytes(const unsigned char* bytes, std::size_t n) noexcept;

// Writes n bytes of a document's text to out, widened and cleaned: every control byte
// other than tab, line feed, form feed and carriage return (zero included) becomes a space.
void CleanInto(char16_t* out, const unsigned char* bytes, std::size_t n) noexcept;

// Writes n bytes to out, each widened, with no cleaning (a member's text).
void WidenInto16(char16_t* out, const unsigned char* bytes, std::size_t n) noexcept;

}  // namespace kelmsgs
