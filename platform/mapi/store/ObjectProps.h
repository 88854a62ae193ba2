// The properties the store maintains for its objects (identifiers, sizes, flags, counts),
// shared by the open objects and the tables that list them.
#pragma once

#include <windows.h>

#include <guiddef.h>

#include <cstdint>
#include <string>

#include "core/StoreImage.h"

namespace mapistandin {

class StoreEngine;

// Identifiers of a store's objects.
struct StoreIdentity {
  std::string uid;
  bool longFlavour = false;
  std::string StoreId() const;
  std::string FolderId(std::uint64_t id) const;
  std::string MessageId(std::uint64_t id) const;
  static StoreIdentity Of(StoreEngine& engine);
};

// The message's own properties plus the maintained ones. id 0: an embedded message.
Row MessageProps(const StoreIdentity& who, std::uint64_t id, std::uint64_t folder,
                 const MessageData& data, bool writable);
// The same for a contents-table row: long strings cut to 255 bytes, bodies and large
// binaries left out, PR_INSTANCE_KEY added.
Row MessageTableRow(const StoreIdentity& who, std::uint64_t id, std::uint64_t folder,
                    const MessageData& data);
// A folder's properties plus the maintained ones; the inbox and the root also carry the
// identifiers of the standard folders.
Row FolderProps(const StoreIdentity& who, const StoreImage& image, std::uint64_t id, bool writable);
// An attachment's properties plus the maintained ones (for the object and the table).
Row AttachProps(std::uint64_t messageId, const AttachData& data, bool forTable);
// The size of an attachment for PR_ATTACH_SIZE.
std::int64_t AttachSize(const AttachData& data);

// The stand-in's own interface identifiers: QueryInterface with them yields the C++
// object, so copies between the stand-in's objects skip the public interfaces.
inline constexpr GUID kIidStandinMessage = {
    0x4b4d5301, 0x0001, 0x4000, {0x80, 0, 0, 0, 0, 0, 0, 1}};
inline constexpr GUID kIidStandinFolder = {0x4b4d5301, 0x0002, 0x4000, {0x80, 0, 0, 0, 0, 0, 0, 2}};
inline constexpr GUID kIidStandinAttach = {0x4b4d5301, 0x0003, 0x4000, {0x80, 0, 0, 0, 0, 0, 0, 3}};
inline constexpr GUID kIidStandinStore = {0x4b4d5301, 0x0004, 0x4000, {0x80, 0, 0, 0, 0, 0, 0, 4}};

}  // namespace mapistandin
