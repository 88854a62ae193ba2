// The session's address book: name resolution against the profile's directory, one-off
// entries for SMTP addresses, and the mail users its entry identifiers name.
#pragma once

#include <mapix.h>

#include "addrbook/Directory.h"
#include "addrbook/ReadOnlyProps.h"

namespace mapistandin {

class AddrBook : public ReadOnlyProps<IAddrBook> {
 public:
  explicit AddrBook(std::string profile);

  STDMETHODIMP OpenEntry(ULONG cb, LPENTRYID id, LPCIID iid, ULONG flags, ULONG* type,
                         LPUNKNOWN* out) override;
  STDMETHODIMP CompareEntryIDs(ULONG cb1, LPENTRYID id1, ULONG cb2, LPENTRYID id2, ULONG flags,
                               ULONG* result) override;
  STDMETHODIMP Advise(ULONG, LPENTRYID, ULONG, LPMAPIADVISESINK, ULONG*) override {
    return MAPI_E_NO_SUPPORT;
  }
  STDMETHODIMP Unadvise(ULONG) override { return MAPI_E_NOT_FOUND; }
  STDMETHODIMP CreateOneOff(LPTSTR name, LPTSTR type, LPTSTR address, ULONG flags, ULONG* cb,
                            LPENTRYID* id) override;
  STDMETHODIMP NewEntry(ULONG_PTR, ULONG, ULONG, LPENTRYID, ULONG, LPENTRYID, ULONG*,
                        LPENTRYID*) override {
    return MAPI_E_NO_SUPPORT;
  }
  STDMETHODIMP ResolveName(ULONG_PTR ui, ULONG flags, LPTSTR title, LPADRLIST list) override;
  STDMETHODIMP Address(ULONG_PTR*, LPADRPARM, LPADRLIST*) override { return MAPI_E_NO_SUPPORT; }
  STDMETHODIMP Details(ULONG*, LPFNDISMISS, LPVOID, ULONG, LPENTRYID, LPFNBUTTON, LPVOID, LPTSTR,
                       ULONG) override {
    return MAPI_E_NO_SUPPORT;
  }
  STDMETHODIMP RecipOptions(ULONG_PTR, ULONG, LPADRENTRY) override { return MAPI_E_NO_SUPPORT; }
  STDMETHODIMP QueryDefaultRecipOpt(LPTSTR, ULONG, ULONG*, LPSPropValue*) override {
    return MAPI_E_NO_SUPPORT;
  }
  STDMETHODIMP GetPAB(ULONG*, LPENTRYID*) override { return MAPI_E_NO_SUPPORT; }
  STDMETHODIMP SetPAB(ULONG, LPENTRYID) override { return MAPI_E_NO_SUPPORT; }
  STDMETHODIMP GetDefaultDir(ULONG*, LPENTRYID*) override { return MAPI_E_NO_SUPPORT; }
  STDMETHODIMP SetDefaultDir(ULONG, LPENTRYID) override { return MAPI_E_NO_SUPPORT; }
  STDMETHODIMP GetSearchPath(ULONG, LPSRowSet*) override { return MAPI_E_NO_SUPPORT; }
  STDMETHODIMP SetSearchPath(ULONG, LPSRowSet) override { return MAPI_E_NO_SUPPORT; }
  STDMETHODIMP PrepareRecips(ULONG, LPSPropTagArray, LPADRLIST) override {
    return MAPI_E_NO_SUPPORT;
  }

 protected:
  void* FindInterface(REFIID iid) override;
  const char* Kind() const override { return "IAddrBook"; }
  Row AllProps() override { return {}; }

 private:
  // Resolves one entry in place: S_OK, MAPI_E_AMBIGUOUS_RECIP or MAPI_E_NOT_FOUND.
  HRESULT ResolveEntry(const addrbook::Directory& directory, ADRENTRY& entry);

  std::string profile_;
};

// Opens the mail user an address-book entry identifier names (the session's OpenEntry
// comes here for identifiers that are not a store's).
HRESULT OpenMailUser(const std::string& profile, ULONG cb, LPENTRYID id, LPCIID iid, ULONG* type,
                     LPUNKNOWN* out);

}  // namespace mapistandin
