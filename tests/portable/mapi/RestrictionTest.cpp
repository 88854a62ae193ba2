// Table restrictions and sort orders of the messaging stand-in: the library finds stores,
// services and providers by them, so a wrong match makes it act on the wrong object.
#include "core/Restriction.h"
#include "core/RowOrder.h"

#include <gtest/gtest.h>

using namespace mapistandin;

namespace {
constexpr std::uint32_t kName = MakeTag(0x3001, kTypeString8);
constexpr std::uint32_t kSize = MakeTag(0x0E08, kTypeLong);
constexpr std::uint32_t kFlags = MakeTag(0x0E07, kTypeLong);
constexpr std::uint32_t kTime = MakeTag(0x0E06, kTypeSysTime);

Row MakeRow(const char* name, long size, long flags) {
  return {MakeString(kName, name), MakeLong(kSize, size), MakeLong(kFlags, flags)};
}

Restriction PropIs(std::uint32_t relop, mapistandin::Prop value) {
  Restriction r;
  r.kind = RestrictionKind::Property;
  r.relop = relop;
  r.tag = value.tag;
  r.value = std::move(value);
  return r;
}

Restriction Content(std::uint32_t fuzzy, const char* text) {
  Restriction r;
  r.kind = RestrictionKind::Content;
  r.fuzzy = fuzzy;
  r.tag = kName;
  r.value = MakeString(kName, text);
  return r;
}
}  // namespace

TEST(StandinRestriction, PropertyRelopsOnNumbersAndStrings) {
  const Row row = MakeRow("Mailbox", 100, 0);
  const struct {
    std::uint32_t relop;
    long value;
    bool expected;
  } cases[] = {{kRelopLt, 101, true}, {kRelopLt, 100, false}, {kRelopLe, 100, true},
               {kRelopGt, 99, true},  {kRelopGt, 100, false}, {kRelopGe, 100, true},
               {kRelopEq, 100, true}, {kRelopNe, 100, false}, {kRelopNe, 7, true},
               {kRelopRe, 100, false}};
  for (const auto& c : cases) {
    EXPECT_EQ(Matches(PropIs(c.relop, MakeLong(kSize, c.value)), row), c.expected)
        << "relop " << c.relop << " value " << c.value;
  }
  // Display names compare without regard to case, as store names do in MAPI tables.
  EXPECT_TRUE(Matches(PropIs(kRelopEq, MakeString(kName, "MAILBOX")), row));
  EXPECT_TRUE(Matches(PropIs(kRelopLt, MakeString(kName, "mailboxes")), row));
  // A missing property fails every comparison, also "not equal"; NOT turns it around.
  const Row empty;
  EXPECT_FALSE(Matches(PropIs(kRelopNe, MakeLong(kSize, 1)), empty));
  Restriction notEq;
  notEq.kind = RestrictionKind::Not;
  notEq.children.push_back(PropIs(kRelopEq, MakeLong(kSize, 1)));
  EXPECT_TRUE(Matches(notEq, empty));
  // A value of another type than the column never matches.
  EXPECT_FALSE(Matches(PropIs(kRelopEq, MakeString(MakeTag(0x0E08, kTypeString8), "100")), row));
}

TEST(StandinRestriction, ContentFuzzyLevels) {
  const Row row = MakeRow("Sent Items", 0, 0);
  EXPECT_TRUE(Matches(Content(kFullString, "Sent Items"), row));
  EXPECT_FALSE(Matches(Content(kFullString, "sent items"), row));
  EXPECT_TRUE(Matches(Content(kFullString | kIgnoreCase, "sent items"), row));
  EXPECT_TRUE(Matches(Content(kSubString, "nt It"), row));
  EXPECT_FALSE(Matches(Content(kSubString, "NT IT"), row));
  EXPECT_TRUE(Matches(Content(kSubString | kIgnoreCase, "NT IT"), row));
  EXPECT_TRUE(Matches(Content(kPrefix, "Sent"), row));
  EXPECT_FALSE(Matches(Content(kPrefix, "Items"), row));
  EXPECT_FALSE(Matches(Content(kPrefix, "Sent Items and more"), row));
  EXPECT_TRUE(Matches(Content(kPrefix, ""), row));
}

