#include "profile/ProfileRegistry.h"

#include <mapidefs.h>
#include <objbase.h>

#include <cstdio>
#include <cstring>

#include "HexCore.h"
#include "util/Owners.h"

namespace mapistandin::profiles {

namespace {

std::string ProfileKey(const std::string& profile) {
  return std::string(kProfilesKey) + "\\" + profile;
}

std::string ValueName(std::uint32_t tag) {
  char name[16];
  std::snprintf(name, sizeof name, "%04x%04x", static_cast<unsigned>(tag & 0xFFFF),
                static_cast<unsigned>(tag >> 16));
  return name;
}

bool TagOf(const char* name, std::uint32_t& tag) {
  unsigned type = 0, id = 0;
  if (std::strlen(name) != 8 || std::sscanf(name, "%4x%4x", &type, &id) != 2) return false;
  tag = MakeTag(static_cast<std::uint16_t>(id), static_cast<std::uint16_t>(type));
  return true;
}

bool OpenKey(const std::string& path, REGSAM access, RegKeyOwner& key) {
  return RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, access, &key.key) == ERROR_SUCCESS;
}

bool ValidProfileName(const std::string& name) {
  return !name.empty() && name.size() < 64 && name.find('\\') == std::string::npos;
}

}  // namespace

std::vector<std::string> List() {
  std::vector<std::string> names;
  RegKeyOwner key;
  if (!OpenKey(kProfilesKey, KEY_READ, key)) return names;
  char name[256];
  for (DWORD i = 0;; ++i) {
    DWORD size = sizeof name;
    if (RegEnumKeyExA(key.key, i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
      break;
    names.emplace_back(name, size);
  }
  return names;
}

std::string DefaultProfile() {
  char value[256] = {};
  DWORD size = sizeof value - 1;
  DWORD type = 0;
  RegKeyOwner key;
  if (!OpenKey(kProfilesKey, KEY_READ, key)) return {};
  if (RegQueryValueExA(key.key, "DefaultProfile", nullptr, &type, reinterpret_cast<BYTE*>(value),
                       &size) != ERROR_SUCCESS ||
      type != REG_SZ) {
    return {};
  }
  const std::string name = value;
  return Exists(name) ? name : std::string();
}

bool Exists(const std::string& profile) {
  RegKeyOwner key;
  return ValidProfileName(profile) && OpenKey(ProfileKey(profile), KEY_READ, key);
}

HRESULT Create(const std::string& profile) {
  if (!ValidProfileName(profile)) return MAPI_E_INVALID_PARAMETER;
  if (Exists(profile)) return MAPI_E_NO_ACCESS;  // a profile of that name exists
  RegKeyOwner key;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, ProfileKey(profile).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                      nullptr, &key.key, nullptr) != ERROR_SUCCESS) {
    return MAPI_E_CALL_FAILED;
  }
  return S_OK;
}

HRESULT Delete(const std::string& profile) {
  if (!Exists(profile)) return MAPI_E_NOT_FOUND;
  RegKeyOwner key;
  if (!OpenKey(kProfilesKey, KEY_ALL_ACCESS, key)) return MAPI_E_NOT_FOUND;
  if (RegDeleteTreeA(key.key, profile.c_str()) != ERROR_SUCCESS) return MAPI_E_CALL_FAILED;
  if (DefaultProfile().empty()) RegDeleteValueA(key.key, "DefaultProfile");
  return S_OK;
}

HRESULT SetDefault(const std::string& profile) {
  RegKeyOwner key;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, kProfilesKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                      &key.key, nullptr) != ERROR_SUCCESS) {
    return MAPI_E_CALL_FAILED;
  }
  if (profile.empty()) {
    RegDeleteValueA(key.key, "DefaultProfile");
    return S_OK;
  }
  if (!Exists(profile)) return MAPI_E_NOT_FOUND;
  return RegSetValueExA(key.key, "DefaultProfile", 0, REG_SZ,
                        reinterpret_cast<const BYTE*>(profile.c_str()),
                        static_cast<DWORD>(profile.size() + 1)) == ERROR_SUCCESS
             ? S_OK
             : MAPI_E_CALL_FAILED;
}

std::string UidHex(const void* uid16) {
  char hex[33];
  BytesToHex(static_cast<const std::uint8_t*>(uid16), 16, hex);
  return hex;
}

std::string NewUid() {
  GUID g{};
  CoCreateGuid(&g);
  return std::string(reinterpret_cast<const char*>(&g), 16);
}

