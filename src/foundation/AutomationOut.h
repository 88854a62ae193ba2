// Plain values handed to automation out-parameters.
#pragma once

#include <oaidl.h>

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

}  // namespace kelmsgs
