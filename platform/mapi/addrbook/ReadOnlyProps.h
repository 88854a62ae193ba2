// The IMAPIProp part of the address book's objects: their properties are computed from
// the directory and cannot be written, streamed or copied.
#pragma once

#include "store/PropObject.h"

namespace mapistandin {

template <class I>
class ReadOnlyProps : public PropObject<I> {
 protected:
  HRESULT PutProps(const Row&) override { return MAPI_E_NO_ACCESS; }
  HRESULT RemoveProps(const std::vector<std::uint16_t>&) override { return MAPI_E_NO_ACCESS; }
  HRESULT Save(ULONG) override { return MAPI_E_NO_ACCESS; }
  HRESULT OpenProp(ULONG, REFIID, ULONG, ULONG, LPUNKNOWN*) override { return MAPI_E_NO_SUPPORT; }
  HRESULT CopyInto(REFIID, IUnknown*, const std::vector<ULONG>&, ULONG) override {
    return MAPI_E_NO_SUPPORT;
  }
};

}  // namespace mapistandin
