// Provider administration of one message service.
#pragma once

#include <mapix.h>

#include <string>

#include "util/ComObject.h"

namespace mapistandin {

class ProviderAdmin : public IProviderAdmin, public ComObject {
 public:
  ProviderAdmin(std::string profile, std::string serviceUidHex)
      : profile_(std::move(profile)), service_(std::move(serviceUidHex)) {}

  STANDIN_IUNKNOWN
  STDMETHODIMP GetLastError(HRESULT hr, ULONG flags, LPMAPIERROR* error) override;
  STDMETHODIMP GetProviderTable(ULONG flags, LPMAPITABLE* table) override;
  STDMETHODIMP CreateProvider(LPTSTR name, ULONG count, LPSPropValue props, ULONG ui, ULONG flags,
                              MAPIUID* uid) override;
  STDMETHODIMP DeleteProvider(LPMAPIUID uid) override;
  STDMETHODIMP OpenProfileSection(LPMAPIUID uid, LPCIID iid, ULONG flags, LPPROFSECT* out) override;

 protected:
  void* FindInterface(REFIID iid) override;

 private:
  std::string profile_;
  std::string service_;
};

}  // namespace mapistandin
