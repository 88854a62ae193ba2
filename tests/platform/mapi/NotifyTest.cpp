// Store and table notifications: what each change raises, in which order and with which
// identifiers; the delivery threads of both modes; unadvising.
#include <mutex>

#include "StandinTest.h"
#include "support/MapiFixture.h"
#include "support/StackAdviseSink.h"

namespace standin_test {
namespace {

// What one notification said, copied out of MAPI's block.
struct Seen {
  ULONG type = 0;
  DWORD thread = 0;
  ULONG objType = 0;
  std::string entry, parent, oldEntry, oldParent;
  std::string messageClass;
  ULONG extendedEvent = 0;
  std::string extendedData;
  ULONG tableEvent = 0;
  std::string index;
  bool priorIsNull = false;
  std::string rowSubject;
};

std::string Bytes(const void* p, ULONG cb) {
  return p ? std::string(static_cast<const char*>(p), cb) : std::string();
}

class RecordingSink : public StackAdviseSink {
 public:
  ~RecordingSink() { WaitUnreferenced(); }
  ULONG STDMETHODCALLTYPE OnNotify(ULONG count, LPNOTIFICATION n) override {
    std::lock_guard guard(lock_);
    for (ULONG i = 0; i < count; ++i) seen_.push_back(Copy(n[i]));
    return 0;
  }

  std::vector<Seen> seen() {
    std::lock_guard guard(lock_);
    return seen_;
  }
  std::size_t count() {
    std::lock_guard guard(lock_);
    return seen_.size();
  }
  void clear() {
    std::lock_guard guard(lock_);
    seen_.clear();
  }

 private:
  static Seen Copy(const NOTIFICATION& n) {
    Seen s;
    s.type = n.ulEventType;
    s.thread = GetCurrentThreadId();
    switch (n.ulEventType) {
      case fnevNewMail:
        s.entry = Bytes(n.info.newmail.lpEntryID, n.info.newmail.cbEntryID);
        s.parent = Bytes(n.info.newmail.lpParentID, n.info.newmail.cbParentID);
        s.messageClass = reinterpret_cast<LPSTR>(n.info.newmail.lpszMessageClass);
        break;
      case fnevExtended:
        s.extendedEvent = n.info.ext.ulEvent;
        s.extendedData = Bytes(n.info.ext.pbEventParameters, n.info.ext.cb);
        break;
      case fnevTableModified: {
        const TABLE_NOTIFICATION& t = n.info.tab;
        s.tableEvent = t.ulTableEvent;
        if (t.propIndex.ulPropTag == PR_INSTANCE_KEY)
          s.index = Bytes(t.propIndex.Value.bin.lpb, t.propIndex.Value.bin.cb);
        s.priorIsNull = t.propPrior.ulPropTag == PR_NULL;
        for (ULONG i = 0; i < t.row.cValues; ++i) {
          if (t.row.lpProps[i].ulPropTag == PR_SUBJECT_A)
            s.rowSubject = t.row.lpProps[i].Value.lpszA;
        }
        break;
      }
      default: {
        const OBJECT_NOTIFICATION& o = n.info.obj;
        s.objType = o.ulObjType;
        s.entry = Bytes(o.lpEntryID, o.cbEntryID);
        s.parent = Bytes(o.lpParentID, o.cbParentID);
        s.oldEntry = Bytes(o.lpOldID, o.cbOldID);
        s.oldParent = Bytes(o.lpOldParentID, o.cbOldParentID);
        break;
      }
    }
    return s;
  }

