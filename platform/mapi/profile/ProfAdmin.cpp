#include "profile/ProfAdmin.h"

#include "control/Control.h"
#include "profile/ProfileRegistry.h"
#include "profile/ServiceAdmin.h"
#include "store/PropObject.h"
#include "table/Table.h"

namespace mapistandin {

void* ProfAdmin::FindInterface(REFIID iid) {
  if (iid == IID_IUnknown || iid == IID_IProfAdmin) return static_cast<IProfAdmin*>(this);
  return nullptr;
}

STDMETHODIMP ProfAdmin::GetLastError(HRESULT hr, ULONG, LPMAPIERROR* error) {
  if (!error) return MAPI_E_INVALID_PARAMETER;
  return MakeMapiError(hr, "IProfAdmin", error);
}

STDMETHODIMP ProfAdmin::GetProfileTable(ULONG flags, LPMAPITABLE* table) {
  if (!table) return MAPI_E_INVALID_PARAMETER;
  *table = nullptr;
  control::Journal("IProfAdmin::GetProfileTable", flags);
  if (HRESULT hr = control::Fault("GetProfileTable"); FAILED(hr)) return hr;
  // One row per profile: its name and whether it is the default.
  const std::string standard = profiles::DefaultProfile();
  std::vector<Row> rows;
  for (const std::string& name : profiles::List()) {
    rows.push_back({MakeString(PR_DISPLAY_NAME_A, name),
                    MakeLong(PR_DEFAULT_PROFILE, name == standard),
                    MakeBinary(PR_INSTANCE_KEY, name)});
  }
  *table = new Table("profiles", std::move(rows), {PR_DISPLAY_NAME_A, PR_DEFAULT_PROFILE});
  return S_OK;
}

STDMETHODIMP ProfAdmin::CreateProfile(LPTSTR name, LPTSTR, ULONG_PTR, ULONG flags) {
  control::Journal("IProfAdmin::CreateProfile", flags, {}, name ? name : "");
  if (!name || !*name) return MAPI_E_INVALID_PARAMETER;
  if (profiles::Exists(name)) return MAPI_E_NO_ACCESS;
  HRESULT hr = profiles::Create(name);
  if (SUCCEEDED(hr) && (flags & MAPI_DEFAULT_SERVICES) == 0 && profiles::DefaultProfile().empty()) {
    profiles::SetDefault(name);  // the first profile becomes the default
  }
  return hr;
}

STDMETHODIMP ProfAdmin::DeleteProfile(LPTSTR name, ULONG flags) {
  control::Journal("IProfAdmin::DeleteProfile", flags, {}, name ? name : "");
  if (!name || !*name) return MAPI_E_INVALID_PARAMETER;
  return profiles::Delete(name);
}

STDMETHODIMP ProfAdmin::SetDefaultProfile(LPTSTR name, ULONG flags) {
  control::Journal("IProfAdmin::SetDefaultProfile", flags, {}, name ? name : "");
  return profiles::SetDefault(name ? name : "");
}

STDMETHODIMP ProfAdmin::AdminServices(LPTSTR name, LPTSTR, ULONG_PTR, ULONG flags,
                                      LPSERVICEADMIN* admin) {
  if (!admin) return MAPI_E_INVALID_PARAMETER;
  *admin = nullptr;
  control::Journal("IProfAdmin::AdminServices", flags, {}, name ? name : "");
  if (HRESULT hr = control::Fault("AdminServices"); FAILED(hr)) return hr;
  if (!name || !profiles::Exists(name)) return MAPI_E_NOT_FOUND;
  *admin = new ServiceAdmin(name);
  return S_OK;
}

}  // namespace mapistandin

extern "C" HRESULT WINAPI MAPIAdminProfiles(ULONG flags, LPPROFADMIN* admin) {
  if (!admin) return MAPI_E_INVALID_PARAMETER;
  *admin = nullptr;
  mapistandin::control::Journal("MAPIAdminProfiles", flags);
  if (HRESULT hr = mapistandin::control::Fault("MAPIAdminProfiles"); FAILED(hr)) return hr;
  *admin = new mapistandin::ProfAdmin();
  return S_OK;
}
