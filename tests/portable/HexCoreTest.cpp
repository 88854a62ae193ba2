// Entry identifiers travel to scripts as hex text and come back from them; the text
// is also compared as a string, so the digits must be upper-case.
#include "HexCore.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

using mapistandin::BytesToHex;
using mapistandin::HexToBytes;

// A 70-byte identifier with every nibble value gives 140 upper-case digits and comes
// back unchanged, also from digits in either case.
TEST(HexCore, IdentifierRoundTrip) {
  std::array<std::uint8_t, 70> id{};
  for (std::size_t i = 0; i < id.size(); ++i) id[i] = static_cast<std::uint8_t>(i * 37 + 0x0F);
  id[0] = 0x00;
  id[1] = 0xFF;
  std::array<char, 141> hex{};
  hex.fill('#');
  BytesToHex(id.data(), id.size(), hex.data());
  EXPECT_EQ(std::strlen(hex.data()), 140u);
  EXPECT_EQ(std::string(hex.data(), 4), "00FF");
  EXPECT_EQ(std::string(hex.data()).find_first_not_of("0123456789ABCDEF"), std::string::npos);

  std::array<std::uint8_t, 70> back{};
  ASSERT_TRUE(HexToBytes(hex.data(), back.data()));
  EXPECT_EQ(back, id);
  // Scripts may hand back identifiers they lower-cased or mixed.
  std::array<std::uint8_t, 4> out{};
  ASSERT_TRUE(HexToBytes("aBcD0f9E", out.data()));
  EXPECT_EQ(out, (std::array<std::uint8_t, 4>{0xAB, 0xCD, 0x0F, 0x9E}));
}

// Any character that is not a hex digit fails, in either position of a pair and
// wherever the pair is; so does a string ending inside a pair. The output buffer is
// sized for whole pairs only, so an odd length must not write past it.
TEST(HexCore, InvalidTextFails) {
  for (const char* bad : {"0G", "G0", "00 1", "0x12", "12-4", "1", "ABC", "ABCDE", "\xC4\xC4", "/0",
                          ":0", "@0", "`0", "g0"}) {
    const auto out = std::make_unique<std::uint8_t[]>(std::strlen(bad) / 2);
    EXPECT_FALSE(HexToBytes(bad, out.get())) << bad;
  }
}
