// The forms library: MAPIOpenFormMgr's form manager, the form registry of one folder
// (IMAPIFormContainer, HFRMREG_FOLDER) and the description of an installed form
// (IMAPIFormInfo). A folder's installed forms are kept with the folder itself, in its
// property kFormRegistryTag, so they persist with the store.
#pragma once

#include <mapiform.h>

#include <string>
#include <vector>

#include "forms/FormConfig.h"
#include "store/PropObject.h"

namespace mapistandin {

// Where a folder keeps its installed forms (a provider-range binary property).
constexpr ULONG kFormRegistryTag = PROP_TAG(PT_BINARY, 0x6790);

class FormContainer : public IMAPIFormContainer, public ComObject {
 public:
  explicit FormContainer(IMAPIFolder* folder);
  STANDIN_IUNKNOWN

  STDMETHODIMP GetLastError(HRESULT hr, ULONG flags, LPMAPIERROR* error) override;
  STDMETHODIMP InstallForm(ULONG ui, ULONG flags, LPCTSTR path) override;
  STDMETHODIMP RemoveForm(LPCSTR messageClass) override;
  STDMETHODIMP ResolveMessageClass(LPCSTR messageClass, ULONG flags, LPMAPIFORMINFO* info) override;
  STDMETHODIMP ResolveMultipleMessageClasses(LPSMESSAGECLASSARRAY, ULONG,
                                             LPSMAPIFORMINFOARRAY*) override {
    return MAPI_E_NO_SUPPORT;
  }
  STDMETHODIMP CalcFormPropSet(ULONG, LPMAPIFORMPROPARRAY*) override { return MAPI_E_NO_SUPPORT; }
  STDMETHODIMP GetDisplay(ULONG, LPTSTR*) override { return MAPI_E_NO_SUPPORT; }

 protected:
  void* FindInterface(REFIID iid) override;

 private:
  HRESULT ReadForms(std::vector<FormDescription>& forms);
  HRESULT WriteForms(const std::vector<FormDescription>& forms);

  const Ref<IMAPIFolder> folder_;
  std::string lastError_;
};

}  // namespace mapistandin
