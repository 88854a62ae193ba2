// Text of attachments through the content class: by value, embedded message, archive
// members, the working copy, and closing. Needs QMXFileContent in the class
// table and the document-filter stand-in installed in the prefix.
#include <mapix.h>

#include "AttachTestSupport.h"

namespace attachtest {
namespace {

class AttachContentTest : public AttachmentTest {
 protected:
  ComPtr<IQMXAttach> Opened(Kind kind) {
    ComPtr<IQMXAttach> attach = AttachmentOf(kinds_.get(), kind);
    VARIANT_BOOL opened = VARIANT_FALSE;
    EXPECT_EQ(attach->OpenContent(&opened), S_OK) << kind;
    EXPECT_EQ(opened, VARIANT_TRUE) << kind;
    return attach;
  }
  static std::wstring ContentOf(IQMXAttach* attach) {
    Bstr text;
    EXPECT_EQ(attach->get_Content(text.put()), S_OK);
    return Str(text.get());
  }
};

// The text of an attachment by value and of an embedded message (its body). The engine
// reads a working copy of a name of its own in the "QLA" directory, which goes again: a
// file the client saved there under the stored name is left alone.
TEST_F(AttachContentTest, TextOfAnAttachmentBesideAFileSavedUnderItsName) {
  Bstr saved;
  ASSERT_EQ(AttachmentOf(kinds_.get(), kTwoDots)->Save(B(L"").get(), saved.put()), S_OK);
  ASSERT_EQ(Narrow(saved.get()), temp_.qla() + "report.final.txt");
  const struct {
    Kind kind;
    const wchar_t* text;
  } cases[] = {{kTwoDots, L"Quarterly figures"}, {kEmbedded, L"Inner body text"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.kind);
    ComPtr<IQMXAttach> attach = Opened(c.kind);
    EXPECT_NE(ContentOf(attach.get()).find(c.text), std::wstring::npos);
    EXPECT_EQ(attach->CloseContent(), S_OK);
    // Closed: the members leave their results again.
    BSTR text = reinterpret_cast<BSTR>(0x1);
    EXPECT_EQ(attach->get_Content(&text), S_OK);
    EXPECT_EQ(text, reinterpret_cast<BSTR>(0x1));
  }
  EXPECT_EQ(Contents(temp_.qla() + "report.final.txt"), "Quarterly figures");
  EXPECT_EQ(Entries(temp_.qla()), std::set<std::string>{"report.final.txt"});
  EXPECT_EQ(Entries(temp_.temp()), std::set<std::string>{"QLA"});
}

TEST_F(AttachContentTest, MembersOfAnArchive) {
  ComPtr<IQMXAttach> zip = Opened(kZip);
  LONG count = 0;
  ASSERT_EQ(zip->get_ArchiveCount(&count), S_OK);
  ASSERT_EQ(count, 2);
  const struct {
    const wchar_t* name;
    LONG size;
    const wchar_t* text;
  } members[] = {{L"readme.txt", 31, L"Photos from the team offsite."},
                 {L"agenda.txt", 44, L"10:00 Planning"}};
  for (LONG i = 0; i < count; ++i) {
    Bstr name, text;
    LONG size = 0;
    ASSERT_EQ(zip->get_ArchiveFilename(i, name.put()), S_OK);
    EXPECT_EQ(Str(name.get()), members[i].name);
    ASSERT_EQ(zip->get_ArchiveFilesize(i, &size), S_OK);
    EXPECT_EQ(size, members[i].size);
    ASSERT_EQ(zip->get_ArchiveContent(i, text.put()), S_OK);
    EXPECT_NE(Str(text.get()).find(members[i].text), std::wstring::npos);
  }
  EXPECT_EQ(zip->CloseContent(), S_OK);
}

TEST_F(AttachContentTest, HostileNameOpensFromInsideTheQlaDirectory) {
  ComPtr<IQMXMessage> hostile = Message(L"hostile");
  ComPtr<IQMXAttach> up = AttachmentOf(hostile.get(), 0);  // "..\..\x-up.txt"
  VARIANT_BOOL opened = VARIANT_FALSE;
  ASSERT_EQ(up->OpenContent(&opened), S_OK);
  EXPECT_EQ(opened, VARIANT_TRUE);
  Bstr text;
  EXPECT_EQ(up->get_Content(text.put()), S_OK);
  EXPECT_NE(Str(text.get()).find(L"up"), std::wstring::npos);
  EXPECT_EQ(up->CloseContent(), S_OK);
  EXPECT_EQ(Entries(temp_.temp()), std::set<std::string>{"QLA"});
  ExpectNothingAboveTemp();
}

}  // namespace
}  // namespace attachtest
