#include "TraceLogBench.h"

#include <windows.h>

#include <string>

#include "BenchTiming.h"
#include "foundation/Owned.h"
#include "foundation/TraceLog.h"

namespace bench {

namespace {

// Fewer lines than fill the log to its maximum size, so no run clears or trims it.
constexpr int kLines = 4000;

std::string TempPath(const char* name) {
  char dir[MAX_PATH + 1] = {};
  GetTempPathA(sizeof dir, dir);
  return std::string(dir) + name;
}

long long FileSize(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return -1;
  return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// A fresh log at path, logging on or off.
bool OpenLog(kelmsgs::TraceLog& log, const std::string& path, bool on) {
  DeleteFileA(path.c_str());
  const std::wstring wide(path.begin(), path.end());
  kelmsgs::Bstr name(SysAllocString(wide.c_str()));
  return SUCCEEDED(log.put_LogFile(name.get())) &&
         SUCCEEDED(log.put_LoggingEnabled(on ? VARIANT_TRUE : VARIANT_FALSE));
}

bool WriteLines(const std::string& path, bool on) {
  kelmsgs::TraceLog log("CQMXBench", true);
  if (!OpenLog(log, path, on)) return false;
  for (int i = 0; i < kLines; ++i) KELMSGS_TRACE(log, "Bench", "a line of the benchmark");
  return true;
}

}  // namespace

void TraceLogFigures() {
  const std::string libraryPath = TempPath("kelmsgs-bench-trace.log");
  const std::string rawPath = TempPath("kelmsgs-bench-raw.log");
  // 1. The library's lines, logging on, once: their average length makes the raw lines.
  if (!WriteLines(libraryPath, true) || FileSize(libraryPath) <= 0) {
    Report("trace-log line, logging on (vs fputs+fflush)", {-1, -1}, kLines, "2");
    return;
  }
  // Text mode writes each line feed as two bytes.
  const std::size_t length = static_cast<std::size_t>(FileSize(libraryPath) / kLines);
  const std::string line = std::string(length > 2 ? length - 2 : 0, 'x') + "\n";
  // 2. Raw buffered writes with a flush per line.
  const auto raw = [&] {
    kelmsgs::CFile file(std::fopen(rawPath.c_str(), "w"));
    if (!file) return false;
    for (int i = 0; i < kLines; ++i) {
      std::fputs(line.c_str(), file.get());
      std::fflush(file.get());
    }
    return true;
  };
  // 3. Logging on, and off (the same calls, nothing written), against them.
  Report("trace-log line, logging on (vs fputs+fflush)",
         BestOfBoth([&] { return WriteLines(libraryPath, true); }, raw), kLines, "2");
  Report("trace-log line, logging off (vs fputs+fflush)",
         BestOfBoth([&] { return WriteLines(libraryPath, false); }, raw), kLines, "-");
  DeleteFileA(libraryPath.c_str());
  DeleteFileA(rawPath.c_str());
}

}  // namespace bench
