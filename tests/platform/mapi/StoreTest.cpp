// Stores, folders and their tables, as the store, folder and session classes walk them.
#include "StandinTest.h"

namespace standin_test {
namespace {

class StandinStore : public StandinTest {
 protected:
  void SetUp() override {
    StandinTest::SetUp();
    Load(kSmallProfile);
    Logon();
    mailbox_ = OpenStore("Mailbox");
    ASSERT_TRUE(mailbox_);
    root_ = OpenFolder(mailbox_.get(), PR_IPM_SUBTREE_ENTRYID);
    ASSERT_TRUE(root_);
    inbox_ = Subfolder(root_.get(), "Inbox");
    ASSERT_TRUE(inbox_);
  }

  Ref<IMsgStore> mailbox_;
  Ref<IMAPIFolder> root_;
  Ref<IMAPIFolder> inbox_;
};

TEST_F(StandinStore, StorePropertiesAndStandardFolders) {
  // One GetProps with the valid-folder mask and the three standard identifiers.
  SizedSPropTagArray(4, tags) = {4,
                                 {PR_VALID_FOLDER_MASK, PR_IPM_OUTBOX_ENTRYID,
                                  PR_IPM_SENTMAIL_ENTRYID, PR_IPM_WASTEBASKET_ENTRYID}};
  ULONG count = 0;
  MapiBuffer<SPropValue> values;
  ASSERT_EQ(mailbox_->GetProps(reinterpret_cast<LPSPropTagArray>(&tags), 0, &count, values.put()),
            S_OK);
  ASSERT_EQ(count, 4u);
  const ULONG mask = values.get()[0].Value.l;
  EXPECT_EQ(
      mask & (FOLDER_IPM_OUTBOX_VALID | FOLDER_IPM_SENTMAIL_VALID | FOLDER_IPM_WASTEBASKET_VALID),
      static_cast<ULONG>(FOLDER_IPM_OUTBOX_VALID | FOLDER_IPM_SENTMAIL_VALID |
                         FOLDER_IPM_WASTEBASKET_VALID));
  EXPECT_EQ(
      StringProp(OpenFolder(mailbox_.get(), PR_IPM_SENTMAIL_ENTRYID).get(), PR_DISPLAY_NAME_A),
      "Sent Items");
  // The support mask carries the configured uncompressed-RTF bit; the public store says so.
  EXPECT_TRUE(LongProp(mailbox_.get(), PR_STORE_SUPPORT_MASK) & STORE_UNCOMPRESSED_RTF);
  EXPECT_FALSE(LongProp(mailbox_.get(), PR_STORE_SUPPORT_MASK) & STORE_PUBLIC_FOLDERS);
  Ref<IMsgStore> pub = OpenStore("Public Folders");
  EXPECT_TRUE(LongProp(pub.get(), PR_STORE_SUPPORT_MASK) & STORE_PUBLIC_FOLDERS);
  // The receive folder of IPM.Note (and of a subclass, and the default) is the inbox.
  ULONG cb = 0;
  MapiBuffer<ENTRYID> id;
  MapiBuffer<char> cls;
  ASSERT_EQ(
      mailbox_->GetReceiveFolder(const_cast<LPSTR>("IPM.Note.Custom"), 0, &cb, id.put(), cls.put()),
      S_OK);
  EXPECT_STREQ(cls.get(), "IPM.Note");
  const std::string inboxId = BinaryProp(inbox_.get(), PR_ENTRYID);
  ULONG same = 0;
  ASSERT_EQ(mailbox_->CompareEntryIDs(
                cb, id.get(), static_cast<ULONG>(inboxId.size()),
                reinterpret_cast<LPENTRYID>(const_cast<char*>(inboxId.data())), 0, &same),
            S_OK);
  EXPECT_TRUE(same);
  // The inbox names the calendar, contacts, journal, notes, tasks and drafts.
  for (ULONG tag :
       {PROP_TAG(PT_BINARY, 0x36D0), PROP_TAG(PT_BINARY, 0x36D1), PROP_TAG(PT_BINARY, 0x36D2),
        PROP_TAG(PT_BINARY, 0x36D3), PROP_TAG(PT_BINARY, 0x36D4), PROP_TAG(PT_BINARY, 0x36D7)}) {
    EXPECT_FALSE(BinaryProp(inbox_.get(), tag).empty()) << std::hex << tag;
  }
  EXPECT_EQ(StringProp(OpenFolder(mailbox_.get(), PR_IPM_WASTEBASKET_ENTRYID).get(),
                       PR_CONTAINER_CLASS_A),
            "IPF.Note");
  // A public store has no receive folder.
  EXPECT_EQ(pub->GetReceiveFolder(nullptr, 0, &cb, id.put(), nullptr), MAPI_E_NOT_FOUND);
}

TEST_F(StandinStore, EntryIdentifiersOpenAndCompareAcrossStores) {
  const std::string inboxId = BinaryProp(inbox_.get(), PR_ENTRYID);
  ASSERT_EQ(inboxId.size(), 46u);
  // The session opens an object of any store of the profile.
  Ref<IMsgStore> archive = OpenStore("Archive");
  Ref<IMAPIFolder> archiveRoot = OpenFolder(archive.get(), PR_IPM_SUBTREE_ENTRYID);
  Ref<IMAPIFolder> year = Subfolder(archiveRoot.get(), "2019");
  ASSERT_TRUE(year);
  const std::string yearId = BinaryProp(year.get(), PR_ENTRYID);
  EXPECT_EQ(yearId.size(), 78u);
  ULONG type = 0;
  Ref<IUnknown> opened;
  ASSERT_EQ(session_->OpenEntry(static_cast<ULONG>(yearId.size()),
                                reinterpret_cast<LPENTRYID>(const_cast<char*>(yearId.data())),
                                nullptr, MAPI_BEST_ACCESS, &type, opened.put()),
            S_OK);
  EXPECT_EQ(type, static_cast<ULONG>(MAPI_FOLDER));
  // The short-term form of a long identifier names the same folder.
  std::string shortTerm = yearId.substr(0, 46);
  shortTerm[0] = static_cast<char>(0x80);
  ULONG same = 0;
  ASSERT_EQ(session_->CompareEntryIDs(static_cast<ULONG>(yearId.size()),
                                      reinterpret_cast<LPENTRYID>(const_cast<char*>(yearId.data())),
                                      static_cast<ULONG>(shortTerm.size()),
                                      reinterpret_cast<LPENTRYID>(shortTerm.data()), 0, &same),
            S_OK);
  EXPECT_TRUE(same);
  ASSERT_EQ(archive->OpenEntry(static_cast<ULONG>(shortTerm.size()),
                               reinterpret_cast<LPENTRYID>(shortTerm.data()), nullptr, 0, &type,
                               opened.put()),
            S_OK);
  ASSERT_EQ(session_->CompareEntryIDs(
                static_cast<ULONG>(yearId.size()),
                reinterpret_cast<LPENTRYID>(const_cast<char*>(yearId.data())),
                static_cast<ULONG>(inboxId.size()),
                reinterpret_cast<LPENTRYID>(const_cast<char*>(inboxId.data())), 0, &same),
            S_OK);
  EXPECT_FALSE(same);
  // Another store's identifier is not this store's; garbage is no identifier.
  EXPECT_EQ(mailbox_->OpenEntry(static_cast<ULONG>(yearId.size()),
                                reinterpret_cast<LPENTRYID>(const_cast<char*>(yearId.data())),
                                nullptr, 0, &type, opened.put()),
            MAPI_E_INVALID_ENTRYID);
  BYTE junk[10] = {1, 2, 3};
  EXPECT_EQ(session_->OpenEntry(sizeof junk, reinterpret_cast<LPENTRYID>(junk), nullptr, 0, &type,
                                opened.put()),
            MAPI_E_INVALID_ENTRYID);
  EXPECT_EQ(session_->CompareEntryIDs(sizeof junk, reinterpret_cast<LPENTRYID>(junk), sizeof junk,
                                      reinterpret_cast<LPENTRYID>(junk), 0, &same),
            MAPI_E_UNKNOWN_ENTRYID);
}

TEST_F(StandinStore, HierarchyTableThroughOpenPropertyAndCounts) {
  Ref<IMAPITable> table;
  ASSERT_EQ(root_->OpenProperty(PR_CONTAINER_HIERARCHY, &IID_IMAPITable, 0, MAPI_DEFERRED_ERRORS,
                                reinterpret_cast<LPUNKNOWN*>(table.put())),
            S_OK);
  SizedSPropTagArray(3, cols) = {3, {PR_DISPLAY_NAME_A, PR_SUBFOLDERS, PR_CONTENT_COUNT}};
  SizedSSortOrderSet(1, sort) = {1, 0, 0, {{PR_DISPLAY_NAME_A, TABLE_SORT_ASCEND}}};
  RowSetOwner rows;
  ASSERT_EQ(HrQueryAllRows(table.get(), reinterpret_cast<LPSPropTagArray>(&cols), nullptr,
                           reinterpret_cast<LPSSortOrderSet>(&sort), 0, rows.put()),
            S_OK);
  // Ten standard folders and Projects.
  ASSERT_EQ(rows->cRows, 11u);
  std::map<std::string, std::pair<bool, LONG>> seen;
  for (ULONG i = 0; i < rows->cRows; ++i) {
    seen[rows->aRow[i].lpProps[0].Value.lpszA] = {rows->aRow[i].lpProps[1].Value.b != 0,
                                                  rows->aRow[i].lpProps[2].Value.l};
  }
  EXPECT_EQ(seen["Inbox"], std::make_pair(false, 3L));
  EXPECT_EQ(seen["Projects"], std::make_pair(true, 0L));
  EXPECT_STREQ(rows->aRow[0].lpProps[0].Value.lpszA, "Calendar");
  // The whole tree with CONVENIENT_DEPTH.
  ASSERT_EQ(root_->GetHierarchyTable(CONVENIENT_DEPTH, table.put()), S_OK);
  EXPECT_EQ(RowCount(table.get()), 13u);
}

TEST_F(StandinStore, ContentsTableRestrictSortFindAndBookmarks) {
  Ref<IMAPITable> table;
  ASSERT_EQ(inbox_->GetContentsTable(0, table.put()), S_OK);
  SizedSPropTagArray(2, cols) = {2, {PR_SUBJECT_A, PR_MESSAGE_DELIVERY_TIME}};
  ASSERT_EQ(table->SetColumns(reinterpret_cast<LPSPropTagArray>(&cols), 0), S_OK);
  // Subjects sort without regard to case: apple, Budget, Cherry.
  SizedSSortOrderSet(1, bySubject) = {1, 0, 0, {{PR_SUBJECT_A, TABLE_SORT_ASCEND}}};
  ASSERT_EQ(table->SortTable(reinterpret_cast<LPSSortOrderSet>(&bySubject), 0), S_OK);
  RowSetOwner rows;
  ASSERT_EQ(table->QueryRows(10, 0, rows.put()), S_OK);
  ASSERT_EQ(rows->cRows, 3u);
  EXPECT_STREQ(rows->aRow[0].lpProps[0].Value.lpszA, "apple");
  EXPECT_STREQ(rows->aRow[2].lpProps[0].Value.lpszA, "Cherry");
  // The cursor is at the end; going back two rows gives the last two.
  ASSERT_EQ(table->QueryRows(-2, 0, rows.put()), S_OK);
  ASSERT_EQ(rows->cRows, 2u);
  EXPECT_STREQ(rows->aRow[0].lpProps[0].Value.lpszA, "Budget");
  // Newest first.
  SizedSSortOrderSet(1, byTime) = {1, 0, 0, {{PR_MESSAGE_DELIVERY_TIME, TABLE_SORT_DESCEND}}};
  ASSERT_EQ(table->SortTable(reinterpret_cast<LPSSortOrderSet>(&byTime), 0), S_OK);
  ASSERT_EQ(table->QueryRows(1, 0, rows.put()), S_OK);
  EXPECT_STREQ(rows->aRow[0].lpProps[0].Value.lpszA, "apple");
  // A bookmark on the second row; FindRow from it does not see the first row.
  BOOKMARK mark = 0;
  ASSERT_EQ(table->CreateBookmark(&mark), S_OK);
  SPropValue subject{};
  subject.ulPropTag = PR_SUBJECT_A;
  subject.Value.lpszA = const_cast<LPSTR>("APPLE");
  SRestriction r = PropertyIs(RELOP_EQ, &subject);
  EXPECT_EQ(table->FindRow(&r, mark, 0), MAPI_E_NOT_FOUND);
  EXPECT_EQ(table->FindRow(&r, mark, DIR_BACKWARD), S_OK);
  EXPECT_EQ(table->FindRow(&r, BOOKMARK_BEGINNING, 0), S_OK);
  ASSERT_EQ(table->FreeBookmark(mark), S_OK);
  EXPECT_EQ(table->FindRow(&r, mark, 0), MAPI_E_INVALID_BOOKMARK);
  // Restrict to unread (MSGFLAG_READ clear) messages: only "apple".
  SRestriction unread{};
  unread.rt = RES_BITMASK;
  unread.res.resBitMask.relBMR = BMR_EQZ;
  unread.res.resBitMask.ulPropTag = PR_MESSAGE_FLAGS;
  unread.res.resBitMask.ulMask = MSGFLAG_READ;
  ASSERT_EQ(table->Restrict(&unread, TBL_BATCH), S_OK);
  EXPECT_EQ(RowCount(table.get()), 1u);
  // Content restriction, substring without case; AND with an existing property.
  SPropValue part{};
  part.ulPropTag = PR_SUBJECT_A;
  part.Value.lpszA = const_cast<LPSTR>("ERR");
  SRestriction both[2] = {};
  both[0].rt = RES_CONTENT;
  both[0].res.resContent.ulFuzzyLevel = FL_SUBSTRING | FL_IGNORECASE;
  both[0].res.resContent.ulPropTag = PR_SUBJECT_A;
  both[0].res.resContent.lpProp = &part;
  both[1].rt = RES_EXIST;
  both[1].res.resExist.ulPropTag = PR_MESSAGE_DELIVERY_TIME;
  SRestriction all{};
  all.rt = RES_AND;
  all.res.resAnd.cRes = 2;
  all.res.resAnd.lpRes = both;
  ASSERT_EQ(table->Restrict(&all, 0), S_OK);
  ASSERT_EQ(table->QueryRows(5, 0, rows.put()), S_OK);
  ASSERT_EQ(rows->cRows, 1u);
  EXPECT_STREQ(rows->aRow[0].lpProps[0].Value.lpszA, "Cherry");
  // SeekRow stops at the ends and says how far it went.
  LONG sought = 0;
  ASSERT_EQ(table->SeekRow(BOOKMARK_BEGINNING, 5, &sought), S_OK);
  EXPECT_EQ(sought, 1);
  ASSERT_EQ(table->Restrict(nullptr, 0), S_OK);
  EXPECT_EQ(RowCount(table.get()), 3u);
}

TEST_F(StandinStore, FolderOperations) {
  // Names are unique without case; OPEN_IF_EXISTS opens the existing folder.
  Ref<IMAPIFolder> created;
  ASSERT_EQ(inbox_->CreateFolder(FOLDER_GENERIC, const_cast<LPSTR>("Receipts"), nullptr, nullptr, 0,
                                 created.put()),
            S_OK);
  EXPECT_EQ(inbox_->CreateFolder(FOLDER_GENERIC, const_cast<LPSTR>("RECEIPTS"), nullptr, nullptr, 0,
                                 created.put()),
            MAPI_E_COLLISION);
  ASSERT_EQ(inbox_->CreateFolder(FOLDER_GENERIC, const_cast<LPSTR>("receipts"), nullptr, nullptr,
                                 OPEN_IF_EXISTS, created.put()),
            S_OK);
  EXPECT_EQ(LongProp(inbox_.get(), PR_SUBFOLDERS), 1);
  EXPECT_EQ(BinaryProp(created.get(), PR_PARENT_ENTRYID), BinaryProp(inbox_.get(), PR_ENTRYID));

  // Copy two messages, then move one; a missing identifier gives a partial completion.
  Ref<IMAPITable> contents;
  ASSERT_EQ(inbox_->GetContentsTable(0, contents.put()), S_OK);
  SizedSPropTagArray(1, cols) = {1, {PR_ENTRYID}};
  RowSetOwner rows;
  ASSERT_EQ(HrQueryAllRows(contents.get(), reinterpret_cast<LPSPropTagArray>(&cols), nullptr,
                           nullptr, 0, rows.put()),
            S_OK);
  SBinary ids[3] = {rows->aRow[0].lpProps[0].Value.bin, rows->aRow[1].lpProps[0].Value.bin,
                    rows->aRow[2].lpProps[0].Value.bin};
  ENTRYLIST two{2, ids};
  ASSERT_EQ(inbox_->CopyMessages(&two, nullptr, created.get(), 0, nullptr, 0), S_OK);
  EXPECT_EQ(LongProp(created.get(), PR_CONTENT_COUNT), 2);
  EXPECT_EQ(LongProp(inbox_.get(), PR_CONTENT_COUNT), 3);
  ENTRYLIST one{1, &ids[2]};
  ASSERT_EQ(inbox_->CopyMessages(&one, nullptr, created.get(), 0, nullptr, MESSAGE_MOVE), S_OK);
  EXPECT_EQ(LongProp(inbox_.get(), PR_CONTENT_COUNT), 2);
  EXPECT_EQ(inbox_->CopyMessages(&one, nullptr, created.get(), 0, nullptr, MESSAGE_MOVE),
            MAPI_W_PARTIAL_COMPLETION);
  // A moved message keeps its identifier and now has the new parent.
  ULONG type = 0;
  Ref<IMessage> moved;
  ASSERT_EQ(mailbox_->OpenEntry(ids[2].cb, reinterpret_cast<LPENTRYID>(ids[2].lpb), nullptr, 0,
                                &type, reinterpret_cast<LPUNKNOWN*>(moved.put())),
            S_OK);
  EXPECT_EQ(BinaryProp(moved.get(), PR_PARENT_ENTRYID), BinaryProp(created.get(), PR_ENTRYID));
  // Deleting and emptying.
  ASSERT_EQ(inbox_->DeleteMessages(&one, 0, nullptr, 0), MAPI_W_PARTIAL_COMPLETION);
  ENTRYLIST first{1, &ids[0]};
  ASSERT_EQ(inbox_->DeleteMessages(&first, 0, nullptr, 0), S_OK);
  EXPECT_EQ(LongProp(inbox_.get(), PR_CONTENT_COUNT), 1);
  const std::string createdId = BinaryProp(created.get(), PR_ENTRYID);
  EXPECT_EQ(inbox_->DeleteFolder(static_cast<ULONG>(createdId.size()),
                                 reinterpret_cast<LPENTRYID>(const_cast<char*>(createdId.data())),
                                 0, nullptr, 0),
            MAPI_E_HAS_MESSAGES);
  ASSERT_EQ(inbox_->EmptyFolder(0, nullptr, 0), S_OK);
  EXPECT_EQ(LongProp(inbox_.get(), PR_CONTENT_COUNT), 0);
  EXPECT_EQ(LongProp(inbox_.get(), PR_SUBFOLDERS), 0);
  EXPECT_EQ(LongProp(created.get(), PR_CONTENT_COUNT), -12345);  // the folder is gone
}

TEST_F(StandinStore, ReadOnlyOpensRefuseChanges) {
  Ref<IMsgStore> readOnly = OpenStore("Mailbox", 0);
  Ref<IMAPIFolder> root = OpenFolder(readOnly.get(), PR_IPM_SUBTREE_ENTRYID);
  Ref<IMAPIFolder> folder;
  EXPECT_EQ(
      root->CreateFolder(FOLDER_GENERIC, const_cast<LPSTR>("X"), nullptr, nullptr, 0, folder.put()),
      MAPI_E_NO_ACCESS);
  Ref<IMessage> message;
  EXPECT_EQ(root->CreateMessage(nullptr, 0, message.put()), MAPI_E_NO_ACCESS);
  ULONG type = 0;
  EXPECT_EQ(readOnly->OpenEntry(0, nullptr, nullptr, MAPI_MODIFY, &type,
                                reinterpret_cast<LPUNKNOWN*>(folder.put())),
            MAPI_E_NO_ACCESS);
}

}  // namespace
}  // namespace standin_test
