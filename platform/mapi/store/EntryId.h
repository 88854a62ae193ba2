// Entry identifiers of the stand-in's stores. Layout (little-endian):
//   0  flags (4)         byte 0 is 0x80 for a short-term identifier
//   4  provider UID (16) the stand-in's store provider
//  20  version (1)       1 = short flavour (personal-folders-like), 2 = long (server-like)
//  21  kind (1)          0 store, 1 folder, 2 message
//  22  store UID (16)
//  38  object number (8) 0 for the store itself
//  46  long flavour only: 32 bytes of padding derived from the above
// Short identifiers are 46 bytes, long ones 78. A long-flavour object also has a 46-byte
// short-term identifier (flag 0x80) that opens the same object and compares equal.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

namespace mapistandin {

enum class EntryKind : std::uint8_t { Store = 0, Folder = 1, Message = 2 };

struct EntryRef {
  bool longFlavour = false;
  bool shortTerm = false;
  EntryKind kind = EntryKind::Store;
  std::string storeUid;  // 16 bytes
  std::uint64_t object = 0;
};

std::string MakeEntryId(const EntryRef& ref);
std::optional<EntryRef> ParseEntryId(const void* bytes, std::size_t size);
// Whether two identifiers name the same object (either may be short-term).
bool SameEntry(const EntryRef& a, const EntryRef& b);

// The provider UID in every identifier of the stand-in's stores.
const std::string& StoreProviderUid();

}  // namespace mapistandin
