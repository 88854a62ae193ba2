// Folders and messages of a store: the folder snapshot and its orders, message identity,
// bodies, user properties, copies and RTF text, against the messaging stand-in.
#include <gtest/gtest.h>

#include <algorithm>

#include <string>
#include <vector>

#include "KelMsgs.h"
#include "foundation/ComPtr.h"
#include "foundation/Owned.h"
#include "session/QMXSession.h"
#include "support/BstrText.h"
#include "support/MapiFixture.h"
#include "support/SessionLogon.h"
#include "support/TestRegistry.h"

using kelmsgs::Bstr;
using kelmsgs::ComPtr;
using kelmsgs::CQMXSession;
using kelmsgs::Variant;

namespace {

// Messages listed out of submit-time order, one with an attachment, one with a long body
// and one with RTF; folders listed out of name order.
const char* const kProfile = R"({
  "profiles": [
    {"name": "Work", "default": true, "services": [
      {"service": "MSPST MS", "displayName": "Personal Folders", "stores": [
        {"displayName": "Mailbox", "file": "mailbox.kms", "default": true, "flavour": "short",
         "folders": [
           {"name": "Zeta", "class": "IPF.Note"},
           {"name": "Alpha", "class": "IPF.Note", "messages": [
             {"subject": "second", "body": "two", "sent": "2024-03-02T10:00:00Z",
              "received": "2024-03-02T10:05:00Z"},
             {"subject": "first", "body": "one", "sent": "2024-03-01T10:00:00Z",
              "attachments": [{"method": "value", "filename": "a.txt", "data": "hello"},
                              {"method": "embedded", "message": {"subject": "inner",
                                                                 "body": "inside"}}]},
             {"subject": "third", "sent": "2024-03-03T10:00:00Z",
              "rtf": "{\\rtf1\\ansi Third \\b bold\\b0  text\\par}"}]},
           {"name": "Empty", "class": "IPF.Note"},
           {"name": "Mail", "class": "IPF.Imap"},
           {"name": "Odd", "class": "IPF.Imap.Sub"}]}]}]}
  ]})";

class FolderMessageTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(fixture_.loaded()) << fixture_.error();
    ASSERT_TRUE(LogOnNewSession(session_));
    ASSERT_EQ(session_->get_MsgStore(0, store_.put()), S_OK);
    ASSERT_EQ(store_->get_RootFolder(root_.put()), S_OK);
    alpha_ = Subfolder(root_.get(), L"Alpha");
    ASSERT_TRUE(alpha_);
  }
  void TearDown() override {
    alpha_.reset();
    root_.reset();
    store_.reset();
    session_->Logoff(VARIANT_TRUE);
  }

  static ComPtr<IQMXStoreFolder> Subfolder(IQMXStoreFolder* parent, const std::wstring& name) {
    LONG count = 0;
    parent->get_SubfolderCount(&count);
    for (LONG i = 0; i < count; ++i) {
      ComPtr<IQMXStoreFolder> folder;
      Bstr folderName;
      if (SUCCEEDED(parent->get_Folder(i, folder.put())) &&
          SUCCEEDED(folder->get_DisplayName(folderName.put())) && Str(folderName.get()) == name)
        return folder;
    }
    return {};
  }
  ComPtr<IQMXMessage> MessageAt(IQMXStoreFolder* folder, LONG index) {
    ComPtr<IQMXMessage> message;
    EXPECT_EQ(folder->get_Message(index, message.put()), S_OK);
    return message;
  }
  std::wstring Subject(IQMXMessage* message) {
    Bstr subject;
    message->get_Subject(subject.put());
    return Str(subject.get());
  }

  MapiFixture fixture_{kProfile};
  ComPtr<CQMXSession> session_;
  ComPtr<IQMXMessageStore> store_;
  ComPtr<IQMXStoreFolder> root_;
  ComPtr<IQMXStoreFolder> alpha_;
};

