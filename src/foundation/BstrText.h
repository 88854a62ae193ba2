// Automation strings to and from the 8-bit strings of the messaging calls, byte for byte
// (the low byte of each 16-bit unit; each byte widened).
#pragma once

#include <oaidl.h>

#include <string>

#include "foundation/Owned.h"

namespace kelmsgs {

// A new BSTR holding s widened; null only when memory runs out.
BSTR BstrFromNarrow(const char* s);
BSTR BstrFromNarrow(const std::string& s);
// The 8-bit form of a BSTR (null reads as empty).
std::string NarrowFromBstr(BSTR s);
std::string NarrowFromWide(const std::wstring& s);
// Each byte of an 8-bit string widened (null reads as empty).
std::wstring WideFromNarrow(const char* s);

// Hands an 8-bit string, widened, to a BSTR out-parameter (StringOut): null text hands
// out null, and E_OUTOFMEMORY when the string cannot be made.
HRESULT NarrowStringOut(const char* text, BSTR* out);

// Hands a fresh copy of value to an automation out-parameter (StringOut).
HRESULT CopyOut(const Bstr& value, BSTR* pVal);

}  // namespace kelmsgs
