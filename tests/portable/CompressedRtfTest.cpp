// The compressed RTF form: the published example byte for byte, exact round trips of any
// input, and safe failure on damaged input.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "CompressedRtf.h"
#include "RtfText.h"

using namespace mapistandin;

namespace {

std::string Decompress(const std::vector<std::uint8_t>& data, RtfStatus expected = RtfStatus::Ok) {
  std::vector<std::uint8_t> out;
  EXPECT_EQ(DecompressRtf(data.data(), data.size(), out), expected);
  return std::string(out.begin(), out.end());
}

// The example of the format's public description: same bytes out, same text back.
TEST(CompressedRtf, MatchesThePublishedExample) {
  const std::string raw = "{\\rtf1\\ansi\\ansicpg1252\\pard hello world}\r\n";
  const std::vector<std::uint8_t> expected = {
      0x2d, 0x00, 0x00, 0x00, 0x2b, 0x00, 0x00, 0x00, 0x4c, 0x5a, 0x46, 0x75, 0xf1,
      0xc5, 0xc7, 0xa7, 0x03, 0x00, 0x0a, 0x00, 0x72, 0x63, 0x70, 0x67, 0x31, 0x32,
      0x35, 0x42, 0x32, 0x0a, 0xf3, 0x20, 0x68, 0x65, 0x6c, 0x09, 0x00, 0x20, 0x62,
      0x77, 0x05, 0xb0, 0x6c, 0x64, 0x7d, 0x0a, 0x80, 0x0f, 0xa0};
  EXPECT_EQ(CompressRtf(raw), expected);
  EXPECT_EQ(Decompress(expected), raw);
}

TEST(CompressedRtf, RoundTripsAnyInput) {
  std::mt19937 rng(7);
  std::vector<std::string> inputs = {"", "a", std::string(5000, 'x'), std::string(70000, '\0')};
  // Random text over small and full alphabets, long enough to wrap the dictionary.
  for (int i = 0; i < 60; ++i) {
    std::string s(rng() % 12000, '\0');
    const unsigned alphabet = 1 + rng() % 256;
    for (auto& c : s) c = static_cast<char>(rng() % alphabet);
    inputs.push_back(std::move(s));
  }
  std::string rtf;
  for (int i = 0; i < 3000; ++i)
    rtf += "{\\pard\\plain\\f0\\fs20 line " + std::to_string(i) + "\\par}";
  inputs.push_back(rtf);
  for (const auto& in : inputs) {
    EXPECT_EQ(Decompress(CompressRtf(in)), in) << in.size();
    EXPECT_EQ(Decompress(CompressRtf(in, false)), in);
  }
  // Repetitive RTF compresses well.
  EXPECT_LT(CompressRtf(rtf).size(), rtf.size() / 3);
}

TEST(CompressedRtf, DamagedInputFailsWithoutReadingPastIt) {
  const auto good = CompressRtf("{\\rtf1 some text that is long enough to have references text}");
  std::vector<std::uint8_t> out;
  // Too short for a header; unknown type; compressed size beyond the data.
  EXPECT_EQ(DecompressRtf(good.data(), 10, out), RtfStatus::BadHeader);
  auto bad = good;
  bad[8] = 'X';
  EXPECT_EQ(DecompressRtf(bad.data(), bad.size(), out), RtfStatus::BadHeader);
  EXPECT_EQ(DecompressRtf(good.data(), good.size() - 1, out), RtfStatus::BadHeader);
  // A changed byte fails the checksum.
  bad = good;
  bad[20] ^= 0x40;
  EXPECT_EQ(DecompressRtf(bad.data(), bad.size(), out), RtfStatus::BadCrc);
  // A stream cut before its end marker (with header and checksum made consistent).
  bad.assign(good.begin(), good.end() - 3);
  bad[0] = static_cast<std::uint8_t>(bad.size() - 4);
  const std::uint32_t crc = RtfCrc(bad.data() + 16, bad.size() - 16);
  for (int i = 0; i < 4; ++i) bad[12 + i] = static_cast<std::uint8_t>(crc >> (8 * i));
  EXPECT_EQ(Decompress(bad, RtfStatus::Truncated).substr(0, 6), "{\\rtf1");
  // A raw size above the caller's limit is refused before anything is decoded.
  EXPECT_EQ(DecompressRtf(good.data(), good.size(), out, 8), RtfStatus::TooLarge);
}

TEST(RtfText, PlainTextOfADocument) {
  const std::string rtf =
      "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss Arial;}}{\\colortbl;\\red255\\green0\\blue0;}"
      "{\\*\\generator Writer 1.0;}{\\info{\\title Hidden}}\\f0\\fs20 Hello \\b bold\\b0  "
      "caf\\'e9 \\u8364?euro\\par Line two\\tab x \\{y\\}\\line end}";
  EXPECT_EQ(RtfToPlainText(rtf), "Hello bold caf\xe9 ?euro\r\nLine two\tx {y}\r\nend");
  // Nesting too deep to follow costs the nested text, not the rest.
  const std::string deep =
      "{\\rtf1 a" + std::string(1000, '{') + "x" + std::string(1000, '}') + "b}";
  EXPECT_EQ(RtfToPlainText(deep), "ab");
}

TEST(RtfText, PlainBodyRoundTripsThroughRtf) {
  const std::string text = "Dear {team},\r\nC:\\path costs 5\x80.\r\n\ttabbed\r\nlast";
  const std::string rtf = PlainTextToRtf(text);
  EXPECT_EQ(rtf.rfind("{\\rtf1", 0), 0u);
  EXPECT_EQ(RtfToPlainText(rtf), text);
}

TEST(RtfText, SignatureIgnoresWhiteSpaceOnly) {
  const auto a = SignatureOf("Hello  world\r\n");
  const auto b = SignatureOf("Hello world");
  const auto c = SignatureOf("Hello World");
  EXPECT_EQ(a.crc, b.crc);
  EXPECT_EQ(a.count, 10u);
  EXPECT_EQ(a.tag, "Helloworld");
  EXPECT_NE(a.crc, c.crc);
}

}  // namespace
