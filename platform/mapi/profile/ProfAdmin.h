// Profile administration (MAPIAdminProfiles).
#pragma once

#include <mapix.h>

#include "util/ComObject.h"

namespace mapistandin {

class ProfAdmin : public IProfAdmin, public ComObject {
 public:
  STANDIN_IUNKNOWN
  STDMETHODIMP GetLastError(HRESULT hr, ULONG flags, LPMAPIERROR* error) override;
  STDMETHODIMP GetProfileTable(ULONG flags, LPMAPITABLE* table) override;
  STDMETHODIMP CreateProfile(LPTSTR name, LPTSTR password, ULONG_PTR ui, ULONG flags) override;
  STDMETHODIMP DeleteProfile(LPTSTR name, ULONG flags) override;
  STDMETHODIMP ChangeProfilePassword(LPTSTR, LPTSTR, LPTSTR, ULONG) override {
    return MAPI_E_NO_SUPPORT;
  }
  STDMETHODIMP CopyProfile(LPTSTR, LPTSTR, LPTSTR, ULONG_PTR, ULONG) override {
    return MAPI_E_NO_SUPPORT;
  }
  STDMETHODIMP RenameProfile(LPTSTR, LPTSTR, LPTSTR, ULONG_PTR, ULONG) override {
    return MAPI_E_NO_SUPPORT;
  }
  STDMETHODIMP SetDefaultProfile(LPTSTR name, ULONG flags) override;
  STDMETHODIMP AdminServices(LPTSTR name, LPTSTR password, ULONG_PTR ui, ULONG flags,
                             LPSERVICEADMIN* admin) override;

 protected:
  void* FindInterface(REFIID iid) override;
};

}  // namespace mapistandin
