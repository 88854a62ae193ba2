#include "foundation/TraceLine.h"

#include <charconv>

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

namespace {

// A number in decimal, with leading zeros up to `width` digits (as printf's "%0*u"/"%d").
template <class Number>
void AppendNumber(std::string& line, Number value, std::size_t width = 0) {
  char digits[24];
  const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  const auto count = static_cast<std::size_t>(end - digits);
  if (count < width) line.append(width - count, '0');
  line.append(digits, count);
}

}  // namespace

std::string FormatTraceLine(std::uint32_t level, int processId, const LocalTime& t,
                            std::string_view className, std::string_view operation,
                            std::string_view message, std::string_view sourcePath, int sourceLine) {
  // "T PID[123] 05/01/2024 09:00:00:000  class<tab>operation<tab>message<tab>file[line]",
  // built in one string without a formatting pass (the log writes it for every entry).
  const std::string_view file = SourceFileName(sourcePath);
  std::string line;
  line.reserve(64 + className.size() + operation.size() + message.size() + file.size());
  line += TraceLevelChar(level);
  line += " PID[";
  AppendNumber(line, processId);
  line += "] ";
  const struct {
    unsigned value;
    std::size_t width;
    const char* after;
  } stamp[] = {{t.month, 2, "/"},  {t.day, 2, "/"},    {t.year, 4, " "},         {t.hour, 2, ":"},
               {t.minute, 2, ":"}, {t.second, 2, ":"}, {t.milliseconds, 3, "  "}};
  for (const auto& field : stamp) {
    AppendNumber(line, field.value, field.width);
    line += field.after;
  }
  line.append(className).append("\t").append(operation).append("\t").append(message);
  line.append("\t").append(file).append("[");
  AppendNumber(line, sourceLine);
  line += "]\n";
  return line;
}

}  // namespace kelmsgs
