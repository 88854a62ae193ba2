#include "foundation/MapiProps.h"

#include <mapiutil.h>

#include <cstring>

#include "foundation/BstrText.h"
#include "foundation/HexId.h"
#include "foundation/MapiOwned.h"

namespace kelmsgs {

Bstr HexBstr(const BYTE* bytes, ULONG count) {
  const auto text = EntryIdToHex(bytes, count);
  return Bstr(BstrFromNarrow(text ? text.get() : ""));
}

HRESULT CopyEntryIdOf(IMAPIProp* object, unsigned char** entryId, ULONG* size) {
  if (!entryId || !size) return E_POINTER;
  if (!object) return E_FAIL;
  PropValues value;
  const HRESULT hr = HrGetOneProp(object, PR_ENTRYID, value.put());
  if (FAILED(hr)) return hr;
  const SBinary& bin = value.get()->Value.bin;
  MapiBuffer<unsigned char> copy;
  const HRESULT alloc = MAPIAllocateBuffer(bin.cb, reinterpret_cast<void**>(copy.put()));
  if (FAILED(alloc)) return alloc;
  if (bin.cb) std::memcpy(copy.get(), bin.lpb, bin.cb);
  *size = bin.cb;
  *entryId = copy.release();
  return S_OK;
}

Bstr DisplayNameOf(IMAPIProp* object) {
  PropValues name;
  if (!object || FAILED(HrGetOneProp(object, PR_DISPLAY_NAME_A, name.put()))) return {};
  return Bstr(BstrFromNarrow(name.get()->Value.lpszA));
}

}  // namespace kelmsgs
