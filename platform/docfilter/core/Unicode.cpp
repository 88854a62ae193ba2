#include "Unicode.h"

#include "ByteRuns.h"

namespace docfilter {

namespace {
bool Continuation(unsigned char b) {
  return (b & 0xC0) == 0x80;
}
}  // namespace

char32_t NextUtf8(std::string_view bytes, std::size_t& pos) {
  const auto b0 = static_cast<unsigned char>(bytes[pos++]);
  if (b0 < 0x80) return b0;
  int extra = 0;
  char32_t c = 0;
  if ((b0 & 0xE0) == 0xC0) {
    extra = 1;
    c = b0 & 0x1F;
  } else if ((b0 & 0xF0) == 0xE0) {
    extra = 2;
    c = b0 & 0x0F;
  } else if ((b0 & 0xF8) == 0xF0) {
    extra = 3;
    c = b0 & 0x07;
  } else {
    return kReplacement;
  }
  for (int i = 0; i < extra; ++i) {
    if (pos >= bytes.size() || !Continuation(static_cast<unsigned char>(bytes[pos])))
      return kReplacement;
    c = (c << 6) | (static_cast<unsigned char>(bytes[pos++]) & 0x3F);
  }
  // Overlong forms, surrogates and values beyond Unicode are not characters.
  static constexpr char32_t kMinimum[] = {0, 0x80, 0x800, 0x10000};
  if (c < kMinimum[extra] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return kReplacement;
  return c;
}

bool IsUtf8(std::string_view bytes) {
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    pos += AsciiRun(bytes.data() + pos, bytes.size() - pos);
    if (pos == bytes.size()) break;
    const std::size_t start = pos;
    const char32_t c = NextUtf8(bytes, pos);
    // A literal U+FFFD is three bytes; a decoding failure is shorter or not EF BF BD.
    if (c == kReplacement && bytes.substr(start, pos - start) != "\xEF\xBF\xBD") return false;
  }
  return true;
}

char32_t NextUtf16(std::string_view bytes, std::size_t& pos, bool bigEndian) {
  const auto unit = [&](std::size_t at) -> char32_t {
    const auto a = static_cast<unsigned char>(bytes[at]);
    const auto b = static_cast<unsigned char>(bytes[at + 1]);
    return bigEndian ? (a << 8 | b) : (b << 8 | a);
  };
  if (pos + 1 >= bytes.size()) {
    pos = bytes.size();
    return kReplacement;
  }
  const char32_t first = unit(pos);
  pos += 2;
  if (first < 0xD800 || first > 0xDFFF) return first;
  if (first >= 0xDC00 || pos + 1 >= bytes.size()) return kReplacement;
  const char32_t second = unit(pos);
  if (second < 0xDC00 || second > 0xDFFF) return kReplacement;
  pos += 2;
  return 0x10000 + ((first - 0xD800) << 10) + (second - 0xDC00);
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (c >> 18)));
    out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

}  // namespace docfilter
