// Archives through the tree and content entry points: members listed with safe names
// and sizes, member text as elements from which the library's skipping rule leaves the
// body, and the caps that stop a bomb.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FilterLibrary.h"
#include "TempFile.h"
#include "ZipBuilder.h"

namespace {

const std::string kCorpus = DOCFILTER_CORPUS_DIR;

class ArchiveAccess : public testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(Filter().problem(), ""); }
  void TearDown() override {
    if (doc_) {
      EXPECT_EQ(f.DACloseDocument(doc_), DF_OK);
    }
  }
  void Open(const std::string& path) {
    ASSERT_EQ(f.DAOpenDocument(&doc_, DF_SOURCE_ANSIPATH, const_cast<char*>(path.c_str()), 0),
              DF_OK);
  }
  DFTREERECORD Record(DWORD index, DFSTATUS* status) {
    DFTREERECORD r{};
    r.dwSize = sizeof r;
    r.dwIndex = index;
    *status = f.DAGetTreeRecord(doc_, &r);
    return r;
  }
  const FilterLibrary& f = Filter();
  DFHANDLE doc_ = 0;
};

TEST_F(ArchiveAccess, MembersAreListedWithNamesAndSizes) {
  Open(kCorpus + "/archive.zip");
  LONG count = -1;
  ASSERT_EQ(f.DAGetTreeCount(doc_, &count), DF_OK);
  ASSERT_EQ(count, 4);  // directory entries are not members
  DFSTATUS status = -100;
  const std::vector<std::string> names = {"docs/report.txt", "docs/report.docx", "report.html",
                                          "empty.bin"};
  for (DWORD i = 0; i < 4; ++i) {
    const DFTREERECORD r = Record(i, &status);
    EXPECT_EQ(status, DF_OK);
    EXPECT_EQ(std::string(r.szName), names[i]);
    EXPECT_GT(r.dwFileSize, 0u);
  }
  EXPECT_EQ(Record(3, &status).dwFileSize, 256u);
  Record(4, &status);
  EXPECT_EQ(status, DF_E_NOMEMBER);
  DFTREERECORD wrongSize{};
  wrongSize.dwSize = 44;
  EXPECT_EQ(f.DAGetTreeRecord(doc_, &wrongSize), DF_E_BADPARAM);
  DFHANDLE member = 5;
  EXPECT_EQ(f.DAOpenTreeRecord(doc_, &member, 4), DF_E_NOMEMBER);
  EXPECT_EQ(member, 0u);

  // The archive's own text lists its members.
  DFHANDLE text = 0;
  ASSERT_EQ(f.TAOpenText(doc_, &text), DF_OK);
  char buffer[1024];
  DWORD n = 0;
  EXPECT_EQ(f.TAReadFirst(text, reinterpret_cast<BYTE*>(buffer), sizeof buffer, &n), DF_TEXT_LAST);
  EXPECT_NE(std::string(buffer, n).find("docs/report.docx\r\n"), std::string::npos);
  EXPECT_EQ(f.TACloseText(text), DF_OK);
}

TEST_F(ArchiveAccess, HostileNamesAreMadeSafe) {
  Open(kCorpus + "/hostile_names.zip");
  DFSTATUS status = -100;
  std::vector<std::string> names;
  for (DWORD i = 0; i < 5; ++i) names.push_back(Record(i, &status).szName);
  EXPECT_EQ(names, (std::vector<std::string>{"escape.txt", "etc/absolute.txt", "Windows/drive.txt",
                                             "a/b/c.txt", "member4"}));
}

