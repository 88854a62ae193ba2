// Mail files as containers: names, decoded sizes, order and text of the members of
// ".eml" files, TNEF streams and ".msg" files, and hostile input of each (nesting without
// end, lengths beyond the data, wrong checksums, truncation) that must give fewer
// members, never a crash or unbounded work (the sanitizers watch).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FilterDocument.h"
#include "Recall.h"
#include "TnefBuilder.h"
#include "rtf/CompressedRtf.h"

using docfilter::FilterDocument;
using docfilter::Format;

namespace {

struct Listed {
  std::string name;
  std::uint64_t size;
  bool operator==(const Listed&) const = default;
};

std::vector<Listed> Members(const FilterDocument& doc) {
  std::vector<Listed> out;
  for (std::size_t i = 0; i < doc.memberCount(); ++i)
    out.push_back(Listed{std::string(doc.member(i)->name), doc.member(i)->size});
  return out;
}

std::string MemberText(const FilterDocument& doc, std::size_t i) {
  const auto text = doc.MemberText(i);
  return text ? text->ReadableText() : "<unreadable>";
}

const std::string kHeaders =
    "From: a@example.org\r\nTo: b@example.org\r\nSubject: Parts\r\nMIME-Version: 1.0\r\n";

std::string Part(const std::string& headers, const std::string& body) {
  return "--b1\r\n" + headers + "\r\n" + body + "\r\n";
}

TEST(MimeMembers, NamesInEveryEncodingAndDecodedSizes) {
  const std::string mail =
      kHeaders + "Content-Type: multipart/mixed; boundary=b1\r\n\r\n" +
      Part("Content-Type: text/plain\r\n", "Body words") +
      Part(
          "Content-Type: text/plain\r\nContent-Disposition: attachment;\r\n"
          " filename*0*=iso-8859-1''Caf%E9%20;\r\n filename*1=\"menu.txt\"\r\n"
          "Content-Transfer-Encoding: base64\r\n",
          "U291cCBvZiB0aGUgZGF5") +
      Part(
          "Content-Type: application/pdf; name=\"=?UTF-8?B?w6l0w6kucGRm?=\"\r\n"
          "Content-Transfer-Encoding: quoted-printable\r\n",
          "%PDF=3D=\r\nx") +
      Part("Content-Type: image/png\r\n", "png") + "--b1--\r\n";
  const auto doc = FilterDocument::Open(mail);
  ASSERT_TRUE(doc);
  EXPECT_EQ(Members(*doc),
            (std::vector<Listed>{{"Caf\xE9 menu.txt", 15}, {"\xE9t\xE9.pdf", 6}, {"member2", 3}}));
  EXPECT_EQ(MemberText(*doc, 0), "Soup of the day");
  EXPECT_NE(doc->readableText().find("Body words"), std::string::npos);
  EXPECT_EQ(doc->readableText().find("Soup"), std::string::npos);
}

TEST(MimeMembers, NestedMessageIsFollowedByItsOwnMembers) {
  const std::string inner =
      "From: c@example.org\r\nSubject: Inner\r\nContent-Type: "
      "multipart/mixed; boundary=b1\r\n\r\n" +
      Part("", "Inner words") + Part("Content-Disposition: attachment; filename=in.txt\r\n", "IN") +
      "--b1--\r\n";
  const std::string mail =
      kHeaders +
      "Content-Type: multipart/mixed; boundary=\"outer\"\r\n\r\n--outer\r\n\r\nOuter "
      "words\r\n--outer\r\nContent-Disposition: attachment; filename=a.txt\r\n\r\nA\r\n"
      "--outer\r\nContent-Type: message/rfc822\r\n\r\n" +
      inner +
      "\r\n--outer\r\nContent-Disposition: attachment; filename=b.txt\r\n\r\nB\r\n--outer--";
  const auto doc = FilterDocument::Open(mail);
  ASSERT_TRUE(doc);
  EXPECT_EQ(Members(*doc),
            (std::vector<Listed>{
                {"a.txt", 1}, {"Inner.eml", inner.size()}, {"in.txt", 2}, {"b.txt", 1}}));
  const std::string innerText = MemberText(*doc, 1);
  EXPECT_NE(innerText.find("Subject: Inner"), std::string::npos) << innerText;
  EXPECT_NE(innerText.find("Inner words"), std::string::npos) << innerText;
  EXPECT_EQ(doc->readableText().find("Inner words"), std::string::npos);
}

TEST(MimeMembers, CharsetsOfBodiesAndHeaders) {
  const std::string mail = kHeaders +
                           "Cc: =?windows-1252?Q?=80uro?= =?utf-16le?B?6QA=?=\r\n"
                           "Content-Type: text/plain; charset=utf-16\r\n"
                           "Content-Transfer-Encoding: base64\r\n\r\n//5IAOkA";
  const auto doc = FilterDocument::Open(mail);
  ASSERT_TRUE(doc);
  EXPECT_NE(doc->readableText().find("Cc: ?uro\xE9"), std::string::npos) << doc->readableText();
  EXPECT_NE(doc->readableText().find("H\xE9"), std::string::npos) << doc->readableText();
}

TEST(MimeMembers, SavedPageTextAndResources) {
  const std::string mht =
      "From: <Saved by a browser>\r\nSubject: Harbour page\r\nMIME-Version: 1.0\r\n"
      "Content-Type: multipart/related; type=\"text/html\"; boundary=b1\r\n\r\n" +
      Part(
          "Content-Type: text/html; charset=\"utf-8\"\r\nContent-Transfer-Encoding: "
          "quoted-printable\r\nContent-Location: http://harbour.example/index.html\r\n",
          "<html><body><p>Caf=C3=A9 at the pier</p></body></html>") +
      Part(
          "Content-Type: image/png\r\nContent-Transfer-Encoding: base64\r\n"
          "Content-Location: http://harbour.example/img/logo.png\r\n",
          "iVBORw0K") +
      "--b1--\r\n";
  const auto doc = FilterDocument::Open(mht);
  ASSERT_TRUE(doc);
  EXPECT_NE(doc->readableText().find("Caf\xE9 at the pier"), std::string::npos)
      << doc->readableText();
  EXPECT_EQ(Members(*doc), (std::vector<Listed>{{"logo.png", 6}}));
}

TEST(MimeMembers, HostileStructureGivesFewerMembers) {
  // 1. Messages nested without end: read to the nesting cap, each level a member.
  std::string mail = "Subject: bottom\r\nFrom: x\r\n\r\nend";
  for (int i = 0; i < 300; ++i)
    mail = "From: x\r\nSubject: s\r\nContent-Type: message/rfc822\r\n\r\n" + mail;
  auto doc = FilterDocument::Open(mail);
  ASSERT_TRUE(doc);
  // The last level read lists the next one as a plain member.
  EXPECT_EQ(doc->memberCount(), docfilter::kMaxMailDepth + 1);

  // 2. A boundary that never comes gives no parts; one never closed keeps its last part.
  doc = FilterDocument::Open(kHeaders + "Content-Type: multipart/mixed; boundary=zz\r\n\r\n" +
                             Part("Content-Disposition: attachment\r\n", "x"));
  ASSERT_TRUE(doc);
  EXPECT_EQ(doc->memberCount(), 0u);
  doc =
      FilterDocument::Open(kHeaders + "Content-Type: multipart/mixed; boundary=b1\r\n\r\n" +
                           "--b1\r\nContent-Disposition: attachment; filename=cut.txt\r\n\r\ncut");
  ASSERT_TRUE(doc);
  EXPECT_EQ(Members(*doc), (std::vector<Listed>{{"cut.txt", 3}}));
}

std::string Tnef(const std::string& innerAttachment) {
  dftest::TnefBuilder inner;
  inner.Subject("Inner note")
      .Body("Inner body words")
      .Attachment("INNER~1.TXT", innerAttachment, "inner notes.txt");
  dftest::TnefBuilder outer;
  outer.Subject("Wrapped").Body("Outer body words");
  outer.Attachment("REPORT~1.TXT", "Report of the harbour", "report for May.txt");
  outer.Embedded("Inner note", inner.bytes());
  outer.Attachment("DATA.BIN", std::string("\0\1\2", 3), "data.bin");
  return outer.bytes();
}

TEST(TnefMembers, AttachmentsAndEmbeddedMessagesWithTheirText) {
  const auto doc = FilterDocument::Open(Tnef("Buoy list"));
  ASSERT_TRUE(doc);
  EXPECT_EQ(doc->format(), Format::Tnef);
  EXPECT_NE(doc->readableText().find("Subject: Wrapped"), std::string::npos);
  EXPECT_NE(doc->readableText().find("Outer body words"), std::string::npos);
  const auto members = Members(*doc);
  ASSERT_EQ(members.size(), 4u);
  EXPECT_EQ(members[0], (Listed{"report for May.txt", 21}));
  EXPECT_EQ(members[1].name, "Inner note.msg");
  EXPECT_EQ(members[2], (Listed{"inner notes.txt", 9}));
  EXPECT_EQ(members[3], (Listed{"data.bin", 3}));
  EXPECT_EQ(MemberText(*doc, 0), "Report of the harbour");
  EXPECT_NE(MemberText(*doc, 1).find("Inner body words"), std::string::npos);
  EXPECT_EQ(MemberText(*doc, 2), "Buoy list");
}

TEST(TnefMembers, BodyFromTheCompressedRtfProperty) {
  const auto rtf = mapistandin::CompressRtf("{\\rtf1\\ansi Rich {\\b harbour} text\\par}");
  dftest::TnefBuilder tnef;
  tnef.MessageProps(0x0037001E, "From properties", 0x10090102, std::string(rtf.begin(), rtf.end()));
  tnef.Subject("Mapped subject loses");
  const auto doc = FilterDocument::Open(tnef.bytes());
  ASSERT_TRUE(doc);
  EXPECT_NE(doc->readableText().find("Subject: From properties"), std::string::npos)
      << doc->readableText();
  EXPECT_NE(doc->readableText().find("Rich harbour text"), std::string::npos);
}

TEST(TnefMembers, HostileStreamsGiveFewerMembers) {
  // 1. A wrong checksum passes the attribute over; a length past the end stops the stream.
  dftest::TnefBuilder tnef;
  tnef.Attachment("A.TXT", "aaa", "a.txt");
  tnef.Raw(2, 0x00069002, std::string(14, '\0'));
  tnef.Raw(2, 0x0006800F, "bad", 1);
  std::string cut = tnef.bytes() + std::string("\x02\x0F\x80\x06\x00\xFF\xFF\xFF\x7F", 9);
  auto doc = FilterDocument::Open(cut);
  ASSERT_TRUE(doc);
  EXPECT_EQ(Members(*doc), (std::vector<Listed>{{"a.txt", 3}, {"member1", 0}}));

  // 2. A compressed RTF body that claims gigabytes is not expanded; the HTML body is read.
  auto rtf = mapistandin::CompressRtf("{\\rtf1 bomb}");
  for (int i = 4; i < 8; ++i) rtf[i] = 0xFF;  // the declared raw size
  dftest::TnefBuilder bomb;
  bomb.MessageProps(0x0037001E, "Bomb", 0x10090102, std::string(rtf.begin(), rtf.end()));
  bomb.MessageProps(0x001A001E, "IPM.Note", 0x10130102, "<p>html body</p>");
  doc = FilterDocument::Open(bomb.bytes());
  ASSERT_TRUE(doc);
  EXPECT_EQ(doc->readableText().find("bomb"), std::string::npos) << doc->readableText();
  EXPECT_NE(doc->readableText().find("html body"), std::string::npos) << doc->readableText();

  // 3. Embedded messages nested without end are read to the nesting cap.
  std::string nested = dftest::TnefBuilder().Subject("bottom").bytes();
  for (int i = 0; i < 100; ++i) nested = dftest::TnefBuilder().Embedded("level", nested).bytes();
  doc = FilterDocument::Open(nested);
  ASSERT_TRUE(doc);
  EXPECT_EQ(doc->memberCount(), docfilter::kMaxMailDepth + 1);

  // 4. Every truncation of a full stream still opens, with no more members than whole.
  const std::string whole = Tnef("Buoy list");
  for (std::size_t n = 6; n < whole.size(); ++n) {
    doc = FilterDocument::Open(whole.substr(0, n));
    ASSERT_TRUE(doc) << n;
    EXPECT_LE(doc->memberCount(), 4u);
  }
}

// The sample message file written by the library's own message-file writer through
// Wine's structured storage: Unicode subject, plain and RTF bodies, recipients, a file,
// an OLE object and an embedded message with an attachment of its own.
TEST(MsgFileMembers, TheWritersSampleFile) {
  const std::string data = dftest::ReadWholeFile(std::string(DOCFILTER_CORPUS_DIR) + "/sample.msg");
  ASSERT_FALSE(data.empty());
  const auto doc = FilterDocument::Open(data);
  ASSERT_TRUE(doc);
  EXPECT_EQ(doc->format(), Format::MessageFile);
  const std::string& text = doc->readableText();
  EXPECT_NE(text.find("Subject: Quarterly report \xFC"
                      "ber \xC6rger"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("To: Alice Example"), std::string::npos) << text;
  EXPECT_NE(text.find("Cc: Bob Example"), std::string::npos) << text;
  EXPECT_NE(text.find("this is the plain body."), std::string::npos) << text;
  const auto members = Members(*doc);
  ASSERT_EQ(members.size(), 4u);
  EXPECT_EQ(members[0], (Listed{"notes.txt", 278}));
  EXPECT_EQ(members[1].name, "drawing.bin");
  EXPECT_EQ(members[2].name, "Inner message.msg");
  EXPECT_EQ(members[3], (Listed{"inner.txt", 23}));
  EXPECT_NE(MemberText(*doc, 2).find("Inner body"), std::string::npos);
  EXPECT_EQ(MemberText(*doc, 3), "Inner attachment data\r\n");
}

TEST(MsgFileMembers, DamagedFilesOpenWithFewerMembersOrNotAtAll) {
  const std::string data = dftest::ReadWholeFile(std::string(DOCFILTER_CORPUS_DIR) + "/sample.msg");
  ASSERT_FALSE(data.empty());
  // Cut at every sector, and with bytes of the header, tables and directory overwritten.
  for (std::size_t n = 0; n < data.size(); n += 512) {
    const auto doc = FilterDocument::Open(data.substr(0, n));
    if (doc) EXPECT_LE(doc->memberCount(), 4u) << n;
  }
  for (std::size_t at = 0x2C; at < data.size(); at += 97) {
    std::string damaged = data;
    for (std::size_t i = at; i < std::min(at + 8, damaged.size()); ++i) damaged[i] = '\xFF';
    const auto doc = FilterDocument::Open(damaged);
    if (doc) EXPECT_LE(doc->memberCount(), 4u) << at;
  }
}

}  // namespace
