// The registry tools' enumeration loop against a key that changes under it.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "utilities/RegistryEnumeration.h"

using kelmsgs::EnumBuffers;
using kelmsgs::EnumerateEntries;
using kelmsgs::EnumRead;
using kelmsgs::EnumStatus;
using kelmsgs::EnumStatusOf;

namespace {

// A key whose entries are read the way the registry reads them: a name or data that does
// not fit reports "more data" with the sizes it needs.
struct FakeKey {
  std::vector<std::pair<std::string, std::string>> entries;
  int reads = 0;

  void Read(std::uint32_t index, EnumBuffers& b, EnumRead& r) {
    ++reads;
    if (index >= entries.size()) {
      r.status = EnumStatus::NoMoreItems;
      return;
    }
    const auto& [name, data] = entries[index];
    if (name.size() + 1 > r.nameLength || data.size() > r.dataLength) {
      r = {static_cast<std::uint32_t>(name.size()), static_cast<std::uint32_t>(data.size()), 1,
           EnumStatus::MoreData};
      return;
    }
    std::memcpy(b.name.data(), name.c_str(), name.size() + 1);
    std::memcpy(b.data.data(), data.data(), data.size());
    r = {static_cast<std::uint32_t>(name.size()), static_cast<std::uint32_t>(data.size()), 1,
         EnumStatus::Ok};
  }
};

std::vector<std::string> Names(FakeKey& key, EnumBuffers buffers) {
  std::vector<std::string> names;
  EnumerateEntries(
      buffers, [&](std::uint32_t i, EnumBuffers& b, EnumRead& r) { key.Read(i, b, r); },
      [&](const EnumBuffers& b, const EnumRead&) { names.emplace_back(b.name.data()); });
  return names;
}

TEST(RegistryEnumeration, KeyThatGrewAfterItsSizesWereReadIsListedWhole) {
  // Sized for two short entries; five entries with longer names and data by now.
  FakeKey key{{{"a", "1"},
               {"b", "2"},
               {"a much longer name than reported", "data that is longer as well"},
               {"c", ""},
               {"d", std::string(300, 'x')}}};
  EXPECT_EQ(Names(key, {std::vector<char>(2), std::vector<std::uint8_t>(2)}),
            (std::vector<std::string>{"a", "b", "a much longer name than reported", "c", "d"}));
}

TEST(RegistryEnumeration, EntryThatNeverFitsEndsAsAnEmptyEntryInsteadOfLooping) {
  struct Stubborn {
    int reads = 0;
  } s;
  std::vector<EnumRead> stored;
  EnumBuffers buffers{std::vector<char>(4), std::vector<std::uint8_t>(4)};
  EnumerateEntries(
      buffers,
      [&](std::uint32_t index, EnumBuffers&, EnumRead& r) {
        ++s.reads;
        r.status = index == 0 ? EnumStatus::MoreData : EnumStatus::NoMoreItems;
        r.nameLength = r.dataLength = 0xFFFF;
      },
      [&](const EnumBuffers& b, const EnumRead& r) {
        stored.push_back(r);
        EXPECT_EQ(b.name[0], '\0');
      });
  ASSERT_EQ(stored.size(), 1u);
  EXPECT_EQ(stored[0].status, EnumStatus::MoreData);
  EXPECT_EQ(stored[0].nameLength, 0u);
  EXPECT_LE(s.reads, kelmsgs::kEnumGrowRetries + 2);
}

TEST(RegistryEnumeration, FailedReadsCountAsEntriesWithNothingKept) {
  std::vector<std::string> names;
  EnumBuffers buffers{std::vector<char>(8), std::vector<std::uint8_t>(8)};
  EnumerateEntries(
      buffers,
      [&](std::uint32_t index, EnumBuffers& b, EnumRead& r) {
        std::strcpy(b.name.data(), "junk");
        r.status = index < 2 ? EnumStatus::Failed : EnumStatus::NoMoreItems;
      },
      [&](const EnumBuffers& b, const EnumRead&) { names.emplace_back(b.name.data()); });
  EXPECT_EQ(names, (std::vector<std::string>{"", ""}));
}

// A key deleted by another process while it is enumerated answers "key deleted" for
// every index from then on and never "no more items": the enumeration ends there with
// that answer instead of counting failed entries for ever.
TEST(RegistryEnumeration, KeyDeletedDuringTheEnumerationEndsIt) {
  constexpr std::uint32_t kGiveUp = 10000;  // keeps a looping enumeration finite
  std::uint32_t reads = 0;
  std::vector<std::string> names;
  EnumBuffers buffers{std::vector<char>(8), std::vector<std::uint8_t>(8)};
  const EnumStatus end = EnumerateEntries(
      buffers,
      [&](std::uint32_t index, EnumBuffers& b, EnumRead& r) {
        ++reads;
        if (index >= kGiveUp) {
          r.status = EnumStatus::NoMoreItems;
        } else if (index < 2) {
          std::strcpy(b.name.data(), index == 0 ? "first" : "second");
          r.status = EnumStatus::Ok;
        } else {
          r.status = EnumStatusOf(1018);  // ERROR_KEY_DELETED, as RegEnumValue answers
        }
      },
      [&](const EnumBuffers& b, const EnumRead&) { names.emplace_back(b.name.data()); });
  EXPECT_EQ(end, EnumStatus::KeyDeleted);
  EXPECT_EQ(reads, 3u);
  EXPECT_EQ(names, (std::vector<std::string>{"first", "second"}));
}

TEST(RegistryEnumeration, RegistryAnswersMapToTheirStatuses) {
  EXPECT_EQ(EnumStatusOf(0), EnumStatus::Ok);
  EXPECT_EQ(EnumStatusOf(259), EnumStatus::NoMoreItems);
  EXPECT_EQ(EnumStatusOf(234), EnumStatus::MoreData);
  EXPECT_EQ(EnumStatusOf(1018), EnumStatus::KeyDeleted);
  EXPECT_EQ(EnumStatusOf(5), EnumStatus::Failed);  // access denied: one failed entry
}

}  // namespace
