// The classes this server offers: one row per class, in registration order.
#pragma once

#include <oaidl.h>

#include <span>

namespace kelmsgs {

struct ClassEntry {
  const CLSID* clsid;
  const char* name;  // coclass name; ProgIDs are "KelMsgs." + name (+ ".1")
  UINT script;       // REGISTRY resource with the class's registration script
  HRESULT (*create)(REFIID riid, void** ppv);
};

std::span<const ClassEntry> ClassTable() noexcept;
const ClassEntry* FindClass(REFCLSID clsid) noexcept;

}  // namespace kelmsgs
