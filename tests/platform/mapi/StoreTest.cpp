// Stores, folders and their tables, as the store, folder and session classes walk them.
#include "StandinTest.h"

namespace standin_test {
namespace {

class StandinStore : public SmallMailboxTest {};

TEST_F(StandinStore, StorePropertiesAndStandardFolders) {
  // One GetProps with the valid-folder mask and the three standard identifiers.
  MapiBuffer<SPropValue> values;
  ASSERT_EQ(GetProps(store_.get(),
                     {PR_VALID_FOLDER_MASK, PR_IPM_OUTBOX_ENTRYID, PR_IPM_SENTMAIL_ENTRYID,
                      PR_IPM_WASTEBASKET_ENTRYID},
                     values),
            S_OK);
  const ULONG mask = values.get()[0].Value.l;
  EXPECT_EQ(
      mask & (FOLDER_IPM_OUTBOX_VALID | FOLDER_IPM_SENTMAIL_VALID | FOLDER_IPM_WASTEBASKET_VALID),
      static_cast<ULONG>(FOLDER_IPM_OUTBOX_VALID | FOLDER_IPM_SENTMAIL_VALID |
                         FOLDER_IPM_WASTEBASKET_VALID));
  EXPECT_EQ(StringProp(OpenFolder(store_.get(), PR_IPM_SENTMAIL_ENTRYID).get(), PR_DISPLAY_NAME_A),
            "Sent Items");
  // The support mask carries the configured uncompressed-RTF bit; the public store says so.
  EXPECT_TRUE(LongProp(store_.get(), PR_STORE_SUPPORT_MASK) & STORE_UNCOMPRESSED_RTF);
  EXPECT_FALSE(LongProp(store_.get(), PR_STORE_SUPPORT_MASK) & STORE_PUBLIC_FOLDERS);
  Ref<IMsgStore> pub = OpenStore("Public Folders");
  EXPECT_TRUE(LongProp(pub.get(), PR_STORE_SUPPORT_MASK) & STORE_PUBLIC_FOLDERS);
  // The receive folder of IPM.Note (and of a subclass, and the default) is the inbox.
  ULONG cb = 0;
  MapiBuffer<ENTRYID> id;
  MapiBuffer<char> cls;
  ASSERT_EQ(
      store_->GetReceiveFolder(const_cast<LPSTR>("IPM.Note.Custom"), 0, &cb, id.put(), cls.put()),
      S_OK);
  EXPECT_STREQ(cls.get(), "IPM.Note");
  const std::string inboxId = BinaryProp(inbox_.get(), PR_ENTRYID);
  ULONG same = 0;
  ASSERT_EQ(store_->CompareEntryIDs(cb, id.get(), Cb(inboxId), Eid(inboxId), 0, &same), S_OK);
  EXPECT_TRUE(same);
  // The inbox names the calendar, contacts, journal, notes, tasks and drafts.
  for (ULONG tag :
       {PROP_TAG(PT_BINARY, 0x36D0), PROP_TAG(PT_BINARY, 0x36D1), PROP_TAG(PT_BINARY, 0x36D2),
        PROP_TAG(PT_BINARY, 0x36D3), PROP_TAG(PT_BINARY, 0x36D4), PROP_TAG(PT_BINARY, 0x36D7)}) {
    EXPECT_FALSE(BinaryProp(inbox_.get(), tag).empty()) << std::hex << tag;
  }
  EXPECT_EQ(
      StringProp(OpenFolder(store_.get(), PR_IPM_WASTEBASKET_ENTRYID).get(), PR_CONTAINER_CLASS_A),
      "IPF.Note");
  // A public store has no receive folder.
  EXPECT_EQ(pub->GetReceiveFolder(nullptr, 0, &cb, id.put(), nullptr), MAPI_E_NOT_FOUND);
}

TEST_F(StandinStore, EntryIdentifiersOpenAndCompareAcrossStores) {
  const std::string inboxId = BinaryProp(inbox_.get(), PR_ENTRYID);
  ASSERT_EQ(inboxId.size(), 46u);
  // The session opens an object of any store of the profile.
  Ref<IMsgStore> archive = OpenStore("Archive");
  Ref<IMAPIFolder> year = TopFolder(archive.get(), "2019");
  ASSERT_TRUE(year);
  const std::string yearId = BinaryProp(year.get(), PR_ENTRYID);
  EXPECT_EQ(yearId.size(), 78u);
  ULONG type = 0;
  Ref<IUnknown> opened;
  ASSERT_EQ(OpenId(session_.get(), yearId, opened.put(), MAPI_BEST_ACCESS, &type), S_OK);
  EXPECT_EQ(type, static_cast<ULONG>(MAPI_FOLDER));
  // The short-term form of a long identifier names the same folder.
  std::string shortTerm = yearId.substr(0, 46);
  shortTerm[0] = static_cast<char>(0x80);
  const auto same = [&](const std::string& a, const std::string& b) {
    ULONG result = 2;
    EXPECT_EQ(session_->CompareEntryIDs(Cb(a), Eid(a), Cb(b), Eid(b), 0, &result), S_OK);
    return result;
  };
  EXPECT_EQ(same(yearId, shortTerm), ULONG{TRUE});
  ASSERT_EQ(OpenId(archive.get(), shortTerm, opened.put(), 0), S_OK);
  EXPECT_EQ(same(yearId, inboxId), ULONG{FALSE});
  // Another store's identifier is not this store's; garbage is no identifier.
  EXPECT_EQ(OpenId(store_.get(), yearId, opened.put(), 0), MAPI_E_INVALID_ENTRYID);
  const std::string junk("\x01\x02\x03\0\0\0\0\0\0\0", 10);
  EXPECT_EQ(OpenId(session_.get(), junk, opened.put(), 0), MAPI_E_INVALID_ENTRYID);
  ULONG result = 0;
  EXPECT_EQ(session_->CompareEntryIDs(Cb(junk), Eid(junk), Cb(junk), Eid(junk), 0, &result),
            MAPI_E_UNKNOWN_ENTRYID);
}

TEST_F(StandinStore, HierarchyTableThroughOpenPropertyAndCounts) {
  Ref<IMAPITable> table;
  ASSERT_EQ(root_->OpenProperty(PR_CONTAINER_HIERARCHY, &IID_IMAPITable, 0, MAPI_DEFERRED_ERRORS,
                                reinterpret_cast<LPUNKNOWN*>(table.put())),
            S_OK);
  SSortOrderSet byName = SortBy(PR_DISPLAY_NAME_A);
  const RowSetOwner rows =
      QueryAll(table.get(), {PR_DISPLAY_NAME_A, PR_SUBFOLDERS, PR_CONTENT_COUNT}, nullptr, &byName);
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
  Ref<IMAPITable> table = Contents(inbox_.get());
  ASSERT_EQ(SetColumns(table.get(), {PR_SUBJECT_A, PR_MESSAGE_DELIVERY_TIME}), S_OK);
  // Subjects sort without regard to case: apple, Budget, Cherry.
  SSortOrderSet bySubject = SortBy(PR_SUBJECT_A);
  ASSERT_EQ(table->SortTable(&bySubject, 0), S_OK);
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
  SSortOrderSet byTime = SortBy(PR_MESSAGE_DELIVERY_TIME, TABLE_SORT_DESCEND);
  ASSERT_EQ(table->SortTable(&byTime, 0), S_OK);
  ASSERT_EQ(table->QueryRows(1, 0, rows.put()), S_OK);
  EXPECT_STREQ(rows->aRow[0].lpProps[0].Value.lpszA, "apple");
  // A bookmark on the second row; FindRow from it does not see the first row.
  BOOKMARK mark = 0;
  ASSERT_EQ(table->CreateBookmark(&mark), S_OK);
  SPropValue subject = Str(PR_SUBJECT_A, "APPLE");
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
  SPropValue part = Str(PR_SUBJECT_A, "ERR");
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
  const auto create = [&](const char* name, ULONG flags) {
    return inbox_->CreateFolder(FOLDER_GENERIC, const_cast<LPSTR>(name), nullptr, nullptr, flags,
                                created.put());
  };
  ASSERT_EQ(create("Receipts", 0), S_OK);
  EXPECT_EQ(create("RECEIPTS", 0), MAPI_E_COLLISION);
  ASSERT_EQ(create("receipts", OPEN_IF_EXISTS), S_OK);
  EXPECT_EQ(LongProp(inbox_.get(), PR_SUBFOLDERS), 1);
  EXPECT_EQ(BinaryProp(created.get(), PR_PARENT_ENTRYID), BinaryProp(inbox_.get(), PR_ENTRYID));

  // Copy two messages, then move one; a missing identifier gives a partial completion.
  const RowSetOwner rows = QueryAll(Contents(inbox_.get()).get(), {PR_ENTRYID});
  ASSERT_EQ(rows->cRows, 3u);
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
  Ref<IMessage> moved;
  ASSERT_EQ(OpenId(store_.get(), Bytes(ids[2]), moved.put(), 0), S_OK);
  EXPECT_EQ(BinaryProp(moved.get(), PR_PARENT_ENTRYID), BinaryProp(created.get(), PR_ENTRYID));
  // Deleting and emptying.
  ASSERT_EQ(inbox_->DeleteMessages(&one, 0, nullptr, 0), MAPI_W_PARTIAL_COMPLETION);
  ENTRYLIST first{1, &ids[0]};
  ASSERT_EQ(inbox_->DeleteMessages(&first, 0, nullptr, 0), S_OK);
  EXPECT_EQ(LongProp(inbox_.get(), PR_CONTENT_COUNT), 1);
  const std::string createdId = BinaryProp(created.get(), PR_ENTRYID);
  EXPECT_EQ(inbox_->DeleteFolder(Cb(createdId), Eid(createdId), 0, nullptr, 0),
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
  EXPECT_EQ(OpenId(readOnly.get(), "", folder.put(), MAPI_MODIFY), MAPI_E_NO_ACCESS);
}

}  // namespace
}  // namespace standin_test
