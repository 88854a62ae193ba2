// QMXSession: the attachment copy service. CopyAttachments hands a copy to a worker
// (session/AttachCopy.h); StopAttachmentCopy, CleanupQlaTempDir, a new CopyAttachments,
// Logoff and the release of the session's last outside reference stop the running copy
// and wait for its worker, dispatching the caller's window messages meanwhile.
#include "foundation/AnsiText.h"
#include "foundation/AutomationOut.h"
#include "session/AttachCopy.h"
#include "session/QMXSession.h"

namespace kelmsgs {

namespace {

// How long a stopped copy is awaited. A stopped worker ends within one read of its copy
// buffer or one acknowledgement wait; this only bounds a worker held up inside MAPI.
constexpr DWORD kCopyStopLimitMs = 30000;

bool IsEmpty(BSTR s) {
  return !s || SysStringLen(s) == 0;
}

}  // namespace

ULONG CQMXSession::Release() {
  // When the copy's worker would be left holding the session's only reference, the copy is
  // stopped and awaited first, so the session always ends here, on a thread of its
  // clients, and never under its worker.
  const DWORD worker = copyThreadId_;
  if (worker && worker != GetCurrentThreadId() && RefCountNow() == 2) EndCopy("Release");
  return EventSourceObject::Release();
}

bool CQMXSession::StopCopy(const char* operation) {
  // 1. The stop request, seen by the worker at its next check.
  stopRequest_ = true;
  // 2. The worker's end; then it and its thread handle go.
  if (AwaitAttachmentCopy(kCopyStopLimitMs)) return true;
  SESSION_TRACE(operation, "The attachment copy did not end in time.");
  return false;
}

bool CQMXSession::EndCopy(const char* operation) {
  stopRequest_ = true;
  const bool ended = StopCopy(operation);
  stopRequest_ = false;
  return ended;
}

HRESULT CQMXSession::CopyAttachments(BSTR SrcEntryId, BSTR SrcStoreId, BSTR DstEntryId,
                                     BSTR DstStoreId, VARIANT_BOOL IsAttach) {
  SESSION_TRACE("CopyAttachments", "Function called.");
  // 1. A running copy ends first.
  if (!EndCopy("CopyAttachments")) return S_OK;
  // 2. Logged on, with four identifiers.
  if (!session_) return S_OK;
  if (IsEmpty(SrcEntryId) || IsEmpty(SrcStoreId) || IsEmpty(DstEntryId) || IsEmpty(DstStoreId))
    return E_INVALIDARG;
  // 3. The worker, with what it needs of this session.
  AttachCopy::Request request{AnsiFromBstr(SrcEntryId), AnsiFromBstr(SrcStoreId),
                              AnsiFromBstr(DstEntryId), AnsiFromBstr(DstStoreId),
                              IsAttach != VARIANT_FALSE};
  AttachCopy::Setting setting{ComPtr<CQMXSession>(this), session_, ToolbarWindow(),
                              SearchControlWindow(), registryKeyPath_};
  copy_ = AttachCopy::Start(std::move(request), std::move(setting));
  if (copy_) copyThreadId_ = copy_->ThreadId();
  return S_OK;
}

bool CQMXSession::AwaitAttachmentCopy(DWORD limitMs) {
  std::shared_ptr<AttachCopy> copy = copy_;
  if (!copy) return true;
  if (copy->IsWorkerThread()) return false;  // the worker never waits for itself
  const ComPtr<CQMXSession> self(this);
  if (!copy->Wait(limitMs)) return false;
  if (copy_ == copy) {
    copy_.reset();
    copyThreadId_ = 0;
  }
  return true;
}

HRESULT CQMXSession::StopAttachmentCopy() {
  stopRequest_ = true;
  SESSION_TRACE("StopAttachmentCopy", "Stopping attachment copy...");
  StopCopy("StopAttachmentCopy");
  SESSION_TRACE("StopAttachmentCopy", "...finished.");
  stopRequest_ = false;
  return S_OK;
}

HRESULT CQMXSession::get_CopyingAttachments(VARIANT_BOOL* pVal) {
  return BoolOut(copying_, pVal);
}

HRESULT CQMXSession::get_ProgressbarEnabled(VARIANT_BOOL* pVal) {
  return BoolOut(progressbarEnabled_, pVal);
}
HRESULT CQMXSession::put_ProgressbarEnabled(VARIANT_BOOL newVal) {
  progressbarEnabled_ = newVal != VARIANT_FALSE;
  return S_OK;
}

}  // namespace kelmsgs
