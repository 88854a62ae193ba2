// Entry identifiers cross the automation interface as strings of two upper-case
// hexadecimal digits per byte. The messaging subsystem's own conversions are used.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include "foundation/MapiOwned.h"

namespace kelmsgs {

// An entry identifier in a MAPI buffer, with its size: the owner of every binary
// identifier the library converts, copies or keeps.
struct EntryIdBuffer {
  MapiBuffer<BYTE> bytes;
  ULONG size = 0;

  LPENTRYID entryId() const { return reinterpret_cast<LPENTRYID>(bytes.get()); }
  bool empty() const { return size == 0; }
  void reset() {
    bytes.reset();
    size = 0;
  }
};

// A copy of size bytes in a new MAPI buffer (of exactly that size); the allocation's
// failure otherwise, leaving out as it was.
HRESULT CopyEntryId(const BYTE* bytes, ULONG size, EntryIdBuffer& out);

// New zero-terminated identifier string of count bytes; null when memory runs out.
MapiBuffer<char> EntryIdToHex(const BYTE* bytes, ULONG count);

// Hands the identifier string of bytes to a BSTR out-parameter (StringOut); E_OUTOFMEMORY
// when it cannot be made.
HRESULT HexStringOut(const BYTE* bytes, ULONG count, BSTR* out);

// Binary form of an identifier string. count is always written (0 on failure); an odd
// length or a character that is not a hexadecimal digit gives E_INVALIDARG. An empty
// string gives an empty identifier and S_OK.
HRESULT HexToEntryId(const char* hex, MapiBuffer<BYTE>& out, ULONG& count);

// Binary form of an identifier string from a client, as HexToEntryId. A character above
// U+00FF or a zero character is no hexadecimal digit either: E_INVALIDARG, rather than
// the identifier that its low byte, or the text before it, would spell. Every member
// that takes an identifier string converts it here.
HRESULT EntryIdFromBstr(BSTR text, MapiBuffer<BYTE>& out, ULONG& count);
inline HRESULT EntryIdFromBstr(BSTR text, EntryIdBuffer& out) {
  return EntryIdFromBstr(text, out.bytes, out.size);
}

}  // namespace kelmsgs
