#include "frame/DispatchNames.h"

#include <new>

namespace kelmsgs {

HRESULT DispatchNames::Find(ITypeInfo* info, LPOLESTR name, DISPID* id) {
  if (!name) return info->GetIDsOfNames(&name, 1, id);
  const std::wstring_view key(name);
  {
    std::lock_guard guard(lock_);
    if (const auto it = ids_.find(key); it != ids_.end()) {
      *id = it->second;
      return S_OK;
    }
  }
  const HRESULT hr = info->GetIDsOfNames(&name, 1, id);
  if (FAILED(hr)) return hr;
  try {
    std::lock_guard guard(lock_);
    if (ids_.size() < kMaxNames) ids_.emplace(key, *id);
  } catch (const std::bad_alloc&) {
    // Not remembered; the next call asks the type information again.
  }
  return hr;
}

}  // namespace kelmsgs
