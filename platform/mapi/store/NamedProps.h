// Named properties of a store: names (a property set and a number or a string) mapped to
// identifiers from 0x8000 up, kept in the store file.
#pragma once

#include <mapix.h>

#include <memory>

namespace mapistandin {

class StoreEngine;

HRESULT GetIDsFromNames(StoreEngine& engine, ULONG count, LPMAPINAMEID* names, ULONG flags,
                        LPSPropTagArray* tags);
HRESULT GetNamesFromIDs(StoreEngine& engine, LPSPropTagArray* tags, LPGUID propSet, ULONG flags,
                        ULONG* count, LPMAPINAMEID** names);

}  // namespace mapistandin
