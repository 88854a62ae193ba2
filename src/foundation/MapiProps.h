// Small readers of MAPI properties shared by the store, folder and message classes.
#pragma once

#include <mapix.h>

#include "foundation/Owned.h"

namespace kelmsgs {

inline bool IsErrorValue(const SPropValue& v) {
  return PROP_TYPE(v.ulPropTag) == PT_ERROR;
}

// The identifier string of binary bytes, as a BSTR (empty when memory runs out).
Bstr HexBstr(const BYTE* bytes, ULONG count);
inline Bstr HexBstr(const SBinary& bin) {
  return HexBstr(bin.lpb, bin.cb);
}

// An object's PR_ENTRYID in a MAPI buffer of its own, which the caller frees; the
// HRESULT of the read when it fails (nothing is written then).
HRESULT CopyEntryIdOf(IMAPIProp* object, unsigned char** entryId, ULONG* size);

// An object's PR_DISPLAY_NAME_A widened byte for byte; null when it cannot be read.
Bstr DisplayNameOf(IMAPIProp* object);

}  // namespace kelmsgs
