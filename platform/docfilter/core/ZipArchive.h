// A read-only view of a ZIP archive held in memory: the member list from the central
// directory (or, when that is missing or damaged, from the local headers in order) and
// the bytes of stored and deflated members. Nothing the archive declares is trusted:
// offsets and sizes are checked against the data, output is capped.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Limits.h"

namespace docfilter {

struct ZipMember {
  std::string rawName;               // the name as stored, '/' separated (UTF-8 or code page 437)
  std::string name;                  // a safe Latin-1 name for listing, see SafeMemberName
  std::uint64_t size = 0;            // declared uncompressed size
  std::uint64_t compressedSize = 0;  // declared compressed size
  std::uint64_t localOffset = 0;
  std::uint16_t method = 0;
  std::uint16_t flags = 0;
  bool directory = false;
};

class ZipArchive {
 public:
  // Whether the bytes start like a ZIP archive (a local header or an empty archive).
  static bool LooksLikeZip(std::string_view data);
  // Reads the member list; nullopt when the data holds no ZIP structure at all.
  static std::optional<ZipArchive> Open(std::string_view data);

  const std::vector<ZipMember>& members() const { return members_; }
  // Index of the first member whose stored name equals rawName, if any.
  std::optional<std::size_t> Find(std::string_view rawName) const;
  // The member's bytes, at most limit of them; nullopt for encrypted members, unknown
  // methods and headers outside the data. Damaged data yields what decoded.
  std::optional<std::string> Extract(std::size_t index,
                                     std::size_t limit = kMaxInflatedBytes) const;
  // Same, by stored name.
  std::optional<std::string> Extract(std::string_view rawName,
                                     std::size_t limit = kMaxInflatedBytes) const;

 private:
  explicit ZipArchive(std::string_view data) : data_(data) {}
  bool ReadCentralDirectory();
  void ScanLocalHeaders();
  void AddMember(ZipMember member);

  std::string_view data_;
  std::vector<ZipMember> members_;
};

// A member name that cannot lead out of a directory it is written to: backslashes
// become '/', a drive or a leading '/' is dropped, "." and ".." and empty components
// are removed, control characters become '_'; UTF-8 names are converted to Latin-1.
// An empty result becomes "member<index>".
std::string SafeMemberName(std::string_view rawName, bool utf8, std::size_t index);

}  // namespace docfilter
