// The attachment object: what it shows of a MAPI attachment (names, identifier, size,
// position, extension), saving its data by attach method, file names from mail that try
// to leave the temporary directory, its log, and an object that holds no attachment.
#include <mapiutil.h>
#include <mapix.h>
#include <shlwapi.h>

#include "AttachTestSupport.h"
#include "attach/QMXAttach.h"
#include "frame/ObjectFactory.h"
#include "support/MapiFixture.h"

namespace attachtest {
namespace {

using kelmsgs::CQMXAttach;

class AttachObjectTest : public AttachmentTest {
 protected:
  ComPtr<IQMXAttach> Kind(Kind kind) { return AttachmentOf(kinds_.get(), kind); }
  static std::wstring ExtensionOf(IQMXAttach* attach) {
    Bstr extension;
    EXPECT_EQ(attach->get_Extension(extension.put()), S_OK);
    return Str(extension.get());
  }
  // Save with an empty argument: the path answered (empty when none).
  static std::string SaveDefault(IQMXAttach* attach, HRESULT expected = S_OK) {
    Bstr path;
    EXPECT_EQ(attach->Save(B(L"").get(), path.put()), expected);
    return Narrow(path.get());
  }
};

TEST_F(AttachObjectTest, ShowsTheAttachmentsNameIdentifierSizeAndPosition) {
  ComPtr<IQMXAttach> report = Kind(kTwoDots);
  ASSERT_TRUE(report);
  EXPECT_EQ(FilenameOf(report.get()), L"report.final.txt");
  // The identifier: upper-case hexadecimal of the record key (the message finds it again:
  // MessageAttachmentTest).
  const std::wstring id = EntryIdOf(report.get());
  ASSERT_FALSE(id.empty());
  EXPECT_EQ(id.find_first_not_of(L"0123456789ABCDEF"), std::wstring::npos) << id.c_str();

  LONG size = 0, position = 0;
  EXPECT_EQ(report->get_Size(&size), S_OK);
  EXPECT_GE(size, 17);  // at least the data, "Quarterly figures"
  EXPECT_EQ(report->get_Position(&position), S_OK);
  EXPECT_EQ(position, 120);
  ComPtr<IQMXAttach> nameless = Kind(kNameless);
  EXPECT_EQ(nameless->get_Position(&position), S_OK);
  EXPECT_EQ(position, -1);

  // The MAPI attachment itself, with a reference of the caller's.
  ComPtr<IUnknown> mapi;
  ASSERT_EQ(report->get_MAPIObject(mapi.put()), S_OK);
  ComPtr<IUnknown> attachment;
  EXPECT_EQ(mapi->QueryInterface(IID_IAttachment, attachment.put_void()), S_OK);
}

TEST_F(AttachObjectTest, PositionIsMinusOneAndSizeKeptWhenTheReadsFail) {
  ComPtr<IQMXAttach> report = Kind(kTwoDots);
  ComPtr<IUnknown> reportMapi, zipMapi;
  ASSERT_EQ(report->get_MAPIObject(reportMapi.put()), S_OK);
  ASSERT_EQ(Kind(kZip)->get_MAPIObject(zipMapi.put()), S_OK);
  LONG reportSize = 0;
  ASSERT_EQ(report->get_Size(&reportSize), S_OK);

  ComPtr<CQMXAttach> fresh;
  ASSERT_EQ(CQMXAttach::Create(fresh), S_OK);
  LONG size = -1;
  EXPECT_EQ(fresh->get_Size(&size), S_OK);
  EXPECT_EQ(size, 0);  // nothing attached yet
  ASSERT_EQ(fresh->putref_Attach(reportMapi.get()), S_OK);
  EXPECT_EQ(fresh->get_Size(&size), S_OK);
  EXPECT_EQ(size, reportSize);

  MapiFixture::SetFault("GetProps", MAPI_E_CALL_FAILED);
  ASSERT_EQ(fresh->putref_Attach(zipMapi.get()), S_OK);
  EXPECT_EQ(fresh->get_Size(&size), S_OK);
  EXPECT_EQ(size, reportSize);  // the earlier size stays
  LONG position = 0;
  EXPECT_EQ(report->get_Position(&position), S_OK);
  EXPECT_EQ(position, -1);
  MapiFixture::ClearFaults();
  EXPECT_EQ(report->get_Position(&position), S_OK);
  EXPECT_EQ(position, 120);
}

TEST_F(AttachObjectTest, ExtensionFromPropertyThenStoredNameThenEmbeddedMessage) {
  // The extension property wins over the stored name.
  ComPtr<IQMXAttach> report = Kind(kTwoDots);
  EXPECT_EQ(ExtensionOf(report.get()), L"txt");
  EXPECT_EQ(report->AddProperties(B(L"other.doc").get(), B(L"").get()), S_OK);
  EXPECT_EQ(ExtensionOf(report.get()), L"txt");
  EXPECT_EQ(ExtensionOf(Kind(kReference).get()), L"pdf");

  // Without the property: the text after the last dot of the stored name.
  ComPtr<IQMXAttach> nameless = Kind(kNameless);
  EXPECT_EQ(FilenameOf(nameless.get()), L"<null>");
  EXPECT_EQ(ExtensionOf(nameless.get()), L"");
  EXPECT_EQ(nameless->AddProperties(B(L"archive.tar.gz").get(), nullptr), S_OK);
  EXPECT_EQ(ExtensionOf(nameless.get()), L"gz");
  EXPECT_EQ(nameless->AddProperties(B(L"README").get(), nullptr), S_OK);
  EXPECT_EQ(ExtensionOf(nameless.get()), L"");

  // An embedded message without a name is a message file; a name with a dot still wins.
  ComPtr<IQMXAttach> embedded = Kind(kEmbedded);
  EXPECT_EQ(ExtensionOf(embedded.get()), L"msg");
  EXPECT_EQ(embedded->AddProperties(B(L"inner.eml").get(), nullptr), S_OK);
  EXPECT_EQ(ExtensionOf(embedded.get()), L"eml");
}

TEST_F(AttachObjectTest, AddPropertiesFallsBackToTheShortFileName) {
  ComPtr<IQMXAttach> shortOnly = Kind(kShortOnly);
  EXPECT_EQ(FilenameOf(shortOnly.get()), L"SHORT.LOG");
  EXPECT_EQ(ExtensionOf(shortOnly.get()), L"LOG");
  // A given name replaces it; an empty one brings the short name back, identifier cleared.
  EXPECT_EQ(shortOnly->AddProperties(B(L"given.txt").get(), B(L"0A0B").get()), S_OK);
  EXPECT_EQ(FilenameOf(shortOnly.get()), L"given.txt");
  EXPECT_EQ(EntryIdOf(shortOnly.get()), L"0A0B");
  EXPECT_EQ(shortOnly->AddProperties(B(L"").get(), nullptr), S_OK);
  EXPECT_EQ(FilenameOf(shortOnly.get()), L"SHORT.LOG");
  EXPECT_EQ(EntryIdOf(shortOnly.get()), L"<null>");
}

TEST_F(AttachObjectTest, SaveWritesTheDataOfEachMethodIntoTheQlaDirectory) {
  // The "QLA" directory does not exist yet; saving makes it.
  ASSERT_FALSE(Exists(temp_.qla()));
  const std::string report = SaveDefault(Kind(kTwoDots).get());
  EXPECT_EQ(report, temp_.qla() + "report.final.txt");
  EXPECT_EQ(Contents(report), "Quarterly figures");

  // An embedded message saves its plain-text body; no name means "Untitled".
  const std::string embedded = SaveDefault(Kind(kEmbedded).get());
  EXPECT_EQ(embedded, temp_.qla() + "Untitled");
  EXPECT_EQ(Contents(embedded), "Inner body text");
  // The same default name again overwrites rather than appends.
  EXPECT_EQ(SaveDefault(Kind(kNameless).get()), temp_.qla() + "Untitled");
  EXPECT_EQ(Contents(embedded), "nameless data");
  // An OLE object saves its storage bytes.
  EXPECT_EQ(Contents(SaveDefault(Kind(kOle).get())), "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1");

  // A reference has no data: no result, no file.
  const auto before = Entries(temp_.qla());
  Bstr path;
  EXPECT_EQ(Kind(kReference)->Save(nullptr, path.put()), S_OK);
  EXPECT_FALSE(path);
  EXPECT_EQ(Entries(temp_.qla()), before);
  EXPECT_EQ(before, (std::set<std::string>{"report.final.txt", "Untitled", "object.bin"}));
}

TEST_F(AttachObjectTest, SaveToTheCallersPathOverwritesIt) {
  const std::string target = temp_.root() + "\\given.out";
  {
    kelmsgs::CFile file(std::fopen(target.c_str(), "wb"));
    std::fputs("an older and much longer content", file.get());
  }
  Bstr path;
  const std::wstring wide(target.begin(), target.end());
  ASSERT_EQ(Kind(kTwoDots)->Save(B(wide).get(), path.put()), S_OK);
  EXPECT_EQ(Narrow(path.get()), target);
  EXPECT_EQ(Contents(target), "Quarterly figures");

  // A path that cannot be opened: exactly the failure of opening it, no result.
  const wchar_t missing[] = L"Z:\\no\\such\\dir\\f.txt";
  kelmsgs::ComPtr<IStream> direct;
  const HRESULT refused = SHCreateStreamOnFileEx(
      missing, STGM_CREATE | STGM_READWRITE, FILE_ATTRIBUTE_NORMAL, TRUE, nullptr, direct.put());
  ASSERT_TRUE(FAILED(refused));
  path.reset();
  EXPECT_EQ(Kind(kTwoDots)->Save(B(std::wstring(missing)).get(), path.put()), refused);
  EXPECT_FALSE(path);
}

// A read of the attachment's data that fails is the call's failure: no shortened file is
// left to pass for the attachment, and no text is extracted from one.
TEST_F(AttachObjectTest, FailingDataReadWritesNothingAndIsReported) {
  const std::string target = temp_.root() + "\\broken.out";
  const std::wstring wide(target.begin(), target.end());
  ComPtr<IQMXAttach> attach = Kind(kTwoDots);
  ASSERT_TRUE(attach);
  const kelmsgs::ScopeExit clear([] { MapiFixture::ClearFaults(); });
  MapiFixture::SetFault("IStream::Read", MAPI_E_CALL_FAILED);

  Bstr path;
  EXPECT_EQ(attach->Save(B(wide).get(), path.put()), MAPI_E_CALL_FAILED);
  EXPECT_FALSE(path);
  EXPECT_EQ(GetFileAttributesA(target.c_str()), INVALID_FILE_ATTRIBUTES);

  VARIANT_BOOL saved = VARIANT_TRUE;
  EXPECT_EQ(kinds_->SaveAttachment(kTwoDots, B(wide).get(), &saved), MAPI_E_CALL_FAILED);
  EXPECT_EQ(saved, VARIANT_FALSE);
  EXPECT_EQ(GetFileAttributesA(target.c_str()), INVALID_FILE_ATTRIBUTES);

  VARIANT_BOOL opened = VARIANT_TRUE;
  EXPECT_EQ(attach->OpenContent(&opened), MAPI_E_CALL_FAILED);
  EXPECT_EQ(opened, VARIANT_FALSE);
  EXPECT_EQ(Entries(temp_.qla()), std::set<std::string>{});
}

// Names from mail never lead out of the directory they are saved to: the "QLA" directory
// for the object's Save, the temporary directory for the message's SaveAttachment.
TEST_F(AttachObjectTest, HostileNamesStayInsideTheirDirectory) {
  ComPtr<IQMXMessage> hostile = Message(L"hostile");
  ASSERT_TRUE(hostile);
  const char* expected[] = {"x-up.txt", "x-drive.txt", "_CON", "b-slash.txt", "name", "Untitled"};
  for (LONG i = 0; i < 6; ++i) {
    SCOPED_TRACE(expected[i]);
    ComPtr<IQMXAttach> attach = AttachmentOf(hostile.get(), i);
    ASSERT_TRUE(attach);
    EXPECT_EQ(SaveDefault(attach.get()), temp_.qla() + expected[i]);
    VARIANT_BOOL saved = VARIANT_FALSE;
    EXPECT_EQ(hostile->SaveAttachment(i, B(L"").get(), &saved), S_OK);
    EXPECT_EQ(saved, VARIANT_TRUE);
  }
  std::set<std::string> names(std::begin(expected), std::end(expected));
  EXPECT_EQ(Entries(temp_.qla()), names);
  names.insert("QLA");
  EXPECT_EQ(Entries(temp_.temp()), names);
  EXPECT_EQ(Contents(temp_.qla() + "_CON"), "device");
  EXPECT_EQ(Contents(temp_.qla() + "x-up.txt"), "up");
  EXPECT_EQ(Contents(temp_.temp() + "b-slash.txt"), "slash");
  EXPECT_EQ(Contents(temp_.temp() + "Untitled"), "dots");
  ExpectNothingAboveTemp();
}

TEST_F(AttachObjectTest, ContentMembersBeforeOpenContentLeaveTheirResults) {
  ComPtr<IQMXAttach> zip = Kind(kZip);
  BSTR text = reinterpret_cast<BSTR>(0x1);
  LONG number = 77;
  EXPECT_EQ(zip->get_Content(&text), S_OK);
  EXPECT_EQ(text, reinterpret_cast<BSTR>(0x1));
  EXPECT_EQ(zip->get_ArchiveCount(&number), S_OK);
  EXPECT_EQ(zip->get_ArchiveFilesize(0, &number), S_OK);
  EXPECT_EQ(number, 77);
  EXPECT_EQ(zip->get_ArchiveFilename(0, &text), S_OK);
  EXPECT_EQ(zip->get_ArchiveContent(0, &text), S_OK);
  EXPECT_EQ(text, reinterpret_cast<BSTR>(0x1));
  FileTypeConstants type = TypeArchive;
  EXPECT_EQ(zip->get_Filetype(&type), S_OK);
  EXPECT_EQ(type, TypeUnknown);
  EXPECT_EQ(zip->CloseContent(), S_OK);

  // A reference has nothing to open, and nothing is left in the directory.
  VARIANT_BOOL opened = VARIANT_TRUE;
  EXPECT_EQ(Kind(kReference)->OpenContent(&opened), S_OK);
  EXPECT_EQ(opened, VARIANT_FALSE);
  EXPECT_TRUE(Entries(temp_.qla()).empty());
}

TEST_F(AttachObjectTest, WithoutAnAttachmentMembersFailSoft) {
  ComPtr<CQMXAttach> empty;
  ASSERT_EQ(CQMXAttach::Create(empty), S_OK);
  VARIANT_BOOL opened = VARIANT_TRUE;
  EXPECT_EQ(empty->OpenContent(&opened), E_FAIL);
  EXPECT_EQ(opened, VARIANT_FALSE);
  Bstr path, extension;
  EXPECT_EQ(empty->Save(nullptr, path.put()), E_FAIL);
  EXPECT_FALSE(path);
  LONG position = 0;
  EXPECT_EQ(empty->get_Position(&position), S_OK);
  EXPECT_EQ(position, -1);
  EXPECT_EQ(empty->AddProperties(B(L"kept.name.zip").get(), nullptr), S_OK);
  EXPECT_EQ(empty->get_Extension(extension.put()), S_OK);
  EXPECT_EQ(Str(extension.get()), L"zip");
  ComPtr<IUnknown> mapi;
  EXPECT_EQ(empty->get_MAPIObject(mapi.put()), S_OK);
  EXPECT_FALSE(mapi);
  // Something that is not a MAPI object is refused rather than held.
  EXPECT_EQ(empty->putref_Attach(static_cast<IQMXAttach*>(empty.get())), E_NOINTERFACE);
  EXPECT_EQ(empty->putref_Attach(nullptr), S_OK);
}

TEST_F(AttachObjectTest, LogStartsWithAHeaderAndEndsWhenReleased) {
  const std::string log = temp_.root() + "\\attach.log";
  {
    ComPtr<IQMXAttach> report = Kind(kTwoDots);
    EXPECT_EQ(report->put_LogFile(B(L"").get()), E_INVALIDARG);
    const std::wstring wide(log.begin(), log.end());
    ASSERT_EQ(report->put_LogFile(B(wide).get()), S_OK);
    Bstr name;
    EXPECT_EQ(report->get_LogFile(name.put()), S_OK);
    EXPECT_EQ(Narrow(name.get()), log);
    EXPECT_EQ(Contents(log).find("New session started: "), 0u);
    EXPECT_EQ(Contents(log).find("Attachment released."), std::string::npos);
  }
  const std::string text = Contents(log);
  EXPECT_NE(text.find(" ---> Attachment released.\r\n"), std::string::npos) << text;
}

TEST_F(AttachObjectTest, CreatedThroughTheClassTable) {
  ComPtr<IQMXAttach> attach;
  ASSERT_EQ(kelmsgs::CreateObject(CLSID_QMXAttach, attach), S_OK);
  ComPtr<IUnknown> support;
  EXPECT_EQ(attach->QueryInterface(IID_ISupportErrorInfo, support.put_void()), S_OK);
}

}  // namespace
}  // namespace attachtest
