#include "NamedProps.h"

#include <cstring>
#include <string>
#include <vector>

#include "control/Control.h"
#include "store/StoreEngine.h"
#include "util/Owners.h"
#include "util/PropConvert.h"

namespace mapistandin {

namespace {

std::string GuidBytes(const GUID* g) {
  return g ? std::string(reinterpret_cast<const char*>(g), 16) : std::string(16, '\0');
}

bool KeyOf(const MAPINAMEID* name, NamedKey& key) {
  if (!name || !name->lpguid) return false;
  key.guid = GuidBytes(name->lpguid);
  key.nameKind = name->ulKind;
  if (name->ulKind == MNID_ID) {
    key.lid = static_cast<std::uint32_t>(name->Kind.lID);
    return true;
  }
  if (name->ulKind != MNID_STRING || !name->Kind.lpwstrName) return false;
  const wchar_t* w = name->Kind.lpwstrName;
  key.name.assign(reinterpret_cast<const char*>(w), wcslen(w) * sizeof(wchar_t));
  return true;
}

}  // namespace

HRESULT GetIDsFromNames(StoreEngine& engine, ULONG count, LPMAPINAMEID* names, ULONG flags,
                        LPSPropTagArray* tags) {
  // 1. Arguments.
  if (!tags || (count && !names)) return MAPI_E_INVALID_PARAMETER;
  *tags = nullptr;
  control::Journal("IMAPIProp::GetIDsFromNames", flags);
  if (HRESULT hr = control::Fault("GetIDsFromNames"); FAILED(hr)) return hr;
  if (count == 0) return MAPI_E_INVALID_PARAMETER;
  engine.Refresh();
  // 2. Look every name up; with MAPI_CREATE, register the ones that are new.
  std::vector<ULONG> result(count, PROP_TAG(PT_ERROR, 0));
  bool errors = false;
  for (ULONG i = 0; i < count; ++i) {
    NamedKey key;
    if (!KeyOf(names[i], key)) {
      errors = true;
      continue;
    }
    std::uint16_t id = engine.Read([&](const StoreImage& image) -> std::uint16_t {
      auto it = image.named.find(key);
      return it == image.named.end() ? 0 : it->second;
    });
    if (!id && (flags & MAPI_CREATE)) {
      const std::uint16_t next = engine.Read([](const StoreImage& image) -> std::uint16_t {
        return image.namedById.empty() ? 0x8000 : image.namedById.rbegin()->first + 1;
      });
      if (next < 0x8000 || next > 0xFFFE) return MAPI_E_NOT_ENOUGH_RESOURCES;
      StoreOp op;
      op.kind = StoreOpKind::NamedProp;
      op.guid = key.guid;
      op.nameKind = key.nameKind;
      op.lid = key.lid;
      op.name = key.name;
      op.propId = next;
      if (HRESULT hr = engine.Commit({op}); FAILED(hr)) return hr;
      // Another process may have registered the name first; its identifier wins.
      id = engine.Read([&](const StoreImage& image) -> std::uint16_t {
        auto it = image.named.find(key);
        return it == image.named.end() ? 0 : it->second;
      });
    }
    if (id) {
      result[i] = PROP_TAG(PT_UNSPECIFIED, id);
    } else {
      errors = true;
    }
  }
  // 3. The tags, in the order of the names.
  if (HRESULT hr = MakeTagArray(result, tags); FAILED(hr)) return hr;
  return errors ? MAPI_W_ERRORS_RETURNED : S_OK;
}

HRESULT GetNamesFromIDs(StoreEngine& engine, LPSPropTagArray* tags, LPGUID propSet, ULONG flags,
                        ULONG* count, LPMAPINAMEID** names) {
  // 1. Arguments.
  if (!tags || !count || !names) return MAPI_E_INVALID_PARAMETER;
  *count = 0;
  *names = nullptr;
  control::Journal("IMAPIProp::GetNamesFromIDs", flags);
  engine.Refresh();
  // 2. Without tags: every named property (of the given set).
  std::vector<ULONG> ids;
  if (*tags) {
    for (ULONG i = 0; i < (*tags)->cValues; ++i) ids.push_back((*tags)->aulPropTag[i]);
  } else {
    const std::string wanted = GuidBytes(propSet);
    engine.Read([&](const StoreImage& image) {
      for (const auto& [id, key] : image.namedById) {
        if (!propSet || key.guid == wanted) ids.push_back(PROP_TAG(PT_UNSPECIFIED, id));
      }
      return 0;
    });
    if (HRESULT hr = MakeTagArray(ids, tags); FAILED(hr)) return hr;
  }
  // 3. One block: the pointer array, each name chained to it; unknown ones are null.
  void* block = nullptr;
  HRESULT hr =
      MAPIAllocateBuffer(static_cast<ULONG>(sizeof(LPMAPINAMEID) * (ids.size() + 1)), &block);
  if (FAILED(hr)) return hr;
  MapiBuffer<LPMAPINAMEID> owner(static_cast<LPMAPINAMEID*>(block));
  bool errors = false;
  for (std::size_t i = 0; i < ids.size(); ++i) {
    owner.get()[i] = nullptr;
    NamedKey key;
    const bool known = engine.Read([&](const StoreImage& image) {
      auto it = image.namedById.find(static_cast<std::uint16_t>(PROP_ID(ids[i])));
      if (it == image.namedById.end()) return false;
      key = it->second;
      return true;
    });
    if (!known) {
      errors = true;
      continue;
    }
    void* entry = nullptr;
    void* guid = nullptr;
    if (FAILED(hr = MAPIAllocateMore(sizeof(MAPINAMEID), block, &entry)) ||
        FAILED(hr = MAPIAllocateMore(sizeof(GUID), block, &guid))) {
      return hr;
    }
    auto* name = static_cast<MAPINAMEID*>(entry);
    std::memcpy(guid, key.guid.data(), 16);
    name->lpguid = static_cast<LPGUID>(guid);
    name->ulKind = key.nameKind;
    if (key.nameKind == MNID_ID) {
      name->Kind.lID = static_cast<LONG>(key.lid);
    } else {
      void* text = nullptr;
      if (FAILED(hr = MAPIAllocateMore(static_cast<ULONG>(key.name.size() + sizeof(wchar_t)), block,
                                       &text))) {
        return hr;
      }
      std::memcpy(text, key.name.data(), key.name.size());
      std::memset(static_cast<char*>(text) + key.name.size(), 0, sizeof(wchar_t));
      name->Kind.lpwstrName = static_cast<LPWSTR>(text);
    }
    owner.get()[i] = name;
  }
  *count = static_cast<ULONG>(ids.size());
  *names = owner.release();
  return errors ? MAPI_W_ERRORS_RETURNED : S_OK;
}

}  // namespace mapistandin
