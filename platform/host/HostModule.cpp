// KelMsgsHost.dll: an in-process COM server with one class, the host toolbar stand-in
// (HostToolbar.h). It registers itself under its ProgID "KelMsgsHost.Toolbar" with the
// apartment threading model, so the toolbar object lives in the apartment of its creator.
#include <windows.h>

#include <atomic>
#include <string>

#include "HostToolbar.h"
#include "HostWindows.h"

namespace hoststandin {
namespace {

std::atomic<long> g_locks{0};

class Factory final : public IClassFactory {
 public:
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid != IID_IUnknown && iid != IID_IClassFactory) return E_NOINTERFACE;
    *out = static_cast<IClassFactory*>(this);
    return S_OK;
  }
  // The factory is static: it lives as long as the module.
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    auto* toolbar = new (std::nothrow) HostToolbar;
    if (!toolbar) return E_OUTOFMEMORY;
    // A toolbar whose windows could not be made is no host at all.
    const HRESULT hr = toolbar->Ready() ? toolbar->QueryInterface(iid, out) : E_FAIL;
    toolbar->Release();
    return hr;
  }
  STDMETHODIMP LockServer(BOOL lock) override {
    g_locks += lock ? 1 : -1;
    return S_OK;
  }
};

Factory g_factory;

std::string ClsidText() {
  wchar_t wide[40] = {};
  StringFromGUID2(kClsidHostToolbar, wide, 40);
  std::string text;
  for (const wchar_t* c = wide; *c; ++c) text += static_cast<char>(*c);
  return text;
}

HRESULT SetKeyValue(const std::string& key, const char* name, const std::string& value) {
  HKEY handle = nullptr;
  LONG status = RegCreateKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                                &handle, nullptr);
  if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
  status = RegSetValueExA(handle, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>(value.size() + 1));
  RegCloseKey(handle);
  return HRESULT_FROM_WIN32(status);
}

}  // namespace
}  // namespace hoststandin

using namespace hoststandin;

extern "C" HRESULT WINAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (clsid != kClsidHostToolbar) return CLASS_E_CLASSNOTAVAILABLE;
  return g_factory.QueryInterface(iid, out);
}

extern "C" HRESULT WINAPI DllCanUnloadNow() {
  return NamedDispatch::LiveObjects() == 0 && g_locks == 0 ? S_OK : S_FALSE;
}

extern "C" HRESULT WINAPI DllRegisterServer() {
  char path[MAX_PATH] = {};
  if (!GetModuleFileNameA(ThisModule(), path, MAX_PATH)) return HRESULT_FROM_WIN32(GetLastError());
  const std::string clsid = ClsidText(), classKey = "CLSID\\" + clsid;
  const std::string description = "KelMsgs host toolbar stand-in";
  const struct {
    std::string key;
    const char* name;
    std::string value;
  } values[] = {
      {kHostToolbarProgId, nullptr, description},
      {std::string(kHostToolbarProgId) + "\\CLSID", nullptr, clsid},
      {classKey, nullptr, description},
      {classKey + "\\ProgID", nullptr, kHostToolbarProgId},
      {classKey + "\\InprocServer32", nullptr, path},
      {classKey + "\\InprocServer32", "ThreadingModel", "Apartment"},
  };
  for (const auto& value : values) {
    const HRESULT hr = SetKeyValue(value.key, value.name, value.value);
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

extern "C" HRESULT WINAPI DllUnregisterServer() {
  RegDeleteTreeA(HKEY_CLASSES_ROOT, ("CLSID\\" + ClsidText()).c_str());
  RegDeleteTreeA(HKEY_CLASSES_ROOT, kHostToolbarProgId);
  return S_OK;
}
