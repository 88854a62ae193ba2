// The portable cores of content extraction: chunk cleaning, member text widening and
// gathering, and the element rules that keep a member's body text.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "content/ChunkText.h"
#include "content/GatheredBytes.h"
#include "content/MemberTextFilter.h"

using kelmsgs::AppendCleanChunk;
using kelmsgs::GatheredBytes;
using kelmsgs::MemberTextFilter;
using kelmsgs::WidenUntilNul;

namespace {

const unsigned char* Bytes(const std::string& s) {
  return reinterpret_cast<const unsigned char*>(s.data());
}

TEST(ChunkTextTest, EveryControlByteButTabLineFeedFormFeedAndReturnBecomesASpace) {
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  std::u16string text;
  AppendCleanChunk(text, Bytes(all), all.size(), false);
  ASSERT_EQ(text.size(), 256u);
  for (int b = 0; b < 256; ++b) {
    const bool kept = b >= 32 || b == 9 || b == 10 || b == 12 || b == 13;
    EXPECT_EQ(text[b], kept ? static_cast<char16_t>(b) : u' ') << b;
  }
}

TEST(ChunkTextTest, OnlyTheFirstChunkLosesItsLeadingBytesUpToSpace) {
  const std::string lead("\0\x01 \t\r\n\x1F  x y", 12);
  std::u16string text;
  AppendCleanChunk(text, Bytes(lead), lead.size(), true);
  EXPECT_EQ(text, u"x y");
  AppendCleanChunk(text, Bytes(lead), lead.size(), false);
  EXPECT_EQ(text, u"x y   \t\r\n   x y");
  // A first chunk of white space alone adds nothing; n limits the bytes read.
  std::u16string blank = u"kept";
  AppendCleanChunk(blank, Bytes(" \t\r\n"), 4, true);
  AppendCleanChunk(blank, Bytes("abcdef"), 3, false);
  EXPECT_EQ(blank, u"keptabc");
  AppendCleanChunk(blank, nullptr, 5, false);
  EXPECT_EQ(blank, u"keptabc");
}

TEST(ChunkTextTest, MemberTextIsWidenedUpToItsFirstZeroWithoutCleaning) {
  const std::string bytes("a\x01\xE9\tb\0after", 11);
  EXPECT_EQ(WidenUntilNul(Bytes(bytes), bytes.size()), u"a\u0001\u00E9\tb");
  EXPECT_EQ(WidenUntilNul(Bytes(bytes), 3), u"a\u0001\u00E9");
  EXPECT_EQ(WidenUntilNul(nullptr, 0), u"");
}

TEST(GatheredBytesTest, PiecesAreJoinedAndTheFirstAllocatesEvenWhenEmpty) {
  GatheredBytes gathered;
  EXPECT_EQ(gathered.data(), nullptr);
  ASSERT_TRUE(gathered.Append(Bytes(""), 0));
  EXPECT_NE(gathered.data(), nullptr);
  std::string expected;
  for (int i = 0; i < 2000; ++i) {
    const std::string piece = "piece" + std::to_string(i) + ";";
    ASSERT_TRUE(gathered.Append(Bytes(piece), piece.size()));
    expected += piece;
  }
  ASSERT_EQ(gathered.size(), expected.size());
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(gathered.data()), gathered.size()), expected);
  // A size that cannot be allocated fails and keeps what was gathered.
  EXPECT_FALSE(gathered.Append(Bytes("x"), static_cast<std::size_t>(-1) / 2));
  EXPECT_EQ(gathered.size(), expected.size());
}

// Feeds elements and returns the indexes of those kept.
struct Element {
  std::uint32_t type, subtype;
};
std::vector<int> Kept(const std::vector<Element>& elements) {
  MemberTextFilter filter;
  std::vector<int> kept;
  for (std::size_t i = 0; i < elements.size(); ++i)
    if (filter.Keep(elements[i].type, elements[i].subtype)) kept.push_back(static_cast<int>(i));
  return kept;
}

constexpr std::uint32_t kText = 1, kBegin = 2, kEnd = 3;
constexpr std::uint32_t kProps = 0x00010000, kHeader = 0x00100000, kNote = 0x00120000;

TEST(MemberTextFilterTest, OtherTextCountsOnlyAfterBodyText) {
  EXPECT_EQ(Kept({{kText, 7}, {kText, 1}, {kText, 7}, {kText, 1}}), (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(Kept({{kText, 0}, {kText, 2}}), (std::vector<int>{}));
}

TEST(MemberTextFilterTest, PropertiesAreSkippedToTheirFirstEnd) {
  // Begins inside properties do not nest: the first end of the subtype closes them.
  EXPECT_EQ(Kept({{kBegin, kProps},
                  {kText, 1},
                  {kBegin, kProps},
                  {kText, 1},
                  {kEnd, kProps},
                  {kText, 1},
                  {kEnd, kProps},
                  {kText, 1}}),
            (std::vector<int>{5, 7}));
  // An end of another subtype does not close them.
  EXPECT_EQ(Kept({{kBegin, kProps}, {kEnd, kHeader}, {kText, 1}, {kEnd, kProps}, {kText, 1}}),
            (std::vector<int>{4}));
}

TEST(MemberTextFilterTest, NestedPartsAreSkippedByDepthOfTheirOwnSubtype) {
  EXPECT_EQ(Kept({{kText, 1},
                  {kBegin, kHeader},
                  {kBegin, kHeader},
                  {kText, 1},
                  {kEnd, kHeader},
                  {kBegin, kNote},  // another subtype neither nests nor closes
                  {kText, 1},
                  {kEnd, kNote},
                  {kEnd, kHeader},
                  {kText, 1}}),
            (std::vector<int>{0, 9}));
  for (std::uint32_t part : {0x00080000u, 0x000E0000u, 0x00100000u, 0x00110000u, 0x00120000u,
                             0x00130000u, 0x00140000u}) {
    EXPECT_EQ(Kept({{kBegin, part}, {kText, 1}, {kEnd, part}, {kText, 1}}), (std::vector<int>{3}))
        << part;
  }
}

TEST(MemberTextFilterTest, OtherBeginsAndEndsArePassedOver) {
  EXPECT_EQ(Kept({{kBegin, 0x00020000},
                  {kText, 1},
                  {kEnd, 0x00020000},
                  {kEnd, kHeader},
                  {kText, 1},
                  {4, 1}}),
            (std::vector<int>{1, 4}));
}

}  // namespace
