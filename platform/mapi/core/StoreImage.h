// The committed state of one store: folders, messages, named-property map and the
// store's own properties, rebuilt by replaying the transactions of its file.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include "StoreRecord.h"

namespace mapistandin {

struct FolderNode {
  std::uint64_t parent = 0;
  Row props;
  std::vector<std::uint64_t> children;  // in creation order
  std::vector<std::uint64_t> messages;  // in creation order
  std::int64_t unread = 0;              // messages without the read flag
};

// Whether a message counts as unread: its message flags lack the read flag.
bool IsUnread(const MessageData& data);

struct MessageNode {
  std::uint64_t parent = 0;
  MessageData data;
};

struct NamedKey {
  std::string guid;  // 16 bytes
  std::uint32_t nameKind = 0;
  std::uint32_t lid = 0;
  std::string name;
  auto operator<=>(const NamedKey&) const = default;
};

// The transaction step that records a named property under propId.
StoreOp NamedPropOp(const NamedKey& key, std::uint16_t propId);

class StoreImage {
 public:
  // Applies one committed transaction.
  void Apply(const std::vector<StoreOp>& ops);
  void Apply(const StoreOp& op);

  // The transactions that rebuild this state from nothing (for compaction).
  std::vector<StoreOp> Snapshot() const;

  std::map<std::uint64_t, FolderNode> folders;
  std::unordered_map<std::uint64_t, MessageNode> messages;
  std::map<NamedKey, std::uint16_t> named;
  std::map<std::uint16_t, NamedKey> namedById;
  Row info;
  std::uint64_t nextId = 1;

 private:
  void DeleteFolder(std::uint64_t id);
  void Unlink(std::vector<std::uint64_t>& list, std::uint64_t id);
};

}  // namespace mapistandin
