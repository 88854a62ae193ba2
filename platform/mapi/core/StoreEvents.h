// What a committed transaction means to those who watch a store: the objects it created,
// changed, moved, copied or deleted, derived from the transaction and the state before it.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "StoreImage.h"

namespace mapistandin {

enum class StoreEventKind : std::uint8_t {
  NewMail,
  Created,
  Deleted,
  Modified,
  Moved,
  Copied,
  Extended,
};

struct StoreEvent {
  StoreEventKind kind = StoreEventKind::Modified;
  bool isFolder = false;
  std::uint64_t id = 0;
  std::uint64_t parent = 0;
  std::uint64_t oldId = 0;      // moves and copies: the object before
  std::uint64_t oldParent = 0;  // moves and copies: its folder before
  std::string messageClass;     // new mail
  std::uint32_t messageFlags = 0;
  std::uint32_t extendedEvent = 0;  // extended events: the provider's code and data
  std::string extendedData;
};

// What the transaction itself cannot say: which new messages are copies (new id ->
// source id) and whether new messages arrived by delivery (new mail).
struct CommitHints {
  std::map<std::uint64_t, std::uint64_t> copiedFrom;
  bool delivered = false;
};

// The events of `ops`, in the order of the operations; `before` is the state the
// transaction was applied to. Named-property and bookkeeping operations raise nothing.
std::vector<StoreEvent> DescribeCommit(const StoreImage& before, const std::vector<StoreOp>& ops,
                                       const CommitHints& hints);

// Which events a folder's contents table (messages) or hierarchy table (subfolders) may
// have seen change.
bool TouchesContents(const StoreEvent& e, std::uint64_t folder);
bool TouchesHierarchy(const StoreEvent& e);

}  // namespace mapistandin
