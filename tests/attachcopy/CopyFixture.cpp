#include "CopyFixture.h"

#include "attach/QlaPaths.h"
#include "foundation/VendorKey.h"
#include "support/BstrText.h"
#include "support/MailboxTest.h"

using kelmsgs::Bstr;
using kelmsgs::ComPtr;

namespace {

std::string Folders() {
  const std::string large(kLargeSize, 'L');
  return R"([{"name": "Src", "class": "IPF.Note", "messages": [
    {"subject": "two", "attachments": [
      {"method": "value", "filename": "a.txt", "data": "hello"},
      {"method": "value", "filename": "b.txt", "hex": "00FF0D0A1A"}]},
    {"subject": "none"},
    {"subject": "same", "attachments": [
      {"filename": "same.txt", "data": "first"}, {"filename": "same.txt", "data": "second"}]},
    {"subject": "hostile", "attachments": [
      {"filename": "x", "longFilename": "..\\..\\x", "data": "up"},
      {"filename": "CON", "data": "device"},
      {"filename": "ab", "longFilename": "a:b", "data": "stream"}]},
    {"subject": "kinds", "attachments": [
      {"method": "embedded", "message": {"subject": "inner", "body": "inside",
        "attachments": [{"filename": "deep.txt", "data": "deep down"}]}},
      {"method": "ole", "filename": "object.bin", "data": "OLE bytes"},
      {"method": "value", "filename": "", "displayName": "shown.txt", "data": "by display"},
      {"method": "reference", "filename": "ref.txt", "path": "C:\\elsewhere\\ref.txt"}]},
    {"subject": "large", "attachments": [{"filename": "big.bin", "data": ")" +
         large + R"("}, {"filename": "after.txt", "data": "after"}]}]},
  {"name": "Dst", "class": "IPF.Note", "messages": [{"subject": "target"}]}])";
}

void ListFiles(const std::string& dir, const std::string& prefix,
               std::map<std::string, std::string>& out) {
  WIN32_FIND_DATAA entry{};
  const kelmsgs::FindHandle find(FindFirstFileA((dir + "*").c_str(), &entry));
  if (!find) return;
  do {
    const std::string name = entry.cFileName;
    if (name == "." || name == "..") continue;
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
      ListFiles(dir + name + "\\", prefix + name + "\\", out);
    else
      out[prefix + name] = ReadFileBytes(dir + name);
  } while (FindNextFileA(find.get(), &entry));
}

// Where the copy records its outcomes: below the logged-on profile's key.
std::string OutcomeKey() {
  return std::string(kelmsgs::kVendorKey) + "\\Work\\ResAttach";
}

HANDLE g_dispatchEvent = nullptr;

void CALLBACK OnDispatchTimer(HWND, UINT, UINT_PTR, DWORD) {
  SetEvent(g_dispatchEvent);
}

}  // namespace

UINT_PTR SetEventOnDispatch(HANDLE event) {
  g_dispatchEvent = event;
  return SetTimer(nullptr, 0, 1, &OnDispatchTimer);
}

bool FileExists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

CopyFixture::CopyFixture() : fixture_(OneStoreProfile(Folders())) {}

void CopyFixture::SetUp() {
  ASSERT_TRUE(fixture_.loaded()) << fixture_.error();
  ASSERT_EQ(kelmsgs::CQMXSession::Create(session_), S_OK);
  logPath_ = fixture_.directory() + "\\copy.log";
  const Bstr log(SysAllocString(std::wstring(logPath_.begin(), logPath_.end()).c_str()));
  ASSERT_EQ(session_->put_LogFile(log.get()), S_OK);
  ASSERT_EQ(session_->put_LoggingEnabled(VARIANT_TRUE), S_OK);
  VARIANT_BOOL ok = VARIANT_FALSE;
  ASSERT_EQ(session_->Logon(nullptr, nullptr, &ok), S_OK);
  ASSERT_EQ(ok, VARIANT_TRUE);
  ASSERT_EQ(session_->get_MsgStore(0, store_.put()), S_OK);
  ASSERT_EQ(store_->get_EntryId(storeId_.put()), S_OK);
  destinationId_ = MessageId(L"Dst", L"target");
  ASSERT_TRUE(destinationId_);
  copyDirectory_ = kelmsgs::AnsiQlaRoot() + Narrow(destinationId_.get()) + "\\";
  // A clean start: no files and no outcome from an earlier test.
  ASSERT_EQ(session_->CleanupQlaTempDir(), S_OK);
  const std::string key = OutcomeKey();
  RegDeleteKeyValueA(HKEY_CURRENT_USER, key.c_str(), Narrow(destinationId_.get()).c_str());
}

