#include "profile/ServiceAdmin.h"

#include "control/Control.h"
#include "profile/ProfSect.h"
#include "profile/ProfileModel.h"
#include "profile/ProviderAdmin.h"
#include "store/PropObject.h"
#include "table/Table.h"

namespace mapistandin {

namespace {
const std::vector<ULONG> kServiceColumns = {PR_INSTANCE_KEY, PR_SERVICE_UID, PR_SERVICE_NAME_A,
                                            PR_DISPLAY_NAME_A, PR_RESOURCE_FLAGS};
}

void* ServiceAdmin::FindInterface(REFIID iid) {
  if (iid == IID_IUnknown || iid == IID_IMsgServiceAdmin)
    return static_cast<IMsgServiceAdmin*>(this);
  return nullptr;
}

STDMETHODIMP ServiceAdmin::GetLastError(HRESULT hr, ULONG, LPMAPIERROR* error) {
  if (!error) return MAPI_E_INVALID_PARAMETER;
  return MakeMapiError(hr, "IMsgServiceAdmin", error);
}

STDMETHODIMP ServiceAdmin::GetMsgServiceTable(ULONG flags, LPMAPITABLE* table) {
  if (!table) return MAPI_E_INVALID_PARAMETER;
  *table = nullptr;
  control::Journal("IMsgServiceAdmin::GetMsgServiceTable", flags, {}, profile_);
  if (HRESULT hr = control::Fault("GetMsgServiceTable"); FAILED(hr)) return hr;
  std::vector<Row> rows;
  for (const profiles::Section& s : profiles::Services(profile_)) rows.push_back(s.props);
  *table = new Table("services", std::move(rows), kServiceColumns);
  return S_OK;
}

STDMETHODIMP ServiceAdmin::CreateMsgService(LPTSTR service, LPTSTR displayName, ULONG_PTR,
                                            ULONG flags) {
  control::Journal("IMsgServiceAdmin::CreateMsgService", flags, {}, service ? service : "");
  if (!service || !*service) return MAPI_E_INVALID_PARAMETER;
  std::string uid;
  return profiles::CreateService(profile_, service, displayName ? displayName : "", uid);
}

STDMETHODIMP ServiceAdmin::DeleteMsgService(LPMAPIUID uid) {
  if (!uid) return MAPI_E_INVALID_PARAMETER;
  control::Journal("IMsgServiceAdmin::DeleteMsgService", 0, {}, profiles::UidHex(uid->ab));
  return profiles::DeleteService(profile_, profiles::UidHex(uid->ab));
}

STDMETHODIMP ServiceAdmin::ConfigureMsgService(LPMAPIUID uid, ULONG_PTR, ULONG flags, ULONG count,
                                               LPSPropValue props) {
  if (!uid) return MAPI_E_INVALID_PARAMETER;
  control::Journal("IMsgServiceAdmin::ConfigureMsgService", flags);
  Row existing;
  if (!profiles::ReadSection(profile_, profiles::UidHex(uid->ab), existing))
    return MAPI_E_NOT_FOUND;
  return profiles::WriteSection(profile_, profiles::UidHex(uid->ab), FromSPropArray(count, props));
}

STDMETHODIMP ServiceAdmin::OpenProfileSection(LPMAPIUID uid, LPCIID iid, ULONG flags,
                                              LPPROFSECT* out) {
  return mapistandin::OpenProfileSection(profile_, uid, iid, flags, true, out);
}

STDMETHODIMP ServiceAdmin::AdminProviders(LPMAPIUID uid, ULONG flags, LPPROVIDERADMIN* admin) {
  if (!uid || !admin) return MAPI_E_INVALID_PARAMETER;
  *admin = nullptr;
  control::Journal("IMsgServiceAdmin::AdminProviders", flags, {}, profiles::UidHex(uid->ab));
  if (HRESULT hr = control::Fault("AdminProviders"); FAILED(hr)) return hr;
  const std::string hex = profiles::UidHex(uid->ab);
  bool found = false;
  for (const profiles::Section& s : profiles::Services(profile_)) found = found || s.uidHex == hex;
  if (!found) return MAPI_E_NOT_FOUND;
  *admin = new ProviderAdmin(profile_, hex);
  return S_OK;
}

STDMETHODIMP ServiceAdmin::GetProviderTable(ULONG flags, LPMAPITABLE* table) {
  if (!table) return MAPI_E_INVALID_PARAMETER;
  control::Journal("IMsgServiceAdmin::GetProviderTable", flags);
  std::vector<Row> rows;
  for (const profiles::Section& s : profiles::Providers(profile_, {})) rows.push_back(s.props);
  *table = new Table(
      "providers", std::move(rows),
      {PR_INSTANCE_KEY, PR_DISPLAY_NAME_A, PR_SERVICE_UID, PR_PROVIDER_UID, PR_RESOURCE_TYPE});
  return S_OK;
}

}  // namespace mapistandin
