// Text in a declared character set, converted to UTF-8: UTF-8 itself, UTF-16 (with a
// byte-order mark, else little-endian; "utf-16be" and "utf-16le" as named), Windows-1252
// and, for every other name or none, Latin-1.
#pragma once

#include <string>
#include <string_view>

namespace docfilter {

std::string CharsetToUtf8(std::string_view bytes, std::string_view charset);
// Bytes of unknown character set: kept when they are UTF-8, else read as Windows-1252.
std::string GuessToUtf8(std::string_view bytes);

}  // namespace docfilter
