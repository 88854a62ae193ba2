// QMXMessageStore over the stores of a logged-on session: folders, identifiers, names,
// notifications and the object log.
#include <gtest/gtest.h>

#include <string>

#include "KelMsgs.h"
#include "foundation/ComPtr.h"
#include "foundation/MapiOwned.h"
#include "foundation/Owned.h"
#include "session/QMXSession.h"
#include "store/QMXMessageStore.h"
#include "support/BstrText.h"
#include "support/MapiFixture.h"
#include "support/SessionLogon.h"
#include "support/TestRegistry.h"

using kelmsgs::Bstr;
using kelmsgs::ComPtr;
using kelmsgs::CQMXMessageStore;
using kelmsgs::CQMXSession;
using kelmsgs::MapiBuffer;

namespace {

const char* const kProfile = R"({
  "profiles": [
    {"name": "Work", "default": true, "services": [
      {"service": "MSEMS", "displayName": "Exchange", "stores": [
        {"displayName": "Mailbox", "file": "mailbox.kms", "default": true, "flavour": "long",
         "folders": [{"name": "Projects", "class": "IPF.Note"}]},
        {"displayName": "Public Folders", "file": "public.kms", "public": true}]}]}
  ]})";

class MessageStoreTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(fixture_.loaded()) << fixture_.error();
    ASSERT_TRUE(LogOnNewSession(session_));
    ASSERT_EQ(session_->get_MsgStore(0, mailbox_.put()), S_OK);  // "Mailbox" sorts first
  }
  void TearDown() override {
    mailbox_.reset();
    session_->Logoff(VARIANT_TRUE);
  }

  std::wstring FolderName(IQMXStoreFolder* folder) {
    Bstr name;
    folder->get_DisplayName(name.put());
    return Str(name.get());
  }

  MapiFixture fixture_{kProfile};
  ComPtr<CQMXSession> session_;
  ComPtr<IQMXMessageStore> mailbox_;
};

TEST_F(MessageStoreTest, StandardAndRootFolders) {
  ComPtr<IQMXStoreFolder> inbox;
  ASSERT_EQ(mailbox_->get_StandardFolder(mfldTypeInbox, inbox.put()), S_OK);
  ASSERT_TRUE(inbox);
  EXPECT_EQ(FolderName(inbox.get()), L"Inbox");
  for (auto type : {mfldTypeOutbox, mfldTypeSent, mfldTypeDeleted, mfldTypeCalendar,
                    mfldTypeContacts, mfldTypeTasks}) {
    ComPtr<IQMXStoreFolder> folder;
    EXPECT_EQ(mailbox_->get_StandardFolder(type, folder.put()), S_OK);
    EXPECT_TRUE(folder) << type;
    MapiBuffer<unsigned char> id;
    ULONG size = 0;
    EXPECT_EQ(mailbox_->GetStdFolderId(type, id.put(), &size), S_OK);
    EXPECT_GT(size, 0u);
  }
  // Drafts and kinds beyond the standard folders are not kept by the store object.
  ComPtr<IQMXStoreFolder> none;
  EXPECT_EQ(mailbox_->get_StandardFolder(mfldTypeDrafts, none.put()), S_OK);
  EXPECT_FALSE(none);
  EXPECT_EQ(mailbox_->get_StandardFolder(static_cast<MAPIFolderTypeConstants>(-1), none.put()),
            S_OK);
  MapiBuffer<unsigned char> id;
  ULONG size = 0;
  EXPECT_EQ(mailbox_->GetStdFolderId(mfldTypeDrafts, id.put(), &size), E_FAIL);

  ComPtr<IQMXStoreFolder> root;
  ASSERT_EQ(mailbox_->get_RootFolder(root.put()), S_OK);
  LONG subfolders = 0;
  root->get_SubfolderCount(&subfolders);
  EXPECT_GT(subfolders, 0);

  ComPtr<IQMXStoreFolder> receive;
  ASSERT_EQ(mailbox_->get_ReceiveFolder(receive.put()), S_OK);
  EXPECT_EQ(FolderName(receive.get()), L"Inbox");
  MAPIFolderTypeConstants kind = mfldTypeInbox;
  EXPECT_EQ(mailbox_->get_FolderType(inbox.get(), &kind), S_OK);
  EXPECT_EQ(kind, mfldTypeNone);
}

