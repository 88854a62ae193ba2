// The events a commit raises and the table notifications between two views.
#include <gtest/gtest.h>

#include "core/StoreEvents.h"
#include "core/TableDiff.h"

namespace mapistandin {
namespace {

StoreOp Put(StoreOpKind kind, std::uint64_t id, std::uint64_t parent) {
  StoreOp op;
  op.kind = kind;
  op.id = id;
  op.parent = parent;
  return op;
}

StoreImage TwoFoldersOneMessage() {
  StoreImage image;
  image.Apply({Put(StoreOpKind::PutFolder, 1, 0), Put(StoreOpKind::PutFolder, 2, 1),
               Put(StoreOpKind::PutFolder, 3, 1), Put(StoreOpKind::PutMessage, 10, 2)});
  return image;
}

TEST(StoreEvents, EachOperationRaisesWhatItDidToTheStateBefore) {
  const StoreImage before = TwoFoldersOneMessage();
  CommitHints hints;
  hints.copiedFrom[11] = 10;
  StoreOp del = Put(StoreOpKind::Delete, 3, 0);
  StoreOp gone = Put(StoreOpKind::Delete, 99, 0);  // never existed: nothing to say
  StoreOp named;
  named.kind = StoreOpKind::NamedProp;
  const auto events =
      DescribeCommit(before,
                     {Put(StoreOpKind::PutMessage, 10, 3), Put(StoreOpKind::PutMessage, 11, 2),
                      Put(StoreOpKind::PutMessage, 12, 2), Put(StoreOpKind::PutFolder, 2, 1),
                      Put(StoreOpKind::PutFolder, 4, 2), del, gone, named},
                     hints);
  ASSERT_EQ(events.size(), 6u);
  EXPECT_EQ(events[0].kind, StoreEventKind::Moved);
  EXPECT_EQ(events[0].oldParent, 2u);
  EXPECT_EQ(events[0].parent, 3u);
  EXPECT_EQ(events[1].kind, StoreEventKind::Copied);
  EXPECT_EQ(events[1].oldId, 10u);
  EXPECT_EQ(events[1].oldParent, 2u);
  EXPECT_EQ(events[2].kind, StoreEventKind::Created);
  EXPECT_EQ(events[3].kind, StoreEventKind::Modified);
  EXPECT_TRUE(events[3].isFolder);
  EXPECT_EQ(events[4].kind, StoreEventKind::Created);
  EXPECT_TRUE(events[4].isFolder);
  EXPECT_EQ(events[5].kind, StoreEventKind::Deleted);
  EXPECT_EQ(events[5].parent, 1u);
  // Only the moved message's old and new folders see their contents change.
  EXPECT_TRUE(TouchesContents(events[0], 2));
  EXPECT_TRUE(TouchesContents(events[0], 3));
  EXPECT_FALSE(TouchesContents(events[0], 1));
  EXPECT_FALSE(TouchesContents(events[4], 2));
}

// The unread count each folder keeps is the count of its messages without the read flag,
// through new messages, flags changed by a second put, moves, deletions and a deleted
// folder taking its messages along.
TEST(StoreImageUnread, FollowsEveryChange) {
  const auto put = [](std::uint64_t id, std::uint64_t parent, bool read) {
    StoreOp op = Put(StoreOpKind::PutMessage, id, parent);
    op.message.props.push_back(MakeLong(0x0E070003, read ? 1 : 0));
    return op;
  };
  StoreImage image = TwoFoldersOneMessage();  // message 10 has no flags: unread
  const auto recount = [&](std::uint64_t folder) {
    std::int64_t n = 0;
    for (std::uint64_t m : image.folders.at(folder).messages)
      n += IsUnread(image.messages.at(m).data);
    return n;
  };
  const auto check = [&](std::int64_t two, std::int64_t three) {
    EXPECT_EQ(image.folders.at(2).unread, two);
    EXPECT_EQ(image.folders.at(3).unread, three);
    EXPECT_EQ(image.folders.at(2).unread, recount(2));
    EXPECT_EQ(image.folders.at(3).unread, recount(3));
  };
  check(1, 0);
  image.Apply({put(11, 2, false), put(12, 2, true), put(13, 3, false)});
  check(2, 1);
  image.Apply(put(10, 2, true));  // read where it is
  check(1, 1);
  image.Apply(put(11, 3, false));  // moved, still unread
  check(0, 2);
  image.Apply(put(13, 2, true));  // moved and read
  check(0, 1);
  image.Apply(Put(StoreOpKind::Delete, 11, 0));
  check(0, 0);
  image.Apply({put(14, 3, false), Put(StoreOpKind::Delete, 2, 0)});
  EXPECT_EQ(image.folders.count(2), 0u);
  EXPECT_EQ(image.folders.at(3).unread, 1);
}

TEST(StoreEvents, DeliveredMailIsCreatedThenNewMailWithItsClass) {
  StoreOp op = Put(StoreOpKind::PutMessage, 20, 2);
  op.message.props.push_back(MakeString(0x001A001E, "IPM.Note"));
  op.message.props.push_back(MakeLong(0x0E070003, 0));
  CommitHints hints;
  hints.delivered = true;
  const auto events = DescribeCommit(TwoFoldersOneMessage(), {op}, hints);
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].kind, StoreEventKind::Created);
  EXPECT_EQ(events[1].kind, StoreEventKind::NewMail);
  EXPECT_EQ(events[1].messageClass, "IPM.Note");
  EXPECT_EQ(events[1].parent, 2u);
  // Saving the delivered message again is a modification, not new mail.
  StoreImage after = TwoFoldersOneMessage();
  after.Apply(op);
  const auto again = DescribeCommit(after, {op}, hints);
  ASSERT_EQ(again.size(), 1u);
  EXPECT_EQ(again[0].kind, StoreEventKind::Modified);
}