bool ReadSection(const std::string& profile, const std::string& uidHex, Row& props) {
  props.clear();
  RegKeyOwner key;
  if (!OpenKey(ProfileKey(profile) + "\\" + uidHex, KEY_READ, key)) return false;
  char name[64];
  std::vector<BYTE> data(4096);
  for (DWORD i = 0;; ++i) {
    DWORD nameSize = sizeof name, dataSize = static_cast<DWORD>(data.size()), type = 0;
    LONG r = RegEnumValueA(key.key, i, name, &nameSize, nullptr, &type, data.data(), &dataSize);
    if (r == ERROR_MORE_DATA) {
      data.resize(dataSize);
      --i;
      continue;
    }
    if (r != ERROR_SUCCESS) break;
    std::uint32_t tag = 0;
    if (!TagOf(name, tag)) continue;
    Prop p;
    p.tag = tag;
    const char* bytes = reinterpret_cast<const char*>(data.data());
    switch (TypeOf(tag)) {
      case kTypeString8:
        p.bytes.assign(bytes, dataSize && bytes[dataSize - 1] == '\0' ? dataSize - 1 : dataSize);
        break;
      case kTypeBinary:
        p.bytes.assign(bytes, dataSize);
        break;
      case kTypeLong:
      case kTypeBoolean:
      case kTypeShort:
      case kTypeError: {
        std::int32_t v = 0;
        std::memcpy(&v, bytes, std::min<DWORD>(4, dataSize));
        p.integer = v;
        break;
      }
      default: {
        std::int64_t v = 0;
        std::memcpy(&v, bytes, std::min<DWORD>(8, dataSize));
        p.integer = v;
        break;
      }
    }
    props.push_back(std::move(p));
  }
  return true;
}

std::vector<Section> Sections(const std::string& profile) {
  std::vector<Section> out;
  RegKeyOwner key;
  if (!OpenKey(ProfileKey(profile), KEY_READ, key)) return out;
  char name[256];
  for (DWORD i = 0;; ++i) {
    DWORD size = sizeof name;
    if (RegEnumKeyExA(key.key, i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
      break;
    Section s;
    s.uidHex.assign(name, size);
    ReadSection(profile, s.uidHex, s.props);
    out.push_back(std::move(s));
  }
  return out;
}

HRESULT WriteSection(const std::string& profile, const std::string& uidHex, const Row& props) {
  if (!Exists(profile)) return MAPI_E_NOT_FOUND;
  RegKeyOwner key;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, (ProfileKey(profile) + "\\" + uidHex).c_str(), 0, nullptr,
                      0, KEY_ALL_ACCESS, nullptr, &key.key, nullptr) != ERROR_SUCCESS) {
    return MAPI_E_CALL_FAILED;
  }
  for (const Prop& p : props) {
    const std::string name = ValueName(p.tag);
    LONG r = ERROR_SUCCESS;
    switch (p.type()) {
      case kTypeString8: {
        const std::string text = p.bytes + '\0';
        r = RegSetValueExA(key.key, name.c_str(), 0, REG_SZ,
                           reinterpret_cast<const BYTE*>(text.data()),
                           static_cast<DWORD>(text.size()));
        break;
      }
      case kTypeLong:
      case kTypeBoolean:
      case kTypeShort:
      case kTypeError: {
        const DWORD v = static_cast<DWORD>(p.integer);
        r = RegSetValueExA(key.key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v),
                           sizeof v);
        break;
      }
      case kTypeBinary:
      case kTypeUnicode:
      case kTypeClsid:
        r = RegSetValueExA(key.key, name.c_str(), 0, REG_BINARY,
                           reinterpret_cast<const BYTE*>(p.bytes.data()),
                           static_cast<DWORD>(p.bytes.size()));
        break;
      default: {
        const std::int64_t v = p.integer;
        r = RegSetValueExA(key.key, name.c_str(), 0, REG_BINARY, reinterpret_cast<const BYTE*>(&v),
                           sizeof v);
        break;
      }
    }
    if (r != ERROR_SUCCESS) return MAPI_E_CALL_FAILED;
  }
  return S_OK;
}

HRESULT DeleteValues(const std::string& profile, const std::string& uidHex,
                     const std::vector<std::uint32_t>& tags) {
  RegKeyOwner key;
  if (!OpenKey(ProfileKey(profile) + "\\" + uidHex, KEY_ALL_ACCESS, key)) return MAPI_E_NOT_FOUND;
  for (std::uint32_t tag : tags) RegDeleteValueA(key.key, ValueName(tag).c_str());
  return S_OK;
}

HRESULT DeleteSection(const std::string& profile, const std::string& uidHex) {
  RegKeyOwner key;
  if (!OpenKey(ProfileKey(profile), KEY_ALL_ACCESS, key)) return MAPI_E_NOT_FOUND;
  return RegDeleteTreeA(key.key, uidHex.c_str()) == ERROR_SUCCESS ? S_OK : MAPI_E_NOT_FOUND;
}

}  // namespace mapistandin::profiles
