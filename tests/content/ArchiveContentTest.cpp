// QMXFileContent over a ZIP archive and a mail file: member count, names, sizes and texts,
// the index and state checks, and the filter's failures on the way to a member.
#include "DocFilter.h"
#include "ZipBuilder.h"
#include "content/ContentFixture.h"

namespace contenttest {
namespace {

const std::string kNotes = "Notes on the quarterly figures.\r\nRevenue rose.";
const std::string kPage =
    "<html><head><title>Hidden Title</title></head><body><p>Visible caf\xE9 text</p></body></html>";

class ArchiveContentTest : public ContentTest {
 protected:
  void OpenArchive() {
    dftest::ZipBuilder zip;
    zip.Add("notes.txt", kNotes).Add("web/page.html", kPage, false).Add("empty.txt", "");
    ASSERT_TRUE(Open(Write("three.zip", zip.Finish())));
  }
  HRESULT Name(LONG index, std::u16string& name) {
    Bstr value;
    const HRESULT hr = content_->get_ArchiveFilename(index, value.put());
    name = Units(value);
    return hr;
  }
  HRESULT MemberText(LONG index, std::u16string& text) {
    Bstr value;
    const HRESULT hr = content_->get_ArchiveContent(index, value.put());
    text = Units(value);
    return hr;
  }
  LONG Count() {
    LONG count = -1;
    EXPECT_EQ(content_->get_ArchiveCount(&count), S_OK);
    return count;
  }
};

TEST_F(ArchiveContentTest, ThreeMembersByIndex) {
  OpenArchive();
  ASSERT_EQ(Count(), 3);
  const struct {
    const char16_t* name;
    LONG size;
  } expected[] = {{u"notes.txt", static_cast<LONG>(kNotes.size())},
                  {u"web/page.html", static_cast<LONG>(kPage.size())},
                  {u"empty.txt", 0}};
  for (LONG i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    std::u16string name;
    EXPECT_EQ(Name(i, name), S_OK);
    EXPECT_EQ(name, expected[i].name);
    LONG size = -1;
    EXPECT_EQ(content_->get_ArchiveFilesize(i, &size), S_OK);
    EXPECT_EQ(size, expected[i].size);
  }
  std::u16string text;
  EXPECT_EQ(MemberText(0, text), S_OK);
  EXPECT_EQ(text, Widened(kNotes));
  // The page's title is a property and stays out; its body text is widened byte by byte.
  EXPECT_EQ(MemberText(1, text), S_OK);
  EXPECT_NE(text.find(u"Visible caf\u00E9 text"), std::u16string::npos);
  EXPECT_EQ(text.find(u"Hidden Title"), std::u16string::npos);
  // A member without text.
  text = u"unchanged";
  EXPECT_EQ(MemberText(2, text), S_OK);
  EXPECT_EQ(text, u"");
}

TEST_F(ArchiveContentTest, IndexesOutsideTheMembersAreInvalid) {
  OpenArchive();
  for (LONG index : {3L, -1L, 0x7FFFFFFFL, -0x7FFFFFFFL - 1}) {
    SCOPED_TRACE(index);
    std::u16string out = u"unchanged";
    Bstr name = B(L"kept");
    BSTR raw = name.get();
    EXPECT_EQ(content_->get_ArchiveFilename(index, &raw), E_INVALIDARG);
    EXPECT_EQ(raw, name.get());  // not written
    LONG size = 77;
    EXPECT_EQ(content_->get_ArchiveFilesize(index, &size), E_INVALIDARG);
    EXPECT_EQ(size, 77);
    EXPECT_EQ(MemberText(index, out), E_INVALIDARG);
  }
}

// Without an open archive the member calls fail: after Close (the count stays), for a
// plain document, and for a plain document opened after an archive.
TEST_F(ArchiveContentTest, MembersFailWithoutAnOpenArchive) {
  OpenArchive();
  EXPECT_EQ(content_->Close(), S_OK);
  std::u16string out;
  EXPECT_EQ(Name(0, out), E_FAIL);
  LONG size = 0;
  EXPECT_EQ(content_->get_ArchiveFilesize(0, &size), E_FAIL);
  EXPECT_EQ(MemberText(0, out), E_FAIL);
  EXPECT_EQ(Count(), 3);

  ASSERT_TRUE(Open(Write("plain.txt", "just a plain document")));
  EXPECT_EQ(Count(), 0);
  EXPECT_EQ(Name(0, out), E_FAIL);
  EXPECT_EQ(MemberText(0, out), E_FAIL);
  OpenArchive();
  ASSERT_TRUE(Open(Write("plain2.txt", "another plain document")));
  EXPECT_EQ(Name(0, out), E_FAIL);
}

TEST_F(ArchiveContentTest, FilterFailuresOnTheWayToAMember) {
  OpenArchive();
  // 1. No tree record: an empty name, size 0, and no member text.
  SetControl(DF_TEST_FAIL_TREE_RECORD, 1);
  std::u16string out = u"unchanged";
  EXPECT_EQ(Name(0, out), S_OK);
  EXPECT_EQ(out, u"");
  LONG size = 99;
  EXPECT_EQ(content_->get_ArchiveFilesize(0, &size), S_OK);
  EXPECT_EQ(size, 0);
  EXPECT_EQ(MemberText(0, out), E_FAIL);
  SetControl(DF_TEST_FAIL_TREE_RECORD, 0);

  // 2. No content reader: E_FAIL, and the member is closed again, so the next request
  // opens it afresh.
  SetControl(DF_TEST_FAIL_OPEN_CONTENT, 1);
  EXPECT_EQ(MemberText(0, out), E_FAIL);
  SetControl(DF_TEST_FAIL_OPEN_CONTENT, 0);
  EXPECT_EQ(MemberText(0, out), S_OK);
  EXPECT_EQ(out, Widened(kNotes));
}

// A mail file lists its attachments and nested messages as members, the nested
// message's own attachments after it, with names decoded and widened. (The filter's
// reading of each mail format is checked by the document-filter tests; the content
// object treats every container alike.)
TEST_F(ArchiveContentTest, MailListsAttachmentsAndTheNestedMessagesOwn) {
  const std::string mail =
      "From: a@example.org\r\nTo: b@example.org\r\nSubject: =?ISO-8859-1?Q?Caf=E9?=\r\n"
      "Content-Type: multipart/mixed; boundary=o\r\n\r\n--o\r\n\r\nOuter words\r\n"
      "--o\r\nContent-Disposition: attachment; filename*=utf-8''men%C3%BC.txt\r\n"
      "Content-Transfer-Encoding: base64\r\n\r\nU291cA==\r\n"
      "--o\r\nContent-Type: message/rfc822\r\n\r\nFrom: c@example.org\r\nSubject: Inner\r\n"
      "Content-Type: multipart/mixed; boundary=i\r\n\r\n--i\r\n\r\nInner words\r\n--i\r\n"
      "Content-Disposition: attachment; filename=in.txt\r\n\r\nIN\r\n--i--\r\n--o--\r\n";
  ASSERT_TRUE(Open(Write("forward.eml", mail)));
  std::u16string text;
  ASSERT_EQ(Text(text), S_OK);
  EXPECT_NE(text.find(u"Subject: Caf\u00E9"), std::u16string::npos);
  EXPECT_NE(text.find(u"Outer words"), std::u16string::npos);
  ASSERT_EQ(Count(), 3);
  const struct {
    const char16_t* name;
    const char16_t* text;
  } expected[] = {{u"men\u00FC.txt", u"Soup"}, {u"Inner.eml", u"Inner words"}, {u"in.txt", u"IN"}};
  for (LONG i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    std::u16string name;
    EXPECT_EQ(Name(i, name), S_OK);
    EXPECT_EQ(name, expected[i].name);
    EXPECT_EQ(MemberText(i, text), S_OK);
    EXPECT_NE(text.find(expected[i].text), std::u16string::npos);
  }
  LONG size = 0;
  EXPECT_EQ(content_->get_ArchiveFilesize(0, &size), S_OK);
  EXPECT_EQ(size, 4);
}

}  // namespace
}  // namespace contenttest
