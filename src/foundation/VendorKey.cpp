#include "foundation/VendorKey.h"

#include <windows.h>

#include "foundation/Owned.h"

namespace kelmsgs {

const char* const kVendorKey = "Software\\Vexa\\Quillora";

bool ReadUserString(const char* keyPath, const char* name, std::string& value) {
  RegKey key;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, keyPath, 0, KEY_READ, key.put()) != ERROR_SUCCESS)
    return false;
  DWORD type = 0;
  DWORD size = 0;
  if (RegQueryValueExA(key.get(), name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
      type != REG_SZ)
    return false;
  std::string data(size + 1, '\0');
  DWORD got = size;
  if (RegQueryValueExA(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                       &got) != ERROR_SUCCESS ||
      type != REG_SZ)
    return false;
  data.resize(got);
  while (!data.empty() && data.back() == '\0') data.pop_back();
  value = std::move(data);
  return true;
}

std::string VendorKeyWithCurrentProfile() {
  std::string path = kVendorKey;
  std::string profile;
  if (ReadUserString(kVendorKey, "CurrentProfile", profile)) path += "\\" + profile;
  return path;
}

}  // namespace kelmsgs
