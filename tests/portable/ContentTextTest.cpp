// The portable cores of content extraction: chunk cleaning, member text widening and
// gathering, and the element rules that keep a member's body text.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "content/ChunkText.h"
#include "content/GatheredBytes.h"
#include "content/MemberTextFilter.h"

using kelmsgs::CleanInto;
using kelmsgs::GatheredBytes;
using kelmsgs::LeadingBlankBytes;
using kelmsgs::MemberTextFilter;

namespace {

const unsigned char* Bytes(const std::string& s) {
  return reinterpret_cast<const unsigned char*>(s.data());
}

// The text of a document, gathered chunk by chunk and written out widened and cleaned.
std::u16string CleanText(const GatheredBytes& gathered) {
  std::u16string text(gathered.size(), u'?');
  gathered.WidenInto(text.data(), text.size(), true);
  return text;
}

TEST(ChunkTextTest, EveryControlByteButTabLineFeedFormFeedAndReturnBecomesASpace) {
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  std::u16string text(256, u'?');
  CleanInto(text.data(), Bytes(all), all.size());
  for (int b = 0; b < 256; ++b) {
    const bool kept = b >= 32 || b == 9 || b == 10 || b == 12 || b == 13;
    EXPECT_EQ(text[b], kept ? static_cast<char16_t>(b) : u' ') << b;
  }
}

TEST(ChunkTextTest, LeadingBlankBytesAreThoseUpToSpace) {
  const std::string lead("\0\x01 \t\r\n\x1F  x y", 12);
  EXPECT_EQ(LeadingBlankBytes(Bytes(lead), lead.size()), 9u);
  EXPECT_EQ(LeadingBlankBytes(Bytes(lead), 4), 4u);
  EXPECT_EQ(LeadingBlankBytes(Bytes("\xA0x"), 2), 0u);
  // A first chunk of white space alone adds nothing.
  EXPECT_EQ(LeadingBlankBytes(Bytes(" \t\r\n"), 4), 4u);
}

TEST(GatheredBytesTest, PiecesAreJoinedAcrossBlocksAndWrittenOutWhole) {
  GatheredBytes gathered;
  ASSERT_TRUE(gathered.Append(Bytes(""), 0));
  EXPECT_EQ(CleanText(gathered), u"");
  std::string expected;
  for (int i = 0; gathered.size() < 2 * GatheredBytes::kBlockBytes + 100; ++i) {
    const std::string piece = "piece" + std::to_string(i) + (i % 7 ? ";" : "\x01");
    ASSERT_TRUE(gathered.Append(Bytes(piece), piece.size()));
    expected += piece;
  }
  // One piece larger than a block.
  const std::string large(GatheredBytes::kBlockBytes + 3, 'L');
  ASSERT_TRUE(gathered.Append(Bytes(large), large.size()));
  expected += large;
  ASSERT_EQ(gathered.size(), expected.size());
  std::u16string widened;
  for (char c : expected) widened.push_back(c == '\x01' ? u' ' : static_cast<char16_t>(c));
  EXPECT_EQ(CleanText(gathered), widened);
  EXPECT_EQ(gathered.SizeBeforeZero(), expected.size());
  // A size that cannot be allocated fails and keeps what was gathered.
  EXPECT_FALSE(gathered.Append(Bytes("x"), static_cast<std::size_t>(-1) / 2));
  EXPECT_EQ(gathered.size(), expected.size());
}

TEST(GatheredBytesTest, MemberTextIsWidenedUpToItsFirstZeroWithoutCleaning) {
  GatheredBytes gathered;
  const std::string bytes("a\x01\xE9\tb\0after", 11);
  ASSERT_TRUE(gathered.Append(Bytes(bytes), bytes.size()));
  ASSERT_EQ(gathered.SizeBeforeZero(), 5u);
  std::u16string text(5, u'?');
  gathered.WidenInto(text.data(), text.size(), false);
  EXPECT_EQ(text, u"a\u0001\u00E9\tb");
  // A zero in a later block.
  GatheredBytes later;
  const std::string block(GatheredBytes::kBlockBytes - 1, 'x');
  ASSERT_TRUE(later.Append(Bytes(block), block.size()));
  ASSERT_TRUE(later.Append(Bytes(bytes), bytes.size()));
  EXPECT_EQ(later.SizeBeforeZero(), block.size() + 5);
  EXPECT_EQ(GatheredBytes().SizeBeforeZero(), 0u);
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

// Other text counts only after body text; properties are skipped to the first end of
// their subtype (begins inside them do not nest, ends of other subtypes do not close them);
// nested parts are skipped by the depth of their own subtype; other begins and ends are
// passed over.
TEST(MemberTextFilterTest, ElementsKeptByTheirPlaceInTheMember) {
  const struct {
    const char* what;
    std::vector<Element> elements;
    std::vector<int> kept;
  } cases[] = {
      {"body first", {{kText, 7}, {kText, 1}, {kText, 7}, {kText, 1}}, {1, 2, 3}},
      {"no body", {{kText, 0}, {kText, 2}}, {}},
      {"properties",
       {{kBegin, kProps},
        {kText, 1},
        {kBegin, kProps},
        {kText, 1},
        {kEnd, kProps},
        {kText, 1},
        {kEnd, kProps},
        {kText, 1}},
       {5, 7}},
      {"properties and another end",
       {{kBegin, kProps}, {kEnd, kHeader}, {kText, 1}, {kEnd, kProps}, {kText, 1}},
       {4}},
      {"nested parts",
       {{kText, 1},
        {kBegin, kHeader},
        {kBegin, kHeader},
        {kText, 1},
        {kEnd, kHeader},
        {kBegin, kNote},  // another subtype neither nests nor closes
        {kText, 1},
        {kEnd, kNote},
        {kEnd, kHeader},
        {kText, 1}},
       {0, 9}},
      {"other begins and ends",
       {{kBegin, 0x00020000}, {kText, 1}, {kEnd, 0x00020000}, {kEnd, kHeader}, {kText, 1}, {4, 1}},
       {1, 4}},
  };
  for (const auto& c : cases) EXPECT_EQ(Kept(c.elements), c.kept) << c.what;
  for (std::uint32_t part : {0x00080000u, 0x000E0000u, 0x00100000u, 0x00110000u, 0x00120000u,
                             0x00130000u, 0x00140000u}) {
    EXPECT_EQ(Kept({{kBegin, part}, {kText, 1}, {kEnd, part}, {kText, 1}}), (std::vector<int>{3}))
        << part;
  }
}

}  // namespace
