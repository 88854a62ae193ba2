// Decoding of UTF-8 and UTF-16 text, one character at a time. Malformed input never
// stops decoding: each bad unit becomes U+FFFD and decoding goes on after it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace docfilter {

inline constexpr char32_t kReplacement = 0xFFFD;

// The character at pos; pos moves past it (at least one byte).
char32_t NextUtf8(std::string_view bytes, std::size_t& pos);
// Whether the bytes are well-formed UTF-8 (pure ASCII included).
bool IsUtf8(std::string_view bytes);
// The character at pos of UTF-16 text in the given byte order; pos moves past it (two
// or four bytes). A lone last byte is dropped.
char32_t NextUtf16(std::string_view bytes, std::size_t& pos, bool bigEndian);
// Appends c as UTF-8.
void AppendUtf8(std::string& out, char32_t c);

}  // namespace docfilter
