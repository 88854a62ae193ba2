// ContentsSnapshot on rows the messaging stand-in never returns: rows shorter than the
// five columns, a subject column without text, an empty identifier, and values carrying a
// different tag than the one asked for.
#include <gtest/gtest.h>

#include <cstring>

#include "folder/ContentsSnapshot.h"

using kelmsgs::ContentsSnapshot;

namespace {

SPropValue Binary(ULONG tag, BYTE* bytes, ULONG count) {
  SPropValue v{};
  v.ulPropTag = tag;
  v.Value.bin.cb = count;
  v.Value.bin.lpb = bytes;
  return v;
}
SPropValue Text(ULONG tag, const char* text) {
  SPropValue v{};
  v.ulPropTag = tag;
  v.Value.lpszA = const_cast<char*>(text);
  return v;
}
SPropValue Time(ULONG tag, DWORD low) {
  SPropValue v{};
  v.ulPropTag = tag;
  v.Value.ft = {low, 7};
  return v;
}
SPropValue Flag(ULONG tag, bool on) {
  SPropValue v{};
  v.ulPropTag = tag;
  v.Value.b = on;
  return v;
}

// A row set of three rows over the caller's values.
struct ThreeRows {
  ULONG cRows = 3;
  SRow aRow[3];
  const SRowSet& get() const { return *reinterpret_cast<const SRowSet*>(this); }
};

}  // namespace

TEST(ContentsSnapshot, HoldsWhatEachRowCarriesAndNothingElse) {
  BYTE id[] = {0x00, 0x12, 0xAB};
  SPropValue whole[] = {Binary(PR_ENTRYID, id, 3), Flag(PR_HASATTACH, true),
                        Text(PR_SUBJECT_A, "Quarterly"), Time(PR_MESSAGE_DELIVERY_TIME, 5),
                        Time(PR_CLIENT_SUBMIT_TIME, 6)};
  // Only an empty identifier: the row ends after its first column.
  SPropValue shortRow[] = {Binary(PR_ENTRYID, nullptr, 0)};
  // Error values and a subject without text; the times are in each other's columns.
  SPropValue odd[] = {Binary(PROP_TAG(PT_ERROR, PROP_ID(PR_ENTRYID)), nullptr, 0),
                      Flag(PROP_TAG(PT_ERROR, PROP_ID(PR_HASATTACH)), true),
                      Text(PR_SUBJECT_A, nullptr), Time(PR_CLIENT_SUBMIT_TIME, 1),
                      Time(PR_MESSAGE_DELIVERY_TIME, 2)};
  ThreeRows rows;
  rows.aRow[0] = {0, 5, whole};
  rows.aRow[1] = {0, 1, shortRow};
  rows.aRow[2] = {0, 5, odd};

  ContentsSnapshot snapshot;
  ASSERT_EQ(snapshot.Assign(rows.get()), S_OK);
  ASSERT_EQ(snapshot.size(), 3u);

  SBinary got{};
  ASSERT_TRUE(snapshot.EntryId(0, got));
  ASSERT_EQ(got.cb, 3u);
  EXPECT_EQ(std::memcmp(got.lpb, id, 3), 0);
  EXPECT_TRUE(snapshot.HasAttach(0));
  ASSERT_NE(snapshot.Subject(0), nullptr);
  EXPECT_STREQ(snapshot.Subject(0), "Quarterly");
  ASSERT_NE(snapshot.DeliveryTime(0), nullptr);
  EXPECT_EQ(snapshot.DeliveryTime(0)->dwLowDateTime, 5u);
  ASSERT_NE(snapshot.SubmitTime(0), nullptr);
  EXPECT_EQ(snapshot.SubmitTime(0)->dwLowDateTime, 6u);

  ASSERT_TRUE(snapshot.EntryId(1, got));
  EXPECT_EQ(got.cb, 0u);
  EXPECT_FALSE(snapshot.HasAttach(1));
  EXPECT_EQ(snapshot.Subject(1), nullptr);
  EXPECT_EQ(snapshot.DeliveryTime(1), nullptr);
  EXPECT_EQ(snapshot.SubmitTime(1), nullptr);

  EXPECT_FALSE(snapshot.EntryId(2, got));
  EXPECT_FALSE(snapshot.HasAttach(2));
  EXPECT_EQ(snapshot.Subject(2), nullptr);
  EXPECT_EQ(snapshot.DeliveryTime(2), nullptr);
  EXPECT_EQ(snapshot.SubmitTime(2), nullptr);

  // A new set replaces the old one whole.
  ThreeRows none;
  none.cRows = 0;
  ASSERT_EQ(snapshot.Assign(none.get()), S_OK);
  EXPECT_EQ(snapshot.size(), 0u);
}
