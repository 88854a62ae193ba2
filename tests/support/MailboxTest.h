// Tests that start from a logged-on session over a profile of their own: one default store
// holding the folders a test describes (among them "Alpha"), its root folder and Alpha,
// and helpers that find folders and messages in it, checking every HRESULT on the way.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "KelMsgs.h"
#include "foundation/ComPtr.h"
#include "foundation/Owned.h"
#include "session/QMXSession.h"
#include "support/BstrText.h"
#include "support/MapiFixture.h"
#include "support/SessionLogon.h"

// A profile "Work" with one short-identifier store, "Mailbox", whose root holds folders
// (a JSON array of the stand-in's fixture folders).
inline std::string OneStoreProfile(const std::string& folders) {
  return R"({"profiles": [{"name": "Work", "default": true, "services": [
    {"service": "MSPST MS", "displayName": "Personal Folders", "stores": [
      {"displayName": "Mailbox", "file": "mailbox.kms", "default": true, "flavour": "short",
       "folders": )" +
         folders + "}]}]}]}";
}

// The mailbox most tests use. Alpha: messages listed out of submit-time order, the first
// with an attachment by value and an embedded message, the third with RTF. Bare: a message
// with neither subject nor times. Full: a message and a subfolder. Folders of several
// classes, listed out of name order, and a message in sent items.
inline const char* const kMailboxFolders = R"([
  {"name": "Zeta", "class": "IPF.Note"},
  {"name": "Alpha", "class": "IPF.Note", "messages": [
    {"subject": "second", "body": "two", "sent": "2024-03-02T10:00:00Z",
     "received": "2024-03-02T10:05:00Z"},
    {"subject": "first", "body": "one", "sent": "2024-03-01T10:00:00Z",
     "attachments": [{"method": "value", "filename": "a.txt", "data": "hello"},
                     {"method": "embedded", "message": {"subject": "inner", "body": "inside"}}]},
    {"subject": "third", "sent": "2024-03-03T10:00:00Z",
     "rtf": "{\\rtf1\\ansi Third \\b bold\\b0  text\\par}"}]},
  {"name": "Bare", "class": "IPF.Note", "messages": [{"body": "no subject, no times"}]},
  {"name": "Empty", "class": "IPF.Note"},
  {"name": "Full", "class": "IPF.Note", "messages": [{"subject": "kept?"}],
   "folders": [{"name": "Below", "class": "IPF.Note"}]},
  {"name": "Mail", "class": "IPF.Imap"},
  {"name": "Odd", "class": "IPF.Imap.Sub"},
  {"name": "Lower", "class": "ipf.note"},
  {"name": "NoteSub", "class": "IPF.Note.Sub"},
  {"name": "Sent Items", "messages": [{"subject": "gone out"}]}])";

class MailboxTest : public testing::Test {
 protected:
  explicit MailboxTest(const std::string& folders = kMailboxFolders)
      : fixture_(OneStoreProfile(folders)) {}

  void SetUp() override {
    ASSERT_TRUE(fixture_.loaded()) << fixture_.error();
    ASSERT_TRUE(LogOnNewSession(session_));
    ASSERT_EQ(session_->get_MsgStore(0, store_.put()), S_OK);
    ASSERT_TRUE(store_);
    ASSERT_EQ(store_->get_RootFolder(root_.put()), S_OK);
    alpha_ = Folder(L"Alpha");
    ASSERT_TRUE(alpha_);
  }
  void TearDown() override {
    MapiFixture::ClearFaults();
    alpha_.reset();
    root_.reset();
    store_.reset();
    if (session_) {
      EXPECT_EQ(session_->Logoff(VARIANT_TRUE), S_OK);
    }
  }

  // The subfolder of parent with that display name; null when there is none.
  static kelmsgs::ComPtr<IQMXStoreFolder> Subfolder(IQMXStoreFolder* parent,
                                                    const std::wstring& name) {
    LONG count = 0;
    EXPECT_EQ(parent->get_SubfolderCount(&count), S_OK);
    for (LONG i = 0; i < count; ++i) {
      kelmsgs::ComPtr<IQMXStoreFolder> folder;
      kelmsgs::Bstr folderName;
      EXPECT_EQ(parent->get_Folder(i, folder.put()), S_OK);
      EXPECT_EQ(folder->get_DisplayName(folderName.put()), S_OK);
      if (Str(folderName.get()) == name) return folder;
    }
    return {};
  }
  kelmsgs::ComPtr<IQMXStoreFolder> Folder(const std::wstring& name) {
    kelmsgs::ComPtr<IQMXStoreFolder> folder = Subfolder(root_.get(), name);
    EXPECT_TRUE(folder) << "no folder " << testing::PrintToString(name);
    return folder;
  }
  static kelmsgs::ComPtr<IQMXMessage> MessageAt(IQMXStoreFolder* folder, LONG index) {
    kelmsgs::ComPtr<IQMXMessage> message;
    EXPECT_EQ(folder->get_Message(index, message.put()), S_OK);
    EXPECT_TRUE(message) << index;
    return message;
  }
  static std::wstring Subject(IQMXMessage* message) {
    kelmsgs::Bstr subject;
    EXPECT_EQ(message->get_Subject(subject.put()), S_OK);
    return Str(subject.get());
  }
  static kelmsgs::Bstr FolderId(IQMXStoreFolder* folder) {
    kelmsgs::Bstr id;
    EXPECT_EQ(folder->get_FolderID(id.put()), S_OK);
    return id;
  }
  kelmsgs::Bstr StoreId() {
    kelmsgs::Bstr id;
    EXPECT_EQ(store_->get_EntryId(id.put()), S_OK);
    return id;
  }
  // The identifier string of the message at index of folder's snapshot.
  static kelmsgs::Bstr MessageId(IQMXStoreFolder* folder, LONG index) {
    kelmsgs::Variant id;
    EXPECT_EQ(folder->get_MessageProperty(index, mpMessageID, &id), S_OK);
    EXPECT_EQ(V_VT(&id), VT_BSTR);
    return kelmsgs::Bstr(V_VT(&id) == VT_BSTR ? SysAllocString(V_BSTR(&id)) : nullptr);
  }
  // A new snapshot of the folder the object holds.
  static void Refresh(IQMXStoreFolder* folder) {
    kelmsgs::ComPtr<IUnknown> mapi;
    ASSERT_EQ(folder->get_MAPIObject(mapi.put()), S_OK);
    ASSERT_EQ(folder->putref_MsgStore(mapi.get()), S_OK);
  }
  static LONG MessageCount(IQMXStoreFolder* folder) {
    LONG count = -1;
    EXPECT_EQ(folder->get_MessageCount(&count), S_OK);
    return count;
  }

  MapiFixture fixture_;
  kelmsgs::ComPtr<kelmsgs::CQMXSession> session_;
  kelmsgs::ComPtr<IQMXMessageStore> store_;
  kelmsgs::ComPtr<IQMXStoreFolder> root_;
  kelmsgs::ComPtr<IQMXStoreFolder> alpha_;
};
