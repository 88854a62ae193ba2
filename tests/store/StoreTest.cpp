// QMXMessageStore over the stores of a logged-on session: folders, messages by
// identifier, names, notifications, dates as text and the object log.
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
         "folders": [{"name": "Projects", "class": "IPF.Note", "messages": [
           {"subject": "plan", "body": "the plan", "sent": "2024-05-01T08:00:00Z",
            "received": "2024-05-01T08:01:00Z"},
           {"subject": "note only", "sent": "2024-05-02T08:00:00Z"}]}]},
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
    EXPECT_EQ(session_->Logoff(VARIANT_TRUE), S_OK);
  }

  std::wstring FolderName(IQMXStoreFolder* folder) {
    Bstr name;
    EXPECT_EQ(folder->get_DisplayName(name.put()), S_OK);
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
  EXPECT_EQ(root->get_SubfolderCount(&subfolders), S_OK);
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
  EXPECT_EQ(SetErrorInfo(0, nullptr), S_OK);
  EXPECT_EQ(unbound->get_RootFolder(root.put()), E_FAIL);
  EXPECT_EQ(ErrorDescription(), L"Unable to open message store.");
  // Other members of an unbound store fail softly.
  MapiBuffer<unsigned char> id;
  ULONG size = 0;
  EXPECT_TRUE(FAILED(unbound->GetEntryId(id.put(), &size)));
  EXPECT_EQ(unbound->Advise(session_.get()), E_FAIL);
}

TEST_F(MessageStoreTest, NamesAccumulateAndFlagsFollowAddProperties) {
  ComPtr<CQMXMessageStore> store;
  ASSERT_EQ(CQMXMessageStore::Create(store), S_OK);
  EXPECT_EQ(store->AddProperties(B(L"A").get(), VARIANT_TRUE, VARIANT_FALSE), S_OK);
  EXPECT_EQ(store->AddProperties(B(L"B").get(), VARIANT_FALSE, VARIANT_TRUE), S_OK);
  EXPECT_EQ(store->AddProperties(nullptr, 5, 0), S_OK);
  Bstr name;
  EXPECT_EQ(store->get_DisplayName(name.put()), S_OK);
  EXPECT_EQ(Str(name.get()), L"AB");
  VARIANT_BOOL isDefault = VARIANT_FALSE;
  EXPECT_EQ(store->get_Default(&isDefault), S_OK);
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
  EXPECT_EQ(mailbox_->get_Advised(&advised), S_OK);
  EXPECT_EQ(advised, VARIANT_FALSE);
  EXPECT_EQ(mailbox_->Unadvise(), S_OK);
  ComPtr<IQMXMessageStore> other;
  EXPECT_EQ(session_->get_MsgStore(1, other.put()), S_OK);
  EXPECT_EQ(other->put_LogFile(B(log.wpath() + L"2").get()),
            S_OK);  // releases nothing of the first log
  mailbox_.reset();
  EXPECT_EQ(session_->Logoff(VARIANT_TRUE), S_OK);
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
  EXPECT_EQ(mailbox_->get_Advised(&advised), S_OK);
  EXPECT_EQ(advised, VARIANT_TRUE);
  EXPECT_EQ(mailbox_->Unadvise(), S_OK);
  EXPECT_EQ(mailbox_->get_Advised(&advised), S_OK);
  EXPECT_EQ(advised, VARIANT_FALSE);
  EXPECT_EQ(mailbox_->Advise(session_.get()), S_OK);
  EXPECT_EQ(mailbox_->Unadvise(), S_OK);
  mailbox_.reset();
  EXPECT_EQ(session_->Logoff(VARIANT_TRUE), S_OK);
  const std::string text = log.Read();
  std::size_t at = 0, times = 0;
  while ((at = text.find("supports notification.", at)) != std::string::npos) ++times, ++at;
  EXPECT_EQ(times, 2u) << text;
}