TEST_F(FolderMessageTest, SubfoldersComeInNameOrderAndCarryTheStoreIndex) {
  root_->put_InternalStoreIndex(7);
  LONG count = 0;
  root_->get_SubfolderCount(&count);
  std::vector<std::wstring> names;
  for (LONG i = 0; i < count; ++i) {
    Bstr name;
    ASSERT_EQ(root_->get_SubfolderName(i, name.put()), S_OK);
    names.push_back(Str(name.get()));
  }
  EXPECT_TRUE(std::is_sorted(names.begin(), names.end()));
  ComPtr<IQMXStoreFolder> first;
  ASSERT_EQ(root_->get_Folder(0, first.put()), S_OK);
  LONG index = 0;
  first->get_InternalStoreIndex(&index);
  EXPECT_EQ(index, 7);
  Bstr name;
  EXPECT_EQ(root_->get_Folder(count, first.put()), E_INVALIDARG);
  EXPECT_EQ(root_->get_Folder(-1, first.put()), E_INVALIDARG);
  EXPECT_EQ(root_->get_SubfolderName(count, name.put()), E_INVALIDARG);
}

TEST_F(FolderMessageTest, MessagesComeInSubmitTimeOrderWithTheirProperties) {
  LONG count = 0;
  alpha_->get_MessageCount(&count);
  ASSERT_EQ(count, 3);
  const wchar_t* order[] = {L"first", L"second", L"third"};
  for (LONG i = 0; i < count; ++i) {
    Variant subject, id, attachments;
    ASSERT_EQ(alpha_->get_MessageProperty(i, mpSubject, &subject), S_OK);
    EXPECT_EQ(Str(V_BSTR(&subject)), order[i]);
    ASSERT_EQ(alpha_->get_MessageProperty(i, mpMessageID, &id), S_OK);
    ComPtr<IQMXMessage> message = MessageAt(alpha_.get(), i);
    ASSERT_TRUE(message);
    Bstr messageId;
    message->get_MessageID(messageId.put());
    EXPECT_EQ(Str(messageId.get()), Str(V_BSTR(&id)));
    alpha_->get_MessageProperty(i, mpAttachments, &attachments);
    EXPECT_EQ(V_BOOL(&attachments), i == 0 ? VARIANT_TRUE : VARIANT_FALSE);
  }
  Variant delivery;
  ASSERT_EQ(alpha_->get_MessageProperty(1, mpDeliveryTime, &delivery), S_OK);
  EXPECT_EQ(V_VT(&delivery), VT_DATE);
  SYSTEMTIME st{};
  VariantTimeToSystemTime(V_DATE(&delivery), &st);
  EXPECT_EQ(st.wHour, 10);  // UTC, no time-zone shift
  EXPECT_EQ(st.wMinute, 5);
  Variant none;
  EXPECT_EQ(alpha_->get_MessageProperty(3, mpSubject, &none), E_INVALIDARG);
  ComPtr<IQMXMessage> missing;
  EXPECT_EQ(alpha_->get_Message(-1, missing.put()), E_INVALIDARG);
}

TEST_F(FolderMessageTest, EmptyFolderHasNoRowsAndTheSnapshotStays) {
  ComPtr<IQMXStoreFolder> empty = Subfolder(root_.get(), L"Empty");
  ASSERT_TRUE(empty);
  LONG count = -1;
  VARIANT_BOOL messages = VARIANT_TRUE;
  empty->get_MessageCount(&count);
  empty->get_Messages(&messages);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(messages, VARIANT_FALSE);
  Variant value;
  EXPECT_EQ(empty->get_MessageProperty(0, mpSubject, &value), E_INVALIDARG);

  // A message created afterwards shows only in a new snapshot.
  Bstr folderId, storeId;
  empty->get_FolderID(folderId.put());
  empty->get_StoreID(storeId.put());
  ComPtr<IQMXMessage> created;
  ASSERT_EQ(session_->CreateMessage(folderId.get(), storeId.get(), nullptr, created.put()), S_OK);
  empty->get_MessageCount(&count);
  EXPECT_EQ(count, 0);
  ComPtr<IUnknown> mapiFolder;
  empty->get_MAPIObject(mapiFolder.put());
  empty->putref_MsgStore(mapiFolder.get());
  empty->get_MessageCount(&count);
  EXPECT_EQ(count, 1);
}

