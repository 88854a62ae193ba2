#include "ComObject.h"

namespace mapistandin {

namespace {
std::atomic<long> g_live{0};
}

ComObject::ComObject() {
  ++g_live;
}
ComObject::~ComObject() {
  --g_live;
}

long ComObject::LiveObjects() {
  return g_live.load();
}

HRESULT ComObject::QueryImpl(REFIID iid, void** out) {
  if (!out) return E_INVALIDARG;
  *out = FindInterface(iid);
  if (!*out) return E_NOINTERFACE;
  AddRefImpl();
  return S_OK;
}

}  // namespace mapistandin
