// Plain values and strings handed to automation out-parameters.
#pragma once

#include <oaidl.h>

#include <cstddef>
#include <string>

#include "foundation/Owned.h"

namespace kelmsgs {

inline HRESULT BoolOut(bool value, VARIANT_BOOL* out) {
  if (!out) return E_POINTER;
  *out = value ? VARIANT_TRUE : VARIANT_FALSE;
  return S_OK;
}

inline HRESULT LongOut(LONG value, LONG* out) {
  if (!out) return E_POINTER;
  *out = value;
  return S_OK;
}

// The longest string a BSTR can hold (its byte count is a 32-bit value).
constexpr std::size_t kMaxBstrLength = 0x7FFFFFF0 / sizeof(OLECHAR);

// Hands a new string of length units to a BSTR out-parameter. No text hands out null (no
// string) with S_OK; a string that cannot be made answers E_OUTOFMEMORY and leaves the
// out-parameter alone. Every string a member hands out goes through here.
inline HRESULT StringOut(const OLECHAR* text, std::size_t length, BSTR* out) {
  if (!out) return E_POINTER;
  if (!text) {
    *out = nullptr;
    return S_OK;
  }
  if (length > kMaxBstrLength) return E_OUTOFMEMORY;
  BSTR made = SysAllocStringLen(text, static_cast<UINT>(length));
  if (!made) return E_OUTOFMEMORY;
  *out = made;
  return S_OK;
}

// A copy of a string the object holds (null stays null).
inline HRESULT StringOut(const Bstr& held, BSTR* out) {
  return StringOut(held.get(), held ? SysStringLen(held.get()) : 0, out);
}

inline HRESULT StringOut(const std::wstring& text, BSTR* out) {
  return StringOut(text.data(), text.size(), out);
}

}  // namespace kelmsgs
