// A trace log file: tab-separated, time-stamped lines, bounded in size. Every operation
// runs under one process-wide lock shared by all trace log files, so lines of different
// threads never interleave and a trim never races a write.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>

#include "foundation/Owned.h"
#include "foundation/TraceLine.h"

namespace kelmsgs {

// The lock of all trace log files; exists from library load on.
std::recursive_mutex& TraceLogLock() noexcept;

class CTraceLogFile {
 public:
  CTraceLogFile() = default;
  CTraceLogFile(const CTraceLogFile&) = delete;
  CTraceLogFile& operator=(const CTraceLogFile&) = delete;

  // Opens path for appending ("a+") or writing ("w") unless a stream is already open.
  // False only when the open fails.
  bool Open(const char* path, bool append);
  void Close();
  // Cuts the open file to length 0.
  void Clear();
  // Length of the open file in bytes, -1 when none is open. Counted from the lines this
  // object writes and read from the file every kLengthResync lines, so a line costs no
  // file-size query; bytes that other writers append to the same file are seen at the
  // next read.
  std::int64_t Length();
  void SetMaxSize(std::int32_t maxSize);
  void SetLevelMask(std::uint32_t mask);
  // Writes one line; false when no stream is open or the write failed. A masked-out
  // level writes nothing and returns true.
  bool Write(std::uint32_t level, const char* className, const char* function, const char* message,
             const char* sourceFile, int line);

  bool IsOpen() const noexcept { return stream_.valid(); }

 private:
  void TrimLocked();
  // Reads the length from the file and restarts the count.
  void ResyncLength();

  static constexpr int kLengthResync = 64;

  std::string path_;
  bool append_ = false;
  CFile stream_;
  std::uint32_t levelMask_ = 0;
  std::int32_t maxSize_ = kTraceLogMaxSize;
  std::int32_t keepSize_ = TrimKeepSize(kTraceLogMaxSize);
  std::int64_t length_ = -1;  // counted length of the open file, -1 without one
  int writesSinceResync_ = 0;
};

}  // namespace kelmsgs