  std::mutex lock_;
  std::vector<Seen> seen_;
};

// Dispatches whatever is queued now (to prove that nothing more arrives).
void PumpPending() {
  PumpUntil([] { return false; }, 300);
}

constexpr ULONG kAllObjectEvents = fnevNewMail | fnevObjectCreated | fnevObjectDeleted |
                                   fnevObjectModified | fnevObjectMoved | fnevObjectCopied |
                                   fnevExtended;

class StandinNotify : public StandinTest {
 protected:
  // Loads the small profile, logs on (with these MAPIInitialize flags) and opens its mailbox.
  void SetUpStores(ULONG initFlags = 0) {
    Load(kSmallProfile);
    Logon(initFlags);
    mailbox_ = OpenStore("Mailbox");
    ASSERT_TRUE(mailbox_);
    root_ = OpenFolder(mailbox_.get(), PR_IPM_SUBTREE_ENTRYID);
    inbox_ = Subfolder(root_.get(), "Inbox");
    projects_ = Subfolder(root_.get(), "Projects");
    ASSERT_TRUE(inbox_ && projects_);
  }

  // A new saved message in the folder; its entry identifier.
  std::string NewId(IMAPIFolder* folder, const char* subject) {
    return BinaryProp(NewMessage(folder, subject).get(), PR_ENTRYID);
  }

  static ENTRYLIST OneEntry(const std::string& id, SBinary& bin) {
    bin = {Cb(id), reinterpret_cast<LPBYTE>(Eid(id))};
    return ENTRYLIST{1, &bin};
  }

  static bool SameObject(IMsgStore* store, const std::string& a, const std::string& b) {
    ULONG same = FALSE;
    EXPECT_EQ(store->CompareEntryIDs(Cb(a), Eid(a), Cb(b), Eid(b), 0, &same), S_OK);
    return same == TRUE;
  }

