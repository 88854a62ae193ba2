// Entry points of the in-process server.
#include <oaidl.h>

#include "content/FilterEngine.h"
#include "foundation/ComPtr.h"
#include "frame/ClassFactory.h"
#include "frame/ClassTable.h"
#include "frame/Module.h"
#include "frame/Registrar.h"
#include "KelMsgs.h"

using namespace kelmsgs;

namespace {
#ifdef _WIN64
constexpr SYSKIND kSysKind = SYS_WIN64;
#else
constexpr SYSKIND kSysKind = SYS_WIN32;
#endif
}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  switch (reason) {
    case DLL_PROCESS_ATTACH:
      Module::SetInstance(instance);
      DisableThreadLibraryCalls(instance);
      break;
    case DLL_PROCESS_DETACH:
      // At process exit (reserved non-null) other modules may be gone already:
      // their objects are left to the end of the process. The filter engine is never
      // touched here, under the loader lock: DllCanUnloadNow ends it, or it stays
      // loaded until the process ends.
      if (!reserved) {
        ClassFactory::ReleaseAll();
        Module::Shutdown();
      }
      break;
    default:
      break;
  }
  return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, LPVOID* ppv) {
  return ClassFactory::Get(clsid, riid, ppv);
}

STDAPI DllCanUnloadNow() {
  // 1. Objects or locks alive: the module stays.
  if (Module::LockCount() != 0) return S_FALSE;
  // 2. None left: the filter engine ends here, outside the loader lock (a read still
  //    inside the filter keeps it, and the module, loaded).
  return FilterEngine::Unload() ? S_OK : S_FALSE;
}

STDAPI DllRegisterServer() {
  // 1. Each class's registration script, in table order (no component categories).
  for (const auto& entry : ClassTable()) {
    const HRESULT hr = RunRegistrationScript(Module::Instance(), entry.script, true);
    if (FAILED(hr)) return hr;
  }
  // 2. The type library, from the module's own path.
  ComPtr<ITypeLib> library;
  HRESULT hr = Module::GetTypeLib(library.put());
  if (FAILED(hr)) return hr;
  wchar_t path[MAX_PATH * 2];
  const DWORD n = GetModuleFileNameW(Module::Instance(), path, MAX_PATH * 2);
  if (n == 0 || n >= MAX_PATH * 2) return HRESULT_FROM_WIN32(GetLastError());
  return RegisterTypeLib(library.get(), path, nullptr);
}

STDAPI DllUnregisterServer() {
  for (const auto& entry : ClassTable())
    RunRegistrationScript(Module::Instance(), entry.script, false);
  return UnRegisterTypeLib(LIBID_KelMsgsLib, 1, 0, 0, kSysKind);
}
