// Owners of the filter's handles: an open document, its text reader, an archive member
// and the member's content reader. Each closes through the loaded engine; a handle still
// held after the engine was unloaded is dropped, never passed to a freed library.
#pragma once

#include "content/FilterEngine.h"
#include "foundation/Owned.h"

namespace kelmsgs {

// Every close entry point has the same shape; the traits name which one.
template <DFPROC_DACloseDocument FilterEntryPoints::*Close>
struct FilterHandleTraits {
  static DFHANDLE invalid() noexcept { return 0; }
  static void close(DFHANDLE h) noexcept {
    if (const FilterEntryPoints* engine = FilterEngine::Current()) (engine->*Close)(h);
  }
};

using FilterDocument = Owned<DFHANDLE, FilterHandleTraits<&FilterEntryPoints::DACloseDocument>>;
using FilterText = Owned<DFHANDLE, FilterHandleTraits<&FilterEntryPoints::TACloseText>>;
using FilterMember = Owned<DFHANDLE, FilterHandleTraits<&FilterEntryPoints::DACloseTreeRecord>>;
using FilterContent = Owned<DFHANDLE, FilterHandleTraits<&FilterEntryPoints::CACloseContent>>;

// A locked movable global memory block: locked while this lives.
class GlobalLockScope {
 public:
  explicit GlobalLockScope(HGLOBAL block) noexcept : block_(block), data_(GlobalLock(block)) {}
  ~GlobalLockScope() {
    if (data_) GlobalUnlock(block_);
  }
  GlobalLockScope(const GlobalLockScope&) = delete;
  GlobalLockScope& operator=(const GlobalLockScope&) = delete;
  void* data() const noexcept { return data_; }

 private:
  HGLOBAL block_;
  void* data_;
};

}  // namespace kelmsgs
