#include "profile/ProviderAdmin.h"

#include <cstring>

#include "control/Control.h"
#include "profile/ProfSect.h"
#include "profile/ProfileModel.h"
#include "store/MsgStore.h"
#include "store/PropObject.h"
#include "store/StoreTags.h"
#include "table/Table.h"

namespace mapistandin {

void* ProviderAdmin::FindInterface(REFIID iid) {
  if (iid == IID_IUnknown || iid == IID_IProviderAdmin) return static_cast<IProviderAdmin*>(this);
  return nullptr;
}

STDMETHODIMP ProviderAdmin::GetLastError(HRESULT hr, ULONG, LPMAPIERROR* error) {
  if (!error) return MAPI_E_INVALID_PARAMETER;
  return MakeMapiError(hr, "IProviderAdmin", error);
}

STDMETHODIMP ProviderAdmin::GetProviderTable(ULONG flags, LPMAPITABLE* table) {
  if (!table) return MAPI_E_INVALID_PARAMETER;
  *table = nullptr;
  control::Journal("IProviderAdmin::GetProviderTable", flags, {}, service_);
  if (HRESULT hr = control::Fault("GetProviderTable"); FAILED(hr)) return hr;
  std::vector<Row> rows;
  for (const profiles::Section& s : profiles::Providers(profile_, service_))
    rows.push_back(s.props);
  *table = new Table(
      "providers", std::move(rows),
      {PR_INSTANCE_KEY, PR_DISPLAY_NAME_A, PR_SERVICE_UID, PR_PROVIDER_UID, PR_RESOURCE_TYPE});
  return S_OK;
}

STDMETHODIMP ProviderAdmin::CreateProvider(LPTSTR name, ULONG count, LPSPropValue props, ULONG,
                                           ULONG flags, MAPIUID* uid) {
  // 1. Arguments: a store provider needs the path of its store file.
  control::Journal("IProviderAdmin::CreateProvider", flags, {}, name ? name : "");
  if (HRESULT hr = control::Fault("CreateProvider"); FAILED(hr)) return hr;
  if (!name || !uid) return MAPI_E_INVALID_PARAMETER;
  const Row values = FromSPropArray(count, props);
  const Prop* path = FindProp(values, PR_PST_PATH_A);
  if (!path) return MAPI_E_INVALID_PARAMETER;
  // 2. The store as the values describe it (the private-range values choose the flavour,
  //    the public kind and extra support bits).
  profiles::StoreDescription wanted;
  const Prop* display = FindProp(values, PR_DISPLAY_NAME_A);
  wanted.displayName = display ? display->bytes : name;
  wanted.path = path->bytes;
  const Prop* resFlags = FindProp(values, PR_RESOURCE_FLAGS);
  wanted.isDefault = resFlags && (resFlags->integer & STATUS_DEFAULT_STORE);
  const Prop* flavour = FindProp(values, kInfoLongFlavour);
  wanted.longFlavour = flavour && flavour->integer;
  const Prop* isPublic = FindProp(values, kInfoPublic);
  wanted.isPublic = isPublic && isPublic->integer;
  const Prop* mask = FindProp(values, kInfoSupportMask);
  wanted.supportMask = mask ? static_cast<ULONG>(mask->integer) : 0;
  const Prop* noNotify = FindProp(values, kInfoNoNotify);
  wanted.notifications = !(noNotify && noNotify->integer);
  std::string created;
  HRESULT hr = profiles::CreateStoreProvider(profile_, service_, wanted, created);
  if (FAILED(hr)) return hr;
  std::memcpy(uid->ab, created.data(), 16);
  return S_OK;
}

STDMETHODIMP ProviderAdmin::DeleteProvider(LPMAPIUID uid) {
  if (!uid) return MAPI_E_INVALID_PARAMETER;
  control::Journal("IProviderAdmin::DeleteProvider", 0, {}, profiles::UidHex(uid->ab));
  if (HRESULT hr = control::Fault("DeleteProvider"); FAILED(hr)) return hr;
  // Only the providers of the administered service are recognised, as in MAPI.
  const std::string hex = profiles::UidHex(uid->ab);
  bool ours = false;
  for (const profiles::Section& s : profiles::Providers(profile_, service_))
    ours = ours || s.uidHex == hex;
  if (!ours) return MAPI_E_NOT_FOUND;
  return profiles::DeleteProvider(profile_, hex);
}

STDMETHODIMP ProviderAdmin::OpenProfileSection(LPMAPIUID uid, LPCIID iid, ULONG flags,
                                               LPPROFSECT* out) {
  return mapistandin::OpenProfileSection(profile_, uid, iid, flags, true, out);
}

}  // namespace mapistandin