// A message opened by its identifier string shows the message's own values; a message
// that lacks some of them (no body, no delivery time) opens with S_OK all the same.
TEST_F(MessageStoreTest, MessagesByIdentifierString) {
  ComPtr<IQMXStoreFolder> root, projects;
  ASSERT_EQ(mailbox_->get_RootFolder(root.put()), S_OK);
  LONG count = 0;
  ASSERT_EQ(root->get_SubfolderCount(&count), S_OK);
  for (LONG i = 0; i < count && !projects; ++i) {
    ComPtr<IQMXStoreFolder> folder;
    ASSERT_EQ(root->get_Folder(i, folder.put()), S_OK);
    if (FolderName(folder.get()) == L"Projects") projects = folder;
  }
  ASSERT_TRUE(projects);
  Bstr folderId, storeId;
  ASSERT_EQ(projects->get_FolderID(folderId.put()), S_OK);
  ASSERT_EQ(mailbox_->get_EntryId(storeId.put()), S_OK);
  const struct {
    const wchar_t* subject;
    const wchar_t* body;
  } expected[] = {{L"plan", L"the plan"}, {L"note only", L""}};
  for (LONG i = 0; i < 2; ++i) {
    kelmsgs::Variant id;
    ASSERT_EQ(projects->get_MessageProperty(i, mpMessageID, &id), S_OK);
    ASSERT_EQ(V_VT(&id), VT_BSTR);
    ComPtr<IQMXMessage> message;
    ASSERT_EQ(mailbox_->get_Message(V_BSTR(&id), message.put()), S_OK) << i;
    ASSERT_TRUE(message);
    Bstr messageId, subject, body, parent, store;
    ASSERT_EQ(message->get_MessageID(messageId.put()), S_OK);
    EXPECT_EQ(Str(messageId.get()), Str(V_BSTR(&id)));
    ASSERT_EQ(message->get_Subject(subject.put()), S_OK);
    EXPECT_EQ(Str(subject.get()), expected[i].subject);
    ASSERT_EQ(message->get_Body(body.put()), S_OK);
    EXPECT_EQ(body ? Str(body.get()) : L"", expected[i].body);
    ASSERT_EQ(message->get_FolderID(parent.put()), S_OK);
    EXPECT_EQ(Str(parent.get()), Str(folderId.get()));
    ASSERT_EQ(message->get_StoreID(store.put()), S_OK);
    EXPECT_EQ(Str(store.get()), Str(storeId.get()));
  }
  kelmsgs::Variant id;
  ASSERT_EQ(projects->get_MessageProperty(0, mpMessageID, &id), S_OK);
  DATE received = 0;
  ComPtr<IQMXMessage> plan;
  ASSERT_EQ(mailbox_->get_Message(V_BSTR(&id), plan.put()), S_OK);
  ASSERT_EQ(plan->get_ReceivedTime(&received), S_OK);
  SYSTEMTIME st{};
  ASSERT_TRUE(VariantTimeToSystemTime(received, &st));
  EXPECT_EQ(st.wHour, 8);
  EXPECT_EQ(st.wMinute, 1);

  // Malformed identifiers, and ones that only look like a real one once their characters
  // are cut to 8 bits, are refused.
  std::wstring high = Text(V_BSTR(&id));
  high[0] = static_cast<wchar_t>(high[0] + 0x100);
  std::wstring zero = Text(V_BSTR(&id));
  zero += std::wstring(1, L'\0') + L"00";
  for (const std::wstring& bad :
       {std::wstring(L""), std::wstring(L"ABC"), std::wstring(L"XYZW"), high, zero}) {
    ComPtr<IQMXMessage> message;
    Bstr text = B(bad);
    EXPECT_EQ(mailbox_->get_Message(text.get(), message.put()), E_INVALIDARG);
    EXPECT_FALSE(message);
  }
}

TEST_F(MessageStoreTest, ObjectLogStartsWithAHeaderOnlyWhileLoggingIsOn) {
  ScratchFile quiet(".log"), loud(".log");
  {
    ComPtr<CQMXMessageStore> store;
    ASSERT_EQ(CQMXMessageStore::Create(store), S_OK);
    EXPECT_EQ(store->put_LoggingEnabled(VARIANT_FALSE), S_OK);
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

// The date as the system locale writes a short date and a time (here under the locale
// the test programs run with).
TEST_F(MessageStoreTest, DateTimeStringInTheSystemLocale) {
  if (GetSystemDefaultLCID() != 0x0409) GTEST_SKIP() << "expectations are for en-US";
  Bstr text;
  ASSERT_EQ(mailbox_->get_DateTimeString(38718.5, text.put()), S_OK);
  EXPECT_EQ(Str(text.get()), L"1/1/2006 12:00:00 PM");
  ASSERT_EQ(mailbox_->get_DateTimeString(38897.0 + (14 * 3600 + 3 * 60 + 7) / 86400.0, text.put()),
            S_OK);
  EXPECT_EQ(Str(text.get()), L"6/29/2006 2:03:07 PM");
}

}  // namespace
