// Property tag arrays of fixed size for SetColumns, GetProps and exclusion lists:
//   auto tags = MakeTags(PR_ENTRYID, PR_DISPLAY_NAME_A);  table->SetColumns(tags.get(), 0);
#pragma once

#include <mapidefs.h>

namespace kelmsgs {

template <ULONG N>
struct TagArray {
  ULONG cValues = N;
  ULONG aulPropTag[N];
  LPSPropTagArray get() { return reinterpret_cast<LPSPropTagArray>(this); }
};

template <class... Tags>
TagArray<sizeof...(Tags)> MakeTags(Tags... tags) {
  return {sizeof...(Tags), {static_cast<ULONG>(tags)...}};
}

}  // namespace kelmsgs
