#include "support/LibraryModule.h"

LibraryModule::LibraryModule() {
  wchar_t exe[MAX_PATH];
  GetModuleFileNameW(nullptr, exe, MAX_PATH);
  path_ = exe;
  path_ = path_.substr(0, path_.find_last_of(L"\\/") + 1) + L"KelMsgs.dll";
  module_ = LoadLibraryW(path_.c_str());
}

LibraryModule::~LibraryModule() {
  if (module_) FreeLibrary(module_);
}

HRESULT LibraryModule::GetClassObject(REFCLSID clsid, REFIID iid, void** ppv) const {
  using Fn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
  return Export<Fn>("DllGetClassObject")(clsid, iid, ppv);
}

HRESULT LibraryModule::CanUnloadNow() const {
  using Fn = HRESULT(STDAPICALLTYPE*)();
  return Export<Fn>("DllCanUnloadNow")();
}

HRESULT LibraryModule::Register() const {
  using Fn = HRESULT(STDAPICALLTYPE*)();
  return Export<Fn>("DllRegisterServer")();
}

HRESULT LibraryModule::Unregister() const {
  using Fn = HRESULT(STDAPICALLTYPE*)();
  return Export<Fn>("DllUnregisterServer")();
}
