// InstallForm: a form configuration file installed into a folder's form registry, found
// again through the forms library, and the arguments that install nothing.
#include <gtest/gtest.h>

#include <mapiform.h>

#include <fstream>

#include "foundation/ComPtr.h"
#include "foundation/MapiOwned.h"
#include "session/QMXSession.h"
#include "support/BstrText.h"
#include "support/MapiFixture.h"
#include "support/ProfileAdmin.h"
#include "support/SessionLogon.h"
#include "support/TestRegistry.h"
#include "ResultStoreProfile.h"

using kelmsgs::Bstr;
using kelmsgs::ComPtr;
using kelmsgs::CQMXSession;

namespace {

const std::string kIcon("\0\0\1\0\1\0\x10\x10\0\0\1\0\x20\0\x28\0\0\0\x16\0\0\0", 22);

// A form configuration file and its two icons in a scratch directory.
class FormFiles {
 public:
  explicit FormFiles(const std::string& description) {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    dir_ = std::string(temp) + "kelmsgs-forms-" + std::to_string(GetCurrentProcessId()) + "\\";
    CreateDirectoryA(dir_.c_str(), nullptr);
    Write("small.ico", kIcon);
    Write("large.ico", kIcon);
    Write("result.cfg", description);
  }
  ~FormFiles() { RemoveDirectoryTree(dir_); }
  std::string cfg() const { return dir_ + "result.cfg"; }

 private:
  void Write(const char* name, const std::string& bytes) {
    std::ofstream(dir_ + name, std::ios::binary) << bytes;
  }
  std::string dir_;
};

const char* const kConfiguration =
    "[Description]\r\nMessageClass=IPM.Note.Quendrel.Result\r\n"
    "CLSID={6A0E5F1C-2B7D-4E3A-9C1F-0D8B7A6E5F41}\r\nDisplayName=Quendrel result\r\n"
    "SmallIcon=small.ico\r\nLargeIcon=large.ico\r\nVersion=1.0\r\n\r\n"
    "[Platforms]\r\nCPU1=Win32\r\n\r\n[Platform.Win32]\r\nCPU=ix86\r\nOSVersion=Win32\r\n\r\n"
    "[Verbs]\r\nVerb1=Open\r\n\r\n[Verb.Open]\r\nDisplayName=&Open\r\nCode=0\r\n";

class FormsTest : public testing::Test {
 protected:
  FormsTest() : fixture_(ResultStoreProfile()) {}
  void SetUp() override {
    ASSERT_TRUE(fixture_.loaded()) << fixture_.error();
    ASSERT_TRUE(LogOnNewSession(session_));
    ComPtr<IQMXMessageStore> store;
    ComPtr<IQMXStoreFolder> inbox;
    ASSERT_EQ(session_->get_MsgStore(0, store.put()), S_OK);
    ASSERT_EQ(store->get_EntryId(storeId_.put()), S_OK);
    ASSERT_EQ(store->get_StandardFolder(mfldTypeInbox, inbox.put()), S_OK);
    ASSERT_TRUE(inbox);
    ASSERT_EQ(inbox->get_FolderID(inboxId_.put()), S_OK);
    ASSERT_EQ(session_->put_LogFile(B(log_.wpath()).get()), S_OK);
    ASSERT_EQ(session_->put_LoggingEnabled(VARIANT_TRUE), S_OK);
  }
  void TearDown() override {
    if (session_) {
      EXPECT_EQ(session_->Logoff(VARIANT_TRUE), S_OK);
    }
  }
  std::string InstallLog() {
    session_->put_LoggingEnabled(VARIANT_FALSE);
    const std::string text = log_.Read();
    std::string lines;
    const std::string tag = "\tInstallFormInternal\t";
    for (size_t at = text.find(tag); at != std::string::npos; at = text.find(tag, at + 1))
      lines +=
          text.substr(at + tag.size(), text.find('\t', at + tag.size()) - at - tag.size()) + "\n";
    return lines;
  }
  // The inbox's form registry, opened through the forms library as a client would.
  ComPtr<IMAPIFormContainer> InboxForms() {
    const ComPtr<IMAPISession> mapi = MapiSessionOf(session_.get());
    kelmsgs::MapiBuffer<BYTE> storeBytes, folderBytes;
    ULONG storeSize = 0, folderSize = 0, type = 0;
    EXPECT_EQ(kelmsgs::EntryIdFromBstr(storeId_.get(), storeBytes, storeSize), S_OK);
    EXPECT_EQ(kelmsgs::EntryIdFromBstr(inboxId_.get(), folderBytes, folderSize), S_OK);
    ComPtr<IMsgStore> store;
    ComPtr<IUnknown> folder;
    ComPtr<IMAPIFormMgr> manager;
    ComPtr<IMAPIFormContainer> container;
    EXPECT_EQ(mapi->OpenMsgStore(0, storeSize, reinterpret_cast<LPENTRYID>(storeBytes.get()),
                                 nullptr, MAPI_BEST_ACCESS, store.put()),
              S_OK);
    EXPECT_EQ(store->OpenEntry(folderSize, reinterpret_cast<LPENTRYID>(folderBytes.get()), nullptr,
                               MAPI_BEST_ACCESS, &type, folder.put()),
              S_OK);
    EXPECT_EQ(MAPIOpenFormMgr(mapi.get(), manager.put()), S_OK);
    EXPECT_EQ(manager->OpenFormContainer(HFRMREG_FOLDER, folder.get(), container.put()), S_OK);
    return container;
  }

