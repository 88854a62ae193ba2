#include "foundation/ObjectLogLine.h"

namespace kelmsgs {

std::string FormatObjectLogLine(std::string_view date, std::string_view time, std::string_view text,
                                bool isHeader) {
  std::string line;
  if (isHeader) {
    line.append("New session started: ").append(date).append(", ").append(time).append(".");
    if (!text.empty()) line.append(" ").append(text);
  } else {
    line.append(date).append(", ").append(time).append(" ---> ").append(text);
  }
  constexpr std::size_t kMaxBody = kObjectLogLineBuffer - 1 - 2;  // terminator, "\r\n"
  if (line.size() > kMaxBody) line.resize(kMaxBody);
  line.append("\r\n");
  return line;
}

}  // namespace kelmsgs
