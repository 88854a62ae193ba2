// QMXSession: construction, destruction and the plain properties.
#include "session/QMXSession.h"

#include <shlobj.h>

#include "foundation/BstrText.h"
#include "foundation/VendorKey.h"
#include "foundation/AutomationOut.h"
#include "session/HostLinks.h"
#include "session/RtfRewriter.h"

namespace kelmsgs {

namespace {
constexpr LONG kBuildNumber = 47;
constexpr LONG kPatchNumber = 0;

std::wstring SpecialFolder(int csidl) {
  char path[MAX_PATH] = {};
  if (!SHGetSpecialFolderPathA(nullptr, path, csidl, TRUE)) return {};
  return WideFromNarrow(path);
}

}  // namespace

CQMXSession::CQMXSession() {
  // 2. The user's application-data and documents folders.
  personalFolder_ = SpecialFolder(CSIDL_APPDATA);
  userFolder_ = SpecialFolder(CSIDL_PERSONAL);
  // 3. The registry base, tied to the profile last recorded there.
  registryKeyPath_ = VendorKeyWithCurrentProfile();
  // 4. The host's toolbar and progress bar, whoever handed them in, are let go.
  HostLinks::Drop();
}

CQMXSession::~CQMXSession() {
  // Rewrites still running hold what they use; they no longer write to this session's log.
  FinishRewrites("~CQMXSession");
  if (rewriter_) rewriter_->Detach();
  SESSION_TRACE("~CQMXSession", "Session destructed.");
}

void CQMXSession::Trace(const char* operation, const std::string& message, const char* file,
                        int line) {
  std::lock_guard guard(logLock_);
  log_.Write(operation, message.c_str(), file, line);
}

HRESULT CQMXSession::get_MAPIObject(IUnknown** pVal) {
  if (!pVal) return E_POINTER;
  session_.copy_to(pVal);
  return S_OK;
}

// A session handed in by the host (its own MAPI session) is used instead of logging on.
// Objects that are not MAPI sessions are refused rather than used as one.
HRESULT CQMXSession::put_MAPIObject(IUnknown* newVal) {
  if (!newVal) return E_INVALIDARG;
  if (session_) return S_OK;
  ComPtr<IMAPISession> session;
  const HRESULT hr = newVal->QueryInterface(IID_IMAPISession, session.put_void());
  if (FAILED(hr)) return hr;
  session_ = std::move(session);
  return S_OK;
}

HRESULT CQMXSession::get_LogFile(BSTR* pVal) {
  std::lock_guard guard(logLock_);
  return log_.get_LogFile(pVal);
}
HRESULT CQMXSession::put_LogFile(BSTR newVal) {
  std::lock_guard guard(logLock_);
  return log_.put_LogFile(newVal);
}
HRESULT CQMXSession::get_LoggingEnabled(VARIANT_BOOL* pVal) {
  std::lock_guard guard(logLock_);
  return log_.get_LoggingEnabled(pVal);
}
HRESULT CQMXSession::put_LoggingEnabled(VARIANT_BOOL newVal) {
  std::lock_guard guard(logLock_);
  return log_.put_LoggingEnabled(newVal);
}
HRESULT CQMXSession::get_AppendLog(VARIANT_BOOL* pVal) {
  std::lock_guard guard(logLock_);
  return log_.get_AppendLog(pVal);
}
HRESULT CQMXSession::put_AppendLog(VARIANT_BOOL newVal) {
  std::lock_guard guard(logLock_);
  return log_.put_AppendLog(newVal);
}

HRESULT CQMXSession::get_OutlookVersion(LONG* pVal) {
  return LongOut(outlookVersion_, pVal);
}
HRESULT CQMXSession::put_OutlookVersion(LONG newVal) {
  outlookVersion_ = newVal;
  return S_OK;
}
HRESULT CQMXSession::get_InifilePath(BSTR* pVal) {
  return StringOut(inifilePath_, pVal);
}
HRESULT CQMXSession::put_InifilePath(BSTR newVal) {
  inifilePath_.assign(newVal ? newVal : L"", newVal ? SysStringLen(newVal) : 0);
  return S_OK;
}
HRESULT CQMXSession::get_PersonalFolder(BSTR* pVal) {
  return StringOut(personalFolder_, pVal);
}
HRESULT CQMXSession::get_UserFolder(BSTR* pVal) {
  return StringOut(userFolder_, pVal);
}
HRESULT CQMXSession::get_BuildNumber(LONG* pVal) {
  return LongOut(kBuildNumber, pVal);
}
HRESULT CQMXSession::get_PatchNumber(LONG* pVal) {
  return LongOut(kPatchNumber, pVal);
}

}  // namespace kelmsgs
