// The ".msg" layout of a message in a storage tree: a property stream per object (with
// a 32-byte header for the top-level message, 24 for an embedded one, 8 for recipients
// and attachments), one stream per variable-length or multi-valued property named by its
// tag, recipient and attachment substorages numbered in hexadecimal, embedded messages
// as the attachment's data-object substorage, and the named-property mapping of the
// whole file in its own substorage.
#pragma once

#include <cstdint>
#include <map>

#include "core/MessageData.h"
#include "core/StoreImage.h"
#include "msgfile/StorageTree.h"

namespace mapistandin {

// Named properties of a file: property identifier (0x8000 up) -> name.
using NameMap = std::map<std::uint16_t, NamedKey>;

inline constexpr char kPropertiesStream[] = "__properties_version1.0";
inline constexpr char kNameIdStorage[] = "__nameid_version1.0";
inline constexpr char kEmbeddedStorage[] = "__substg1.0_3701000D";

StorageTree WriteMsgFile(const MessageData& message, const NameMap& names);
// False when the tree is not a message file or a part of it is malformed.
bool ReadMsgFile(const StorageTree& tree, MessageData& message, NameMap& names);

}  // namespace mapistandin
