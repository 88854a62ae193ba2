#include "foundation/BstrText.h"

#include <cstring>

#include "foundation/AutomationOut.h"
#include "foundation/TextConvert.h"

namespace kelmsgs {

Bstr BstrFromNarrow(const char* s) {
  const std::size_t length = s ? std::strlen(s) : 0;
  const WideText wide = WidenString(s, length);
  if (!wide) return Bstr();
  return Bstr(
      SysAllocStringLen(reinterpret_cast<const OLECHAR*>(wide.get()), static_cast<UINT>(length)));
}

Bstr BstrFromNarrow(const std::string& s) {
  const WideText wide = WidenString(s.data(), s.size());
  if (!wide) return Bstr();
  return Bstr(
      SysAllocStringLen(reinterpret_cast<const OLECHAR*>(wide.get()), static_cast<UINT>(s.size())));
}

Bstr BstrFromWide(std::wstring_view s) {
  if (s.size() > kMaxBstrLength) return Bstr();
  return Bstr(SysAllocStringLen(s.data(), static_cast<UINT>(s.size())));
}

Bstr BstrCopy(BSTR s) {
  return Bstr(s ? SysAllocStringLen(s, SysStringLen(s)) : nullptr);
}

std::string NarrowFromBstr(BSTR s) {
  const std::size_t length = s ? SysStringLen(s) : 0;
  const NarrowText narrow = NarrowString(reinterpret_cast<const char16_t*>(s), length, 0);
  return narrow ? std::string(narrow.get(), length) : std::string();
}

std::string NarrowFromWide(const std::wstring& s) {
  const NarrowText narrow = NarrowString(reinterpret_cast<const char16_t*>(s.data()), s.size(), 0);
  return narrow ? std::string(narrow.get(), s.size()) : std::string();
}

std::wstring WideFromNarrow(const char* s) {
  std::wstring wide;
  for (; s && *s; ++s) wide += static_cast<wchar_t>(static_cast<unsigned char>(*s));
  return wide;
}

HRESULT NarrowStringOut(const char* text, BSTR* out) {
  if (!out) return E_POINTER;
  if (!text) return StringOut(nullptr, 0, out);
  const std::size_t length = std::strlen(text);
  const WideText wide = WidenString(text, length);
  if (!wide) return E_OUTOFMEMORY;
  return StringOut(reinterpret_cast<const OLECHAR*>(wide.get()), length, out);
}

}  // namespace kelmsgs
