// Hexadecimal text of binary data, two upper-case digits per byte. Portable.
#pragma once

#include <cstddef>
#include <cstdint>

namespace mapistandin {

// Writes 2 * count digits and a terminating zero to out.
void BytesToHex(const std::uint8_t* bytes, std::size_t count, char* out) noexcept;

// Converts pairs of digits (either case) up to the terminating zero. False when a
// character is not a digit or the string ends inside a pair; out may then hold part of
// the result.
bool HexToBytes(const char* hex, std::uint8_t* out) noexcept;

}  // namespace mapistandin
