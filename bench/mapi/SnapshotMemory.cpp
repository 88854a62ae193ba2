#include "SnapshotMemory.h"

#include <psapi.h>

#include <cstring>
#include <cwchar>

namespace bench {

namespace {

std::size_t HeapBytes(HANDLE heap) {
  std::size_t bytes = 0;
  if (!HeapLock(heap)) return 0;
  PROCESS_HEAP_ENTRY entry{};
  while (HeapWalk(heap, &entry)) {
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

std::size_t HeapBytesInUse() {
  HANDLE heaps[256];
  const DWORD count = GetProcessHeaps(256, heaps);
  std::size_t bytes = 0;
  for (DWORD i = 0; i < count && i < 256; ++i) bytes += HeapBytes(heaps[i]);
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
