// Formatting of trace-log lines and the size arithmetic of the trace log.
// Portable: no Windows header.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kelmsgs {

// Levels of the trace log; the library itself writes every entry at Trace.
enum TraceLevel : std::uint32_t {
  kLevelError = 2,
  kLevelWarning = 4,
  kLevelInfo = 8,
  kLevelDebug = 16,
  kLevelTrace = 32,
};
constexpr std::uint32_t kAllLevels = 62;
constexpr std::int32_t kTraceLogMaxSize = 1048576;

struct LocalTime {
  unsigned year, month, day, hour, minute, second, milliseconds;
};

// The character a line of the given level starts with (a blank for unknown levels).
char TraceLevelChar(std::uint32_t level) noexcept;

// File name and extension of a source path (drive and directories dropped).
std::string_view SourceFileName(std::string_view path) noexcept;

// One whole line: level character, process id, date and time, class, operation,
// message, source file and line, ending in a line feed.
std::string FormatTraceLine(std::uint32_t level, int processId, const LocalTime& time,
                            std::string_view className, std::string_view operation,
                            std::string_view message, std::string_view sourcePath, int sourceLine);

// Bytes kept by a trim: the maximum less a tenth of it.
constexpr std::int32_t TrimKeepSize(std::int32_t maxSize) noexcept {
  return maxSize - maxSize / 10;
}

}  // namespace kelmsgs
