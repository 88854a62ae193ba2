// WrapCompressedRTFStream: the RTF of a compressed-RTF property stream, as a stream.
// Reading decompresses the whole property at once; writing collects the RTF and, at
// Commit, stores it compressed (or in the stored form for stores that keep RTF
// uncompressed) in the property stream.
#include <mapiutil.h>

#include <string>
#include <vector>

#include "rtf/CompressedRtf.h"
#include "util/MemoryStream.h"
#include "util/Owners.h"

using namespace mapistandin;

namespace {

// The rest of a stream from its current position.
HRESULT ReadAll(IStream* stream, std::string& out) {
  out.clear();
  char chunk[65536];
  for (;;) {
    ULONG read = 0;
    const HRESULT hr = stream->Read(chunk, sizeof chunk, &read);
    if (FAILED(hr)) return hr;
    out.append(chunk, read);
    if (read < sizeof chunk) return S_OK;
  }
}

// Replaces the whole content of a stream and commits it.
HRESULT Rewrite(IStream* stream, const std::vector<std::uint8_t>& bytes) {
  LARGE_INTEGER zero{};
  HRESULT hr = stream->Seek(zero, STREAM_SEEK_SET, nullptr);
  if (FAILED(hr)) return hr;
  ULARGE_INTEGER size{};
  size.QuadPart = bytes.size();
  hr = stream->SetSize(size);
  if (FAILED(hr)) return hr;
  ULONG written = 0;
  hr = stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), &written);
  if (FAILED(hr)) return hr;
  if (written != bytes.size()) return MAPI_E_DISK_ERROR;
  return stream->Commit(STGC_DEFAULT);
}

}  // namespace

extern "C" HRESULT WINAPI WrapCompressedRTFStream(LPSTREAM compressed, ULONG flags,
                                                  LPSTREAM* uncompressed) {
  if (!compressed || !uncompressed) return MAPI_E_INVALID_PARAMETER;
  *uncompressed = nullptr;
  // Writing: the RTF goes to the property when the wrapper is committed.
  if (flags & MAPI_MODIFY) {
    const bool store = (flags & STORE_UNCOMPRESSED_RTF) != 0;
    Ref<IStream> target(compressed);
    auto stream =
        MakeRef<MemoryStream>(std::string(), true, [target, store](const std::string& rtf) {
          return Rewrite(target.get(), CompressRtf(rtf, !store));
        });
    stream.copy_to(uncompressed);
    return S_OK;
  }
  // Reading: the whole property, decompressed. An empty property is an empty text.
  std::string bytes;
  HRESULT hr = ReadAll(compressed, bytes);
  if (FAILED(hr)) return hr;
  std::vector<std::uint8_t> raw;
  if (!bytes.empty() && DecompressRtf(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                      bytes.size(), raw) != RtfStatus::Ok)
    return MAPI_E_CORRUPT_DATA;
  auto stream = MakeRef<MemoryStream>(std::string(raw.begin(), raw.end()), false);
  stream.copy_to(uncompressed);
  return S_OK;
}
