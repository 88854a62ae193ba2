#include "foundation/TextConvert.h"

#include <cstring>

namespace kelmsgs {

std::size_t WideLength(const char16_t* s) noexcept {
  std::size_t n = 0;
  if (s)
    while (s[n]) ++n;
  return n;
}

bool IsByteText(const char16_t* s, std::size_t length) noexcept {
  for (std::size_t i = 0; s && i < length; ++i)
    if (s[i] == 0 || s[i] > 0xFF) return false;
  return true;
}

NarrowText NarrowString(const char16_t* s, std::size_t length, std::size_t maxChars) noexcept {
  if (!s) length = 0;
  if (maxChars != 0 && length > maxChars) length = maxChars;
  NarrowText out(static_cast<char*>(std::malloc(length + 1)));
  if (!out) return out;
  for (std::size_t i = 0; i < length; ++i) out[i] = static_cast<char>(s[i] & 0xFF);
  out[length] = '\0';
  return out;
}

NarrowText NarrowString(const char16_t* s, std::size_t maxChars) noexcept {
  return NarrowString(s, WideLength(s), maxChars);
}

WideText WidenString(const char* s, std::size_t length) noexcept {
  if (!s) length = 0;
  WideText out(static_cast<char16_t*>(std::malloc(2 * length + 2)));
  if (!out) return out;
  for (std::size_t i = 0; i < length; ++i)
    out[i] = static_cast<char16_t>(static_cast<unsigned char>(s[i]));
  out[length] = u'\0';
  return out;
}

WideText WidenString(const char* s) noexcept {
  return WidenString(s, s ? std::strlen(s) : 0);
}

}  // namespace kelmsgs
