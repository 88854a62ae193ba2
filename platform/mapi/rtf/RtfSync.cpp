// RTFSync: keeps a message's plain body and its compressed RTF in step. When the RTF
// changed, the plain body is made from the RTF's text; when the body changed, a new RTF
// is made from it unless the body still matches the signature recorded at the last
// synchronisation. The signature properties are updated either way; the caller saves.
#include <mapiutil.h>

#include <string>
#include <vector>

#include "rtf/CompressedRtf.h"
#include "rtf/RtfText.h"
#include "util/Owners.h"

using namespace mapistandin;

namespace {

// A string property read through its stream (so that bodies of any size are read).
HRESULT ReadStreamProperty(IMessage* message, ULONG tag, std::string& out) {
  out.clear();
  Ref<IStream> stream;
  HRESULT hr =
      message->OpenProperty(tag, &IID_IStream, 0, 0, reinterpret_cast<LPUNKNOWN*>(stream.put()));
  if (FAILED(hr)) return hr;
  char chunk[65536];
  for (;;) {
    ULONG read = 0;
    hr = stream->Read(chunk, sizeof chunk, &read);
    if (FAILED(hr)) return hr;
    out.append(chunk, read);
    if (read < sizeof chunk) return S_OK;
  }
}

HRESULT WriteStreamProperty(IMessage* message, ULONG tag, const void* data, std::size_t size) {
  Ref<IStream> stream;
  HRESULT hr = message->OpenProperty(tag, &IID_IStream, 0, MAPI_CREATE | MAPI_MODIFY,
                                     reinterpret_cast<LPUNKNOWN*>(stream.put()));
  if (FAILED(hr)) return hr;
  ULONG written = 0;
  hr = stream->Write(data, static_cast<ULONG>(size), &written);
  if (FAILED(hr)) return hr;
  return stream->Commit(STGC_DEFAULT);
}

// Records what the plain body looks like now.
HRESULT WriteSignature(IMessage* message, const std::string& plain) {
  const BodySignature s = SignatureOf(plain);
  SPropValue values[6] = {};
  values[0].ulPropTag = PR_RTF_SYNC_BODY_CRC;
  values[0].Value.l = static_cast<LONG>(s.crc);
  values[1].ulPropTag = PR_RTF_SYNC_BODY_COUNT;
  values[1].Value.l = static_cast<LONG>(s.count);
  values[2].ulPropTag = PR_RTF_SYNC_BODY_TAG_A;
  values[2].Value.lpszA = const_cast<LPSTR>(s.tag.c_str());
  values[3].ulPropTag = PR_RTF_SYNC_PREFIX_COUNT;
  values[3].Value.l = 0;
  values[4].ulPropTag = PR_RTF_SYNC_TRAILING_COUNT;
  values[4].Value.l = 0;
  values[5].ulPropTag = PR_RTF_IN_SYNC;
  values[5].Value.b = TRUE;
  return message->SetProps(6, values, nullptr);
}

// Whether the recorded signature still describes the plain body.
bool SignatureMatches(IMessage* message, const std::string& plain) {
  SizedSPropTagArray(2, tags) = {2, {PR_RTF_SYNC_BODY_CRC, PR_RTF_SYNC_BODY_COUNT}};
  ULONG count = 0;
  MapiBuffer<SPropValue> values;
  if (FAILED(
          message->GetProps(reinterpret_cast<LPSPropTagArray>(&tags), 0, &count, values.put())) ||
      count != 2 || values.get()[0].ulPropTag != PR_RTF_SYNC_BODY_CRC ||
      values.get()[1].ulPropTag != PR_RTF_SYNC_BODY_COUNT)
    return false;
  const BodySignature s = SignatureOf(plain);
  return static_cast<std::uint32_t>(values.get()[0].Value.l) == s.crc &&
         static_cast<std::uint32_t>(values.get()[1].Value.l) == s.count;
}

bool StoreKeepsRtfUncompressed(IMessage* message) {
  MapiBuffer<SPropValue> mask;
  return SUCCEEDED(HrGetOneProp(message, PR_STORE_SUPPORT_MASK, mask.put())) &&
         (mask.get()->Value.l & STORE_UNCOMPRESSED_RTF);
}

}  // namespace

extern "C" HRESULT WINAPI RTFSync(LPMESSAGE message, ULONG flags, WINBOOL* updated) {
  if (!message || !updated) return MAPI_E_INVALID_PARAMETER;
  *updated = FALSE;
  if (flags & ~(RTF_SYNC_RTF_CHANGED | RTF_SYNC_BODY_CHANGED)) return MAPI_E_UNKNOWN_FLAGS;
  // The RTF changed: the plain body follows its text.
  if (flags & RTF_SYNC_RTF_CHANGED) {
    std::string compressed;
    HRESULT hr = ReadStreamProperty(message, PR_RTF_COMPRESSED, compressed);
    if (FAILED(hr)) return hr;
    std::vector<std::uint8_t> raw;
    if (DecompressRtf(reinterpret_cast<const std::uint8_t*>(compressed.data()), compressed.size(),
                      raw) != RtfStatus::Ok)
      return MAPI_E_CORRUPT_DATA;
    const std::string plain =
        RtfToPlainText(std::string_view(reinterpret_cast<const char*>(raw.data()), raw.size()));
    std::string body;
    if (FAILED(ReadStreamProperty(message, PR_BODY_A, body)) || body != plain) {
      hr = WriteStreamProperty(message, PR_BODY_A, plain.data(), plain.size());
      if (FAILED(hr)) return hr;
    }
    hr = WriteSignature(message, plain);
    if (FAILED(hr)) return hr;
    *updated = TRUE;
    return S_OK;
  }
  // The body changed: a new RTF unless the body is still the one last synchronised.
  if (flags & RTF_SYNC_BODY_CHANGED) {
    std::string body;
    if (FAILED(ReadStreamProperty(message, PR_BODY_A, body)))
      return S_OK;  // no body: nothing to do
    std::string existing;
    if (SignatureMatches(message, body) &&
        SUCCEEDED(ReadStreamProperty(message, PR_RTF_COMPRESSED, existing)) && !existing.empty())
      return S_OK;
    const auto rtf = CompressRtf(PlainTextToRtf(body), !StoreKeepsRtfUncompressed(message));
    HRESULT hr = WriteStreamProperty(message, PR_RTF_COMPRESSED, rtf.data(), rtf.size());
    if (FAILED(hr)) return hr;
    hr = WriteSignature(message, body);
    if (FAILED(hr)) return hr;
    *updated = TRUE;
  }
  return S_OK;
}
