// ZIP archives are hostile input: names that climb out of folders, sizes that lie,
// bombs, truncation. The archive reader must list and extract safely and within caps.
#include <gtest/gtest.h>

#include <string>

#include "FilterDocument.h"
#include "Inflater.h"
#include "ZipArchive.h"
#include "ZipBuilder.h"

using docfilter::SafeMemberName;
using docfilter::ZipArchive;

namespace {

TEST(ZipNames, NoNameLeadsOutOfItsFolder) {
  EXPECT_EQ(SafeMemberName("../../etc/passwd", false, 0), "etc/passwd");
  EXPECT_EQ(SafeMemberName("..\\..\\win.ini", false, 0), "win.ini");
  EXPECT_EQ(SafeMemberName("/abs/file.txt", false, 0), "abs/file.txt");
  EXPECT_EQ(SafeMemberName("C:\\dir\\file.txt", false, 0), "dir/file.txt");
  EXPECT_EQ(SafeMemberName("a/./b//c.txt", false, 0), "a/b/c.txt");
  EXPECT_EQ(SafeMemberName("..", false, 7), "member7");
  EXPECT_EQ(SafeMemberName("tab\there", false, 0), "tab_here");
  // UTF-8 names become Latin-1; characters beyond it become '?'.
  EXPECT_EQ(SafeMemberName("caf\xC3\xA9-\xE2\x82\xAC.txt", true, 0), "caf\xE9-?.txt");
  EXPECT_EQ(SafeMemberName(std::string(5000, 'x'), false, 0).size(), docfilter::kMaxNameBytes);
}

// A member that inflates far beyond its declared size stops at the cap.
TEST(ZipBomb, InflationStopsAtTheCap) {
  const std::string zeros(8 << 20, '\0');
  const std::string zip = dftest::ZipBuilder().Add("bomb.txt", zeros, true, 100).Finish();
  ASSERT_LT(zip.size(), 20000u);
  const auto archive = ZipArchive::Open(zip);
  ASSERT_TRUE(archive);
  const auto data = archive->Extract(std::size_t{0}, 1 << 20);
  ASSERT_TRUE(data);
  EXPECT_EQ(data->size(), 1u << 20);

  const auto inflated =
      docfilter::Inflate(dftest::DeflateRaw(zeros), docfilter::DeflateWrapper::Raw, 4096);
  EXPECT_EQ(inflated.data.size(), 4096u);
  EXPECT_FALSE(inflated.complete);
}

// Without its central directory (a cut download) the members whose headers survive
// are still listed and read.
TEST(ZipDamage, TruncatedArchiveListsTheSurvivingMembers) {
  const std::string zip = dftest::ZipBuilder()
                              .Add("one.txt", "first member text")
                              .Add("two.txt", "second member text", false)
                              .Add("three.txt", std::string(5000, 'z'))
                              .Finish();
  const std::string cut = zip.substr(0, zip.find("three.txt") + 20);
  const auto archive = ZipArchive::Open(cut);
  ASSERT_TRUE(archive);
  ASSERT_GE(archive->members().size(), 2u);
  EXPECT_EQ(archive->Extract(std::size_t{0}).value_or(""), "first member text");
  EXPECT_EQ(archive->Extract(std::size_t{1}).value_or(""), "second member text");
}

// Offsets and sizes that point outside the data, unknown methods and encryption give
// no member data instead of reads out of bounds.
TEST(ZipDamage, LyingHeadersGiveNoData) {
  std::string zip = dftest::ZipBuilder().Add("a.txt", "alpha").Finish();
  // Local header offset in the central directory moved far beyond the data.
  const std::size_t central = zip.find("PK\x01\x02");
  std::string moved = zip;
  moved[central + 42] = '\x7F';
  moved[central + 45] = '\x7F';
  EXPECT_FALSE(ZipArchive::Open(moved)->Extract(std::size_t{0}));
  // Method 99 (AES) and the encryption flag.
  std::string method = zip;
  method[central + 10] = 99;
  EXPECT_FALSE(ZipArchive::Open(method)->Extract(std::size_t{0}));
  std::string encrypted = zip;
  encrypted[central + 8] = 1;
  EXPECT_FALSE(ZipArchive::Open(encrypted)->Extract(std::size_t{0}));
  // A stored member claiming more bytes than there are gives what is there.
  std::string longer = dftest::ZipBuilder().Add("s.txt", "stored", false).Finish();
  const std::size_t c2 = longer.find("PK\x01\x02");
  longer[c2 + 20] = '\xFF';
  longer[c2 + 21] = '\xFF';
  const auto data = ZipArchive::Open(longer)->Extract(std::size_t{0});
  ASSERT_TRUE(data);
  EXPECT_EQ(data->substr(0, 6), "stored");
  EXPECT_LE(data->size(), longer.size());
}

// Random bytes after a ZIP signature are not an archive; an empty archive is one.
TEST(ZipDetect, SignatureAloneIsNotEnough) {
  EXPECT_FALSE(docfilter::FilterDocument::Open(std::string("PK\x03\x04garbage", 11)));
  const auto empty = docfilter::FilterDocument::Open(dftest::ZipBuilder().Finish());
  ASSERT_TRUE(empty);
  EXPECT_EQ(empty->memberCount(), 0u);
}

// An archive inside an archive is not unpacked recursively: its text is its listing.
TEST(ZipNesting, ArchiveMemberGivesItsListing) {
  std::string zip = dftest::ZipBuilder().Add("deep.txt", "innermost words").Finish();
  for (int i = 0; i < 10; ++i) zip = dftest::ZipBuilder().Add("inner.zip", zip).Finish();
  const auto doc = docfilter::FilterDocument::Open(zip);
  ASSERT_TRUE(doc);
  const auto text = doc->MemberText(0);
  ASSERT_TRUE(text);
  EXPECT_EQ(text->ReadableText(), "inner.zip\r\n");
}

}  // namespace
