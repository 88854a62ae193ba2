// Entry identifiers cross the automation interface as strings of two upper-case
// hexadecimal digits per byte. The messaging subsystem's own conversions are used.
#pragma once

#include <windows.h>

#include "foundation/MapiOwned.h"

namespace kelmsgs {

// New zero-terminated identifier string of count bytes; null when memory runs out.
MapiBuffer<char> EntryIdToHex(const BYTE* bytes, ULONG count);

// Binary form of an identifier string. count is always written (0 on failure); an odd
// length or a character that is not a hexadecimal digit gives E_INVALIDARG. An empty
// string gives an empty identifier and S_OK.
HRESULT HexToEntryId(const char* hex, MapiBuffer<BYTE>& out, ULONG& count);

}  // namespace kelmsgs
