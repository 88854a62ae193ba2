// The registry event queue's records: codes per event type, the values a record writes
// and their order, the counter's arithmetic and the message classes kept quiet.
#include <gtest/gtest.h>

#include <limits>

#include "session/EventQueuePlan.h"

namespace kelmsgs {
namespace {

const std::string kBase = "Software\\Vexa\\Quillora\\Work\\AutoUpdate";

TEST(EventQueuePlan, EventTypesMapToQueueCodesAndTypedEvents) {
  const struct {
    unsigned long type;
    std::uint32_t code;
    std::string prefix;
    long dispid;
  } cases[] = {{2, 5, "New message: ", 6},
               {4, 1, "Message created: ", 1},
               {16, 3, "Message modified: ", 2},
               {32, 4, "Message moved: ", 4},
               {64, 0, "Message copied: ", 5}};
  for (const auto& c : cases) {
    const auto kind = QueueKindOf(c.type);
    ASSERT_TRUE(kind) << c.type;
    EXPECT_EQ(kind->code, c.code) << c.type;
    EXPECT_EQ(kind->tracePrefix, c.prefix);
    const auto typed = TypedEventOf(static_cast<long>(c.type));
    ASSERT_TRUE(typed) << c.type;
    EXPECT_EQ(typed->dispid, c.dispid) << c.type;
  }
  // Deletions are queued but have no typed event of Notify.
  ASSERT_TRUE(QueueKindOf(8));
  EXPECT_EQ(QueueKindOf(8)->code, 2u);
  EXPECT_FALSE(TypedEventOf(8));
  for (unsigned long other : {0ul, 1ul, 3ul, 128ul, 0x80000000ul}) {
    EXPECT_FALSE(QueueKindOf(other)) << other;
    EXPECT_FALSE(TypedEventOf(static_cast<long>(other))) << other;
  }
  EXPECT_EQ(std::string(TypedEventOf(2)->trace), "New mail.");
  EXPECT_TRUE(IsCreatedFolder(4, 3));
  EXPECT_FALSE(IsCreatedFolder(4, 5));
  EXPECT_FALSE(IsCreatedFolder(16, 3));
}

TEST(EventQueuePlan, MessageRecordWritesCodeThenKnownIdentifiersInOrder) {
  const EventStrings moved{"5702", "AB01", "F1", "CD02", "F0"};
  const auto all = MessageRecord(kBase, 4, moved);
  ASSERT_EQ(all.size(), 5u);
  const char* keys[] = {"\\Event", "\\StoreId", "\\FolderId", "\\OldEntryId", "\\OldFolderId"};
  const char* data[] = {"", "5702", "F1", "CD02", "F0"};
  for (std::size_t i = 0; i < all.size(); ++i) {
    EXPECT_EQ(all[i].key, kBase + keys[i]) << i;
    EXPECT_EQ(all[i].name, "AB01") << i;  // every value is named by the message
    EXPECT_EQ(all[i].isNumber, i == 0) << i;
    EXPECT_EQ(all[i].text, data[i]) << i;
  }
  EXPECT_EQ(all[0].number, 4u);

  // A modification carries no former identifiers, and an unknown store is left out.
  const auto modified = MessageRecord(kBase, 3, {"", "AB01", "F1", "", ""});
  ASSERT_EQ(modified.size(), 2u);
  EXPECT_EQ(modified[0].key, kBase + "\\Event");
  EXPECT_EQ(modified[1].key, kBase + "\\FolderId");
  // Without a message there is no record at all.
  EXPECT_TRUE(MessageRecord(kBase, 1, {"5702", "", "F1", "", ""}).empty());
}

TEST(EventQueuePlan, NewFolderRecordNeedsStoreFolderAndParent) {
  const auto record = NewFolderRecord(kBase, "5702", "F2", "F1");
  ASSERT_EQ(record.size(), 2u);
  EXPECT_EQ(record[0].key, kBase + "\\NewFolder\\Store");
  EXPECT_EQ(record[0].name, "F2");
  EXPECT_EQ(record[0].text, "5702");
  EXPECT_EQ(record[1].key, kBase + "\\NewFolder\\Parent");
  EXPECT_EQ(record[1].text, "F1");
  EXPECT_TRUE(NewFolderRecord(kBase, "", "F2", "F1").empty());
  EXPECT_TRUE(NewFolderRecord(kBase, "5702", "", "F1").empty());
  EXPECT_TRUE(NewFolderRecord(kBase, "5702", "F2", "").empty());
}

TEST(EventQueuePlan, EventCounterCountsUpAndRestartsWhenNegative) {
  EXPECT_EQ(NextEventCount(std::nullopt), 1u);
  EXPECT_EQ(NextEventCount(0), 1u);
  EXPECT_EQ(NextEventCount(41), 42u);
  EXPECT_EQ(NextEventCount(0xFFFFFFFFu), 0u);  // -1
  EXPECT_EQ(NextEventCount(0xFFFFFFF0u), 0u);
  EXPECT_EQ(NextEventCount(0x7FFFFFFFu), 0u);  // would overflow into the negative
  EXPECT_EQ(NextEventCount(0x7FFFFFFEu), 0x7FFFFFFFu);
}

TEST(EventQueuePlan, ModificationsOfMailPostsAndManagerMessagesAreQuiet) {
  for (const char* quiet :
       {"IPM.Note", "IPM.Note.SMIME", "REPORT.IPM.Note.NDR", "IPM.Post", "IPM.MessageManager"})
    EXPECT_TRUE(IsQuietOnModify(quiet)) << quiet;
  // The search is case-sensitive.
  for (const char* reported : {"IPM.Contact", "IPM.Appointment", "ipm.note", "IPM.Task", ""})
    EXPECT_FALSE(IsQuietOnModify(reported)) << reported;
}

}  // namespace
}  // namespace kelmsgs
