// Automation strings in test assertions: a BSTR as a wide string (null shows as "<null>")
// and a BSTR made from a wide string.
#pragma once

#include <oaidl.h>

#include <string>

#include "foundation/Owned.h"

inline std::wstring Str(BSTR s) {
  return s ? std::wstring(s, SysStringLen(s)) : L"<null>";
}

inline kelmsgs::Bstr B(const std::wstring& s) {
  return kelmsgs::Bstr(SysAllocString(s.c_str()));
}