TEST_F(FolderMessageTest, MessageIdentityAndClientSetValues) {
  ComPtr<IQMXMessage> second = MessageAt(alpha_.get(), 1);
  ASSERT_TRUE(second);
  EXPECT_EQ(Subject(second.get()), L"second");
  Bstr body, folderId, alphaId;
  second->get_Body(body.put());
  EXPECT_EQ(Str(body.get()), L"two");
  second->get_FolderID(folderId.put());
  alpha_->get_FolderID(alphaId.put());
  EXPECT_EQ(Str(folderId.get()), Str(alphaId.get()));

  // Values set by the client change the object only.
  second->put_Subject(B(L"changed").get());
  second->put_FolderID(B(L"00FF").get());
  EXPECT_EQ(Subject(second.get()), L"changed");
  second->get_FolderID(folderId.put());
  EXPECT_EQ(Str(folderId.get()), L"00FF");
  EXPECT_EQ(second->Save(), S_OK);
  EXPECT_EQ(Subject(MessageAt(alpha_.get(), 1).get()), L"second");
  // A message without a subject has an empty one, not none.
  ComPtr<IQMXMessage> third = MessageAt(alpha_.get(), 2);
  Bstr subject;
  Bstr className;
  third->get_MessageClass(className.put());
  EXPECT_EQ(Str(className.get()), L"IPM.Note");
}

TEST_F(FolderMessageTest, UserPropertiesRoundTripByType) {
  ComPtr<IQMXMessage> message = MessageAt(alpha_.get(), 0);
  ASSERT_TRUE(message);
  Variant number, text;
  V_VT(&number) = VT_I4;
  V_I4(&number) = 4711;
  V_VT(&text) = VT_BSTR;
  V_BSTR(&text) = SysAllocString(L"tag value");
  ASSERT_EQ(message->put_UserProperty(B(L"Ticket").get(), ptLong, number), S_OK);
  ASSERT_EQ(message->put_UserProperty(B(L"Label").get(), ptString, text), S_OK);
  ASSERT_EQ(message->Save(), S_OK);

  ComPtr<IQMXMessage> again = MessageAt(alpha_.get(), 0);
  Variant read;
  ASSERT_EQ(again->get_UserProperty(B(L"Ticket").get(), ptLong, &read), S_OK);
  EXPECT_EQ(V_VT(&read), VT_I4);
  EXPECT_EQ(V_I4(&read), 4711);
  read.clear();
  ASSERT_EQ(again->get_UserProperty(B(L"Label").get(), ptString, &read), S_OK);
  EXPECT_EQ(Str(V_BSTR(&read)), L"tag value");
  read.clear();
  // A kind whose value is not read back gives its type and no value.
  ASSERT_EQ(again->get_UserProperty(B(L"Ticket").get(), ptDate, &read), S_OK);
  EXPECT_EQ(V_VT(&read), VT_DATE);

  // Wrong VARIANT types, empty values and kinds without a conversion are refused.
  Variant shortValue, empty;
  V_VT(&shortValue) = VT_I2;
  EXPECT_EQ(message->put_UserProperty(B(L"Ticket").get(), ptLong, shortValue), E_INVALIDARG);
  EXPECT_EQ(message->put_UserProperty(B(L"Ticket").get(), ptLong, empty), E_INVALIDARG);
  EXPECT_EQ(message->put_UserProperty(B(L"").get(), ptLong, number), E_INVALIDARG);
  for (int kind : {0, 1, 7, 13})
    EXPECT_EQ(
        message->put_UserProperty(B(L"X").get(), static_cast<PropTypeConstants>(kind), number),
        E_INVALIDARG)
        << kind;
}

