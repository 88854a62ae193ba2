// QMXSession: the sweep of the profile's registry sections after a store was removed.
// A section with a text value naming the result store ("Quendrel e-mail Management") is
// deleted; one that only names a path below "\Quillora\" is reported and kept.
#include <algorithm>
#include <vector>

#include "session/ProfileSectionMark.h"
#include "session/QMXSession.h"

namespace kelmsgs {

namespace {

constexpr REGSAM kSectionAccess = KEY_READ | KEY_WRITE;  // 0x2001F
// Registry key names have at most 255 characters, so a buffer of this size always takes
// the whole name (a shorter one could leave a truncated name to be opened).
constexpr DWORD kKeyNameSize = 256;

}  // namespace

void CQMXSession::RemoveStoreRegKeys(const std::string& profileKey) {
  // 1. The profile's key.
  RegKey profile;
  if (profileKey.empty() || RegOpenKeyExA(HKEY_CURRENT_USER, profileKey.c_str(), 0, kSectionAccess,
                                          profile.put()) != ERROR_SUCCESS)
    return;
  // 2. Its longest section name.
  DWORD subkeys = 0, longest = 0;
  if (RegQueryInfoKeyA(profile.get(), nullptr, nullptr, nullptr, &subkeys, &longest, nullptr,
                       nullptr, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
    return;
  std::vector<char> name(std::max(longest + 1, kKeyNameSize));
  // 3. Each section. After a deletion the next section has moved to the same index, so
  //    the index stays; it only stays when the key really went, so the walk always ends.
  for (DWORD index = 0;;) {
    DWORD size = static_cast<DWORD>(name.size());
    const LONG result =
        RegEnumKeyExA(profile.get(), index, name.data(), &size, nullptr, nullptr, nullptr, nullptr);
    if (result == ERROR_NO_MORE_ITEMS) break;
    const bool examined = result == ERROR_SUCCESS || result == ERROR_MORE_DATA;
    if (!examined || !CleanProfileSection(profile.get(), profileKey, name.data())) ++index;
  }
}

// Tests one section's text values; true when the section was deleted.
bool CQMXSession::CleanProfileSection(HKEY profile, const std::string& profileKey,
                                      const char* name) {
  // 1-2. The log text and the section.
  const std::string line = "Removing " + profileKey + "\\" + name;
  RegKey section;
  if (RegOpenKeyExA(profile, name, 0, kSectionAccess, section.put()) != ERROR_SUCCESS) return false;
  // 3. Buffers one byte longer than the longest value name and data.
  DWORD values = 0, longestName = 0, longestData = 0;
  if (RegQueryInfoKeyA(section.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values,
                       &longestName, &longestData, nullptr, nullptr) != ERROR_SUCCESS)
    return false;
  std::vector<char> valueName(longestName + 1);
  std::vector<char> data(longestData + 1);
  // 4-5. The first marked text value decides.
  for (DWORD index = 0;; ++index) {
    std::fill(valueName.begin(), valueName.end(), '\0');
    std::fill(data.begin(), data.end(), '\0');
    DWORD nameSize = static_cast<DWORD>(valueName.size());
    DWORD dataSize = static_cast<DWORD>(data.size());
    DWORD type = 0;
    const LONG result = RegEnumValueA(section.get(), index, valueName.data(), &nameSize, nullptr,
                                      &type, reinterpret_cast<BYTE*>(data.data()), &dataSize);
    if (result == ERROR_NO_MORE_ITEMS) return false;
    if ((result != ERROR_SUCCESS && result != ERROR_MORE_DATA) || type != REG_SZ) continue;
    // A value that grew since the count reports its new size: only the buffer is read.
    const SectionMark mark =
        MarkOfValueText(data.data(), std::min<std::size_t>(dataSize, data.size()));
    if (mark == SectionMark::kNone) continue;
    SESSION_TRACE("RemoveStoreRegKeys", line + SectionMarkSuffix(mark));
    if (mark != SectionMark::kResultStore) return false;
    section.reset();
    return RegDeleteKeyA(profile, name) == ERROR_SUCCESS;
  }
}

}  // namespace kelmsgs
