// The stand-in's own model of a property value, free of Windows headers so that table
// evaluation, sorting and the store file format build natively and can be fuzzed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace mapistandin {

// Property types, with the numbers MAPI gives them.
enum PropType : std::uint16_t {
  kTypeUnspecified = 0x0000,
  kTypeNull = 0x0001,
  kTypeShort = 0x0002,
  kTypeLong = 0x0003,
  kTypeFloat = 0x0004,
  kTypeDouble = 0x0005,
  kTypeCurrency = 0x0006,
  kTypeAppTime = 0x0007,
  kTypeError = 0x000A,
  kTypeBoolean = 0x000B,
  kTypeObject = 0x000D,
  kTypeLongLong = 0x0014,
  kTypeString8 = 0x001E,
  kTypeUnicode = 0x001F,
  kTypeSysTime = 0x0040,
  kTypeClsid = 0x0048,
  kTypeBinary = 0x0102,
  kTypeMultiFlag = 0x1000,
};

constexpr std::uint16_t TypeOf(std::uint32_t tag) {
  return static_cast<std::uint16_t>(tag & 0xFFFF);
}
constexpr std::uint16_t IdOf(std::uint32_t tag) {
  return static_cast<std::uint16_t>(tag >> 16);
}
constexpr std::uint32_t MakeTag(std::uint16_t id, std::uint16_t type) {
  return static_cast<std::uint32_t>(id) << 16 | type;
}

// One value. Numbers (short, long, boolean, error, currency, time, long long) live in
// `integer`, floating values in `real`; strings (without terminator), binaries, GUIDs and
// Unicode text (as UTF-16LE bytes) in `bytes`; multi-valued elements in `multi`, each as
// the bytes of one element (numbers little-endian).
struct Prop {
  std::uint32_t tag = 0;
  std::int64_t integer = 0;
  double real = 0.0;
  std::string bytes;
  std::vector<std::string> multi;

  std::uint16_t type() const { return TypeOf(tag); }
  bool operator==(const Prop&) const = default;
};

using Row = std::vector<Prop>;

// The value of the first property of the row with the tag's identifier and type; a
// property of type error never matches a wanted type other than error.
const Prop* FindProp(const Row& row, std::uint32_t tag);

// Constructors for the common kinds.
Prop MakeLong(std::uint32_t tag, std::int64_t value);
Prop MakeString(std::uint32_t tag, std::string value);
Prop MakeBinary(std::uint32_t tag, std::string value);
Prop MakeError(std::uint16_t id, std::int32_t code);

}  // namespace mapistandin
