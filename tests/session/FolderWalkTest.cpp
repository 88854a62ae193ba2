// The folder walk against the messaging stand-in: StartGetFolderInfo's events (order,
// indents, counts, identifiers, default flag, folder types), public stores, the stores
// and folders that fail, walks started or ended from inside an event handler, and
// MsgStoreFolderCount.
#include <gtest/gtest.h>
#include <mapiutil.h>

#include <algorithm>
#include <string>
#include <vector>

#include "EventSink.h"
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

namespace {

// Rows sort by display name: Archive (a server store), Mailbox (default), Public Folders.
const char* const kProfile = R"({"profiles": [
  {"name": "WalkWork", "default": true, "services": [
    {"service": "MSUPST MS", "displayName": "Personal Folders", "stores": [
      {"displayName": "Mailbox", "file": "mailbox.kms", "default": true, "flavour": "short",
       "folders": [
         {"name": "Inbox", "messages": [{"subject": "a"}, {"subject": "b"}],
          "folders": [
            {"name": "Work", "class": "IPF.Note", "messages": [{"subject": "c"}],
             "folders": [{"name": "Old", "class": "IPF.Imap.Sub"}]},
            {"name": "alpha", "class": "IPF.Task"}]},
         {"name": "Calendar", "folders": [
            {"name": "Holidays", "class": "IPF.Appointment",
             "folders": [{"name": "Receipts", "class": "IPF.note"}]}]},
         {"name": "Projects", "class": "IPF.Contact"},
         {"name": "Misc", "class": "Custom.Thing"}]},
      {"displayName": "Archive", "file": "archive.kms", "flavour": "long",
       "folders": [{"name": "2019", "class": "IPF.Note"}]},
      {"displayName": "Public Folders", "file": "public.kms", "public": true}]}]}]})";

// One FolderInfo event by name.
struct Info {
  std::string name, entryId, storeId;
  long count = 0, indent = 0, type = 0;
  bool isDefault = false;
};

Info InfoOf(const FiredEvent& e) {
  return {e.texts[0],
          e.texts[1],
          e.texts[2],
          std::stol(e.texts[3]),
          std::stol(e.texts[4]),
          std::stol(e.texts[6]),
          e.texts[5] == "-1"};
}

// "name/indent/type" of each event, for comparing whole sequences.
std::vector<std::string> Outline(const std::vector<Info>& infos) {
  std::vector<std::string> lines;
  for (const Info& i : infos)
    lines.push_back(i.name + "/" + std::to_string(i.indent) + "/" + std::to_string(i.type));
  return lines;
}

// The standard folders directly below a store's IPM root, in name order, with the
// folders the fixture adds.
const std::vector<std::string> kMailboxOutline = {
    "Mailbox/0/12",      "Calendar/1/4",   "Holidays/2/4", "Receipts/3/11", "Contacts/1/5",
    "Deleted Items/1/3", "Drafts/1/9",     "Inbox/1/0",    "alpha/2/8",     "Work/2/11",
    "Old/3/11",          "Journal/1/6",    "Misc/1/12",    "Notes/1/7",     "Outbox/1/1",
    "Projects/1/5",      "Sent Items/1/2", "Tasks/1/8"};
const std::vector<std::string> kArchiveOutline = {
    "Archive/0/12",      "2019/1/11",  "Calendar/1/4",   "Contacts/1/5",
    "Deleted Items/1/3", "Drafts/1/9", "Inbox/1/0",      "Journal/1/6",
    "Notes/1/7",         "Outbox/1/1", "Sent Items/1/2", "Tasks/1/8"};

