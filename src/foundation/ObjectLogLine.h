// Formatting of object-log lines ("date, time ---> text"). Portable: no Windows header.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kelmsgs {

// Lines are built in a buffer of this many bytes (terminator included): longer texts
// are cut so that the line still ends with "\r\n".
constexpr std::size_t kObjectLogLineBuffer = 4096;

// date as "06/29/06", time as "14:03:07".
std::string FormatObjectLogLine(std::string_view date, std::string_view time, std::string_view text,
                                bool isHeader);

}  // namespace kelmsgs