TEST(StandinRestriction, CombinationsExistAndBitmask) {
  const Row row = MakeRow("Inbox", 10, 0x5);
  Restriction exist;
  exist.kind = RestrictionKind::Exist;
  exist.tag = kFlags;
  Restriction bitSet;
  bitSet.kind = RestrictionKind::Bitmask;
  bitSet.tag = kFlags;
  bitSet.mask = 0x4;
  bitSet.bitmaskRelop = 1;
  Restriction bitZero = bitSet;
  bitZero.mask = 0x2;
  bitZero.bitmaskRelop = 0;
  EXPECT_TRUE(Matches(exist, row));
  EXPECT_TRUE(Matches(bitSet, row));
  EXPECT_TRUE(Matches(bitZero, row));
  Restriction all;
  all.kind = RestrictionKind::And;
  all.children = {exist, bitSet, PropIs(kRelopEq, MakeLong(kSize, 11))};
  EXPECT_FALSE(Matches(all, row));
  Restriction any = all;
  any.kind = RestrictionKind::Or;
  EXPECT_TRUE(Matches(any, row));
  // Empty AND is true, empty OR is false.
  Restriction emptyAnd, emptyOr;
  emptyOr.kind = RestrictionKind::Or;
  EXPECT_TRUE(Matches(emptyAnd, row));
  EXPECT_FALSE(Matches(emptyOr, row));
  // Bitmask of a missing property is false.
  EXPECT_FALSE(Matches(bitZero, Row{}));
}

TEST(StandinSort, MultipleKeysStableAndMissingLast) {
  std::vector<Row> rows = {MakeRow("beta", 2, 1), MakeRow("Alpha", 2, 2), MakeRow("alpha", 1, 3),
                           Row{MakeLong(kFlags, 4)}, MakeRow("Gamma", 2, 5)};
  SortRows(rows, {{kSize, true}, {kName, false}});
  std::vector<long> order;
  for (const Row& r : rows) order.push_back(static_cast<long>(FindProp(r, kFlags)->integer));
  // Size descending, then name ascending without case (Alpha before beta before Gamma);
  // a missing value counts as the greatest, so with the first key descending it leads.
  EXPECT_EQ(order, (std::vector<long>{4, 2, 1, 5, 3}));
  SortRows(rows, {{kSize, false}});
  EXPECT_EQ(FindProp(rows.back(), kFlags)->integer, 4);

  // Equal keys keep their order: "Alpha"(2) and "alpha"(3) compare equal by name.
  std::vector<Row> same = {MakeRow("alpha", 1, 1), MakeRow("ALPHA", 1, 2), MakeRow("Alpha", 1, 3)};
  SortRows(same, {{kName, false}});
  EXPECT_EQ(FindProp(same[0], kFlags)->integer, 1);
  EXPECT_EQ(FindProp(same[2], kFlags)->integer, 3);
}

// A table's view sorted in place of its rows comes in the rows' order, also where one key
// of an integer type is compared as a number: negative longs, ties kept in order, missing
// values last (first when descending), times past the signed range, flags.
TEST(StandinSort, ViewsOrderAsTheRows) {
  constexpr std::uint32_t kFlag = MakeTag(0x0E1B, kTypeBoolean);
  std::vector<Row> rows = {MakeRow("b", 5, 0), MakeRow("a", -3, 1), Row{MakeLong(kFlags, 2)},
                           MakeRow("c", 5, 3), MakeRow("a", 0, 4)};
  const std::int64_t times[] = {0x01D0000000000000, static_cast<std::int64_t>(0x8000000000000001),
                                0, 7, static_cast<std::int64_t>(0x8000000000000001)};
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (i != 2) rows[i].push_back(MakeLong(kTime, times[i]));
    if (i % 2 == 0) rows[i].push_back(MakeLong(kFlag, i == 4 ? 9 : 0));
  }
  const std::vector<std::vector<SortKey>> orders = {
      {{kSize, false}}, {{kSize, true}},  {{kTime, false}},
      {{kTime, true}},  {{kFlag, false}}, {{kName, false}, {kSize, true}}};
  for (const auto& keys : orders) {
    std::vector<Row> sorted = rows;
    SortRows(sorted, keys);
    std::vector<std::size_t> view = {0, 1, 2, 3, 4};
    SortView(rows, view, keys);
    std::vector<std::int64_t> byRows, byView;
    for (std::size_t i = 0; i < rows.size(); ++i) {
      byRows.push_back(FindProp(sorted[i], kFlags)->integer);
      byView.push_back(FindProp(rows[view[i]], kFlags)->integer);
    }
    EXPECT_EQ(byView, byRows) << "first key " << std::hex << keys[0].tag << " descending "
                              << keys[0].descending;
  }
}

TEST(StandinSort, TimesCompareUnsigned) {
  mapistandin::Prop early, late;
  early.tag = late.tag = kTime;
  early.integer = 0x01D0000000000000;
  late.integer = static_cast<std::int64_t>(0x8000000000000001ull);  // beyond the signed range
  EXPECT_LT(CompareValues(early, late), 0);
}
