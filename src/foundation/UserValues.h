// Values under HKEY_CURRENT_USER that the library records for other programs (the event
// queue, the identifier map). Keys are created as needed; failures are not reported,
// since a lost record must not stop the next one.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

namespace kelmsgs {

// A REG_SZ value, stored without its terminating zero. Nothing is written when the key,
// the name or the text is empty.
void WriteUserString(const std::string& key, const std::string& name, const std::string& text);

// A REG_DWORD value; nothing is written when the key or the name is empty.
void WriteUserDword(const std::string& key, const std::string& name, std::uint32_t value);

// A REG_DWORD value; nothing when it is missing or of another type.
std::optional<std::uint32_t> ReadUserDword(const std::string& key, const std::string& name);

}  // namespace kelmsgs
