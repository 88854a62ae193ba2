// QMXSession: MAPI initialisation, logon and logoff.
#include <mapiutil.h>

#include <utility>

#include "foundation/BstrText.h"
#include "session/MessagePump.h"
#include "session/QMXSession.h"
#include "session/HostLinks.h"

namespace kelmsgs {

namespace {
constexpr ULONG kLogonFlags = MAPI_EXTENDED | MAPI_NO_MAIL;  // 0x8020
// The second attempt lets the user choose a profile.
constexpr ULONG kLogonUiFlags =
    MAPI_EXTENDED | MAPI_NO_MAIL | MAPI_EXPLICIT_PROFILE | MAPI_NEW_SESSION | MAPI_LOGON_UI;
constexpr DWORD kUserNameLength = 260;
}  // namespace

HRESULT CQMXSession::MAPIInit(VARIANT_BOOL MultiThread) {
  // 1. Once per session.
  if (mapiInitialized_) return S_OK;
  // 2. With multithreaded notifications when asked for.
  MAPIINIT_0 init{MAPI_INIT_VERSION, MAPI_MULTITHREAD_NOTIFICATIONS};
  const HRESULT hr = MAPIInitialize(MultiThread ? &init : nullptr);
  // 3. Remember success.
  if (SUCCEEDED(hr)) mapiInitialized_ = true;
  return hr;
}

HRESULT CQMXSession::Logon(BSTR /*ProfileName*/, BSTR /*Password*/, VARIANT_BOOL* pVal) {
  if (!pVal) return E_POINTER;
  // 1. MAPI, initialised here when the client did not.
  if (!mapiInitialized_) {
    const HRESULT hr = MAPIInitialize(nullptr);
    if (FAILED(hr)) return hr;
    mapiInitialized_ = true;
  }
  // A session of an earlier logon is logged off first, never leaked or doubled.
  ReleaseSession();
  profileNames_.clear();
  defaultProfileName_.reset();
  ++logonGeneration_;
  const PumpGuard guard(this);

  // 2. Join the running session; failing that, let the user pick a profile.
  bool loggedOn = false;
  SESSION_TRACE("Logon", "MAPI Logon...");
  HRESULT hr = MAPILogonEx(0, nullptr, nullptr, kLogonFlags, session_.put());
  if (FAILED(hr) || !session_) {
    SESSION_TRACE("Logon", hr == MAPI_E_LOGON_FAILED ? "Logon failed."
                           : hr == MAPI_E_TIMEOUT    ? "Logon timeout."
                                                     : "Unknown error.");
    hr = MAPILogonEx(0, nullptr, nullptr, kLogonUiFlags, session_.put());
    if (FAILED(hr) || !session_) {
      session_.reset();
      SESSION_TRACE("Logon", hr == MAPI_E_LOGON_FAILED  ? "Logon failed."
                             : hr == MAPI_E_USER_CANCEL ? "Logon cancelled."
                             : hr == MAPI_E_TIMEOUT     ? "Logon timeout."
                                                        : "...failed.");
    }
  }
  if (session_) {
    loggedOn = true;
    SESSION_TRACE("Logon", "...finished.");
  }
  // 3. The client learns whether it is logged on.
  *pVal = loggedOn ? VARIANT_TRUE : VARIANT_FALSE;

  // 4. Post-logon steps, each followed by the client's pending window messages. A client
  //    that logs off or on again meanwhile has overtaken this logon: it ends here, and
  //    the client's own call answers for what follows.
  if (session_) BuildStoreTable();
  if (!guard.Pump()) return S_OK;
  ReadProfileList();
  if (!guard.Pump()) return S_OK;
  if (session_) ReadCurrentProfileName();
  if (!guard.Pump()) return S_OK;
  char user[kUserNameLength] = {};
  DWORD userLength = kUserNameLength;
  if (GetUserNameA(user, &userLength)) currentUser_ = BstrFromNarrow(user);
  if (!guard.Pump()) return S_OK;
  const HRESULT iniResult = WriteProfilesIni(guard);
  guard.Pump();
  // 5. Only a failed logon reports the information file's result.
  return loggedOn ? S_OK : iniResult;
}

void CQMXSession::ReleaseSession() {
  // 2. The store objects.
  stores_.clear();
  // 3. The store table and its notifications, taken from the table's sink first (it may be
  //    reloading the rows on MAPI's notification thread right now).
  ComPtr<IMAPITable> table;
  SharedRowSet rows;
  ULONG connection = 0;
  bool advised = false;
  {
    std::lock_guard guard(tableLock_);
    table = std::move(storeTable_);
    rows = std::move(storeRows_);
    connection = std::exchange(tableConnection_, 0);
    advised = std::exchange(tableAdvised_, false);
  }
  if (table) {
    if (advised) {
      SESSION_TRACE("Logoff", "Unadvising MAPITable");
      table->Unadvise(connection);
    }
    SESSION_TRACE("Logoff", "MAPITable release");
    table.reset();
  }
  // 4. Its rows (a reader that still holds them frees them when it is done).
  if (rows) {
    SESSION_TRACE("Logoff", "RowSet freed.");
    rows.reset();
  }
  // 5. The MAPI session; the store count keeps its last value.
  if (session_) {
    SESSION_TRACE("Logoff", "MAPISession logoff");
    session_->Logoff(0, 0, 0);
    SESSION_TRACE("Logoff", "MAPISession release");
    session_.reset();
  }
  // 6. The profile and store information.
  storeInfo_.clear();
}

HRESULT CQMXSession::Logoff(VARIANT_BOOL bMAPIUninitialize) {
  // 1. A running attachment copy and running message rewrites end first: they work through
  //    this MAPI session.
  EndCopy("Logoff");
  FinishRewrites("Logoff");
  // 2-6. Stores, table, session and information; a logon still pumping messages stops.
  ++logonGeneration_;
  ReleaseSession();
  HostLinks::Drop();
  // 7. MAPI itself, when asked and when this session initialised it.
  if (bMAPIUninitialize && mapiInitialized_) {
    SESSION_TRACE("Logoff", "MAPIUninitialize");
    MAPIUninitialize();
    SESSION_TRACE("Logoff", "Logged off.");
    mapiInitialized_ = false;
  }
  return S_OK;
}

}  // namespace kelmsgs