TEST_F(MessageStoreTest, StoreWithoutRootReportsTheErrorToClients) {
  ComPtr<CQMXMessageStore> unbound;
  ASSERT_EQ(CQMXMessageStore::Create(unbound), S_OK);
  ComPtr<IQMXStoreFolder> root;
  SetErrorInfo(0, nullptr);
  EXPECT_EQ(unbound->get_RootFolder(root.put()), E_FAIL);
  ComPtr<IErrorInfo> info;
  ASSERT_EQ(GetErrorInfo(0, info.put()), S_OK);
  Bstr description;
  info->GetDescription(description.put());
  EXPECT_EQ(Str(description.get()), L"Unable to open message store.");
  // Other members of an unbound store fail softly.
  MapiBuffer<unsigned char> id;
  ULONG size = 0;
  EXPECT_TRUE(FAILED(unbound->GetEntryId(id.put(), &size)));
  EXPECT_EQ(unbound->Advise(session_.get()), E_FAIL);
}

TEST_F(MessageStoreTest, NamesAccumulateAndFlagsFollowAddProperties) {
  ComPtr<CQMXMessageStore> store;
  ASSERT_EQ(CQMXMessageStore::Create(store), S_OK);
  store->AddProperties(B(L"A").get(), VARIANT_TRUE, VARIANT_FALSE);
  store->AddProperties(B(L"B").get(), VARIANT_FALSE, VARIANT_TRUE);
  store->AddProperties(nullptr, 5, 0);
  Bstr name;
  store->get_DisplayName(name.put());
  EXPECT_EQ(Str(name.get()), L"AB");
  VARIANT_BOOL isDefault = VARIANT_FALSE;
  store->get_Default(&isDefault);
  EXPECT_EQ(isDefault, VARIANT_TRUE);
}

// A store that cannot notify: Advise passes the failure on, logs why, and the store
// stays unadvised.
TEST_F(MessageStoreTest, AdviseWithoutNotificationSupport) {
  EXPECT_EQ(mailbox_->Advise(nullptr), E_INVALIDARG);
  ScratchFile log(".log");
  ASSERT_EQ(mailbox_->put_LogFile(B(log.wpath()).get()), S_OK);
  MapiFixture::SetFault("Advise", MAPI_E_NO_SUPPORT);
  EXPECT_EQ(mailbox_->Advise(session_.get()), MAPI_E_NO_SUPPORT);
  MapiFixture::ClearFaults();
  MapiFixture::SetFault("Advise", MAPI_E_CALL_FAILED);
  EXPECT_EQ(mailbox_->Advise(session_.get()), MAPI_E_CALL_FAILED);
  MapiFixture::ClearFaults();
  VARIANT_BOOL advised = VARIANT_TRUE;
  mailbox_->get_Advised(&advised);
  EXPECT_EQ(advised, VARIANT_FALSE);
  EXPECT_EQ(mailbox_->Unadvise(), S_OK);
  ComPtr<IQMXMessageStore> other;
  session_->get_MsgStore(1, other.put());
  other->put_LogFile(B(log.wpath() + L"2").get());  // releases nothing of the first log
  mailbox_.reset();
  session_->Logoff(VARIANT_TRUE);
  other.reset();
  const std::string text = log.Read();
  EXPECT_NE(text.find("---> no notification support\n\r\n"), std::string::npos) << text;
  EXPECT_NE(text.find("---> other error\n\r\n"), std::string::npos);
  DeleteFileW((log.wpath() + L"2").c_str());
}

