#include "addrbook/Directory.h"

#include <mapix.h>

#include <cstring>
#include <nlohmann/json.hpp>

#include "profile/ProfileRegistry.h"

namespace mapistandin::addrbook {

namespace {

// The section of the directory provider and the value that holds the directory.
constexpr const char* kSectionUid = "4B454C4D5347414444524553424F4F4B";
constexpr std::uint32_t kDirectoryValue = PROP_TAG(PT_STRING8, 0x7F30);

const std::string& DirectoryUid() {
  static const std::string uid("KELMSGS-DIR-UID!", 16);
  return uid;
}

const std::string& OneOffUid() {
  static const BYTE bytes[16] = {0x81, 0x2B, 0x1F, 0xA4, 0xBE, 0xA3, 0x10, 0x19,
                                 0x9D, 0x6E, 0x00, 0xDD, 0x01, 0x0F, 0x54, 0x02};
  static const std::string uid(reinterpret_cast<const char*>(bytes), 16);
  return uid;
}

bool SameText(const std::string& a, const std::string& b) {
  return _stricmp(a.c_str(), b.c_str()) == 0;
}

}  // namespace

HRESULT SaveDirectory(const std::string& profile, const Directory& directory) {
  nlohmann::json doc;
  doc["entries"] = nlohmann::json::array();
  for (const DirEntry& e : directory.entries)
    doc["entries"].push_back({{"name", e.name}, {"email", e.email}});
  doc["identity"] = directory.identity;
  doc["outgoing"] = directory.outgoing;
  return profiles::WriteSection(
      profile, kSectionUid,
      {MakeString(PR_DISPLAY_NAME_A, "Directory"), MakeLong(PR_RESOURCE_TYPE, MAPI_AB_PROVIDER),
       MakeString(kDirectoryValue, doc.dump())});
}

Directory LoadDirectory(const std::string& profile) {
  Directory out;
  Row props;
  if (!profiles::ReadSection(profile, kSectionUid, props)) return out;
  const Prop* value = FindProp(props, kDirectoryValue);
  if (!value) return out;
  const nlohmann::json doc = nlohmann::json::parse(value->bytes, nullptr, false);
  if (!doc.is_object()) return out;
  for (const nlohmann::json& e : doc.value("entries", nlohmann::json::array()))
    out.entries.push_back({e.value("name", ""), e.value("email", "")});
  out.identity = doc.value("identity", -1);
  if (out.identity >= static_cast<int>(out.entries.size())) out.identity = -1;
  out.outgoing = doc.value("outgoing", "");
  return out;
}

std::string DirectoryEntryId(const DirEntry& entry) {
  return std::string(4, '\0') + DirectoryUid() + entry.email + '\0';
}

std::string OneOffEntryId(const std::string& name, const std::string& type,
                          const std::string& address) {
  // Version 0, flags MAPI_ONE_OFF_NO_RICH_INFO (0x0001), 8-bit strings.
  std::string id = std::string(4, '\0') + OneOffUid() + std::string("\0\0\x01\0", 4);
  return id + name + '\0' + type + '\0' + address + '\0';
}

std::optional<DirEntry> ParseEntryId(const Directory& directory, const void* bytes,
                                     std::size_t size) {
  if (!bytes || size < 21) return std::nullopt;
  const std::string id(static_cast<const char*>(bytes), size);
  const std::string uid = id.substr(4, 16);
  if (uid == DirectoryUid()) {
    const std::string email = id.substr(20, id.find('\0', 20) - 20);
    for (const DirEntry& e : directory.entries) {
      if (SameText(e.email, email)) return e;
    }
    return std::nullopt;
  }
  if (uid != OneOffUid() || size < 25) return std::nullopt;
  // Display name, address type and address after the version and flags.
  std::vector<std::string> parts;
  std::size_t at = 24;
  while (parts.size() < 3 && at < id.size()) {
    const std::size_t end = id.find('\0', at);
    if (end == std::string::npos) return std::nullopt;
    parts.push_back(id.substr(at, end - at));
    at = end + 1;
  }
  if (parts.size() != 3) return std::nullopt;
  return DirEntry{parts[0], parts[2]};
}

bool LooksLikeSmtp(const std::string& name) {
  const std::size_t at = name.find('@');
  return at != std::string::npos && at > 0 && at + 1 < name.size() &&
         name.find('@', at + 1) == std::string::npos &&
         name.find_first_of(" \t;,<>\"") == std::string::npos &&
         name.find('.', at) != std::string::npos;
}

}  // namespace mapistandin::addrbook
