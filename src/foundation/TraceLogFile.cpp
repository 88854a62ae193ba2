#include "foundation/TraceLogFile.h"

#include <io.h>

#include <algorithm>
#include <vector>

namespace kelmsgs {

namespace {
std::recursive_mutex g_traceLogLock;  // constructed when the library is loaded
constexpr std::size_t kCopyChunk = 65536;

std::int64_t StreamLength(FILE* f) {
  std::fflush(f);
  return _filelengthi64(_fileno(f));
}

// The local time now, to the millisecond. The conversion from system time to local time
// is made once per second of system time (time-zone offsets are whole minutes, so a second
// converts as a whole); lines within that second only change the milliseconds. Called
// under the trace logs' lock, which guards the remembered second.
LocalTime LocalTimeNow() {
  constexpr ULONGLONG kTicksPerSecond = 10000000, kTicksPerMillisecond = 10000;
  static ULONGLONG convertedSecond = ~0ull;
  static SYSTEMTIME converted{};
  FILETIME now{};
  GetSystemTimeAsFileTime(&now);
  const ULONGLONG ticks = (ULONGLONG{now.dwHighDateTime} << 32) | now.dwLowDateTime;
  const ULONGLONG second = ticks / kTicksPerSecond;
  if (second != convertedSecond) {
    const ULONGLONG whole = second * kTicksPerSecond;
    const FILETIME start{static_cast<DWORD>(whole), static_cast<DWORD>(whole >> 32)};
    SYSTEMTIME utc{};
    if (!FileTimeToSystemTime(&start, &utc) ||
        !SystemTimeToTzSpecificLocalTime(nullptr, &utc, &converted)) {
      // Without a conversion the line still gets a time: the one the system gives.
      GetLocalTime(&converted);
      return {converted.wYear,   converted.wMonth,  converted.wDay,         converted.wHour,
              converted.wMinute, converted.wSecond, converted.wMilliseconds};
    }
    convertedSecond = second;
  }
  const auto milliseconds = static_cast<unsigned>(ticks % kTicksPerSecond / kTicksPerMillisecond);
  return {converted.wYear,   converted.wMonth,  converted.wDay, converted.wHour,
          converted.wMinute, converted.wSecond, milliseconds};
}

// Bytes that a text-mode stream writes for text: every line feed becomes CR LF.
std::int64_t TextModeBytes(const std::string& text) {
  return static_cast<std::int64_t>(text.size()) + std::count(text.begin(), text.end(), '\n');
}
}  // namespace

std::recursive_mutex& TraceLogLock() noexcept {
  return g_traceLogLock;
}

bool CTraceLogFile::Open(const char* path, bool append) {
  std::lock_guard lock(g_traceLogLock);
  if (stream_) return true;
  path_ = path ? path : "";
  append_ = append;
  stream_.reset(std::fopen(path_.c_str(), append ? "a+" : "w"));
  ResyncLength();
  return stream_.valid();
}

void CTraceLogFile::ResyncLength() {
  length_ = stream_ ? StreamLength(stream_.get()) : -1;
  writesSinceResync_ = 0;
}

void CTraceLogFile::Close() {
  std::lock_guard lock(g_traceLogLock);
  stream_.reset();
  length_ = -1;
}

void CTraceLogFile::Clear() {
  std::lock_guard lock(g_traceLogLock);
  if (!stream_) return;
  std::fflush(stream_.get());
  std::rewind(stream_.get());
  _chsize_s(_fileno(stream_.get()), 0);
  ResyncLength();
}

std::int64_t CTraceLogFile::Length() {
  std::lock_guard lock(g_traceLogLock);
  if (stream_ && writesSinceResync_ >= kLengthResync) ResyncLength();
  return stream_ ? length_ : -1;
}

void CTraceLogFile::SetMaxSize(std::int32_t maxSize) {
  std::lock_guard lock(g_traceLogLock);
  maxSize_ = maxSize;
  keepSize_ = TrimKeepSize(maxSize);
}

void CTraceLogFile::SetLevelMask(std::uint32_t mask) {
  std::lock_guard lock(g_traceLogLock);
  levelMask_ = mask;
}

bool CTraceLogFile::Write(std::uint32_t level, const char* className, const char* function,
                          const char* message, const char* sourceFile, int line) {
  std::lock_guard lock(g_traceLogLock);
  // 1-2. Masked levels are accepted silently; without a stream nothing can be written.
  if ((level & levelMask_) == 0) return true;
  if (!stream_) return false;
  // 3-5. Local time, process id and the formatted line.
  const LocalTime t = LocalTimeNow();
  const std::string text = FormatTraceLine(
      level, static_cast<int>(GetCurrentProcessId()), t, className ? className : "",
      function ? function : "", message ? message : "", sourceFile ? sourceFile : "", line);
  const bool written = std::fputs(text.c_str(), stream_.get()) >= 0;
  // 6. Every line is flushed at once, and counted.
  std::fflush(stream_.get());
  if (written) length_ += TextModeBytes(text);
  ++writesSinceResync_;
  // 7. An appending log is kept to its newest part.
  if (append_ && maxSize_ != 0) TrimLocked();
  return written;
}

// Keeps the newest keepSize_ bytes of the log, cut at a line boundary, once it has grown
// past maxSize_. The log is left as it was when the temporary copy cannot be made.
void CTraceLogFile::TrimLocked() {
  // 1. Nothing to do while the file is within bounds: the count first, the file's own
  //    length to confirm (other writers may have added to it).
  if (Length() <= maxSize_) return;
  ResyncLength();
  const std::int64_t length = length_;
  if (length <= maxSize_) return;
  // 2. A unique temporary file in the user's temporary directory.
  char tempDir[MAX_PATH + 1];
  char tempName[MAX_PATH + 1];
  if (!GetTempPathA(sizeof tempDir, tempDir) || !GetTempFileNameA(tempDir, "log", 0, tempName))
    return;
  CFile temp(std::fopen(tempName, "wb"));
  CFile source(std::fopen(path_.c_str(), "rb"));
  if (!temp || !source) {
    temp.reset();
    DeleteFileA(tempName);
    return;
  }
  // 3. Start at a whole line inside the part that is kept.
  std::vector<char> buffer(kCopyChunk);
  _fseeki64(source.get(), length - keepSize_, SEEK_SET);
  for (int c = std::fgetc(source.get()); c != EOF && c != '\n'; c = std::fgetc(source.get())) {
  }
  // 4. Copy the rest in chunks.
  for (std::size_t n; (n = std::fread(buffer.data(), 1, buffer.size(), source.get())) > 0;)
    std::fwrite(buffer.data(), 1, n, temp.get());
  // 5. Replace the log by the copy.
  temp.reset();
  source.reset();
  stream_.reset();
  DeleteFileA(path_.c_str());
  CopyFileA(tempName, path_.c_str(), FALSE);
  DeleteFileA(tempName);
  // 6. Writing goes on in the shortened file.
  stream_.reset(std::fopen(path_.c_str(), append_ ? "a+" : "w"));
  ResyncLength();
}

}  // namespace kelmsgs
