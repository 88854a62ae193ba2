#include "Charsets.h"

#include <cctype>
#include <cstdint>

#include "Unicode.h"

namespace docfilter {

namespace {

// Windows-1252 at 0x80..0x9F; 0 where the code page has no character.
constexpr char16_t kWindows1252[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

std::string Lowered(std::string_view s) {
  std::string out;
  for (char c : s)
    if (c != '-' && c != '_')
      out.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
  return out;
}

std::string FromUtf16(std::string_view bytes, bool bigEndian) {
  std::string out;
  std::size_t pos = 0;
  while (pos + 1 < bytes.size()) AppendUtf8(out, NextUtf16(bytes, pos, bigEndian));
  return out;
}

std::string FromSingleByte(std::string_view bytes, bool windows) {
  std::string out;
  out.reserve(bytes.size());
  for (char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    char32_t cp = b;
    if (windows && b >= 0x80 && b < 0xA0) cp = kWindows1252[b - 0x80] ? kWindows1252[b - 0x80] : b;
    AppendUtf8(out, cp);
  }
  return out;
}

}  // namespace

std::string CharsetToUtf8(std::string_view bytes, std::string_view charset) {
  const std::string name = Lowered(charset);
  if (name == "utf8" || name == "usascii" || name == "ascii") {
    std::string out;
    std::size_t pos = 0;
    while (pos < bytes.size()) AppendUtf8(out, NextUtf8(bytes, pos));
    return out;
  }
  if (name == "utf16be") return FromUtf16(bytes, true);
  if (name == "utf16le") return FromUtf16(bytes, false);
  if (name == "utf16") {
    if (bytes.starts_with("\xFE\xFF")) return FromUtf16(bytes.substr(2), true);
    if (bytes.starts_with("\xFF\xFE")) return FromUtf16(bytes.substr(2), false);
    return FromUtf16(bytes, false);
  }
  return FromSingleByte(bytes, name == "windows1252" || name == "cp1252");
}

std::string GuessToUtf8(std::string_view bytes) {
  return IsUtf8(bytes) ? std::string(bytes) : FromSingleByte(bytes, true);
}

}  // namespace docfilter
