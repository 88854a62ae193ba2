// Automation strings in test assertions, one set of helpers for every suite: a BSTR read as a
// wide, narrow or UTF-16 string, and a BSTR owned by the library's own owner type made from one.
#pragma once

#include <oaidl.h>

#include <string>

#include "foundation/ComPtr.h"
#include "foundation/Owned.h"

// The text of a BSTR; a null BSTR shows as "<null>", so it never compares equal to "".
inline std::wstring Str(BSTR s) {
  return s ? std::wstring(s, SysStringLen(s)) : L"<null>";
}

// The text of a BSTR, a null BSTR read as the empty string (as automation clients read it).
inline std::wstring Text(BSTR s) {
  return s ? std::wstring(s, SysStringLen(s)) : std::wstring();
}

// The text of a BSTR narrowed unit by unit (the tests' names are plain ASCII).
inline std::string Narrow(BSTR s) {
  std::string out;
  for (UINT i = 0; s && i < SysStringLen(s); ++i) out += static_cast<char>(s[i]);
  return out;
}

// The UTF-16 code units of a BSTR; a null BSTR has none.
inline std::u16string Units(BSTR s) {
  if (!s) return {};
  return std::u16string(reinterpret_cast<const char16_t*>(s), SysStringLen(s));
}
inline std::u16string Units(const kelmsgs::Bstr& s) {
  return Units(s.get());
}

// A BSTR holding exactly the given units, embedded nulls included.
inline kelmsgs::Bstr B(const std::wstring& s) {
  return kelmsgs::Bstr(SysAllocStringLen(s.data(), static_cast<UINT>(s.size())));
}

// A BSTR of a narrow string, each byte widened to one unit.
inline kelmsgs::Bstr B(const std::string& s) {
  return B(std::wstring(s.begin(), s.end()));
}

// The description of the thread's error information, taken from the thread; "<none>" when
// there is none.
inline std::wstring ErrorDescription() {
  kelmsgs::ComPtr<IErrorInfo> info;
  if (GetErrorInfo(0, info.put()) != S_OK || !info) return L"<none>";
  kelmsgs::Bstr text;
  info->GetDescription(text.put());
  return Str(text.get());
}