  Ref<IMsgStore> mailbox_;
  Ref<IMAPIFolder> root_, inbox_, projects_;
};

TEST_F(StandinNotify, StoreChangesRaiseTheirEventsOnTheAdvisingThread) {
  SetUpStores();
  RecordingSink sink;
  ULONG connection = 0;
  ASSERT_EQ(mailbox_->Advise(0, nullptr, kAllObjectEvents, &sink, &connection), S_OK);
  EXPECT_GT(sink.refs(), 1u);  // the store holds the sink
  const std::string inboxId = BinaryProp(inbox_.get(), PR_ENTRYID);
  const std::string projectsId = BinaryProp(projects_.get(), PR_ENTRYID);

  // Created: nothing arrives until the advising thread dispatches its window messages.
  std::string created = NewId(inbox_.get(), "Fresh");
  Sleep(50);
  EXPECT_EQ(sink.count(), 0u);
  ASSERT_TRUE(PumpUntil([&] { return sink.count() == 1; }));
  Seen s = sink.seen()[0];
  EXPECT_EQ(s.type, static_cast<ULONG>(fnevObjectCreated));
  EXPECT_EQ(s.thread, GetCurrentThreadId());
  EXPECT_EQ(s.objType, static_cast<ULONG>(MAPI_MESSAGE));
  EXPECT_TRUE(SameObject(mailbox_.get(), s.entry, created));
  EXPECT_TRUE(SameObject(mailbox_.get(), s.parent, inboxId));
  EXPECT_TRUE(s.oldEntry.empty() && s.oldParent.empty());

  // Modified: SetProps and SaveChanges of the open message.
  {
    Ref<IMessage> m;
    ASSERT_EQ(OpenId(mailbox_.get(), created, m.put()), S_OK);
    SPropValue v = Long(PR_IMPORTANCE, IMPORTANCE_HIGH);
    ASSERT_EQ(HrSetOneProp(m.get(), &v), S_OK);
    ASSERT_EQ(m->SaveChanges(0), S_OK);
  }
  // Copied, then moved, within the store; then deleted.
  SBinary bin{};
  ENTRYLIST list = OneEntry(created, bin);
  ASSERT_EQ(inbox_->CopyMessages(&list, nullptr, projects_.get(), 0, nullptr, 0), S_OK);
  ASSERT_EQ(inbox_->CopyMessages(&list, nullptr, projects_.get(), 0, nullptr, MESSAGE_MOVE), S_OK);
  ASSERT_EQ(projects_->DeleteMessages(&list, 0, nullptr, 0), S_OK);
  // A folder, a delivered mail and a provider's own event.
  Ref<IMAPIFolder> made;
  ASSERT_EQ(root_->CreateFolder(FOLDER_GENERIC, const_cast<LPTSTR>("Made"), nullptr, nullptr, 0,
                                made.put()),
            S_OK);
  char error[256] = {};
  ASSERT_EQ(
      STANDIN(DeliverMail)("Standin Test", R"({"subject": "Hello", "class": "IPM.Note.Custom"})",
                           error, sizeof error),
      S_OK)
      << error;
  const BYTE data[] = {1, 2, 3};
  ASSERT_EQ(STANDIN(RaiseExtended)("Standin Test", 0x42, data, 3), S_OK);

  ASSERT_TRUE(PumpUntil([&] { return sink.count() == 9; })) << sink.count();
  const std::vector<Seen> all = sink.seen();
  const ULONG expected[] = {fnevObjectCreated, fnevObjectModified, fnevObjectCopied,
                            fnevObjectMoved,   fnevObjectDeleted,  fnevObjectCreated,
                            fnevObjectCreated, fnevNewMail,        fnevExtended};
  for (std::size_t i = 0; i < all.size(); ++i) {
    EXPECT_EQ(all[i].type, expected[i]) << i;
    EXPECT_EQ(all[i].thread, GetCurrentThreadId()) << i;
  }
  EXPECT_TRUE(SameObject(mailbox_.get(), all[1].entry, created));
  // The copy is a new message whose former identity is the source.
  EXPECT_FALSE(SameObject(mailbox_.get(), all[2].entry, created));
  EXPECT_TRUE(SameObject(mailbox_.get(), all[2].oldEntry, created));
  EXPECT_TRUE(SameObject(mailbox_.get(), all[2].parent, projectsId));
  EXPECT_TRUE(SameObject(mailbox_.get(), all[2].oldParent, inboxId));
  // The move keeps the message and names both folders.
  EXPECT_TRUE(SameObject(mailbox_.get(), all[3].entry, created));
  EXPECT_TRUE(SameObject(mailbox_.get(), all[3].parent, projectsId));
  EXPECT_TRUE(SameObject(mailbox_.get(), all[3].oldParent, inboxId));
  EXPECT_TRUE(SameObject(mailbox_.get(), all[4].parent, projectsId));
  EXPECT_EQ(all[5].objType, static_cast<ULONG>(MAPI_FOLDER));
  EXPECT_TRUE(SameObject(mailbox_.get(), all[5].entry, BinaryProp(made.get(), PR_ENTRYID)));
  // Delivery: the created message and new mail name the same message in the inbox.
  EXPECT_EQ(all[6].objType, static_cast<ULONG>(MAPI_MESSAGE));
  EXPECT_EQ(all[7].entry, all[6].entry);
  EXPECT_TRUE(SameObject(mailbox_.get(), all[7].parent, inboxId));
  EXPECT_EQ(all[7].messageClass, "IPM.Note.Custom");
  Ref<IMessage> delivered;
  ASSERT_EQ(OpenId(mailbox_.get(), all[7].entry, delivered.put(), 0), S_OK);
  EXPECT_EQ(StringProp(delivered.get(), PR_SUBJECT_A), "Hello");
  EXPECT_EQ(LongProp(delivered.get(), PR_MESSAGE_FLAGS) & MSGFLAG_READ, 0);
  EXPECT_EQ(all[8].extendedEvent, 0x42u);
  EXPECT_EQ(all[8].extendedData, std::string("\x01\x02\x03", 3));

  EXPECT_EQ(mailbox_->Unadvise(connection), S_OK);
  EXPECT_EQ(sink.refs(), 1u);
}

TEST_F(StandinNotify, AdviseOnOneFolderAndUnadvise) {
  SetUpStores();
  const ULONG connectionsBefore = STANDIN(NotifyConnections)();
  RecordingSink sink;
  std::string inboxId = BinaryProp(inbox_.get(), PR_ENTRYID);
  ULONG connection = 0;
  ASSERT_EQ(mailbox_->Advise(Cb(inboxId), Eid(inboxId), fnevObjectCreated, &sink, &connection),
            S_OK);
  EXPECT_EQ(STANDIN(NotifyConnections)(), connectionsBefore + 1);
  // Another folder's message and an event outside the mask pass it by.
  NewId(projects_.get(), "Elsewhere");
  EXPECT_EQ(STANDIN(RaiseExtended)("Standin Test", 1, nullptr, 0), S_OK);
  const std::string mine = NewId(inbox_.get(), "Mine");
  ASSERT_TRUE(PumpUntil([&] { return sink.count() == 1; }));
  PumpPending();
  ASSERT_EQ(sink.count(), 1u);
  EXPECT_TRUE(SameObject(mailbox_.get(), sink.seen()[0].entry, mine));

  // Unadvise: what is still queued is not delivered, the sink is let go at once.
  sink.clear();
  NewId(inbox_.get(), "Queued");
  ASSERT_EQ(mailbox_->Unadvise(connection), S_OK);
  EXPECT_EQ(sink.refs(), 1u);
  PumpPending();
  EXPECT_EQ(sink.count(), 0u);
  EXPECT_EQ(mailbox_->Unadvise(connection), MAPI_E_NOT_FOUND);
  EXPECT_EQ(STANDIN(NotifyConnections)(), connectionsBefore);

  // Advising again works; releasing the store ends its connections.
  ASSERT_EQ(mailbox_->Advise(0, nullptr, fnevObjectCreated, &sink, &connection), S_OK);
  mailbox_.reset();
  inbox_.reset();
  projects_.reset();
  root_.reset();
  EXPECT_EQ(sink.refs(), 1u);
  EXPECT_EQ(STANDIN(NotifyConnections)(), connectionsBefore);
}

TEST_F(StandinNotify, MultithreadedNotificationsArriveOnTheStandinsThread) {
  SetUpStores(MAPI_MULTITHREAD_NOTIFICATIONS);
  RecordingSink sink;
  ULONG connection = 0;
  ASSERT_EQ(mailbox_->Advise(0, nullptr, fnevNewMail, &sink, &connection), S_OK);
  char error[64] = {};
  ASSERT_EQ(STANDIN(DeliverMail)("Standin Test", R"({"subject": "Threaded"})", error, sizeof error),
            S_OK);
  // No window messages are dispatched here: the notification thread delivers.
  for (int i = 0; i < 200 && sink.count() == 0; ++i) Sleep(10);
  ASSERT_EQ(sink.count(), 1u);
  EXPECT_NE(sink.seen()[0].thread, GetCurrentThreadId());
  EXPECT_EQ(sink.seen()[0].messageClass, "IPM.Note");
  EXPECT_EQ(mailbox_->Unadvise(connection), S_OK);
}

TEST_F(StandinNotify, LongIdentifierStoresNotifyShortTermIdentifiers) {
  Load(kSmallProfile);
  Logon();
  Ref<IMsgStore> archive = OpenStore("Archive");
  ASSERT_TRUE(archive);
  Ref<IMAPIFolder> folder = TopFolder(archive.get(), "2019");
  ASSERT_TRUE(folder);
  RecordingSink sink;
  ULONG connection = 0;
  ASSERT_EQ(archive->Advise(0, nullptr, fnevObjectCreated, &sink, &connection), S_OK);
  const std::string longId = NewId(folder.get(), "Filed");
  ASSERT_TRUE(PumpUntil([&] { return sink.count() == 1; }));
  const std::string notified = sink.seen()[0].entry;
  EXPECT_EQ(longId.size(), 78u);
  EXPECT_EQ(notified.size(), 46u);
  EXPECT_TRUE(SameObject(archive.get(), notified, longId));
  Ref<IMessage> opened;
  ASSERT_EQ(OpenId(archive.get(), notified, opened.put(), 0), S_OK);
  EXPECT_EQ(StringProp(opened.get(), PR_SUBJECT_A), "Filed");
  EXPECT_EQ(BinaryProp(opened.get(), PR_ENTRYID), longId);
  EXPECT_EQ(archive->Unadvise(connection), S_OK);
}

TEST_F(StandinNotify, StoreWithoutNotificationsRefusesAdvise) {
  Load(R"({"profiles": [{"name": "Quiet", "default": true, "services": [
    {"service": "MSUPST MS", "displayName": "Quiet", "stores": [
      {"displayName": "Mailbox", "file": "quiet.kms", "default": true, "notifications": false},
      {"displayName": "Loud", "file": "loud.kms"}]}]}]})");
  Logon();
  Ref<IMsgStore> quiet = OpenStore("Mailbox");
  Ref<IMsgStore> loud = OpenStore("Loud");
  RecordingSink sink;
  ULONG connection = 0;
  EXPECT_EQ(quiet->Advise(0, nullptr, fnevNewMail, &sink, &connection), MAPI_E_NO_SUPPORT);
  EXPECT_FALSE(LongProp(quiet.get(), PR_STORE_SUPPORT_MASK) & STORE_NOTIFY_OK);
  EXPECT_TRUE(LongProp(loud.get(), PR_STORE_SUPPORT_MASK) & STORE_NOTIFY_OK);
  EXPECT_EQ(sink.refs(), 1u);
}

