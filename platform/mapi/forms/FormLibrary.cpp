#include "forms/FormLibrary.h"

#include <mapiutil.h>

#include <cstring>

namespace mapistandin {

namespace {

// A class resolves to its own form, else to the form of its nearest base class
// ("IPM.Note.Report" falls back to "IPM.Note", then "IPM").
const FormDescription* Resolve(const std::vector<FormDescription>& forms, std::string wanted) {
  for (;;) {
    for (const auto& form : forms)
      if (_stricmp(form.messageClass.c_str(), wanted.c_str()) == 0) return &form;
    const auto dot = wanted.find_last_of('.');
    if (dot == std::string::npos) return nullptr;
    wanted.resize(dot);
  }
}

// What an installed form tells about itself.
class FormInfo : public PropObject<IMAPIFormInfo> {
 public:
  explicit FormInfo(FormDescription form) : form_(std::move(form)) {}

  STDMETHODIMP CalcFormPropSet(ULONG, LPMAPIFORMPROPARRAY*) override { return MAPI_E_NO_SUPPORT; }
  STDMETHODIMP CalcVerbSet(ULONG, LPMAPIVERBARRAY*) override { return MAPI_E_NO_SUPPORT; }
  STDMETHODIMP MakeIconFromBinary(ULONG, HICON*) override { return MAPI_E_NO_SUPPORT; }
  STDMETHODIMP SaveForm(LPCTSTR) override { return MAPI_E_NO_SUPPORT; }
  STDMETHODIMP OpenFormContainer(LPMAPIFORMCONTAINER*) override { return MAPI_E_NO_SUPPORT; }

 protected:
  void* FindInterface(REFIID iid) override {
    if (iid == IID_IUnknown || iid == IID_IMAPIProp || iid == IID_IMAPIFormInfo)
      return static_cast<IMAPIFormInfo*>(this);
    return nullptr;
  }
  const char* Kind() const override { return "IMAPIFormInfo"; }
  Row AllProps() override {
    Row row = {MakeString(PR_MESSAGE_CLASS_A, form_.messageClass),
               MakeString(PR_DISPLAY_NAME_A, form_.displayName)};
    if (!form_.version.empty()) row.push_back(MakeString(PR_FORM_VERSION_A, form_.version));
    if (!form_.smallIcon.empty()) row.push_back(MakeBinary(PR_MINI_ICON, form_.smallIcon));
    if (!form_.largeIcon.empty()) row.push_back(MakeBinary(PR_ICON, form_.largeIcon));
    return row;
  }
  HRESULT PutProps(const Row&) override { return MAPI_E_NO_ACCESS; }
  HRESULT RemoveProps(const std::vector<std::uint16_t>&) override { return MAPI_E_NO_ACCESS; }
  HRESULT Save(ULONG) override { return MAPI_E_NO_ACCESS; }
  HRESULT OpenProp(ULONG, REFIID, ULONG, ULONG, LPUNKNOWN*) override { return MAPI_E_NO_SUPPORT; }
  HRESULT CopyInto(REFIID, IUnknown*, const std::vector<ULONG>&, ULONG) override {
    return MAPI_E_NO_SUPPORT;
  }

 private:
  FormDescription form_;
};

// The form manager of a session: it opens folders' form registries.
class FormMgr : public IMAPIFormMgr, public ComObject {
 public:
  STANDIN_IUNKNOWN

