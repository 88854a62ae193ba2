#include "HexCore.h"

namespace mapistandin {

namespace {
int DigitValue(char c) noexcept {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}
}  // namespace

void BytesToHex(const std::uint8_t* bytes, std::size_t count, char* out) noexcept {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  for (std::size_t i = 0; i < count; ++i) {
    out[2 * i] = kDigits[bytes[i] >> 4];
    out[2 * i + 1] = kDigits[bytes[i] & 0x0F];
  }
  out[2 * count] = '\0';
}

bool HexToBytes(const char* hex, std::uint8_t* out) noexcept {
  for (; *hex; hex += 2, ++out) {
    const int high = DigitValue(hex[0]);
    if (high < 0) return false;
    const int low = DigitValue(hex[1]);  // the terminator when the length is odd
    if (low < 0) return false;
    *out = static_cast<std::uint8_t>(high << 4 | low);
  }
  return true;
}

}  // namespace mapistandin
