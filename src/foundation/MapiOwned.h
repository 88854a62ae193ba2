// Owning wrappers for memory handed out by the messaging subsystem.
#pragma once

#include <mapix.h>

#include "foundation/Owned.h"

namespace kelmsgs {

template <class T>
struct MapiBufferTraits {
  static T* invalid() noexcept { return nullptr; }
  static void close(T* p) noexcept { MAPIFreeBuffer(p); }
};
// A block from MAPIAllocateBuffer (with everything MAPIAllocateMore chained to it).
template <class T>
using MapiBuffer = Owned<T*, MapiBufferTraits<T>>;

}  // namespace kelmsgs

#include <mapiutil.h>

namespace kelmsgs {

struct RowSetTraits {
  static LPSRowSet invalid() noexcept { return nullptr; }
  static void close(LPSRowSet rows) noexcept { FreeProws(rows); }
};
// A row set from QueryRows or HrQueryAllRows (every row's values freed with it).
using RowSet = Owned<LPSRowSet, RowSetTraits>;

struct AdrListTraits {
  static LPADRLIST invalid() noexcept { return nullptr; }
  static void close(LPADRLIST list) noexcept { FreePadrlist(list); }
};
using AdrList = Owned<LPADRLIST, AdrListTraits>;

// One property value from HrGetOneProp or an array from GetProps.
using PropValues = MapiBuffer<SPropValue>;

}  // namespace kelmsgs
