// The enumeration loop shared by the value and subkey listings of the registry tools.
// The key may gain entries, or longer names and data, between the query of its sizes and
// the enumeration: a result of "more data" grows the buffers and reads the same index
// again, and the caller's list grows with every entry read, however many there are.
// A key that another process deletes meanwhile answers "key deleted" for every index,
// never "no more items": that ends the enumeration, with that answer.
// Portable: no Windows header.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace kelmsgs {

enum class EnumStatus { Ok, NoMoreItems, MoreData, KeyDeleted, Failed };

// The status of a registry enumeration call's result (a Win32 error code).
constexpr EnumStatus EnumStatusOf(long error) noexcept {
  switch (error) {
    case 0:  // ERROR_SUCCESS
      return EnumStatus::Ok;
    case 259:  // ERROR_NO_MORE_ITEMS
      return EnumStatus::NoMoreItems;
    case 234:  // ERROR_MORE_DATA
      return EnumStatus::MoreData;
    case 1018:  // ERROR_KEY_DELETED
      return EnumStatus::KeyDeleted;
    default:
      return EnumStatus::Failed;
  }
}

struct EnumBuffers {
  std::vector<char> name;
  std::vector<std::uint8_t> data;
};

// One read: the entry at index into the buffers, with the lengths set to the buffer sizes
// before the call and to the lengths read after it.
struct EnumRead {
  std::uint32_t nameLength = 0;
  std::uint32_t dataLength = 0;
  std::uint32_t type = 0;
  EnumStatus status = EnumStatus::Failed;
};

constexpr int kEnumGrowRetries = 8;

// read(index, buffers, EnumRead&) reads one entry; store(buffers, const EnumRead&) keeps
// it. Every other status counts as an entry (with cleared buffers when the read failed),
// so the loop ends when the registry has no more (answer NoMoreItems) or the key is gone
// (answer KeyDeleted; what was stored before stays with the caller to drop).
template <class Read, class Store>
EnumStatus EnumerateEntries(EnumBuffers& buffers, Read read, Store store) {
  int retries = 0;
  for (std::uint32_t index = 0;;) {
    std::fill(buffers.name.begin(), buffers.name.end(), 0);
    std::fill(buffers.data.begin(), buffers.data.end(), 0);
    EnumRead r;
    r.nameLength = static_cast<std::uint32_t>(buffers.name.size());
    r.dataLength = static_cast<std::uint32_t>(buffers.data.size());
    read(index, buffers, r);
    if (r.status == EnumStatus::NoMoreItems || r.status == EnumStatus::KeyDeleted) return r.status;
    if (r.status == EnumStatus::MoreData && retries++ < kEnumGrowRetries) {
      buffers.name.resize(std::max<std::size_t>(2 * buffers.name.size() + 1, r.nameLength + 1));
      buffers.data.resize(std::max<std::size_t>(2 * buffers.data.size() + 1, r.dataLength + 1));
      continue;
    }
    if (r.status != EnumStatus::Ok) {
      // A failed read keeps nothing of what the buffers may hold.
      std::fill(buffers.name.begin(), buffers.name.end(), 0);
      std::fill(buffers.data.begin(), buffers.data.end(), 0);
      r.nameLength = r.dataLength = 0;
    }
    store(buffers, r);
    retries = 0;
    ++index;
  }
}

}  // namespace kelmsgs
