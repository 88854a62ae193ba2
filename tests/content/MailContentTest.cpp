// QMXFileContent over mail files: an ".eml", a TNEF stream and a ".msg" each list their
// attachments and nested messages as archive members, with names, sizes and texts.
#include <fstream>
#include <sstream>
#include <vector>

#include "TnefBuilder.h"
#include "content/ContentFixture.h"

namespace contenttest {
namespace {

struct Member {
  std::u16string name;
  LONG size;
  std::u16string text;
};

class MailContentTest : public ContentTest {
 protected:
  std::vector<Member> Members() {
    LONG count = -1;
    EXPECT_EQ(content_->get_ArchiveCount(&count), S_OK);
    std::vector<Member> out;
    for (LONG i = 0; i < count; ++i) {
      Member m;
      Bstr name, text;
      EXPECT_EQ(content_->get_ArchiveFilename(i, name.put()), S_OK);
      EXPECT_EQ(content_->get_ArchiveFilesize(i, &m.size), S_OK);
      EXPECT_EQ(content_->get_ArchiveContent(i, text.put()), S_OK);
      m.name = Units(name);
      m.text = Units(text);
      out.push_back(m);
    }
    return out;
  }
  std::u16string Document() {
    std::u16string text;
    EXPECT_EQ(Text(text), S_OK);
    return text;
  }
};

TEST_F(MailContentTest, EmlListsAttachmentsAndTheNestedMessagesOwn) {
  const std::string mail =
      "From: a@example.org\r\nTo: b@example.org\r\nSubject: =?ISO-8859-1?Q?Caf=E9?=\r\n"
      "Content-Type: multipart/mixed; boundary=o\r\n\r\n--o\r\n\r\nOuter words\r\n"
      "--o\r\nContent-Disposition: attachment; filename*=utf-8''men%C3%BC.txt\r\n"
      "Content-Transfer-Encoding: base64\r\n\r\nU291cA==\r\n"
      "--o\r\nContent-Type: message/rfc822\r\n\r\nFrom: c@example.org\r\nSubject: Inner\r\n"
      "Content-Type: multipart/mixed; boundary=i\r\n\r\n--i\r\n\r\nInner words\r\n--i\r\n"
      "Content-Disposition: attachment; filename=in.txt\r\n\r\nIN\r\n--i--\r\n--o--\r\n";
  ASSERT_TRUE(Open(Write("forward.eml", mail)));
  const std::u16string text = Document();
  EXPECT_NE(text.find(u"Subject: Caf\u00E9"), std::u16string::npos);
  EXPECT_NE(text.find(u"Outer words"), std::u16string::npos);
  const auto members = Members();
  ASSERT_EQ(members.size(), 3u);
  EXPECT_EQ(members[0].name, u"men\u00FC.txt");
  EXPECT_EQ(members[0].size, 4);
  EXPECT_EQ(members[0].text, u"Soup");
  EXPECT_EQ(members[1].name, u"Inner.eml");
  EXPECT_NE(members[1].text.find(u"Inner words"), std::u16string::npos);
  EXPECT_EQ(members[2].name, u"in.txt");
  EXPECT_EQ(members[2].text, u"IN");
}

TEST_F(MailContentTest, WinmailDatListsItsAttachments) {
  dftest::TnefBuilder tnef;
  tnef.Subject("Wrapped").Body("Outer body words");
  tnef.Attachment("REPORT~1.TXT", "Report of the harbour", "report for May.txt");
  ASSERT_TRUE(Open(Write("winmail.dat", tnef.bytes())));
  EXPECT_NE(Document().find(u"Outer body words"), std::u16string::npos);
  const auto members = Members();
  ASSERT_EQ(members.size(), 1u);
  EXPECT_EQ(members[0].name, u"report for May.txt");
  EXPECT_EQ(members[0].size, 21);
  EXPECT_EQ(members[0].text, u"Report of the harbour");
}

TEST_F(MailContentTest, MsgFileListsAttachmentsAndTheEmbeddedMessage) {
  std::ifstream in(DOCFILTER_CORPUS_DIR "/sample.msg", std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  ASSERT_FALSE(bytes.str().empty());
  ASSERT_TRUE(Open(Write("sample.msg", bytes.str())));
  EXPECT_NE(Document().find(u"this is the plain body."), std::u16string::npos);
  const auto members = Members();
  ASSERT_EQ(members.size(), 4u);
  EXPECT_EQ(members[0].name, u"notes.txt");
  EXPECT_EQ(members[2].name, u"Inner message.msg");
  EXPECT_NE(members[2].text.find(u"Inner body"), std::u16string::npos);
  EXPECT_EQ(members[3].name, u"inner.txt");
  EXPECT_EQ(members[3].text, u"Inner attachment data\r\n");
}

}  // namespace
}  // namespace contenttest
