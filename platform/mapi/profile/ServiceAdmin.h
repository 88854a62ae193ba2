// Message-service administration of one profile.
#pragma once

#include <mapix.h>

#include <string>

#include "util/ComObject.h"

namespace mapistandin {

class ServiceAdmin : public IMsgServiceAdmin, public ComObject {
 public:
  explicit ServiceAdmin(std::string profile) : profile_(std::move(profile)) {}

  STANDIN_IUNKNOWN
  STDMETHODIMP GetLastError(HRESULT hr, ULONG flags, LPMAPIERROR* error) override;
  STDMETHODIMP GetMsgServiceTable(ULONG flags, LPMAPITABLE* table) override;
  STDMETHODIMP CreateMsgService(LPTSTR service, LPTSTR displayName, ULONG_PTR ui,
                                ULONG flags) override;
  STDMETHODIMP DeleteMsgService(LPMAPIUID uid) override;
  STDMETHODIMP CopyMsgService(LPMAPIUID, LPTSTR, LPCIID, LPCIID, LPVOID, ULONG_PTR,
                              ULONG) override {
    return MAPI_E_NO_SUPPORT;
  }
  STDMETHODIMP RenameMsgService(LPMAPIUID, ULONG, LPTSTR) override { return MAPI_E_NO_SUPPORT; }
  STDMETHODIMP ConfigureMsgService(LPMAPIUID uid, ULONG_PTR ui, ULONG flags, ULONG count,
                                   LPSPropValue props) override;
  STDMETHODIMP OpenProfileSection(LPMAPIUID uid, LPCIID iid, ULONG flags, LPPROFSECT* out) override;
  STDMETHODIMP MsgServiceTransportOrder(ULONG, LPMAPIUID, ULONG) override {
    return MAPI_E_NO_SUPPORT;
  }
  STDMETHODIMP AdminProviders(LPMAPIUID uid, ULONG flags, LPPROVIDERADMIN* admin) override;
  STDMETHODIMP SetPrimaryIdentity(LPMAPIUID, ULONG) override { return MAPI_E_NO_SUPPORT; }
  STDMETHODIMP GetProviderTable(ULONG flags, LPMAPITABLE* table) override;

 protected:
  void* FindInterface(REFIID iid) override;

 private:
  std::string profile_;
};

}  // namespace mapistandin
