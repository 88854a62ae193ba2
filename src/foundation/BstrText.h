// Automation strings to and from the 8-bit strings of the messaging calls, byte for byte
// (the low byte of each 16-bit unit; each byte widened).
#pragma once

#include <oaidl.h>

#include <string>
#include <string_view>

#include "foundation/Owned.h"

namespace kelmsgs {

// String factories: each returns the owner of a new BSTR, null only when memory runs out
// (or, for BstrCopy, when the copied string is null).
// s widened byte by byte.
Bstr BstrFromNarrow(const char* s);
Bstr BstrFromNarrow(const std::string& s);
// A UTF-16 string as it is.
Bstr BstrFromWide(std::wstring_view s);
// A copy of a BSTR, embedded zeros included.
Bstr BstrCopy(BSTR s);
// The 8-bit form of a BSTR (null reads as empty).
std::string NarrowFromBstr(BSTR s);
std::string NarrowFromWide(const std::wstring& s);
// Each byte of an 8-bit string widened (null reads as empty).
std::wstring WideFromNarrow(const char* s);

// Hands an 8-bit string, widened, to a BSTR out-parameter (StringOut): null text hands
// out null, and E_OUTOFMEMORY when the string cannot be made.
HRESULT NarrowStringOut(const char* text, BSTR* out);

}  // namespace kelmsgs