TEST_F(FolderMessageTest, CopiesGoToAnotherFolderWithOrWithoutAttachments) {
  ComPtr<IQMXStoreFolder> zeta = Subfolder(root_.get(), L"Zeta");
  ASSERT_TRUE(zeta);
  ComPtr<IQMXMessage> first = MessageAt(alpha_.get(), 0);
  ComPtr<IQMXMessage> without, with;
  ASSERT_EQ(first->get_CopyTo(zeta.get(), VARIANT_FALSE, without.put()), S_OK);
  ASSERT_EQ(first->get_CopyTo(zeta.get(), VARIANT_TRUE, with.put()), S_OK);
  ASSERT_TRUE(without && with);
  EXPECT_EQ(Subject(without.get()), L"first");
  ComPtr<IUnknown> mapi;
  zeta->get_MAPIObject(mapi.put());
  zeta->putref_MsgStore(mapi.get());
  LONG count = 0;
  zeta->get_MessageCount(&count);
  EXPECT_EQ(count, 2);
  for (LONG i = 0; i < count; ++i) {
    Variant subject, attachments;
    zeta->get_MessageProperty(i, mpSubject, &subject);
    EXPECT_EQ(Str(V_BSTR(&subject)), L"first");
  }
  ComPtr<IQMXMessage> none;
  EXPECT_EQ(first->get_CopyTo(nullptr, VARIANT_FALSE, none.put()), E_INVALIDARG);
}

TEST_F(FolderMessageTest, RtfTextIsReadWrittenAndKeptInStepWithTheBody) {
  ComPtr<IQMXMessage> third = MessageAt(alpha_.get(), 2);
  Bstr rtf;
  ASSERT_EQ(third->get_TextRTF(rtf.put()), S_OK);
  EXPECT_EQ(Str(rtf.get()).rfind(L"{\\rtf1", 0), 0u);

  // A long RTF text is written and read back whole; the plain body follows it.
  std::wstring text = L"{\\rtf1\\ansi ";
  for (int i = 0; i < 2000; ++i) text += L"line " + std::to_wstring(i) + L"\\par ";
  text += L"}";
  ComPtr<IQMXMessage> second = MessageAt(alpha_.get(), 1);
  ASSERT_EQ(second->put_TextRTF(B(text).get()), S_OK);
  ASSERT_EQ(second->Save(), S_OK);
  ASSERT_EQ(second->get_TextRTF(rtf.put()), S_OK);
  EXPECT_EQ(Str(rtf.get()), text);
  Bstr body;
  MessageAt(alpha_.get(), 1)->get_Body(body.put());
  EXPECT_EQ(Str(body.get()).substr(0, 14), L"line 0\r\nline 1");

  // A plain body without RTF gets one made from it.
  ComPtr<IQMXMessage> first = MessageAt(alpha_.get(), 0);
  ASSERT_EQ(first->get_TextRTF(rtf.put()), S_OK);
  EXPECT_NE(Str(rtf.get()).find(L"one"), std::wstring::npos);

  // HTML is written but not read back.
  EXPECT_EQ(first->put_TextHTML(B(L"<p>hi</p>").get()), S_OK);
  Bstr html;
  EXPECT_EQ(first->get_TextHTML(html.put()), S_OK);
  EXPECT_EQ(html.get(), nullptr);
}

