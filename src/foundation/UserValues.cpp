#include "foundation/UserValues.h"

#include "foundation/Owned.h"

namespace kelmsgs {

namespace {

// KEY_ALL_ACCESS without the right to create links: what writing a value needs.
constexpr REGSAM kWriteAccess = 0x0002001F;

void WriteValue(const std::string& key, const std::string& name, DWORD type, const void* data,
                DWORD size) {
  RegKey handle;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                      kWriteAccess, nullptr, handle.put(), nullptr) != ERROR_SUCCESS)
    return;
  RegSetValueExA(handle.get(), name.c_str(), 0, type, static_cast<const BYTE*>(data), size);
}

}  // namespace

void WriteUserString(const std::string& key, const std::string& name, const std::string& text) {
  if (key.empty() || name.empty() || text.empty()) return;
  WriteValue(key, name, REG_SZ, text.data(), static_cast<DWORD>(text.size()));
}

void WriteUserDword(const std::string& key, const std::string& name, std::uint32_t value) {
  if (key.empty() || name.empty()) return;
  const DWORD data = value;
  WriteValue(key, name, REG_DWORD, &data, sizeof data);
}

std::optional<std::uint32_t> ReadUserDword(const std::string& key, const std::string& name) {
  RegKey handle;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, handle.put()) != ERROR_SUCCESS)
    return std::nullopt;
  DWORD type = 0, data = 0, size = sizeof data;
  if (RegQueryValueExA(handle.get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&data),
                       &size) != ERROR_SUCCESS ||
      type != REG_DWORD || size != sizeof data)
    return std::nullopt;
  return data;
}

}  // namespace kelmsgs
