#include "foundation/TraceLine.h"

#include <cstdio>

namespace kelmsgs {

char TraceLevelChar(std::uint32_t level) noexcept {
  switch (level) {
    case kLevelError:
      return 'E';
    case kLevelWarning:
      return 'W';
    case kLevelInfo:
      return 'I';
    case kLevelDebug:
      return 'D';
    case kLevelTrace:
      return 'T';
    default:
      return ' ';
  }
}

std::string_view SourceFileName(std::string_view path) noexcept {
  const auto cut = path.find_last_of("\\/:");
  return cut == std::string_view::npos ? path : path.substr(cut + 1);
}

std::string FormatTraceLine(std::uint32_t level, int processId, const LocalTime& t,
                            std::string_view className, std::string_view operation,
                            std::string_view message, std::string_view sourcePath, int sourceLine) {
  char head[96];
  std::snprintf(head, sizeof head, "%c PID[%d] %02u/%02u/%04u %02u:%02u:%02u:%03u  ",
                TraceLevelChar(level), processId, t.month, t.day, t.year, t.hour, t.minute,
                t.second, t.milliseconds);
  char tail[32];
  std::snprintf(tail, sizeof tail, "[%d]\n", sourceLine);
  std::string line(head);
  line.append(className).append("\t").append(operation).append("\t").append(message);
  line.append("\t").append(SourceFileName(sourcePath)).append(tail);
  return line;
}

}  // namespace kelmsgs
