// QMXStoreFolder against the messaging stand-in: the snapshot taken when the folder is
// given (orders, counts, error-valued columns, unreadable tables), what it answers from
// it, Clear, and the object log.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "folder/HiddenSubfoldersFolder.h"
#include "folder/QMXStoreFolder.h"
#include "support/MailboxTest.h"
#include "support/StandinControls.h"
#include "support/TestRegistry.h"

using kelmsgs::Bstr;
using kelmsgs::ComPtr;
using kelmsgs::CQMXStoreFolder;
using kelmsgs::Variant;

namespace {

class FolderTest : public MailboxTest {};

TEST_F(FolderTest, SubfoldersComeInNameOrderAndCarryTheStoreIndex) {
  ASSERT_EQ(root_->put_InternalStoreIndex(7), S_OK);
  LONG count = 0;
  ASSERT_EQ(root_->get_SubfolderCount(&count), S_OK);
  ASSERT_GT(count, 5);
  std::vector<std::wstring> names;
  for (LONG i = 0; i < count; ++i) {
    Bstr name;
    ASSERT_EQ(root_->get_SubfolderName(i, name.put()), S_OK);
    names.push_back(Str(name.get()));
  }
  // In the store's order: by name, regardless of case.
  EXPECT_TRUE(std::is_sorted(names.begin(), names.end(), [](const auto& a, const auto& b) {
    return _wcsicmp(a.c_str(), b.c_str()) < 0;
  }));
  ComPtr<IQMXStoreFolder> first;
  ASSERT_EQ(root_->get_Folder(0, first.put()), S_OK);
  Bstr firstName;
  ASSERT_EQ(first->get_DisplayName(firstName.put()), S_OK);
  EXPECT_EQ(Str(firstName.get()), names[0]);
  LONG index = 0;
  ASSERT_EQ(first->get_InternalStoreIndex(&index), S_OK);
  EXPECT_EQ(index, 7);
  Bstr name;
  EXPECT_EQ(root_->get_Folder(count, first.put()), E_INVALIDARG);
  EXPECT_EQ(root_->get_Folder(-1, first.put()), E_INVALIDARG);
  EXPECT_EQ(root_->get_SubfolderName(count, name.put()), E_INVALIDARG);
  EXPECT_EQ(root_->get_SubfolderName(-1, name.put()), E_INVALIDARG);
}

TEST_F(FolderTest, MessagesComeInSubmitTimeOrderWithTheirProperties) {
  ASSERT_EQ(MessageCount(alpha_.get()), 3);
  const wchar_t* order[] = {L"first", L"second", L"third"};
  for (LONG i = 0; i < 3; ++i) {
    Variant subject, attachments;
    ASSERT_EQ(alpha_->get_MessageProperty(i, mpSubject, &subject), S_OK);
    ASSERT_EQ(V_VT(&subject), VT_BSTR);
    EXPECT_EQ(Str(V_BSTR(&subject)), order[i]);
    ComPtr<IQMXMessage> message = MessageAt(alpha_.get(), i);
    ASSERT_TRUE(message);
    Bstr messageId;
    ASSERT_EQ(message->get_MessageID(messageId.put()), S_OK);
    EXPECT_EQ(Str(messageId.get()), Str(MessageId(alpha_.get(), i).get()));
    ASSERT_EQ(alpha_->get_MessageProperty(i, mpAttachments, &attachments), S_OK);
    ASSERT_EQ(V_VT(&attachments), VT_BOOL);
    EXPECT_EQ(V_BOOL(&attachments), i == 0 ? VARIANT_TRUE : VARIANT_FALSE);
  }
  // Times are UTC, without a time-zone shift.
  Variant delivery, submit;
  ASSERT_EQ(alpha_->get_MessageProperty(1, mpDeliveryTime, &delivery), S_OK);
  ASSERT_EQ(V_VT(&delivery), VT_DATE);
  SYSTEMTIME st{};
  ASSERT_TRUE(VariantTimeToSystemTime(V_DATE(&delivery), &st));
  EXPECT_EQ(st.wHour, 10);
  EXPECT_EQ(st.wMinute, 5);
  ASSERT_EQ(alpha_->get_MessageProperty(0, mpClientSubmitTime, &submit), S_OK);
  ASSERT_EQ(V_VT(&submit), VT_DATE);
  ASSERT_TRUE(VariantTimeToSystemTime(V_DATE(&submit), &st));
  EXPECT_EQ(st.wDay, 1);
  EXPECT_EQ(st.wHour, 10);
  Variant none;
  EXPECT_EQ(alpha_->get_MessageProperty(3, mpSubject, &none), E_INVALIDARG);
  EXPECT_EQ(alpha_->get_MessageProperty(-1, mpSubject, &none), E_INVALIDARG);
  ComPtr<IQMXMessage> missing;
  EXPECT_EQ(alpha_->get_Message(-1, missing.put()), E_INVALIDARG);
  EXPECT_EQ(alpha_->get_Message(3, missing.put()), E_INVALIDARG);
}

// Columns a message lacks hold error values: the subject reads as a null string, a time
// is not written, and an unknown kind leaves the result alone.
TEST_F(FolderTest, ErrorValuedColumns) {
  ComPtr<IQMXStoreFolder> bare = Folder(L"Bare");
  ASSERT_TRUE(bare);
  ASSERT_EQ(MessageCount(bare.get()), 1);
  Variant subject;
  ASSERT_EQ(bare->get_MessageProperty(0, mpSubject, &subject), S_OK);
  EXPECT_EQ(V_VT(&subject), VT_BSTR);
  EXPECT_EQ(V_BSTR(&subject), nullptr);
  for (auto kind : {mpDeliveryTime, mpClientSubmitTime, static_cast<MessagePropertyConstants>(9)}) {
    Variant untouched;
    V_VT(&untouched) = VT_I4;
    V_I4(&untouched) = 42;
    ASSERT_EQ(bare->get_MessageProperty(0, kind, &untouched), S_OK) << kind;
    EXPECT_EQ(V_VT(&untouched), VT_I4) << kind;
    EXPECT_EQ(V_I4(&untouched), 42) << kind;
  }
  Variant attachments;
  ASSERT_EQ(bare->get_MessageProperty(0, mpAttachments, &attachments), S_OK);
  EXPECT_EQ(V_VT(&attachments), VT_BOOL);
  EXPECT_EQ(V_BOOL(&attachments), VARIANT_FALSE);
}

TEST_F(FolderTest, EmptyFolderHasNoRowsAndTheSnapshotStays) {
  ComPtr<IQMXStoreFolder> empty = Folder(L"Empty");
  ASSERT_TRUE(empty);
  VARIANT_BOOL messages = VARIANT_TRUE;
  EXPECT_EQ(MessageCount(empty.get()), 0);
  ASSERT_EQ(empty->get_Messages(&messages), S_OK);
  EXPECT_EQ(messages, VARIANT_FALSE);
  Variant value;
  EXPECT_EQ(empty->get_MessageProperty(0, mpSubject, &value), E_INVALIDARG);

  // A message created afterwards shows only in a new snapshot.
  ComPtr<IQMXMessage> created;
  ASSERT_EQ(
      session_->CreateMessage(FolderId(empty.get()).get(), StoreId().get(), nullptr, created.put()),
      S_OK);
  EXPECT_EQ(MessageCount(empty.get()), 0);
  Refresh(empty.get());
  EXPECT_EQ(MessageCount(empty.get()), 1);
}

// When the contents table cannot be read the count is the folder's own, and there are no
// rows to answer from: Message hands out nothing and logs nothing, MessageProperty leaves
// the result alone.
TEST_F(FolderTest, UnreadableContentsTableKeepsTheFoldersCount) {
  ScratchFile log(".log");
  ASSERT_EQ(alpha_->put_LogFile(B(log.wpath()).get()), S_OK);
  MapiFixture::SetFaultFor("GetContentsTable", MAPI_E_CALL_FAILED,
                           Narrow(FolderId(alpha_.get()).get()));
  Refresh(alpha_.get());
  MapiFixture::ClearFaults();
  EXPECT_EQ(MessageCount(alpha_.get()), 3);
  VARIANT_BOOL messages = VARIANT_FALSE;
  ASSERT_EQ(alpha_->get_Messages(&messages), S_OK);
  EXPECT_EQ(messages, VARIANT_TRUE);
  ComPtr<IQMXMessage> message;
  EXPECT_EQ(alpha_->get_Message(0, message.put()), S_OK);
  EXPECT_FALSE(message);
  Variant untouched;
  V_VT(&untouched) = VT_I4;
  V_I4(&untouched) = 42;
  EXPECT_EQ(alpha_->get_MessageProperty(0, mpSubject, &untouched), S_OK);
  EXPECT_EQ(V_VT(&untouched), VT_I4);
  alpha_.reset();
  EXPECT_EQ(log.Read().find("get_Message succeeded"), std::string::npos);
}

// Clear empties the folder (messages and subfolders) with the store's dialog flag; the
// snapshot stays until the folder is given again, and a failure is not reported.
TEST_F(FolderTest, ClearEmptiesTheFolderButNotTheSnapshot) {
  ComPtr<IQMXStoreFolder> full = Folder(L"Full");
  ASSERT_TRUE(full);
  LONG subfolders = 0;
  ASSERT_EQ(full->Clear(), S_OK);
  const auto emptied = standin::Journal("IMAPIFolder::EmptyFolder");
  ASSERT_EQ(emptied.size(), 1u);
  EXPECT_NE(emptied[0].find("flags=0x2 "), std::string::npos) << emptied[0];
  EXPECT_EQ(MessageCount(full.get()), 1);
  ASSERT_EQ(full->get_SubfolderCount(&subfolders), S_OK);
  EXPECT_EQ(subfolders, 1);
  Refresh(full.get());
  EXPECT_EQ(MessageCount(full.get()), 0);
  ASSERT_EQ(full->get_SubfolderCount(&subfolders), S_OK);
  EXPECT_EQ(subfolders, 0);

  MapiFixture::SetFault("EmptyFolder", MAPI_E_NO_ACCESS);
  EXPECT_EQ(alpha_->Clear(), S_OK);
  MapiFixture::ClearFaults();
  Refresh(alpha_.get());
  EXPECT_EQ(MessageCount(alpha_.get()), 3);

  // A folder object without a MAPI folder fails softly.
  ComPtr<CQMXStoreFolder> unbound;
  ASSERT_EQ(CQMXStoreFolder::Create(unbound), S_OK);
  EXPECT_EQ(unbound->Clear(), E_FAIL);
}

// Given something that is not a folder, the object refuses it and forgets the folder it
// held: nothing of the old snapshot answers any more.
TEST_F(FolderTest, RefusedFolderForgetsTheOldSnapshot) {
  ComPtr<IQMXMessage> message = MessageAt(alpha_.get(), 0);
  ComPtr<IUnknown> mapiMessage;
  ASSERT_EQ(message->get_MAPIObject(mapiMessage.put()), S_OK);
  EXPECT_EQ(alpha_->putref_MsgStore(mapiMessage.get()), E_NOINTERFACE);
  EXPECT_EQ(MessageCount(alpha_.get()), 0);
  Variant value;
  EXPECT_EQ(alpha_->get_MessageProperty(0, mpSubject, &value), E_INVALIDARG);
  Bstr id;
  ASSERT_EQ(alpha_->get_FolderID(id.put()), S_OK);
  EXPECT_EQ(id.get(), nullptr);
  ComPtr<IUnknown> held;
  ASSERT_EQ(alpha_->get_MAPIObject(held.put()), S_OK);
  EXPECT_FALSE(held);
}

// A folder that reports subfolders but lists none has no rows to name: SubfolderName
// answers S_OK and writes nothing, whatever the index.
TEST_F(FolderTest, SubfolderNameWithoutHierarchyRows) {
  ComPtr<IQMXStoreFolder> empty = Folder(L"Empty");
  ComPtr<IUnknown> unknown;
  ASSERT_EQ(empty->get_MAPIObject(unknown.put()), S_OK);
  ComPtr<IMAPIFolder> mapiFolder;
  ASSERT_EQ(unknown->QueryInterface(IID_IMAPIFolder, mapiFolder.put_void()), S_OK);
  ComPtr<IMAPIFolder> hiding =
      ComPtr<IMAPIFolder>::adopt(new HiddenSubfoldersFolder(mapiFolder.get()));
  ComPtr<CQMXStoreFolder> folder;
  ASSERT_EQ(CQMXStoreFolder::Create(folder), S_OK);
  ASSERT_EQ(folder->putref_MsgStore(hiding.get()), S_OK);
  VARIANT_BOOL subfolders = VARIANT_FALSE;
  ASSERT_EQ(folder->get_Subfolders(&subfolders), S_OK);
  EXPECT_EQ(subfolders, VARIANT_TRUE);
  LONG count = -1;
  ASSERT_EQ(folder->get_SubfolderCount(&count), S_OK);
  EXPECT_EQ(count, 0);
  for (LONG index : {0L, -1L, 5L}) {
    BSTR name = nullptr;
    EXPECT_EQ(folder->get_SubfolderName(index, &name), S_OK) << index;
    EXPECT_EQ(name, nullptr) << index;
  }
  ComPtr<IQMXStoreFolder> sub;
  EXPECT_EQ(folder->get_Folder(0, sub.put()), E_INVALIDARG);
}

TEST_F(FolderTest, ObjectLogRecordsIndexesAndRelease) {
  ScratchFile folderLog(".log");
  ASSERT_EQ(alpha_->put_LogFile(B(folderLog.wpath()).get()), S_OK);
  EXPECT_EQ(alpha_->put_LogFile(nullptr), E_INVALIDARG);
  ComPtr<IQMXMessage> message;
  EXPECT_EQ(alpha_->get_Message(-1, message.put()), E_INVALIDARG);
  EXPECT_EQ(alpha_->get_Message(1, message.put()), S_OK);
  Bstr name;
  ASSERT_EQ(alpha_->get_LogFile(name.put()), S_OK);
  EXPECT_EQ(Str(name.get()), folderLog.wpath());
  message.reset();
  alpha_.reset();
  const std::string text = folderLog.Read();
  EXPECT_EQ(text.rfind("New session started: ", 0), 0u);
  EXPECT_NE(text.find("---> Index out of bounds -1\r\n"), std::string::npos);
  EXPECT_NE(text.find("---> get_Message succeeded 1\r\n"), std::string::npos);
  EXPECT_NE(text.find("---> Folder destructed.\r\n"), std::string::npos);
}

}  // namespace
