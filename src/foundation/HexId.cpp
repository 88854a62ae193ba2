#include "foundation/HexId.h"

#include <mapiutil.h>

#include <cstring>

#include "foundation/BstrText.h"
#include "foundation/TextConvert.h"

namespace kelmsgs {

MapiBuffer<char> EntryIdToHex(const BYTE* bytes, ULONG count) {
  // 1. Two digits per byte and the terminator.
  MapiBuffer<char> text;
  if (FAILED(MAPIAllocateBuffer(2 * count + 1, reinterpret_cast<void**>(text.put())))) return {};
  // 2. The messaging subsystem's own digits.
  HexFromBin(const_cast<BYTE*>(bytes), static_cast<int>(count), text.get());
  return text;
}

HRESULT HexStringOut(const BYTE* bytes, ULONG count, BSTR* out) {
  if (!out) return E_POINTER;
  const MapiBuffer<char> text = EntryIdToHex(bytes, count);
  if (!text) return E_OUTOFMEMORY;
  return NarrowStringOut(text.get(), out);
}

HRESULT HexToEntryId(const char* hex, MapiBuffer<BYTE>& out, ULONG& count) {
  out.reset();
  count = 0;
  const std::size_t length = hex ? std::strlen(hex) : 0;
  // 1. Whole bytes only.
  if (length % 2 != 0) return E_INVALIDARG;
  // 2. The buffer.
  MapiBuffer<BYTE> bytes;
  const HRESULT hr =
      MAPIAllocateBuffer(static_cast<ULONG>(length / 2), reinterpret_cast<void**>(bytes.put()));
  if (FAILED(hr)) return hr;
  // 3. Every character must be a hexadecimal digit.
  if (length > 0 && !FBinFromHex(const_cast<char*>(hex), bytes.get())) return E_INVALIDARG;
  // 4. Hand it out.
  out = std::move(bytes);
  count = static_cast<ULONG>(length / 2);
  return S_OK;
}

HRESULT CopyEntryId(const BYTE* bytes, ULONG size, EntryIdBuffer& out) {
  MapiBuffer<BYTE> copy;
  const HRESULT hr = MAPIAllocateBuffer(size, reinterpret_cast<void**>(copy.put()));
  if (FAILED(hr)) return hr;
  if (size) std::memcpy(copy.get(), bytes, size);
  out.bytes = std::move(copy);
  out.size = size;
  return S_OK;
}

HRESULT EntryIdFromBstr(BSTR text, MapiBuffer<BYTE>& out, ULONG& count) {
  out.reset();
  count = 0;
  // 1. Only characters whose 8-bit form is the character itself.
  const std::size_t length = text ? SysStringLen(text) : 0;
  if (!IsByteText(reinterpret_cast<const char16_t*>(text), length)) return E_INVALIDARG;
  // 2. The digits.
  return HexToEntryId(NarrowFromBstr(text).c_str(), out, count);
}

}  // namespace kelmsgs
