// The trace log of an automation object (session, clipboard monitor): the LogFile,
// LoggingEnabled and AppendLog settings and the steps of writing one entry.
#pragma once

#include <memory>

#include <oaidl.h>

#include "foundation/Owned.h"
#include "foundation/TraceLogFile.h"

namespace kelmsgs {

class TraceLog {
 public:
  // className names the owner in every line; withAppend is true for the owner that
  // offers AppendLog (the session), false for one that always starts a fresh file.
  TraceLog(const char* className, bool withAppend) noexcept
      : className_(className), withAppend_(withAppend) {}

  HRESULT get_LogFile(BSTR* pVal) const;
  // Null, empty and over-long (259 characters and more) names are refused.
  HRESULT put_LogFile(BSTR name);
  HRESULT get_LoggingEnabled(VARIANT_BOOL* pVal) const;
  HRESULT put_LoggingEnabled(VARIANT_BOOL on);
  HRESULT get_AppendLog(VARIANT_BOOL* pVal) const;
  HRESULT put_AppendLog(VARIANT_BOOL on);

  // One entry; nothing happens unless a log file is set and logging is enabled.
  void Write(const char* operation, const char* message, const char* sourceFile, int line);

 private:
  const char* className_;
  bool withAppend_;
  Bstr name_;
  bool enabled_ = false;
  bool append_ = false;
  std::unique_ptr<CTraceLogFile> file_;
};

}  // namespace kelmsgs

// Writes an entry with the caller's source position.
#define KELMSGS_TRACE(log, operation, message) (log).Write(operation, message, __FILE__, __LINE__)