TEST_F(StandinNotify, ContentsAndHierarchyTablesFollowTheirFolders) {
  SetUpStores();
  Ref<IMAPITable> contents, hierarchy;
  ASSERT_EQ(inbox_->GetContentsTable(0, contents.put()), S_OK);
  ASSERT_EQ(root_->GetHierarchyTable(0, hierarchy.put()), S_OK);
  ASSERT_EQ(SetColumns(contents.get(), {PR_INSTANCE_KEY, PR_SUBJECT_A}), S_OK);
  const ULONG before = RowCount(contents.get());
  RecordingSink rows, folders;
  ULONG c1 = 0, c2 = 0;
  ASSERT_EQ(contents->Advise(fnevTableModified, &rows, &c1), S_OK);
  ASSERT_EQ(hierarchy->Advise(fnevTableModified, &folders, &c2), S_OK);

  // Added: the new row with the table's columns, after the last row.
  std::string id = NewId(inbox_.get(), "Row one");
  ASSERT_TRUE(PumpUntil([&] { return rows.count() >= 1; }));
  EXPECT_EQ(RowCount(contents.get()), before + 1);
  Seen added = rows.seen()[0];
  EXPECT_EQ(added.tableEvent, static_cast<ULONG>(TABLE_ROW_ADDED));
  EXPECT_EQ(added.rowSubject, "Row one");
  EXPECT_FALSE(added.priorIsNull);
  EXPECT_FALSE(added.index.empty());
  // The inbox's content count changed: its row in the root's hierarchy table did too.
  ASSERT_TRUE(PumpUntil([&] { return folders.count() >= 1; }));
  EXPECT_EQ(folders.seen()[0].tableEvent, static_cast<ULONG>(TABLE_ROW_MODIFIED));

  // Modified, then deleted: the same row key.
  rows.clear();
  {
    Ref<IMessage> m;
    ASSERT_EQ(OpenId(inbox_.get(), id, m.put(), MAPI_MODIFY), S_OK);
    SPropValue v = Str(PR_SUBJECT_A, "Row renamed");
    ASSERT_EQ(HrSetOneProp(m.get(), &v), S_OK);
    ASSERT_EQ(m->SaveChanges(0), S_OK);
  }
  SBinary bin{};
  ENTRYLIST list = OneEntry(id, bin);
  ASSERT_EQ(inbox_->DeleteMessages(&list, 0, nullptr, 0), S_OK);
  ASSERT_TRUE(PumpUntil([&] { return rows.count() >= 2; }));
  PumpPending();
  std::vector<Seen> seen = rows.seen();
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].tableEvent, static_cast<ULONG>(TABLE_ROW_MODIFIED));
  EXPECT_EQ(seen[0].rowSubject, "Row renamed");
  EXPECT_EQ(seen[1].tableEvent, static_cast<ULONG>(TABLE_ROW_DELETED));
  EXPECT_EQ(seen[0].index, added.index);
  EXPECT_EQ(seen[1].index, added.index);

  // A new subfolder is a row added to the hierarchy table.
  folders.clear();
  Ref<IMAPIFolder> made;
  ASSERT_EQ(root_->CreateFolder(FOLDER_GENERIC, const_cast<LPTSTR>("Zeta"), nullptr, nullptr, 0,
                                made.put()),
            S_OK);
  ASSERT_TRUE(PumpUntil([&] {
    for (const Seen& s : folders.seen())
      if (s.tableEvent == TABLE_ROW_ADDED) return true;
    return false;
  }));

  // Many rows at once: one TABLE_CHANGED instead of a flood.
  std::vector<std::string> ids;
  for (int i = 0; i < 40; ++i) ids.push_back(NewId(inbox_.get(), "Bulk"));
  ASSERT_TRUE(PumpUntil([&] { return rows.count() >= 42; }));
  rows.clear();
  std::vector<SBinary> bins(ids.size());
  for (std::size_t i = 0; i < ids.size(); ++i) OneEntry(ids[i], bins[i]);
  ENTRYLIST bulk{static_cast<ULONG>(bins.size()), bins.data()};
  ASSERT_EQ(inbox_->DeleteMessages(&bulk, 0, nullptr, 0), S_OK);
  ASSERT_TRUE(PumpUntil([&] { return rows.count() >= 1; }));
  PumpPending();
  ASSERT_EQ(rows.count(), 1u);
  EXPECT_EQ(rows.seen()[0].tableEvent, static_cast<ULONG>(TABLE_CHANGED));
  EXPECT_EQ(RowCount(contents.get()), before);

  EXPECT_EQ(contents->Unadvise(c1), S_OK);
  EXPECT_EQ(contents->Unadvise(c1), MAPI_E_NOT_FOUND);
  EXPECT_EQ(rows.refs(), 1u);
  hierarchy.reset();  // a released table lets its sinks go
  EXPECT_EQ(folders.refs(), 1u);
}