// The docx member's footnote is enclosed (subtype 0x00120000) and so skipped; its body
// is text of subtype 1; a binary member has no elements at all.
TEST_F(ArchiveAccess, MemberElementsLeaveBodyTextAfterSkipping) {
  Open(kCorpus + "/archive.zip");
  DFSTATUS status = -100;
  const std::string body = f.MemberBodyText(doc_, 1, &status);
  ASSERT_EQ(status, DF_OK);
  EXPECT_NE(body.find("harbour office of Kelmsford"), std::string::npos);
  EXPECT_EQ(body.find("lighthouse"), std::string::npos);

  DFHANDLE member = 0;
  ASSERT_EQ(f.DAOpenTreeRecord(doc_, &member, 1), DF_OK);
  DFHANDLE content = 0;
  ASSERT_EQ(f.CAOpenContent(member, &content), DF_OK);
  std::vector<char> buffer(65537);
  DFCONTENTELEMENT e{};
  e.dwSize = sizeof e;
  e.dwBufferSize = 65536;
  e.pBuffer = buffer.data();
  std::vector<std::pair<DWORD, DWORD>> seen;
  for (DFSTATUS rc = f.CAReadFirst(content, &e); rc == DF_OK; rc = f.CAReadNext(content, &e))
    seen.emplace_back(e.dwType, e.dwSubType);
  const std::vector<std::pair<DWORD, DWORD>> expected = {
      {DF_ELEMENT_TEXT, DF_SUBTYPE_TEXT},      {DF_ELEMENT_BEGIN, DF_SUBTYPE_PROPERTIES},
      {DF_ELEMENT_TEXT, DF_SUBTYPE_TEXT},      {DF_ELEMENT_END, DF_SUBTYPE_PROPERTIES},
      {DF_ELEMENT_BEGIN, DF_SUBTYPE_FOOTNOTE}, {DF_ELEMENT_TEXT, DF_SUBTYPE_TEXT},
      {DF_ELEMENT_END, DF_SUBTYPE_FOOTNOTE}};
  EXPECT_EQ(seen, expected);
  e.dwSize = sizeof e - 4;  // a record of another layout
  EXPECT_EQ(f.CAReadFirst(content, &e), DF_E_BADPARAM);
  EXPECT_EQ(f.CACloseContent(content), DF_OK);
  EXPECT_EQ(f.DACloseTreeRecord(member), DF_OK);

  const std::string binary = f.MemberBodyText(doc_, 3, &status);
  EXPECT_EQ(status, DF_OK);
  EXPECT_EQ(binary, "");
}

// A member that inflates to 72 MB from 70 KB, declaring 1000 bytes, stops at the
// filter's 64 MB cap; the next member is still read.
TEST_F(ArchiveAccess, BombIsCapped) {
  const std::string zip = dftest::ZipBuilder()
                              .Add("bomb.txt", std::string(72u << 20, 'a'), true, 1000)
                              .Add("fine.txt", "small member")
                              .Finish();
  ASSERT_LT(zip.size(), 200000u);
  const TempFile file("bomb.zip", zip);
  Open(file.path());
  DFSTATUS status = -100;
  const std::string text = f.MemberBodyText(doc_, 0, &status);
  EXPECT_EQ(status, DF_OK);
  EXPECT_EQ(text.size(), 64u << 20);
  EXPECT_EQ(f.MemberBodyText(doc_, 1, &status), "small member");
}

// Encrypted members cannot be read: the content open fails and the member stays usable.
TEST_F(ArchiveAccess, UnreadableMemberFailsToOpen) {
  std::string zip = dftest::ZipBuilder().Add("locked.txt", "secret").Finish();
  zip[zip.find("PK\x01\x02") + 8] = 1;
  const TempFile file("locked.zip", zip);
  Open(file.path());
  DFSTATUS status = -100;
  f.MemberBodyText(doc_, 0, &status);
  EXPECT_EQ(status, DF_E_MEMBERDATA);
}

// A document that is not an archive has no members.
TEST_F(ArchiveAccess, DocumentsHaveNoMembers) {
  Open(kCorpus + "/report.docx");
  LONG count = -1;
  EXPECT_EQ(f.DAGetTreeCount(doc_, &count), DF_OK);
  EXPECT_EQ(count, 0);
  DFHANDLE member = 0;
  EXPECT_EQ(f.DAOpenTreeRecord(doc_, &member, 0), DF_E_NOMEMBER);
}

}  // namespace