  STDMETHODIMP GetLastError(HRESULT hr, ULONG, LPMAPIERROR* error) override {
    if (!error) return MAPI_E_INVALID_PARAMETER;
    return MakeMapiError(hr, "IMAPIFormMgr", error);
  }
  STDMETHODIMP LoadForm(ULONG, ULONG, LPCSTR, ULONG, ULONG, LPMAPIFOLDER, LPMAPIMESSAGESITE,
                        LPMESSAGE, LPMAPIVIEWCONTEXT, REFIID, LPVOID*) override {
    return MAPI_E_NO_SUPPORT;
  }
  STDMETHODIMP ResolveMessageClass(LPCSTR messageClass, ULONG flags, LPMAPIFOLDER folder,
                                   LPMAPIFORMINFO* info) override {
    // Only the focus folder's registry is searched: there is no local or personal one.
    if (!info || !messageClass) return MAPI_E_INVALID_PARAMETER;
    *info = nullptr;
    if (!folder) return MAPI_E_NOT_FOUND;
    const auto container = MakeRef<FormContainer>(folder);
    return container->ResolveMessageClass(messageClass, flags, info);
  }
  STDMETHODIMP ResolveMultipleMessageClasses(LPSMESSAGECLASSARRAY, ULONG, LPMAPIFOLDER,
                                             LPSMAPIFORMINFOARRAY*) override {
    return MAPI_E_NO_SUPPORT;
  }
  STDMETHODIMP CalcFormPropSet(LPSMAPIFORMINFOARRAY, ULONG, LPMAPIFORMPROPARRAY*) override {
    return MAPI_E_NO_SUPPORT;
  }
  STDMETHODIMP CreateForm(ULONG, ULONG, LPMAPIFORMINFO, REFIID, LPVOID*) override {
    return MAPI_E_NO_SUPPORT;
  }
  STDMETHODIMP SelectForm(ULONG, ULONG, LPCTSTR, LPMAPIFOLDER, LPMAPIFORMINFO*) override {
    return MAPI_E_NO_SUPPORT;
  }
  STDMETHODIMP SelectMultipleForms(ULONG, ULONG, LPCTSTR, LPMAPIFOLDER, LPSMAPIFORMINFOARRAY,
                                   LPSMAPIFORMINFOARRAY*) override {
    return MAPI_E_NO_SUPPORT;
  }
  STDMETHODIMP SelectFormContainer(ULONG, ULONG, LPMAPIFORMCONTAINER*) override {
    return MAPI_E_NO_SUPPORT;
  }
  STDMETHODIMP OpenFormContainer(HFRMREG registry, LPUNKNOWN object,
                                 LPMAPIFORMCONTAINER* out) override {
    // 1. Arguments: a folder's registry needs the folder.
    if (!out) return MAPI_E_INVALID_PARAMETER;
    *out = nullptr;
    if (registry != HFRMREG_FOLDER) return MAPI_E_NO_SUPPORT;
    if (!object) return MAPI_E_INVALID_PARAMETER;
    Ref<IMAPIFolder> folder;
    if (FAILED(object->QueryInterface(IID_IMAPIFolder, folder.put_void())))
      return MAPI_E_INVALID_PARAMETER;
    // 2. Its registry.
    *out = new FormContainer(folder.get());
    return S_OK;
  }
  STDMETHODIMP PrepareForm(ULONG, ULONG, LPMAPIFORMINFO) override { return MAPI_E_NO_SUPPORT; }
  STDMETHODIMP IsInConflict(ULONG, ULONG, LPCSTR, LPMAPIFOLDER) override {
    return MAPI_E_NO_SUPPORT;
  }

