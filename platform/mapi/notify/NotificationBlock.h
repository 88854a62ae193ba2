// One batch of notifications for one OnNotify call: an array of NOTIFICATION structures
// whose identifiers, strings and rows are all chained to the array's MAPI block, so one
// MAPIFreeBuffer frees the batch.
#pragma once

#include <mapix.h>

#include <string>

#include "util/Owners.h"

namespace mapistandin {

class NotificationBlock {
 public:
  // Room for `count` notifications, zeroed; empty() for none or when memory ran out.
  explicit NotificationBlock(ULONG count);

  bool empty() const { return !block_; }
  ULONG count() const { return count_; }
  NOTIFICATION* at(ULONG i) const { return block_.get() + i; }
  NOTIFICATION* get() const { return block_.get(); }

  // Copies chained to the block; false when memory ran out.
  bool CopyId(const std::string& id, ULONG& cb, LPENTRYID& out);
  bool CopyString(const std::string& text, LPSTR& out);
  bool CopyBytes(const std::string& bytes, ULONG& cb, LPBYTE& out);
  void* base() const { return block_.get(); }

 private:
  MapiBuffer<NOTIFICATION> block_;
  ULONG count_ = 0;
};

}  // namespace mapistandin
