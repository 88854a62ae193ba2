#include "foundation/BstrText.h"
#include "foundation/TraceLog.h"

#include <string>

#include "foundation/AnsiText.h"
#include "foundation/VendorKey.h"
#include "foundation/AutomationOut.h"

namespace kelmsgs {

namespace {
// The path field of a trace log holds 260 characters with its terminator.
constexpr int kMaxTracePath = 259;

}  // namespace

HRESULT TraceLog::get_LogFile(BSTR* pVal) const {
  if (!pVal) return E_POINTER;
  std::lock_guard lock(TraceLogLock());
  return StringOut(name_, pVal);
}

HRESULT TraceLog::put_LogFile(BSTR name) {
  // 1. Null, empty and over-long names change nothing.
  if (!name || SysStringLen(name) == 0) return E_INVALIDARG;
  const std::string path = AnsiFromBstr(name);
  if (path.empty() || static_cast<int>(path.size()) > kMaxTracePath) return E_INVALIDARG;
  // 2. Keep a copy of the name.
  Bstr copy = BstrCopy(name);
  if (!copy) return E_OUTOFMEMORY;
  // 3. A fresh log file object; its file opens with the next entry. The swap happens under
  //    the trace logs' lock: an entry may be written on another thread (the session's
  //    table notifications) at the same time. The old file closes outside it.
  auto file = std::make_unique<CTraceLogFile>();
  file->SetMaxSize(kTraceLogMaxSize);
  {
    std::lock_guard lock(TraceLogLock());
    name_ = std::move(copy);
    file_.swap(file);
  }
  return S_OK;
}

HRESULT TraceLog::get_LoggingEnabled(VARIANT_BOOL* pVal) const {
  std::lock_guard lock(TraceLogLock());
  return BoolOut(enabled_, pVal);
}

HRESULT TraceLog::put_LoggingEnabled(VARIANT_BOOL on) {
  std::lock_guard lock(TraceLogLock());
  enabled_ = on != VARIANT_FALSE;
  return S_OK;
}

HRESULT TraceLog::get_AppendLog(VARIANT_BOOL* pVal) const {
  std::lock_guard lock(TraceLogLock());
  return BoolOut(append_, pVal);
}

HRESULT TraceLog::put_AppendLog(VARIANT_BOOL on) {
  std::lock_guard lock(TraceLogLock());
  append_ = on != VARIANT_FALSE;
  return S_OK;
}

void TraceLog::Write(const char* operation, const char* message, const char* sourceFile, int line) {
  // The whole entry under the trace logs' lock: the settings and the file object may be
  // changed by the owner's thread while another thread writes.
  std::lock_guard lock(TraceLogLock());
  if (!file_ || !enabled_) return;
  const bool append = withAppend_ && append_;
  const std::int64_t length = file_->Length();
  // 1. An open file within bounds takes the entry directly.
  if (!(length >= 1 && length <= kTraceLogMaxSize)) {
    // 2. Open the file when it is not open yet (or is empty).
    if (length <= 0 && name_) {
      const std::string path = AnsiFromBstr(name_.get());
      file_->Open(path.c_str(), append);
      file_->SetMaxSize(kTraceLogMaxSize);
      file_->SetLevelMask(kAllLevels);
    }
    // 3. A log that is not continued starts empty, with the application version.
    if (!append) {
      file_->Clear();
      std::string appVer;
      if (ReadUserString(kVendorKey, "AppVer", appVer))
        file_->Write(kLevelTrace, className_, "WriteLog", appVer.c_str(), __FILE__, __LINE__);
    }
    // 4. A continued log that was already too large is marked.
    if (file_->Length() > kTraceLogMaxSize)
      file_->Write(kLevelTrace, className_, "WriteLog", "LogFile max size exceeded.\r\n", __FILE__,
                   __LINE__);
  }
  // 5. The entry itself.
  file_->Write(kLevelTrace, className_, operation, message, sourceFile, line);
  // 6. AppendLog acts on one entry only.
  if (withAppend_) append_ = false;
}

}  // namespace kelmsgs