TEST_F(FolderMessageTest, SessionReachesFoldersAndMessagesByIdentifier) {
  Bstr storeId, alphaId;
  store_->get_EntryId(storeId.put());
  alpha_->get_FolderID(alphaId.put());
  ComPtr<IQMXStoreFolder> byId;
  ASSERT_EQ(session_->get_StoreFolder(alphaId.get(), storeId.get(), byId.put()), S_OK);
  LONG count = 0;
  byId->get_MessageCount(&count);
  EXPECT_EQ(count, 3);
  VARIANT_BOOL inbox = VARIANT_TRUE;
  byId->get_IsInbox(&inbox);
  EXPECT_EQ(inbox, VARIANT_FALSE);

  // The default store's receive folder is recognised as the inbox, with the store only.
  ComPtr<IQMXStoreFolder> receive;
  ASSERT_EQ(store_->get_ReceiveFolder(receive.put()), S_OK);
  Bstr inboxId;
  receive->get_FolderID(inboxId.put());
  ASSERT_EQ(session_->get_StoreFolder(inboxId.get(), storeId.get(), byId.put()), S_OK);
  byId->get_IsInbox(&inbox);
  EXPECT_EQ(inbox, VARIANT_TRUE);
  ASSERT_EQ(session_->get_StoreFolder(inboxId.get(), nullptr, byId.put()), S_OK);
  byId->get_IsInbox(&inbox);
  EXPECT_EQ(inbox, VARIANT_FALSE);

  // Unknown and malformed identifiers.
  EXPECT_EQ(session_->get_StoreFolder(B(L"XY").get(), storeId.get(), byId.put()), E_INVALIDARG);
  EXPECT_EQ(session_->get_StoreFolder(B(L"00112233").get(), storeId.get(), byId.put()), E_FAIL);

  Variant id;
  alpha_->get_MessageProperty(0, mpMessageID, &id);
  ComPtr<IQMXMessage> message;
  ASSERT_EQ(session_->get_Message(V_BSTR(&id), storeId.get(), message.put()), S_OK);
  EXPECT_EQ(Subject(message.get()), L"first");
  ASSERT_EQ(session_->get_Message(V_BSTR(&id), nullptr, message.put()), S_OK);
  EXPECT_EQ(session_->get_Message(B(L"ABC").get(), nullptr, message.put()), E_INVALIDARG);

  // Deleting through the session removes the message from the store.
  ASSERT_EQ(session_->DeleteMessage(V_BSTR(&id), alphaId.get(), storeId.get()), S_OK);
  ComPtr<IUnknown> mapi;
  alpha_->get_MAPIObject(mapi.put());
  alpha_->putref_MsgStore(mapi.get());
  alpha_->get_MessageCount(&count);
  EXPECT_EQ(count, 2);
}

// A body longer than a single property read delivers is read from its stream once.
TEST_F(FolderMessageTest, LongBodiesAndStreams) {
  using SizeLimit = void(WINAPI*)(ULONG);
  reinterpret_cast<SizeLimit>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("mapi32.dll"), "StandinSetSizeLimit")))(2);
  ComPtr<IQMXMessage> second = MessageAt(alpha_.get(), 1);
  reinterpret_cast<SizeLimit>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("mapi32.dll"), "StandinSetSizeLimit")))(0x100000);
  Bstr body;
  ASSERT_EQ(second->get_Body(body.put()), S_OK);
  EXPECT_EQ(Str(body.get()), L"two");
  ComPtr<IStream> stream;
  ASSERT_EQ(second->get_Stream(stream.put()), S_OK);
  char text[8] = {};
  ULONG read = 0;
  stream->Read(text, sizeof text - 1, &read);
  EXPECT_STREQ(text, "two");
}

TEST_F(FolderMessageTest, WrappedAndEmbeddedMessages) {
  ComPtr<IQMXMessage> first = MessageAt(alpha_.get(), 0);
  ComPtr<IUnknown> mapi;
  first->get_MAPIObject(mapi.put());
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

  // A copy made by the session is an ordinary note carrying the source's properties.
  Bstr folderId, storeId;
  alpha_->get_FolderID(folderId.put());
  store_->get_EntryId(storeId.put());
  ComPtr<IQMXMessage> copy;
  ASSERT_EQ(session_->CreateMessage(folderId.get(), storeId.get(), first.get(), copy.put()), S_OK);
  EXPECT_EQ(Subject(copy.get()), L"first");
  Bstr className;
  copy->get_MessageClass(className.put());
  EXPECT_EQ(Str(className.get()), L"IPM.Note");
  EXPECT_EQ(session_->CreateMessage(B(L"").get(), storeId.get(), nullptr, copy.put()),
            E_INVALIDARG);
}