std::vector<std::string> Joined(std::initializer_list<std::vector<std::string>> parts) {
  std::vector<std::string> all;
  for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

class FolderWalkTest : public testing::Test {
 protected:
  FolderWalkTest() : fixture_(kProfile) {}

  void SetUp() override {
    ASSERT_TRUE(fixture_.loaded()) << fixture_.error();
    ASSERT_TRUE(LogOnNewSession(session_));
    ASSERT_EQ(sink_.Connect(static_cast<IQMXSession*>(session_.get())), S_OK);
  }
  void TearDown() override {
    sink_.Disconnect();
    if (session_) {
      EXPECT_EQ(session_->Logoff(VARIANT_TRUE), S_OK);
    }
  }

  // Walks and checks that every event is FolderInfo with its seven arguments of the
  // declared types, but the last, EndFolderInfo without any; the FolderInfo events.
  std::vector<Info> Walk(bool ignorePublic) {
    const std::size_t before = sink_.Count();
    EXPECT_EQ(session_->StartGetFolderInfo(ignorePublic ? VARIANT_TRUE : VARIANT_FALSE), S_OK);
    const auto events = sink_.Events();
    const std::vector<VARTYPE> declared = {VT_BSTR, VT_BSTR, VT_BSTR, VT_I4, VT_I4, VT_BOOL, VT_I4};
    std::vector<Info> infos;
    for (std::size_t i = before; i < events.size(); ++i) {
      const FiredEvent& e = events[i];
      const bool last = i + 1 == events.size();
      EXPECT_EQ(e.lcid, 0x400u);
      EXPECT_EQ(e.flags, DISPATCH_METHOD);
      EXPECT_EQ(e.id, last ? 0xa : 0x9) << "FolderInfo events, then EndFolderInfo: event " << i;
      EXPECT_EQ(e.types, last ? std::vector<VARTYPE>{} : declared) << i;
      if (!last && e.id == 0x9 && e.types == declared) infos.push_back(InfoOf(e));
    }
    return infos;
  }

  LONG FolderCount(LONG index) {
    LONG count = -1;
    EXPECT_EQ(session_->get_MsgStoreFolderCount(index, &count), S_OK);
    return count;
  }

  const Info& Named(const std::vector<Info>& infos, const std::string& store,
                    const std::string& name) {
    std::string current;
    for (const Info& i : infos) {
      if (i.indent == 0) current = i.name;
      if (current == store && i.name == name) return i;
    }
    static const Info none;
    ADD_FAILURE() << "no event for " << store << "/" << name;
    return none;
  }

  MapiFixture fixture_;
  ComPtr<kelmsgs::CQMXSession> session_;
  EventSink sink_;
};

TEST_F(FolderWalkTest, EventsComeDepthFirstWithSiblingsByName) {
  // Leaving out public stores leaves out nothing else.
  EXPECT_EQ(Outline(Walk(true)), Joined({kArchiveOutline, kMailboxOutline}));
  const auto infos = Walk(false);
  EXPECT_EQ(Outline(infos), Joined({kArchiveOutline, kMailboxOutline, {"Public Folders/0/12"}}));
  // Only the default store's event says so; folder events never do.
  for (const Info& i : infos)
    EXPECT_EQ(i.isDefault, i.indent == 0 && i.name == "Mailbox") << i.name;
  // Each store's events carry its store id, and it counts as many folders as it reports.
  std::vector<std::string> storeIds;
  for (LONG i = 0; i < 3; ++i) {
    Bstr id;
    ASSERT_EQ(session_->get_MsgStoreId(i, id.put()), S_OK);
    const std::wstring wide(id.get());
    storeIds.emplace_back(wide.begin(), wide.end());
  }
  std::vector<LONG> reported(3, 0);
  int store = -1;
  for (const Info& i : infos) {
    if (i.indent == 0) ++store;
    ASSERT_LT(store, 3);
    EXPECT_EQ(i.storeId, storeIds[store]) << i.name;
    ++reported[store];
  }
  for (LONG i = 0; i < 3; ++i) EXPECT_EQ(FolderCount(i), reported[i]) << storeIds[i];
}

TEST_F(FolderWalkTest, EventsCarryMessageCountsAndIdentifiersTheSessionOpens) {
  const auto infos = Walk(false);
  EXPECT_EQ(Named(infos, "Mailbox", "Inbox").count, 2);
  EXPECT_EQ(Named(infos, "Mailbox", "Work").count, 1);
  EXPECT_EQ(Named(infos, "Mailbox", "Old").count, 0);
  EXPECT_EQ(Named(infos, "Mailbox", "Mailbox").count, 0);
  for (const Info& info : infos) {
    if (info.indent == 0) {
      // A store: its id opens the store, its entry id is the IPM root's.
      ComPtr<IQMXMessageStore> store;
      ASSERT_EQ(session_->get_MsgStoreByStoreId(B(info.storeId).get(), store.put()), S_OK);
      Bstr name;
      EXPECT_EQ(store->get_DisplayName(name.put()), S_OK);
      EXPECT_EQ(std::wstring(name.get()), std::wstring(info.name.begin(), info.name.end()));
      ComPtr<IQMXStoreFolder> root;
      ASSERT_EQ(store->get_RootFolder(root.put()), S_OK);
      kelmsgs::MapiBuffer<unsigned char> rootId;
      ULONG size = 0;
      ASSERT_EQ(root->GetEntryId(rootId.put(), &size), S_OK);
      EXPECT_EQ(info.entryId, HexOf(rootId.get(), size)) << info.name;
      continue;
    }
    ComPtr<IQMXStoreFolder> folder;
    ASSERT_EQ(session_->get_StoreFolder(B(info.entryId).get(), B(info.storeId).get(), folder.put()),
              S_OK)
        << info.name;
    Bstr name;
    EXPECT_EQ(folder->get_DisplayName(name.put()), S_OK);
    EXPECT_EQ(std::wstring(name.get()), std::wstring(info.name.begin(), info.name.end()));
  }
}

// Bad arguments are refused; a logged-off session raises nothing and leaves the count.
TEST_F(FolderWalkTest, FolderCountRefusesBadArgumentsAndLoggedOffSessionsCountNothing) {
  LONG count = -7;
  EXPECT_EQ(session_->get_MsgStoreFolderCount(-1, &count), E_INVALIDARG);
  EXPECT_EQ(session_->get_MsgStoreFolderCount(3, &count), E_INVALIDARG);
  EXPECT_EQ(session_->get_MsgStoreFolderCount(0, nullptr), E_POINTER);
  EXPECT_EQ(session_->Logoff(VARIANT_FALSE), S_OK);
  EXPECT_EQ(session_->StartGetFolderInfo(VARIANT_FALSE), S_OK);
  EXPECT_EQ(sink_.Count(), 0u);
  EXPECT_EQ(session_->get_MsgStoreFolderCount(0, &count), S_OK);
  EXPECT_EQ(count, -7);
}

// A store that cannot be opened is left out of the walk, and its count fails with the
// message-store error; a store without IPM root fails with the root-folder error.
TEST_F(FolderWalkTest, StoresThatFailAreLeftOut) {
  Bstr archiveId;
  ASSERT_EQ(session_->get_MsgStoreId(0, archiveId.put()), S_OK);
  const std::wstring wide(archiveId.get());
  MapiFixture::SetFaultFor("OpenMsgStore", MAPI_E_NOT_FOUND, std::string(wide.begin(), wide.end()));
  EXPECT_EQ(Outline(Walk(false)), Joined({kMailboxOutline, {"Public Folders/0/12"}}));
  LONG count = -7;
  EXPECT_EQ(session_->get_MsgStoreFolderCount(0, &count), E_FAIL);
  EXPECT_EQ(count, -7);
  EXPECT_EQ(ErrorDescription(), L"Unable to open message store.");

  MapiFixture::ClearFaults();
  MapiFixture::SetFault("OpenEntry", MAPI_E_NO_ACCESS);
  EXPECT_EQ(session_->get_MsgStoreFolderCount(1, &count), E_FAIL);
  EXPECT_EQ(ErrorDescription(), L"Unable to open rootfolder.");
  EXPECT_TRUE(Walk(false).empty());  // no root opens: no store is reported
}

// A folder that cannot be opened is left out with what is below it, but its later
// siblings are still reported; one whose properties cannot be read raises nothing
// while the folders below it are reported.
TEST_F(FolderWalkTest, FoldersThatFailLeaveTheirSiblingsReported) {
  const auto all = Walk(false);
  MapiFixture::SetFaultFor("OpenEntry", MAPI_E_NO_ACCESS,
                           Named(all, "Mailbox", "Calendar").entryId);
  MapiFixture::SetFaultFor("GetProps", MAPI_E_CALL_FAILED, Named(all, "Mailbox", "Work").entryId);
  std::vector<std::string> expected = kMailboxOutline;
  for (const char* gone : {"Calendar/1/4", "Holidays/2/4", "Receipts/3/11", "Work/2/11"})
    expected.erase(std::find(expected.begin(), expected.end(), gone));
  EXPECT_EQ(Outline(Walk(true)), Joined({kArchiveOutline, expected}));
  // The count still has the folder that does not open, but nothing below it.
  EXPECT_EQ(FolderCount(1), static_cast<LONG>(kMailboxOutline.size()) - 2);
}

// A walk started from an event handler keeps its own standard folders: the outer walk's
// folders after the handler still get their standard types.
TEST_F(FolderWalkTest, WalkFromAnEventHandlerLeavesTheOuterWalkIntact) {
  bool nested = false;
  sink_.OnEvent([&] {
    const FiredEvent last = sink_.Events().back();
    if (nested || last.id != 0x9 || InfoOf(last).name != "Calendar") return;
    nested = true;
    EXPECT_EQ(session_->StartGetFolderInfo(VARIANT_TRUE), S_OK);
  });
  EXPECT_EQ(session_->StartGetFolderInfo(VARIANT_TRUE), S_OK);
  ASSERT_TRUE(nested);
  std::vector<Info> infos;
  int ends = 0;
  for (const FiredEvent& e : sink_.Events()) {
    if (e.id == 0xa)
      ++ends;
    else
      infos.push_back(InfoOf(e));
  }
  EXPECT_EQ(ends, 2);
  // The outer walk up to Calendar, the whole inner walk, then the rest of the outer one.
  const auto whole = Joined({kArchiveOutline, kMailboxOutline});
  const auto calendar = std::find(whole.begin(), whole.end(), "Calendar/1/4") + 1;
  std::vector<std::string> expected(whole.begin(), calendar);
  expected.insert(expected.end(), whole.begin(), whole.end());
  expected.insert(expected.end(), calendar, whole.end());
  EXPECT_EQ(Outline(infos), expected);
}

// A client that logs off in an event handler ends the walk there; EndFolderInfo follows.
TEST_F(FolderWalkTest, LogoffFromAnEventHandlerEndsTheWalk) {
  sink_.OnEvent([&] {
    if (sink_.Events().back().id == 0x9) {
      EXPECT_EQ(session_->Logoff(VARIANT_FALSE), S_OK);
    }
  });
  EXPECT_EQ(session_->StartGetFolderInfo(VARIANT_FALSE), S_OK);
  const auto events = sink_.Events();
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(InfoOf(events[0]).name, "Archive");
  EXPECT_EQ(events[1].id, 0xa);
}

TEST_F(FolderWalkTest, WalkTracesItsStores) {
  ScratchFile log(".log");
  EXPECT_EQ(session_->put_LogFile(B(log.wpath()).get()), S_OK);
  EXPECT_EQ(session_->put_LoggingEnabled(VARIANT_TRUE), S_OK);
  EXPECT_EQ(session_->StartGetFolderInfo(VARIANT_TRUE), S_OK);
  EXPECT_EQ(session_->Logoff(VARIANT_FALSE), S_OK);
  sink_.Disconnect();
  session_.reset();  // closes the log
  const std::string text = log.Read();
  for (const char* line :
       {"\tStartGetFolderInfo\tMessage Stores: 3\t", "\tStartGetFolderInfo\tMailbox\t",
        "\tStartGetFolderInfo\tPublic folders ignored.\t", "\tGetFolderInfo\tHolidays\t"})
    EXPECT_NE(text.find(line), std::string::npos) << line;
}

}  // namespace