std::vector<KeyedRow> View(const std::vector<std::pair<std::string, Row>>& rows) {
  std::vector<KeyedRow> view;
  for (const auto& [key, row] : rows) view.push_back({key, &row});
  return view;
}

TEST(TableDiff, RowsAddedDeletedAndModifiedWithTheirPredecessors) {
  const std::vector<std::pair<std::string, Row>> before = {
      {"a", {MakeString(1, "A")}}, {"b", {MakeString(1, "B")}}, {"c", {MakeString(1, "C")}}};
  const std::vector<std::pair<std::string, Row>> after = {
      {"n", {MakeString(1, "N")}}, {"a", {MakeString(1, "A")}}, {"c", {MakeString(1, "C2")}}};
  const auto events = DiffViews(View(before), View(after));
  ASSERT_EQ(events.size(), 3u);
  EXPECT_EQ(events[0].kind, TableEventKind::RowDeleted);
  EXPECT_EQ(events[0].key, "b");
  EXPECT_EQ(events[1].kind, TableEventKind::RowAdded);
  EXPECT_EQ(events[1].key, "n");
  EXPECT_FALSE(events[1].hasPrior);
  EXPECT_EQ(events[2].kind, TableEventKind::RowModified);
  EXPECT_EQ(events[2].priorKey, "a");
  EXPECT_EQ(events[2].index, 2u);
  EXPECT_TRUE(DiffViews(View(after), View(after)).empty());
}

TEST(TableDiff, AFloodOfChangesIsOneTableChanged) {
  std::vector<std::pair<std::string, Row>> many;
  for (std::size_t i = 0; i <= kMaxRowEvents; ++i) many.push_back({std::to_string(i), {}});
  const auto events = DiffViews({}, View(many));
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].kind, TableEventKind::Changed);
  many.pop_back();
  EXPECT_EQ(DiffViews({}, View(many)).size(), kMaxRowEvents);
}

}  // namespace
}  // namespace mapistandin
