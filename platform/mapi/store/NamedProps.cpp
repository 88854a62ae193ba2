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

// The store's registry: lookups catch up with other processes first; a registration
// is a commit, and another process that registered the name first wins.
class EngineNames : public NameRegistry {
 public:
  explicit EngineNames(std::shared_ptr<StoreEngine> engine) : engine_(std::move(engine)) {}

  HRESULT Lookup(const NamedKey& key, bool create, std::uint16_t& id) override {
    id = Find(key);
    if (id || !create) return S_OK;
    const std::uint16_t next = engine_->Read([](const StoreImage& image) -> std::uint16_t {
      return image.namedById.empty() ? 0x8000 : image.namedById.rbegin()->first + 1;
    });
    if (next < 0x8000 || next > 0xFFFE) return MAPI_E_NOT_ENOUGH_RESOURCES;
    if (HRESULT hr = engine_->Commit({NamedPropOp(key, next)}); FAILED(hr)) return hr;
    id = Find(key);
    return S_OK;
  }

  bool NameOf(std::uint16_t id, NamedKey& key) override {
    return engine_->Read([&](const StoreImage& image) {
      auto it = image.namedById.find(id);
      if (it == image.namedById.end()) return false;
      key = it->second;
      return true;
    });
  }

  std::vector<std::uint16_t> Ids(const std::string* guid) override {
    engine_->Refresh();
    return engine_->Read([&](const StoreImage& image) {
      std::vector<std::uint16_t> ids;
      for (const auto& [id, key] : image.namedById) {
        if (!guid || key.guid == *guid) ids.push_back(id);
      }
      return ids;
    });
  }

 private:
  std::uint16_t Find(const NamedKey& key) {
    return engine_->Read([&](const StoreImage& image) -> std::uint16_t {
      auto it = image.named.find(key);
      return it == image.named.end() ? 0 : it->second;
    });
  }
  std::shared_ptr<StoreEngine> engine_;
};

}  // namespace

std::shared_ptr<NameRegistry> StoreNames(std::shared_ptr<StoreEngine> engine) {
  engine->Refresh();
  return std::make_shared<EngineNames>(std::move(engine));
}

HRESULT GetIDsFromNames(NameRegistry& registry, ULONG count, LPMAPINAMEID* names, ULONG flags,
                        LPSPropTagArray* tags) {
  // 1. Arguments.
  if (!tags || (count && !names)) return MAPI_E_INVALID_PARAMETER;
  *tags = nullptr;
  control::Journal("IMAPIProp::GetIDsFromNames", flags);
  if (HRESULT hr = control::Fault("GetIDsFromNames"); FAILED(hr)) return hr;
  if (count == 0) return MAPI_E_INVALID_PARAMETER;
  // 2. Look every name up; with MAPI_CREATE, register the ones that are new.
  std::vector<ULONG> result(count, PROP_TAG(PT_ERROR, 0));
  bool errors = false;
  for (ULONG i = 0; i < count; ++i) {
    NamedKey key;
    std::uint16_t id = 0;
    if (!KeyOf(names[i], key)) {
      errors = true;
      continue;
    }
    if (HRESULT hr = registry.Lookup(key, (flags & MAPI_CREATE) != 0, id); FAILED(hr)) return hr;
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

HRESULT GetNamesFromIDs(NameRegistry& registry, LPSPropTagArray* tags, LPGUID propSet, ULONG flags,
                        ULONG* count, LPMAPINAMEID** names) {
  // 1. Arguments.
  if (!tags || !count || !names) return MAPI_E_INVALID_PARAMETER;
  *count = 0;
  *names = nullptr;
  control::Journal("IMAPIProp::GetNamesFromIDs", flags);
  // 2. Without tags: every named property (of the given set).
  std::vector<ULONG> ids;
  if (*tags) {
    for (ULONG i = 0; i < (*tags)->cValues; ++i) ids.push_back((*tags)->aulPropTag[i]);
  } else {
    const std::string wanted = GuidBytes(propSet);
    for (std::uint16_t id : registry.Ids(propSet ? &wanted : nullptr))
      ids.push_back(PROP_TAG(PT_UNSPECIFIED, id));
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
    if (!registry.NameOf(static_cast<std::uint16_t>(PROP_ID(ids[i])), key)) {
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
