// Text of attachments through the content class: by value, embedded message, archive
// members, the temporary copy, reopening and closing. Needs QMXFileContent in the class
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

TEST_F(AttachContentTest, TextOfAnAttachmentByValue) {
  ComPtr<IQMXAttach> report = Opened(kTwoDots);
  EXPECT_NE(ContentOf(report.get()).find(L"Quarterly figures"), std::wstring::npos);
  EXPECT_EQ(report->CloseContent(), S_OK);
  // The copy made for the engine went to the "QLA" directory and nowhere else.
  EXPECT_EQ(Entries(temp_.temp()), std::set<std::string>{"QLA"});
  // Closed: the members leave their results again.
  BSTR text = reinterpret_cast<BSTR>(0x1);
  EXPECT_EQ(report->get_Content(&text), S_OK);
  EXPECT_EQ(text, reinterpret_cast<BSTR>(0x1));
}

TEST_F(AttachContentTest, TextOfAnEmbeddedMessageIsItsBody) {
  ComPtr<IQMXAttach> embedded = Opened(kEmbedded);
  EXPECT_NE(ContentOf(embedded.get()).find(L"Inner body text"), std::wstring::npos);
  EXPECT_EQ(embedded->CloseContent(), S_OK);
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

TEST_F(AttachContentTest, ReferenceHasNothingToOpen) {
  ComPtr<IQMXAttach> reference = AttachmentOf(kinds_.get(), kReference);
  VARIANT_BOOL opened = VARIANT_TRUE;
  EXPECT_EQ(reference->OpenContent(&opened), S_OK);
  EXPECT_EQ(opened, VARIANT_FALSE);
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
  EXPECT_EQ(Entries(temp_.root() + "\\outer\\inner"), std::set<std::string>{"temp"});
  EXPECT_EQ(Entries(temp_.temp()), std::set<std::string>{"QLA"});
}

}  // namespace
}  // namespace attachtest
