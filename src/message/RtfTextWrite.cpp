#include "message/RtfTextWrite.h"

#include <mapiutil.h>

#include "foundation/ComPtr.h"
#include "foundation/MapiOwned.h"

namespace kelmsgs {

HRESULT WriteRtfText(IMessage* message, std::string_view text, bool& synced) {
  synced = false;
  // 1. The compressed stream, created anew.
  ComPtr<IStream> compressed;
  HRESULT hr = message->OpenProperty(PR_RTF_COMPRESSED, &IID_IStream, 0, MAPI_CREATE | MAPI_MODIFY,
                                     reinterpret_cast<LPUNKNOWN*>(compressed.put()));
  if (FAILED(hr)) return hr;
  // 2. Written compressed, unless the store keeps RTF uncompressed.
  PropValues mask;
  ULONG flags = MAPI_MODIFY;
  if (SUCCEEDED(HrGetOneProp(message, PR_STORE_SUPPORT_MASK, mask.put())) &&
      (mask.get()->Value.l & STORE_UNCOMPRESSED_RTF))
    flags |= STORE_UNCOMPRESSED_RTF;
  ComPtr<IStream> rtf;
  hr = WrapCompressedRTFStream(compressed.get(), flags, rtf.put());
  if (FAILED(hr)) return hr;
  // 3. The text, committed.
  ULONG written = 0;
  hr = rtf->Write(text.data(), static_cast<ULONG>(text.size()), &written);
  if (FAILED(hr)) return hr;
  hr = rtf->Commit(STGC_OVERWRITE);
  if (FAILED(hr)) return hr;
  rtf.reset();
  // 4. The plain body follows.
  BOOL updated = FALSE;
  synced = SUCCEEDED(RTFSync(message, RTF_SYNC_RTF_CHANGED, &updated)) && updated;
  return S_OK;
}

}  // namespace kelmsgs
