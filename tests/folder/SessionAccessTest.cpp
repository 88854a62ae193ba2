// The session's access to folders and messages by identifier string: opening them (and
// refusing what is not one), recognising the inbox and sent items, malformed identifiers,
// creating, copying and deleting messages, download figures and the kinds of folders.
#include <gtest/gtest.h>

#include <string>

#include "support/MailboxTest.h"

using kelmsgs::Bstr;
using kelmsgs::ComPtr;
using kelmsgs::Variant;

namespace {

// The identifier string with its first character moved above U+00FF (its low byte, the
// digit, unchanged), and with a zero character and more digits after it.
Bstr WithHighCharacter(BSTR id) {
  std::wstring text(id, SysStringLen(id));
  text[0] = static_cast<wchar_t>(text[0] + 0x100);
  return Bstr(SysAllocStringLen(text.data(), static_cast<UINT>(text.size())));
}
Bstr WithEmbeddedZero(BSTR id) {
  std::wstring text(id, SysStringLen(id));
  text += std::wstring(1, L'\0') + L"00";
  return Bstr(SysAllocStringLen(text.data(), static_cast<UINT>(text.size())));
}

class SessionAccessTest : public MailboxTest {
 protected:
  struct Flags {
    VARIANT_BOOL inbox = 1, sent = 1;
  };
  static Flags FlagsOf(IQMXStoreFolder* folder) {
    Flags flags;
    EXPECT_EQ(folder->get_IsInbox(&flags.inbox), S_OK);
    EXPECT_EQ(folder->get_IsSentItems(&flags.sent), S_OK);
    return flags;
  }
  Bstr StandardFolderId(MAPIFolderTypeConstants type) {
    ComPtr<IQMXStoreFolder> folder;
    EXPECT_EQ(store_->get_StandardFolder(type, folder.put()), S_OK);
    return folder ? FolderId(folder.get()) : Bstr();
  }
};

TEST_F(SessionAccessTest, FoldersByIdentifier) {
  const Bstr storeId = StoreId(), alphaId = FolderId(alpha_.get());
  ComPtr<IQMXStoreFolder> byId;
  ASSERT_EQ(session_->get_StoreFolder(alphaId.get(), storeId.get(), byId.put()), S_OK);
  ASSERT_TRUE(byId);
  EXPECT_EQ(MessageCount(byId.get()), 3);
  Bstr name;
  ASSERT_EQ(byId->get_DisplayName(name.put()), S_OK);
  EXPECT_EQ(Str(name.get()), L"Alpha");
  EXPECT_EQ(Str(FolderId(byId.get()).get()), Str(alphaId.get()));
  EXPECT_EQ(FlagsOf(byId.get()).inbox, VARIANT_FALSE);
  EXPECT_EQ(FlagsOf(byId.get()).sent, VARIANT_FALSE);
  ASSERT_EQ(session_->get_StoreFolder(alphaId.get(), nullptr, byId.put()), S_OK);
  EXPECT_EQ(MessageCount(byId.get()), 3);

  // Unknown and malformed identifiers.
  EXPECT_EQ(session_->get_StoreFolder(B(L"XY").get(), storeId.get(), byId.put()), E_INVALIDARG);
  EXPECT_EQ(
      session_->get_StoreFolder(WithHighCharacter(alphaId.get()).get(), storeId.get(), byId.put()),
      E_INVALIDARG);
  EXPECT_EQ(session_->get_StoreFolder(B(L"00112233").get(), storeId.get(), byId.put()), E_FAIL);
  EXPECT_FALSE(byId);
}

// In the default store, with the store named, the receive folder is the inbox and the
// store's sent-mail folder is sent items; without the store neither is recognised.
TEST_F(SessionAccessTest, InboxAndSentItemsOfTheDefaultStore) {
  const Bstr storeId = StoreId();
  ComPtr<IQMXStoreFolder> receive;
  ASSERT_EQ(store_->get_ReceiveFolder(receive.put()), S_OK);
  const Bstr inboxId = FolderId(receive.get()), sentId = StandardFolderId(mfldTypeSent);
  ASSERT_TRUE(sentId);
  ComPtr<IQMXStoreFolder> folder;
  ASSERT_EQ(session_->get_StoreFolder(inboxId.get(), storeId.get(), folder.put()), S_OK);
  EXPECT_EQ(FlagsOf(folder.get()).inbox, VARIANT_TRUE);
  EXPECT_EQ(FlagsOf(folder.get()).sent, VARIANT_FALSE);
  ASSERT_EQ(session_->get_StoreFolder(sentId.get(), storeId.get(), folder.put()), S_OK);
  EXPECT_EQ(FlagsOf(folder.get()).inbox, VARIANT_FALSE);
  EXPECT_EQ(FlagsOf(folder.get()).sent, VARIANT_TRUE);
  EXPECT_EQ(MessageCount(folder.get()), 1);
  for (BSTR id : {inboxId.get(), sentId.get()}) {
    ASSERT_EQ(session_->get_StoreFolder(id, nullptr, folder.put()), S_OK);
    EXPECT_EQ(FlagsOf(folder.get()).inbox, VARIANT_FALSE);
    EXPECT_EQ(FlagsOf(folder.get()).sent, VARIANT_FALSE);
  }
}

// A message's identifier opens a message, not a folder: StoreFolder reports that it
// could not open a folder and hands out nothing.
TEST_F(SessionAccessTest, MessageIdentifierIsNoFolder) {
  const Bstr messageId = MessageId(alpha_.get(), 0), storeId = StoreId();
  for (BSTR store : {storeId.get(), static_cast<BSTR>(nullptr)}) {
    ComPtr<IQMXStoreFolder> folder;
    EXPECT_EQ(SetErrorInfo(0, nullptr), S_OK);
    EXPECT_EQ(session_->get_StoreFolder(messageId.get(), store, folder.put()), E_FAIL);
    EXPECT_FALSE(folder);
    EXPECT_EQ(ErrorDescription(), L"Failed to open folder.");
  }
}

TEST_F(SessionAccessTest, MessagesByIdentifier) {
  const Bstr id = MessageId(alpha_.get(), 0), storeId = StoreId();
  ComPtr<IQMXMessage> message;
  ASSERT_EQ(session_->get_Message(id.get(), storeId.get(), message.put()), S_OK);
  EXPECT_EQ(Subject(message.get()), L"first");
  ASSERT_EQ(session_->get_Message(id.get(), nullptr, message.put()), S_OK);
  EXPECT_EQ(Subject(message.get()), L"first");
  Bstr messageId;
  ASSERT_EQ(message->get_MessageID(messageId.put()), S_OK);
  EXPECT_EQ(Str(messageId.get()), Str(id.get()));

  // Identifiers that only look like this one are refused, not read as it.
  for (const Bstr& bad :
       {B(L"ABC"), B(L"XYZW"), WithHighCharacter(id.get()), WithEmbeddedZero(id.get())}) {
    ComPtr<IQMXMessage> none;
    EXPECT_EQ(session_->get_Message(bad.get(), nullptr, none.put()), E_INVALIDARG);
    EXPECT_FALSE(none);
  }
  EXPECT_EQ(session_->get_Message(id.get(), WithEmbeddedZero(storeId.get()).get(), message.put()),
            E_INVALIDARG);
}

// A message created through the session is empty, or a copy of a given message as an
// ordinary note; deleting it takes it out of the store.
TEST_F(SessionAccessTest, CreateCopyAndDeleteMessages) {
  ComPtr<IQMXStoreFolder> zeta = Folder(L"Zeta");
  ASSERT_TRUE(zeta);
  const Bstr storeId = StoreId(), zetaId = FolderId(zeta.get());
  ComPtr<IQMXMessage> empty, copy;
  ASSERT_EQ(session_->CreateMessage(zetaId.get(), storeId.get(), nullptr, empty.put()), S_OK);
  ASSERT_TRUE(empty);
  EXPECT_EQ(Subject(empty.get()), L"");
  ComPtr<IQMXMessage> first = MessageAt(alpha_.get(), 0);
  ASSERT_EQ(session_->CreateMessage(zetaId.get(), storeId.get(), first.get(), copy.put()), S_OK);
  EXPECT_EQ(Subject(copy.get()), L"first");
  Bstr className;
  ASSERT_EQ(copy->get_MessageClass(className.put()), S_OK);
  EXPECT_EQ(Str(className.get()), L"IPM.Note");
  Refresh(zeta.get());
  ASSERT_EQ(MessageCount(zeta.get()), 2);

  Bstr copyId;
  ASSERT_EQ(copy->get_MessageID(copyId.put()), S_OK);
  // A wrong folder fails to open and deletes nothing.
  EXPECT_TRUE(FAILED(session_->DeleteMessage(copyId.get(), B(L"00112233").get(), storeId.get())));
  ASSERT_EQ(session_->DeleteMessage(copyId.get(), zetaId.get(), storeId.get()), S_OK);
  Refresh(zeta.get());
  EXPECT_EQ(MessageCount(zeta.get()), 1);
  EXPECT_EQ(session_->CreateMessage(B(L"").get(), storeId.get(), nullptr, copy.put()),
            E_INVALIDARG);
  EXPECT_EQ(session_->CreateMessage(B(L"ABC").get(), storeId.get(), nullptr, copy.put()), E_FAIL);
  EXPECT_EQ(session_->DeleteMessage(nullptr, zetaId.get(), storeId.get()), E_INVALIDARG);
}

// Identifiers passed in the wrong places (a message or the store where the folder belongs)
// are refused: nothing is created, deleted or read, and the client keeps running.
TEST_F(SessionAccessTest, SwappedIdentifiersAreRefused) {
  const Bstr storeId = StoreId(), alphaId = FolderId(alpha_.get());
  const Bstr messageId = MessageId(alpha_.get(), 0);
  for (BSTR wrongFolder : {messageId.get(), storeId.get()}) {
    ComPtr<IQMXMessage> created;
    EXPECT_EQ(session_->CreateMessage(wrongFolder, storeId.get(), nullptr, created.put()),
              MAPI_E_INTERFACE_NOT_SUPPORTED);
    EXPECT_FALSE(created);
    EXPECT_EQ(session_->DeleteMessage(messageId.get(), wrongFolder, storeId.get()),
              MAPI_E_INTERFACE_NOT_SUPPORTED);
    LONG time = -7, size = -7;
    EXPECT_EQ(session_->GetDownloadTime(wrongFolder, storeId.get(), 0, &time, &size), S_OK);
    EXPECT_EQ(time, -7);
    EXPECT_EQ(size, -7);
  }
  Refresh(alpha_.get());
  EXPECT_EQ(MessageCount(alpha_.get()), 3);
  // The same message deletes from the right folder.
  EXPECT_EQ(session_->DeleteMessage(messageId.get(), alphaId.get(), storeId.get()), S_OK);
}

TEST_F(SessionAccessTest, WrappedAndEmbeddedMessages) {
  ComPtr<IQMXMessage> first = MessageAt(alpha_.get(), 0);
  ComPtr<IUnknown> mapi;
  ASSERT_EQ(first->get_MAPIObject(mapi.put()), S_OK);
  ComPtr<IQMXMessage> wrapped;
  ASSERT_EQ(session_->GetMAPIMessage(mapi.get(), wrapped.put()), S_OK);
  EXPECT_EQ(Subject(wrapped.get()), L"first");
  EXPECT_EQ(session_->GetMAPIMessage(nullptr, wrapped.put()), E_INVALIDARG);

  // The attachments of the MAPI message: one by value, one embedded message.
  ComPtr<IMessage> message;
  ASSERT_EQ(mapi->QueryInterface(IID_IMessage, message.put_void()), S_OK);
  const std::wstring subjects[] = {L"<none>", L"inner"};
  for (LONG number = 0; number < 2; ++number) {
    ComPtr<IAttach> attach;
    ASSERT_EQ(message->OpenAttach(number, nullptr, 0, attach.put()), S_OK);
    ComPtr<IQMXMessage> embedded;
    EXPECT_EQ(session_->GetAttachedMessage(attach.get(), embedded.put()), S_OK);
    EXPECT_EQ(embedded ? Subject(embedded.get()) : L"<none>", subjects[number]);
  }
  EXPECT_EQ(session_->GetAttachedMessage(nullptr, wrapped.put()), E_INVALIDARG);
}

TEST_F(SessionAccessTest, FolderComparisonDownloadFiguresAndOpenFailures) {
  const Bstr storeId = StoreId(), alphaId = FolderId(alpha_.get());
  ComPtr<IQMXStoreFolder> again;
  ASSERT_EQ(session_->get_StoreFolder(alphaId.get(), storeId.get(), again.put()), S_OK);
  VARIANT_BOOL same = VARIANT_FALSE;
  EXPECT_EQ(session_->get_CompareFolders(alpha_.get(), again.get(), &same), S_OK);
  EXPECT_EQ(same, VARIANT_TRUE);
  EXPECT_EQ(session_->get_CompareFolders(alpha_.get(), root_.get(), &same), S_OK);
  EXPECT_EQ(same, VARIANT_FALSE);

  // Download time and size of a row of the contents table; beyond the rows nothing.
  LONG time = -7, size = -7;
  EXPECT_EQ(session_->GetDownloadTime(alphaId.get(), storeId.get(), 0, &time, &size), S_OK);
  EXPECT_GT(size, 0);
  time = size = -7;
  EXPECT_EQ(session_->GetDownloadTime(alphaId.get(), storeId.get(), 9, &time, &size), S_OK);
  EXPECT_EQ(size, -7);
  EXPECT_EQ(session_->GetDownloadTime(alphaId.get(), storeId.get(), -1, &time, &size),
            E_INVALIDARG);

  // A folder that does not open leaves error information for the client.
  ComPtr<IQMXStoreFolder> missing;
  EXPECT_EQ(SetErrorInfo(0, nullptr), S_OK);
  EXPECT_EQ(session_->get_StoreFolder(B(L"00112233").get(), nullptr, missing.put()), E_FAIL);
  ComPtr<IErrorInfo> info;
  ASSERT_EQ(GetErrorInfo(0, info.put()), S_OK);
  Bstr source, description;
  ASSERT_EQ(info->GetSource(source.put()), S_OK);
  ASSERT_EQ(info->GetDescription(description.put()), S_OK);
  EXPECT_EQ(Str(source.get()), L"KelMsgs.QMXSession.1");
  EXPECT_GT(SysStringLen(description.get()), 0u);
}

// Standard folders by identity, the drafts folder once named, everything else by its
// container class (case-sensitive, "IP" then any character).
TEST_F(SessionAccessTest, FolderKinds) {
  const struct {
    const wchar_t* name;
    MAPIFolderTypeConstants kind;
  } cases[] = {{L"Alpha", mfldTypeMail},     {L"Mail", mfldTypeMail},    {L"Odd", mfldTypeSpecial},
               {L"Lower", mfldTypeNone},     {L"NoteSub", mfldTypeMail}, {L"Zeta", mfldTypeMail},
               {L"Sent Items", mfldTypeSent}};
  for (const auto& c : cases) {
    ComPtr<IQMXStoreFolder> folder = Folder(c.name);
    ASSERT_TRUE(folder);
    MAPIFolderTypeConstants kind = static_cast<MAPIFolderTypeConstants>(-1);
    ASSERT_EQ(session_->get_FolderType(store_.get(), folder.get(), &kind), S_OK) << c.name;
    EXPECT_EQ(kind, c.kind) << c.name;
  }
  ComPtr<IQMXStoreFolder> inbox;
  ASSERT_EQ(store_->get_StandardFolder(mfldTypeInbox, inbox.put()), S_OK);
  MAPIFolderTypeConstants kind = mfldTypeNone;
  ASSERT_EQ(session_->get_FolderType(store_.get(), inbox.get(), &kind), S_OK);
  EXPECT_EQ(kind, mfldTypeInbox);
  // A folder named as the drafts folder is recognised as such.
  ComPtr<IQMXStoreFolder> zeta = Folder(L"Zeta");
  ASSERT_EQ(session_->AddDraftsFolder(FolderId(zeta.get()).get()), S_OK);
  ASSERT_EQ(session_->get_FolderType(store_.get(), zeta.get(), &kind), S_OK);
  EXPECT_EQ(kind, mfldTypeDrafts);
  EXPECT_EQ(session_->get_FolderType(nullptr, inbox.get(), &kind), E_INVALIDARG);
  EXPECT_EQ(kind, mfldTypeNone);
}

}  // namespace
