// Creation of the library's own objects through its class table, for the interface the
// caller names: the way objects make each other (a store its folders, a folder its
// messages), with the same result as a client's creation through the class factory.
#pragma once

#include "foundation/ComPtr.h"
#include "frame/ClassTable.h"

namespace kelmsgs {

template <class Itf>
HRESULT CreateObject(REFCLSID clsid, ComPtr<Itf>& out) {
  out.reset();
  const ClassEntry* entry = FindClass(clsid);
  if (!entry) return CLASS_E_CLASSNOTAVAILABLE;
  return entry->create(__uuidof(Itf), out.put_void());
}

}  // namespace kelmsgs
