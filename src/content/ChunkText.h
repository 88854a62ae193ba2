// The text of a document as the filter hands it over: 8-bit chunks that become one
// automation string, and the gathered text of an archive member. Portable: no Windows
// header, so it builds natively with sanitizers.
#pragma once

#include <cstddef>
#include <string>

namespace kelmsgs {

// Appends a chunk of n bytes to text: every control byte other than tab, line feed, form
// feed and carriage return (zero included) becomes a space, and each byte becomes the
// 16-bit unit of the same value (no code page: 0xE9 is U+00E9). The first chunk of a
// document also loses its leading bytes of value 32 or less.
void AppendCleanChunk(std::u16string& text, const unsigned char* bytes, std::size_t n,
                      bool firstChunk);

// The bytes up to the first zero byte (or all n), each widened to the 16-bit unit of the
// same value, with no cleaning.
std::u16string WidenUntilNul(const unsigned char* bytes, std::size_t n);

}  // namespace kelmsgs