void CopyFixture::TearDown() {
  MapiFixture::ClearFaults();
  store_.reset();
  if (session_) {
    session_->SetStopPollObserver(nullptr);
    EXPECT_EQ(session_->Logoff(VARIANT_TRUE), S_OK);
  }
}

Bstr CopyFixture::MessageId(const wchar_t* folderName, const std::wstring& subject) {
  ComPtr<IQMXStoreFolder> root, folder;
  EXPECT_EQ(store_->get_RootFolder(root.put()), S_OK);
  LONG count = 0;
  root->get_SubfolderCount(&count);
  for (LONG i = 0; i < count && !folder; ++i) {
    ComPtr<IQMXStoreFolder> candidate;
    Bstr name;
    root->get_Folder(i, candidate.put());
    candidate->get_DisplayName(name.put());
    if (Str(name.get()) == folderName) folder = candidate;
  }
  if (!folder) return {};
  LONG messages = 0;
  folder->get_MessageCount(&messages);
  for (LONG i = 0; i < messages; ++i) {
    ComPtr<IQMXMessage> message;
    Bstr text;
    folder->get_Message(i, message.put());
    message->get_Subject(text.put());
    if (Str(text.get()) != subject) continue;
    Bstr id;
    message->get_MessageID(id.put());
    return id;
  }
  return {};
}

HRESULT CopyFixture::Copy(const std::wstring& subject, bool withMessage) {
  const Bstr source = Source(subject);
  EXPECT_TRUE(source) << "no message " << testing::PrintToString(subject);
  return session_->CopyAttachments(source.get(), storeId_.get(), destinationId_.get(),
                                   storeId_.get(), withMessage ? VARIANT_TRUE : VARIANT_FALSE);
}

void CopyFixture::AwaitCopy() {
  ASSERT_TRUE(session_->AwaitAttachmentCopy(60000));
}

std::map<std::string, std::string> CopyFixture::CopiedFiles() const {
  std::map<std::string, std::string> files;
  ListFiles(copyDirectory_, "", files);
  return files;
}

std::multimap<std::string, std::string> CopyFixture::FilesByName() const {
  std::multimap<std::string, std::string> byName;
  for (const auto& [path, content] : CopiedFiles())
    byName.emplace(path.substr(path.rfind('\\') + 1), content);
  return byName;
}

long CopyFixture::Outcome() const {
  DWORD value = 0;
  DWORD size = sizeof value;
  const std::string key = OutcomeKey();
  if (RegGetValueA(HKEY_CURRENT_USER, key.c_str(), Narrow(destinationId_.get()).c_str(),
                   RRF_RT_REG_DWORD, nullptr, &value, &size) != ERROR_SUCCESS)
    return -1;
  return static_cast<long>(value);
}

std::string CopyFixture::Log() const {
  return ReadFileBytes(logPath_);
}

void CopyFixture::AttachHost() {
  ASSERT_TRUE(host_.ok()) << std::hex << host_.created();
  ASSERT_EQ(session_->put_ToolbarHWnd(
                static_cast<LONG>(reinterpret_cast<LONG_PTR>(host_.ToolbarWindow()))),
            S_OK);
  ASSERT_EQ(session_->put_SearchCtlHWnd(
                static_cast<LONG>(reinterpret_cast<LONG_PTR>(host_.SearchControlWindow()))),
            S_OK);
}