TEST_F(StandinNotify, StoreTableReportsStoresAddedAndRemoved) {
  Load(kSmallProfile);
  Logon();
  Ref<IMAPITable> stores;
  ASSERT_EQ(session_->GetMsgStoresTable(0, stores.put()), S_OK);
  RecordingSink sink;
  ULONG connection = 0;
  ASSERT_EQ(stores->Advise(fnevTableModified, &sink, &connection), S_OK);
  // A store provider added to the profile's personal-folders service.
  Ref<IProviderAdmin> providers = ServiceProviders("Personal Folders");
  ASSERT_TRUE(providers);
  const std::string path = dir_ + "\\extra.kms";
  SPropValue props[2] = {Str(PR_DISPLAY_NAME_A, "Extra"),
                         Str(PROP_TAG(PT_STRING8, 0x6700), path.c_str())};
  MAPIUID uid{};
  ASSERT_EQ(providers->CreateProvider(const_cast<LPTSTR>("MSPST MS"), 2, props, 0, 0, &uid), S_OK);
  ASSERT_TRUE(PumpUntil([&] { return sink.count() == 1; }));
  EXPECT_EQ(sink.seen()[0].tableEvent, static_cast<ULONG>(TABLE_ROW_ADDED));
  EXPECT_EQ(RowCount(stores.get()), 4u);
  ASSERT_EQ(providers->DeleteProvider(&uid), S_OK);
  ASSERT_TRUE(PumpUntil([&] { return sink.count() == 2; }));
  EXPECT_EQ(sink.seen()[1].tableEvent, static_cast<ULONG>(TABLE_ROW_DELETED));
  EXPECT_EQ(sink.seen()[1].index, sink.seen()[0].index);
  EXPECT_EQ(stores->Unadvise(connection), S_OK);
}

}  // namespace
}  // namespace standin_test