 protected:
  void* FindInterface(REFIID iid) override {
    if (iid == IID_IUnknown || iid == IID_IMAPIFormMgr) return static_cast<IMAPIFormMgr*>(this);
    return nullptr;
  }
};

}  // namespace

FormContainer::FormContainer(IMAPIFolder* folder) : folder_(folder) {}

void* FormContainer::FindInterface(REFIID iid) {
  if (iid == IID_IUnknown || iid == IID_IMAPIFormContainer)
    return static_cast<IMAPIFormContainer*>(this);
  return nullptr;
}

STDMETHODIMP FormContainer::GetLastError(HRESULT hr, ULONG, LPMAPIERROR* error) {
  if (!error) return MAPI_E_INVALID_PARAMETER;
  return MakeMapiError(hr, lastError_.empty() ? "IMAPIFormContainer" : lastError_.c_str(), error);
}

HRESULT FormContainer::ReadForms(std::vector<FormDescription>& forms) {
  forms.clear();
  MapiBuffer<SPropValue> value;
  const HRESULT hr = HrGetOneProp(folder_.get(), kFormRegistryTag, value.put());
  if (hr == MAPI_E_NOT_FOUND) return S_OK;
  if (FAILED(hr)) return hr;
  const std::string data(reinterpret_cast<const char*>(value->Value.bin.lpb), value->Value.bin.cb);
  size_t offset = 0;
  for (FormDescription form; offset < data.size() && UnpackForm(data, offset, form);)
    forms.push_back(form);
  return S_OK;
}

HRESULT FormContainer::WriteForms(const std::vector<FormDescription>& forms) {
  std::string data;
  for (const auto& form : forms) data += PackForm(form);
  SPropValue value = {};
  value.ulPropTag = kFormRegistryTag;
  value.Value.bin.cb = static_cast<ULONG>(data.size());
  value.Value.bin.lpb = reinterpret_cast<LPBYTE>(data.data());
  HRESULT hr = HrSetOneProp(folder_.get(), &value);
  if (SUCCEEDED(hr)) hr = folder_->SaveChanges(KEEP_OPEN_READWRITE);
  return hr;
}

STDMETHODIMP FormContainer::InstallForm(ULONG, ULONG flags, LPCTSTR path) {
  // 1. Arguments.
  constexpr ULONG kKnown = MAPI_DIALOG | MAPI_UNICODE | MAPIFORM_INSTALL_OVERWRITEONCONFLICT;
  if (flags & ~kKnown) return MAPI_E_UNKNOWN_FLAGS;
  if (flags & MAPI_UNICODE) return MAPI_E_BAD_CHARWIDTH;
  if (!path) return MAPI_E_INVALID_PARAMETER;
  if (HRESULT hr = control::Fault("InstallForm"); FAILED(hr)) return hr;
  // 2. The configuration file: missing, unreadable or invalid is an extended error.
  FormDescription form;
  if (!ReadFormConfig(reinterpret_cast<const char*>(path), form, lastError_))
    return MAPI_E_EXTENDED_ERROR;
  // 3. Into the folder's registry, in place of a form of the same class.
  std::vector<FormDescription> forms;
  HRESULT hr = ReadForms(forms);
  if (FAILED(hr)) return hr;
  std::erase_if(forms, [&](const FormDescription& f) {
    return _stricmp(f.messageClass.c_str(), form.messageClass.c_str()) == 0;
  });
  forms.push_back(std::move(form));
  return WriteForms(forms);
}

STDMETHODIMP FormContainer::RemoveForm(LPCSTR messageClass) {
  if (!messageClass) return MAPI_E_INVALID_PARAMETER;
  std::vector<FormDescription> forms;
  HRESULT hr = ReadForms(forms);
  if (FAILED(hr)) return hr;
  const size_t removed = std::erase_if(forms, [&](const FormDescription& f) {
    return _stricmp(f.messageClass.c_str(), messageClass) == 0;
  });
  if (removed == 0) return MAPI_E_NOT_FOUND;
  return WriteForms(forms);
}

STDMETHODIMP FormContainer::ResolveMessageClass(LPCSTR messageClass, ULONG, LPMAPIFORMINFO* info) {
  if (!messageClass || !info) return MAPI_E_INVALID_PARAMETER;
  *info = nullptr;
  std::vector<FormDescription> forms;
  HRESULT hr = ReadForms(forms);
  if (FAILED(hr)) return hr;
  const FormDescription* found = Resolve(forms, messageClass);
  if (!found) return MAPI_E_NOT_FOUND;
  *info = new FormInfo(*found);
  return S_OK;
}

}  // namespace mapistandin

using namespace mapistandin;

// The form manager of a logged-on session.
STDAPI MAPIOpenFormMgr(LPMAPISESSION session, LPMAPIFORMMGR* manager) {
  if (!session || !manager) return MAPI_E_INVALID_PARAMETER;
  *manager = nullptr;
  if (HRESULT hr = control::Fault("MAPIOpenFormMgr"); FAILED(hr)) return hr;
  *manager = new FormMgr;
  return S_OK;
}
