// A row set shared by whoever reads it: the session replaces its store rows when MAPI
// reports a change of the store table (possibly on MAPI's notification thread), while a
// member on the client's thread may still be walking the rows it took before. Each reader
// keeps the set it took alive; the rows are freed with the last holder.
#pragma once

#include <memory>

#include "foundation/MapiOwned.h"

namespace kelmsgs {

class SharedRowSet {
 public:
  SharedRowSet() noexcept = default;
  explicit SharedRowSet(RowSet rows) : rows_(std::make_shared<RowSet>(std::move(rows))) {}

  LPSRowSet get() const noexcept { return rows_ ? rows_->get() : nullptr; }
  explicit operator bool() const noexcept { return get() != nullptr; }
  void reset() noexcept { rows_.reset(); }

 private:
  std::shared_ptr<const RowSet> rows_;
};

}  // namespace kelmsgs
