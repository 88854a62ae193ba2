// The notifications a store connection receives for the events of one commit.
#pragma once

#include <mapix.h>

#include <vector>

#include "core/StoreEvents.h"
#include "notify/NotificationBlock.h"
#include "store/EntryId.h"
#include "store/ObjectProps.h"

namespace mapistandin {

// What one IMsgStore::Advise asked for: the event mask, and the whole store or the events
// of one object (a folder also hears of the objects in it).
struct StoreAdviseFilter {
  ULONG mask = 0;
  bool wholeStore = true;
  std::uint64_t object = 0;
};

// The batch for the events that pass the filter; empty() when none does. Identifiers of
// long-flavour stores are given in their short-term form, as server stores do.
NotificationBlock MakeStoreBatch(const StoreIdentity& who, const StoreAdviseFilter& filter,
                                 const std::vector<StoreEvent>& events);

}  // namespace mapistandin