// A store that notifies: Advise registers once, Unadvise ends it, and it can be advised
// again.
TEST_F(MessageStoreTest, AdviseRegistersOnceAndUnadviseEndsIt) {
  ScratchFile log(".log");
  ASSERT_EQ(mailbox_->put_LogFile(B(log.wpath()).get()), S_OK);
  EXPECT_EQ(mailbox_->Advise(session_.get()), S_OK);
  EXPECT_EQ(mailbox_->Advise(session_.get()), S_OK);  // already advised: nothing more
  VARIANT_BOOL advised = VARIANT_FALSE;
  mailbox_->get_Advised(&advised);
  EXPECT_EQ(advised, VARIANT_TRUE);
  EXPECT_EQ(mailbox_->Unadvise(), S_OK);
  mailbox_->get_Advised(&advised);
  EXPECT_EQ(advised, VARIANT_FALSE);
  EXPECT_EQ(mailbox_->Advise(session_.get()), S_OK);
  EXPECT_EQ(mailbox_->Unadvise(), S_OK);
  mailbox_.reset();
  session_->Logoff(VARIANT_TRUE);
  const std::string text = log.Read();
  std::size_t at = 0, times = 0;
  while ((at = text.find("supports notification.", at)) != std::string::npos) ++times, ++at;
  EXPECT_EQ(times, 2u) << text;
}

TEST_F(MessageStoreTest, MessagesByIdentifierString) {
  ComPtr<IQMXMessage> message;
  EXPECT_EQ(mailbox_->get_Message(B(L"").get(), message.put()), E_INVALIDARG);
  EXPECT_EQ(mailbox_->get_Message(B(L"ABC").get(), message.put()), E_INVALIDARG);
  EXPECT_EQ(mailbox_->get_Message(B(L"XYZW").get(), message.put()), E_INVALIDARG);
  EXPECT_FALSE(message);
}

TEST_F(MessageStoreTest, ObjectLogStartsWithAHeaderOnlyWhileLoggingIsOn) {
  ScratchFile quiet(".log"), loud(".log");
  {
    ComPtr<CQMXMessageStore> store;
    ASSERT_EQ(CQMXMessageStore::Create(store), S_OK);
    store->put_LoggingEnabled(VARIANT_FALSE);
    ASSERT_EQ(store->put_LogFile(B(quiet.wpath()).get()), S_OK);
  }
  EXPECT_EQ(quiet.Read(), "");
  {
    ComPtr<CQMXMessageStore> store;
    ASSERT_EQ(CQMXMessageStore::Create(store), S_OK);
    ASSERT_EQ(store->put_LogFile(B(loud.wpath()).get()), S_OK);
  }
  const std::string text = loud.Read();
  EXPECT_EQ(text.rfind("New session started: ", 0), 0u);
  EXPECT_NE(text.find("---> Store destructed.\r\n"), std::string::npos);
}

TEST_F(MessageStoreTest, DateTimeStringUsesTheSystemLocale) {
  SYSTEMTIME st{2006, 1, 0, 1, 12, 0, 0, 0};
  DATE date = 0;
  SystemTimeToVariantTime(&st, &date);
  char day[20] = {}, time[20] = {};
  GetDateFormatA(LOCALE_SYSTEM_DEFAULT, LOCALE_NOUSEROVERRIDE, &st, nullptr, day, sizeof day);
  GetTimeFormatA(LOCALE_SYSTEM_DEFAULT, LOCALE_NOUSEROVERRIDE, &st, nullptr, time, sizeof time);
  const std::string expected = std::string(day) + " " + time;
  Bstr text;
  ASSERT_EQ(mailbox_->get_DateTimeString(date, text.put()), S_OK);
  EXPECT_EQ(Str(text.get()), std::wstring(expected.begin(), expected.end()));
}

}  // namespace
