// The address book of a profile: one directory of mail users (display name and SMTP
// address), one of which may be the profile's own identity, and the directory where the
// profile's SMTP transport drops outgoing mail. Kept in one section of the profile, as an
// address book provider keeps its configuration.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace mapistandin::addrbook {

struct DirEntry {
  std::string name;
  std::string email;
};

struct Directory {
  std::vector<DirEntry> entries;
  int identity = -1;     // index into entries, -1: no identity
  std::string outgoing;  // the transport's directory; empty: no transport
};

HRESULT SaveDirectory(const std::string& profile, const Directory& directory);
// The directory of the profile (empty when it has none).
Directory LoadDirectory(const std::string& profile);

// Entry identifiers: a directory entry (flags, the directory's provider UID, the address)
// and a one-off entry in MAPI's documented layout (flags, MAPI_ONE_OFF_UID, version,
// flags, then display name, address type and address, each zero-terminated).
std::string DirectoryEntryId(const DirEntry& entry);
std::string OneOffEntryId(const std::string& name, const std::string& type,
                          const std::string& address);
// The mail user an identifier names: a directory entry of the profile or a one-off.
std::optional<DirEntry> ParseEntryId(const Directory& directory, const void* bytes,
                                     std::size_t size);

// Whether a name is written like an SMTP address ("local@domain", no blanks).
bool LooksLikeSmtp(const std::string& name);

}  // namespace mapistandin::addrbook
