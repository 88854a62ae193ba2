// The MAPI object that one of this library's objects holds (its MAPIObject member).
#pragma once

#include <unknwn.h>

#include "foundation/ComPtr.h"

namespace kelmsgs {

// The MAPI object object holds, as interface Mapi (iid); null when it holds none or the
// one it holds is not a Mapi.
template <class Mapi, class Itf>
ComPtr<Mapi> HeldMapiObject(Itf* object, REFIID iid) {
  ComPtr<IUnknown> unknown;
  object->get_MAPIObject(unknown.put());
  ComPtr<Mapi> held;
  if (unknown) unknown->QueryInterface(iid, held.put_void());
  return held;
}

}  // namespace kelmsgs
