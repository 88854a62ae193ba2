#include "SnapshotMemory.h"

#include <psapi.h>

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <optional>
#include <vector>

namespace bench {

namespace {

// The bytes of the busy blocks of one heap, or nothing when the walk cannot be trusted:
// Wine's 32-bit HeapWalk can go round a heap's later regions forever (seen once a heap had
// grown a 25 MB region: the region, its uncommitted range, the same region again, never
// reaching the blocks after it), so a region that comes back ends the walk without a count.
std::optional<std::size_t> HeapBytes(HANDLE heap) {
  std::size_t bytes = 0;
  if (!HeapLock(heap)) return 0;
  std::vector<const void*> regions;
  PROCESS_HEAP_ENTRY entry{};
  while (HeapWalk(heap, &entry)) {
    if (entry.wFlags & PROCESS_HEAP_REGION) {
      if (std::find(regions.begin(), regions.end(), entry.lpData) != regions.end()) {
        HeapUnlock(heap);
        return std::nullopt;
      }
      regions.push_back(entry.lpData);
    }
    if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) bytes += entry.cbData;
  }
  HeapUnlock(heap);
  return bytes;
}

std::size_t ValueBytes(const SPropValue& value) {
  switch (PROP_TYPE(value.ulPropTag)) {
    case PT_BINARY:
      return value.Value.bin.cb;
    case PT_STRING8:
      return value.Value.lpszA ? std::strlen(value.Value.lpszA) + 1 : 0;
    case PT_UNICODE:
      return value.Value.lpszW ? (std::wcslen(value.Value.lpszW) + 1) * sizeof(WCHAR) : 0;
    case PT_BOOLEAN:
      return sizeof value.Value.b;
    case PT_LONG:
      return sizeof value.Value.l;
    case PT_SYSTIME:
      return sizeof value.Value.ft;
    case PT_I8:
      return sizeof value.Value.li;
    default:
      return 0;
  }
}

}  // namespace

std::optional<std::size_t> HeapBytesInUse() {
  HANDLE heaps[256];
  const DWORD count = GetProcessHeaps(256, heaps);
  std::size_t bytes = 0;
  for (DWORD i = 0; i < count && i < 256; ++i) {
    const std::optional<std::size_t> heapBytes = HeapBytes(heaps[i]);
    if (!heapBytes) return std::nullopt;
    bytes += *heapBytes;
  }
  return bytes;
}

std::size_t PrivateBytes() {
  PROCESS_MEMORY_COUNTERS_EX counters{};
  counters.cb = sizeof counters;
  if (!GetProcessMemoryInfo(GetCurrentProcess(),
                            reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters))
    return 0;
  return counters.PrivateUsage;
}

std::size_t RowDataBytes(const SRowSet* rows) {
  std::size_t bytes = 0;
  for (ULONG r = 0; r < rows->cRows; ++r) {
    for (ULONG c = 0; c < rows->aRow[r].cValues; ++c) bytes += ValueBytes(rows->aRow[r].lpProps[c]);
  }
  return bytes;
}

}  // namespace bench
