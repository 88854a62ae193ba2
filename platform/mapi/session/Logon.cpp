// MAPIInitialize, MAPIUninitialize and MAPILogonEx.
#include <mapix.h>

#include <mutex>

#include "control/Control.h"
#include "notify/Delivery.h"
#include "profile/ProfileRegistry.h"
#include "session/Session.h"
#include "spooler/Spooler.h"

namespace {

std::mutex g_initLock;
int g_initCount = 0;
ULONG g_initFlags = 0;

bool Initialized() {
  std::lock_guard guard(g_initLock);
  return g_initCount > 0;
}

}  // namespace

extern "C" HRESULT WINAPI MAPIInitialize(LPVOID init) {
  // The flags of the first initialisation count; every call needs its MAPIUninitialize.
  const auto* params = static_cast<const MAPIINIT_0*>(init);
  const ULONG flags = params ? params->ulFlags : 0;
  mapistandin::control::Journal("MAPIInitialize", flags, {},
                                params ? "with structure" : "no structure");
  if (HRESULT hr = mapistandin::control::Fault("MAPIInitialize"); FAILED(hr)) return hr;
  if (params && params->ulVersion > MAPI_INIT_VERSION) return MAPI_E_VERSION;
  std::lock_guard guard(g_initLock);
  if (g_initCount++ == 0) {
    g_initFlags = flags;
    mapistandin::delivery::SetMultithreaded((flags & MAPI_MULTITHREAD_NOTIFICATIONS) != 0);
  }
  return S_OK;
}

extern "C" void WINAPI MAPIUninitialize() {
  mapistandin::control::Journal("MAPIUninitialize", 0);
  {
    std::lock_guard guard(g_initLock);
    if (g_initCount == 0 || --g_initCount > 0) return;
  }
  // The last one: the spooler hands over what was submitted and ends, then the
  // notification thread ends once it has delivered what is queued.
  mapistandin::spooler::Stop();
  mapistandin::delivery::StopThread();
}

extern "C" HRESULT WINAPI MAPILogonEx(ULONG_PTR, LPTSTR profileName, LPTSTR, ULONG flags,
                                      LPMAPISESSION* session) {
  using namespace mapistandin;
  // 1. Arguments and state.
  if (!session) return MAPI_E_INVALID_PARAMETER;
  *session = nullptr;
  control::Journal("MAPILogonEx", flags, {}, profileName ? profileName : "");
  if (!Initialized()) return MAPI_E_NOT_INITIALIZED;
  if (HRESULT hr = control::Fault("MAPILogonEx"); FAILED(hr)) return hr;
  if (flags & MAPI_UNICODE) return MAPI_E_BAD_CHARWIDTH;
  // 2. The profile: the one named; otherwise the running session's (the default
  //    profile's), unless MAPI_EXPLICIT_PROFILE asks for a choice.
  std::string profile;
  if (profileName && *profileName) {
    if (!profiles::Exists(profileName)) return MAPI_E_LOGON_FAILED;
    profile = profileName;
  } else if (!(flags & MAPI_EXPLICIT_PROFILE) || (flags & MAPI_USE_DEFAULT)) {
    profile = profiles::DefaultProfile();
  }
  // 3. No profile yet: only the chooser of MAPI_LOGON_UI can give one; tests decide what
  //    the user does there.
  if (profile.empty()) {
    if (!(flags & MAPI_LOGON_UI)) return MAPI_E_LOGON_FAILED;
    if (!control::LogonUiPicksDefault()) return MAPI_E_USER_CANCEL;
    profile = profiles::DefaultProfile();
    if (profile.empty()) return MAPI_E_LOGON_FAILED;
  }
  *session = new Session(profile);
  return S_OK;
}