TEST_F(FolderMessageTest, FolderComparisonDownloadFiguresAndOpenFailures) {
  Bstr storeId, alphaId;
  store_->get_EntryId(storeId.put());
  alpha_->get_FolderID(alphaId.put());
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
  SetErrorInfo(0, nullptr);
  EXPECT_EQ(session_->get_StoreFolder(B(L"00112233").get(), nullptr, missing.put()), E_FAIL);
  ComPtr<IErrorInfo> info;
  ASSERT_EQ(GetErrorInfo(0, info.put()), S_OK);
  Bstr source, description;
  info->GetSource(source.put());
  info->GetDescription(description.put());
  EXPECT_EQ(Str(source.get()), L"KelMsgs.QMXSession.1");
  EXPECT_GT(SysStringLen(description.get()), 0u);
}

TEST_F(FolderMessageTest, FolderKinds) {
  const struct {
    const wchar_t* name;
    MAPIFolderTypeConstants kind;
  } cases[] = {{L"Alpha", mfldTypeMail}, {L"Mail", mfldTypeMail}, {L"Odd", mfldTypeSpecial}};
  for (const auto& c : cases) {
    ComPtr<IQMXStoreFolder> folder = Subfolder(root_.get(), c.name);
    ASSERT_TRUE(folder) << c.name;
    MAPIFolderTypeConstants kind = mfldTypeNone;
    ASSERT_EQ(session_->get_FolderType(store_.get(), folder.get(), &kind), S_OK);
    EXPECT_EQ(kind, c.kind) << c.name;
  }
  ComPtr<IQMXStoreFolder> inbox;
  store_->get_StandardFolder(mfldTypeInbox, inbox.put());
  MAPIFolderTypeConstants kind = mfldTypeNone;
  session_->get_FolderType(store_.get(), inbox.get(), &kind);
  EXPECT_EQ(kind, mfldTypeInbox);
  // A folder named as the drafts folder is recognised as such.
  Bstr zetaId;
  Subfolder(root_.get(), L"Zeta")->get_FolderID(zetaId.put());
  session_->AddDraftsFolder(zetaId.get());
  session_->get_FolderType(store_.get(), Subfolder(root_.get(), L"Zeta").get(), &kind);
  EXPECT_EQ(kind, mfldTypeDrafts);
  EXPECT_EQ(session_->get_FolderType(nullptr, inbox.get(), &kind), E_INVALIDARG);
  EXPECT_EQ(kind, mfldTypeNone);
}

TEST_F(FolderMessageTest, ObjectLogsRecordIndexesAndRelease) {
  ScratchFile folderLog(".log"), messageLog(".log");
  ASSERT_EQ(alpha_->put_LogFile(B(folderLog.wpath()).get()), S_OK);
  ComPtr<IQMXMessage> message;
  alpha_->get_Message(-1, message.put());
  alpha_->get_Message(1, message.put());
  ASSERT_EQ(message->put_LogFile(B(messageLog.wpath()).get()), S_OK);
  message.reset();
  alpha_.reset();
  const std::string folderText = folderLog.Read();
  EXPECT_EQ(folderText.rfind("New session started: ", 0), 0u);
  EXPECT_NE(folderText.find("---> Index out of bounds -1\r\n"), std::string::npos);
  EXPECT_NE(folderText.find("---> get_Message succeeded 1\r\n"), std::string::npos);
  EXPECT_NE(folderText.find("---> Folder destructed.\r\n"), std::string::npos);
  EXPECT_NE(messageLog.Read().find("---> Message released.\r\n"), std::string::npos);
}

}  // namespace
