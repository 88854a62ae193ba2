// Profiles where MAPI keeps them: HKCU "...\Windows Messaging Subsystem\Profiles\<name>",
// one subkey per profile section named by its 16-byte UID in upper-case hex, each
// property a value named by its tag in hex ("001e3001"): strings as REG_SZ, binaries as
// REG_BINARY, 32-bit values as REG_DWORD. The default profile is the Profiles key's
// "DefaultProfile" value.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "core/PropData.h"

namespace mapistandin::profiles {

constexpr const char* kProfilesKey =
    "Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows Messaging Subsystem\\Profiles";

std::vector<std::string> List();
std::string DefaultProfile();
bool Exists(const std::string& profile);
HRESULT Create(const std::string& profile);
HRESULT Delete(const std::string& profile);
HRESULT SetDefault(const std::string& profile);

struct Section {
  std::string uidHex;  // 32 upper-case digits
  Row props;
};

std::string UidHex(const void* uid16);
std::string NewUid();  // 16 random bytes

// The sections of a profile, in key order.
std::vector<Section> Sections(const std::string& profile);
bool ReadSection(const std::string& profile, const std::string& uidHex, Row& props);
// Writes the values into the section (creating it).
HRESULT WriteSection(const std::string& profile, const std::string& uidHex, const Row& props);
HRESULT DeleteValues(const std::string& profile, const std::string& uidHex,
                     const std::vector<std::uint32_t>& tags);
HRESULT DeleteSection(const std::string& profile, const std::string& uidHex);

}  // namespace mapistandin::profiles
