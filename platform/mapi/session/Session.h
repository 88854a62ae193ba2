// A MAPI session on one profile.
#pragma once

#include <mapix.h>

#include <mutex>
#include <set>
#include <string>

#include "util/ComObject.h"
#include "util/Owners.h"

namespace mapistandin {

class Table;

class Session : public IMAPISession, public ComObject {
 public:
  explicit Session(std::string profile);
  ~Session() override;

  STANDIN_IUNKNOWN
  STDMETHODIMP GetLastError(HRESULT hr, ULONG flags, LPMAPIERROR* error) override;
  STDMETHODIMP GetMsgStoresTable(ULONG flags, LPMAPITABLE* table) override;
  STDMETHODIMP OpenMsgStore(ULONG_PTR ui, ULONG cb, LPENTRYID id, LPCIID iid, ULONG flags,
                            LPMDB* store) override;
  STDMETHODIMP OpenAddressBook(ULONG_PTR ui, LPCIID iid, ULONG flags, LPADRBOOK* book) override;
  STDMETHODIMP OpenProfileSection(LPMAPIUID uid, LPCIID iid, ULONG flags, LPPROFSECT* out) override;
  STDMETHODIMP GetStatusTable(ULONG flags, LPMAPITABLE* table) override;
  STDMETHODIMP OpenEntry(ULONG cb, LPENTRYID id, LPCIID iid, ULONG flags, ULONG* type,
                         LPUNKNOWN* out) override;
  STDMETHODIMP CompareEntryIDs(ULONG cb1, LPENTRYID id1, ULONG cb2, LPENTRYID id2, ULONG flags,
                               ULONG* result) override;
  STDMETHODIMP Advise(ULONG, LPENTRYID, ULONG, LPMAPIADVISESINK, ULONG*) override {
    return MAPI_E_NO_SUPPORT;
  }
  STDMETHODIMP Unadvise(ULONG) override { return MAPI_E_NOT_FOUND; }
  STDMETHODIMP MessageOptions(ULONG_PTR, ULONG, LPTSTR, LPMESSAGE) override {
    return MAPI_E_NO_SUPPORT;
  }
  STDMETHODIMP QueryDefaultMessageOpt(LPTSTR, ULONG, ULONG*, LPSPropValue*) override {
    return MAPI_E_NO_SUPPORT;
  }
  STDMETHODIMP EnumAdrTypes(ULONG, ULONG*, LPTSTR**) override { return MAPI_E_NO_SUPPORT; }
  STDMETHODIMP QueryIdentity(ULONG* cb, LPENTRYID* id) override;
  STDMETHODIMP Logoff(ULONG_PTR ui, ULONG flags, ULONG reserved) override;
  STDMETHODIMP SetDefaultStore(ULONG flags, ULONG cb, LPENTRYID id) override;
  STDMETHODIMP AdminServices(ULONG flags, LPSERVICEADMIN* admin) override;
  STDMETHODIMP ShowForm(ULONG_PTR, LPMDB, LPMAPIFOLDER, LPCIID, ULONG, LPMESSAGE, ULONG, ULONG,
                        ULONG, ULONG, LPSTR) override {
    return MAPI_E_NO_SUPPORT;
  }
  STDMETHODIMP PrepareForm(LPCIID, LPMESSAGE, ULONG*) override { return MAPI_E_NO_SUPPORT; }

  // Rebuilds the rows of the store tables handed out (stores added or removed).
  void RefreshStoreTables(const std::string& profile);

 protected:
  void* FindInterface(REFIID iid) override;

 private:
  HRESULT CheckOpen() const { return loggedOff_ ? MAPI_E_END_OF_SESSION : S_OK; }
  // Opens the store whose store identifier is given (or that holds an object identifier).
  HRESULT OpenStoreByUid(const std::string& storeUid, ULONG flags, LPMDB* store);

  std::string profile_;
  bool loggedOff_ = false;
  std::mutex lock_;
  std::set<Table*> storeTables_;
};

}  // namespace mapistandin