  MapiFixture fixture_;
  ScratchFile log_{".log"};
  ComPtr<CQMXSession> session_;
  Bstr storeId_, inboxId_;
};

TEST_F(FormsTest, InstalledFormIsFoundThroughTheFolderRegistry) {
  FormFiles files(kConfiguration);
  EXPECT_EQ(session_->InstallForm(inboxId_.get(), storeId_.get(), B(files.cfg()).get()), S_OK);
  EXPECT_EQ(InstallLog(), "Installed " + files.cfg() + "\n");
  const auto forms = InboxForms();
  ASSERT_TRUE(forms);
  // A class of its own and one derived from it resolve to the form; another does not.
  for (const char* messageClass : {"IPM.Note.Quendrel.Result", "IPM.Note.Quendrel.Result.Copy"}) {
    ComPtr<IMAPIFormInfo> info;
    ASSERT_EQ(forms->ResolveMessageClass(messageClass, 0, info.put()), S_OK) << messageClass;
    kelmsgs::PropValues name;
    ASSERT_EQ(HrGetOneProp(info.get(), PR_DISPLAY_NAME_A, name.put()), S_OK);
    EXPECT_STREQ(name.get()->Value.lpszA, "Quendrel result");
    kelmsgs::PropValues icon;
    ASSERT_EQ(HrGetOneProp(info.get(), PR_ICON, icon.put()), S_OK);
    EXPECT_EQ(icon.get()->Value.bin.cb, kIcon.size());
  }
  ComPtr<IMAPIFormInfo> none;
  EXPECT_EQ(forms->ResolveMessageClass("IPM.Note", 0, none.put()), MAPI_E_NOT_FOUND);
}

// A configuration file that is missing, or breaks one rule of the format, installs no form
// and is logged as a failure.
TEST_F(FormsTest, ConfigurationsThatDescribeNoFormAreRefused) {
  const std::string description =
      "[Description]\r\nMessageClass=IPM.Note.Bad\r\nDisplayName=Bad\r\n";
  std::string logged;
  {
    FormFiles files(description);
    const std::string missing = files.cfg() + ".missing";
    EXPECT_EQ(session_->InstallForm(inboxId_.get(), storeId_.get(), B(missing).get()),
              MAPI_E_EXTENDED_ERROR);
    logged += "Failed to install " + missing + "\n";
  }
  for (const std::string& broken : {
           description + "CLSID=not-a-guid\r\n",
           description + "SmallIcon=missing.ico\r\n",
           description + "LargeIcon=result.cfg\r\n",
           description + "[Verbs]\r\nVerb1=Open\r\n",
           description + "[Verbs]\r\nVerb1=Open\r\n[Verb.Open]\r\nDisplayName=Open\r\nCode=x\r\n",
           description + "[Platforms]\r\nCPU1=Win32\r\n",
           description + "[Properties]\r\nProperty1=Score\r\n[Property.Score]\r\n",
           description + "[Broken\r\n",
           "MessageClass=IPM.Note.Bad\r\n" + description,
           std::string("[Description]\r\nMessageClass=IPM.Note.Bad\r\n"),
           std::string("[Description]\r\nDisplayName=No class\r\n"),
       }) {
    FormFiles files(broken);
    EXPECT_EQ(session_->InstallForm(inboxId_.get(), storeId_.get(), B(files.cfg()).get()),
              MAPI_E_EXTENDED_ERROR)
        << broken;
    logged += "Failed to install " + files.cfg() + "\n";
  }
  EXPECT_EQ(InstallLog(), logged);
  ComPtr<IMAPIFormInfo> none;
  EXPECT_EQ(InboxForms()->ResolveMessageClass("IPM.Note.Bad", 0, none.put()), MAPI_E_NOT_FOUND);
}

TEST_F(FormsTest, ArgumentsThatInstallNothing) {
  FormFiles files(kConfiguration);
  // An empty configuration file stops before any MAPI call: a fault on the form manager
  // would show otherwise.
  MapiFixture::SetFault("MAPIOpenFormMgr", MAPI_E_CALL_FAILED);
  EXPECT_EQ(session_->InstallForm(inboxId_.get(), storeId_.get(), B(L"").get()), E_INVALIDARG);
  EXPECT_EQ(session_->InstallForm(inboxId_.get(), storeId_.get(), nullptr), E_INVALIDARG);
  EXPECT_EQ(session_->InstallForm(B(L"").get(), storeId_.get(), B(files.cfg()).get()),
            E_INVALIDARG);
  MapiFixture::ClearFaults();
  // Identifiers that are not hexadecimal: nothing done, nothing logged.
  EXPECT_EQ(session_->InstallForm(B(L"XYZ1").get(), storeId_.get(), B(files.cfg()).get()), S_OK);
  EXPECT_EQ(session_->InstallForm(inboxId_.get(), B(L"0G").get(), B(files.cfg()).get()), S_OK);
  EXPECT_EQ(InstallLog(), "");
}

TEST(FormsLoggedOffTest, SessionNotLoggedOnInstallsNothing) {
  FormFiles files(kConfiguration);
  ComPtr<CQMXSession> session;
  ASSERT_EQ(CQMXSession::Create(session), S_OK);
  EXPECT_EQ(session->InstallForm(B(L"0011").get(), B(L"2233").get(), B(files.cfg()).get()), S_OK);
}

}  // namespace
