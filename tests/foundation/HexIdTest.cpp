// Identifier strings: two upper-case hexadecimal digits per byte, made and read by the
// messaging subsystem's own conversions.
#include "foundation/HexId.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <string>

#include "foundation/Owned.h"
#include "support/BstrText.h"

using namespace kelmsgs;

namespace {

// A long identifier (70 bytes, every digit value in both positions) survives the trip
// to text and back; the text is exactly two upper-case digits per byte.
TEST(HexId, SeventyByteIdentifierRoundTrip) {
  std::array<BYTE, 70> id{};
  for (std::size_t i = 0; i < id.size(); ++i) id[i] = static_cast<BYTE>(i * 37 + 11);
  id.front() = 0x00;
  id.back() = 0xFF;
  std::string expected;
  for (const BYTE b : id) {
    char pair[3];
    std::snprintf(pair, sizeof pair, "%02X", b);
    expected += pair;
  }

  const MapiBuffer<char> hex = EntryIdToHex(id.data(), static_cast<ULONG>(id.size()));
  ASSERT_TRUE(hex);
  EXPECT_EQ(std::string(hex.get()), expected);
  EXPECT_EQ(std::strlen(hex.get()), 140u);

  MapiBuffer<BYTE> back;
  ULONG count = 0;
  ASSERT_EQ(HexToEntryId(hex.get(), back, count), S_OK);
  ASSERT_EQ(count, 70u);
  ASSERT_TRUE(back);
  EXPECT_EQ(std::memcmp(back.get(), id.data(), id.size()), 0);
}

// Lower-case digits, as some clients write them, read the same as upper-case ones; the
// empty identifier is valid both ways (callers treat a count of 0 as missing).
TEST(HexId, LowerCaseDigitsAndTheEmptyIdentifier) {
  MapiBuffer<BYTE> bytes;
  ULONG count = 0;
  ASSERT_EQ(HexToEntryId("00abcdefAB9f", bytes, count), S_OK);
  ASSERT_EQ(count, 6u);
  const BYTE expected[] = {0x00, 0xAB, 0xCD, 0xEF, 0xAB, 0x9F};
  EXPECT_EQ(std::memcmp(bytes.get(), expected, sizeof expected), 0);

  const MapiBuffer<char> hex = EntryIdToHex(expected, 0);
  ASSERT_TRUE(hex);
  EXPECT_STREQ(hex.get(), "");
  EXPECT_EQ(HexToEntryId("", bytes, count), S_OK);
  EXPECT_EQ(count, 0u);
}

// Odd lengths and characters next to the digit ranges (':' '@' 'G' '`' 'g'), blanks,
// prefixes and 8-bit characters are refused; nothing is handed out and the count is 0.
TEST(HexId, MalformedStringsRefused) {
  for (const char* bad : {"A", "ABC", "0123456", "9:", "@0", "0G", "`a", "0g", "12 4", "0x12",
                          "\xC4\xC4", "ABCDEF01234567890Z"}) {
    MapiBuffer<BYTE> bytes;
    ULONG count = 99;
    EXPECT_EQ(HexToEntryId(bad, bytes, count), E_INVALIDARG) << bad;
    EXPECT_EQ(count, 0u) << bad;
    EXPECT_FALSE(bytes) << bad;
  }
}

// Identifier strings from clients: digits read as bytes; a character above U+00FF (whose
// low byte is a digit) or a zero character (with digits after it) is refused like any
// other non-digit, not read as the identifier its 8-bit form would spell.
TEST(HexId, IdentifierStringsFromClients) {
  const Bstr good = B(L"00ab");
  MapiBuffer<BYTE> bytes;
  ULONG count = 0;
  ASSERT_EQ(EntryIdFromBstr(good.get(), bytes, count), S_OK);
  ASSERT_EQ(count, 2u);
  EXPECT_EQ(bytes.get()[1], 0xAB);
  ASSERT_EQ(EntryIdFromBstr(nullptr, bytes, count), S_OK);
  EXPECT_EQ(count, 0u);

  const std::wstring bad[] = {std::wstring(L"\u0130\u0131"), std::wstring(L"00\uFF10\uFF11"),
                              std::wstring(L"0011\0"
                                           L"22",
                                           7),
                              std::wstring(L"\0\0", 2), std::wstring(L"\u00C4\u00C4")};
  for (const std::wstring& text : bad) {
    const Bstr id = B(text);
    count = 99;
    EXPECT_EQ(EntryIdFromBstr(id.get(), bytes, count), E_INVALIDARG);
    EXPECT_EQ(count, 0u);
    EXPECT_FALSE(bytes);
  }
}

// Identifier strings handed to clients, made in one step.
TEST(HexId, IdentifierStringOut) {
  const BYTE id[] = {0x00, 0x1F, 0xA0, 0xFF};
  Bstr text;
  ASSERT_EQ(HexStringOut(id, sizeof id, text.put()), S_OK);
  EXPECT_EQ(Str(text.get()), L"001FA0FF");
  EXPECT_EQ(HexStringOut(id, sizeof id, nullptr), E_POINTER);
}

}  // namespace
