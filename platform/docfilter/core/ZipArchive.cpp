#include "ZipArchive.h"

#include <algorithm>

#include "Inflater.h"
#include "Latin1Writer.h"

namespace docfilter {

namespace {

constexpr std::uint32_t kLocalSignature = 0x04034B50;
constexpr std::uint32_t kCentralSignature = 0x02014B50;
constexpr std::uint32_t kEndSignature = 0x06054B50;
constexpr std::size_t kLocalHeaderSize = 30;
constexpr std::size_t kCentralHeaderSize = 46;
constexpr std::size_t kEndRecordSize = 22;
constexpr std::uint16_t kFlagEncrypted = 0x0001;
constexpr std::uint16_t kFlagDescriptor = 0x0008;
constexpr std::uint16_t kFlagUtf8 = 0x0800;

std::uint16_t U16(std::string_view d, std::size_t at) {
  return static_cast<std::uint16_t>(static_cast<unsigned char>(d[at]) |
                                    static_cast<unsigned char>(d[at + 1]) << 8);
}
std::uint32_t U32(std::string_view d, std::size_t at) {
  return static_cast<std::uint32_t>(U16(d, at)) | static_cast<std::uint32_t>(U16(d, at + 2)) << 16;
}
std::uint64_t U64(std::string_view d, std::size_t at) {
  return static_cast<std::uint64_t>(U32(d, at)) | static_cast<std::uint64_t>(U32(d, at + 4)) << 32;
}
bool Has(std::string_view d, std::uint64_t at, std::uint64_t count) {
  return at <= d.size() && count <= d.size() - at;
}

// Sizes and offset of 0xFFFFFFFF are in the ZIP64 extra field, in this order.
void ApplyZip64(std::string_view extra, ZipMember& m, bool sizeMax, bool compMax, bool offMax) {
  std::size_t at = 0;
  while (at + 4 <= extra.size()) {
    const std::uint16_t id = U16(extra, at);
    const std::uint16_t length = U16(extra, at + 2);
    const std::size_t body = at + 4;
    if (length > extra.size() - body) return;
    if (id == 0x0001) {
      std::size_t p = body;
      const std::size_t end = body + length;
      if (sizeMax && p + 8 <= end) m.size = U64(extra, p), p += 8;
      if (compMax && p + 8 <= end) m.compressedSize = U64(extra, p), p += 8;
      if (offMax && p + 8 <= end) m.localOffset = U64(extra, p);
      return;
    }
    at = body + length;
  }
}

}  // namespace

std::string SafeMemberName(std::string_view rawName, bool utf8, std::size_t index) {
  Latin1Writer writer(kMaxNameBytes);
  if (utf8)
    writer.Utf8(rawName);
  else
    writer.Latin1(rawName);
  std::string name = writer.Take();
  std::replace(name.begin(), name.end(), '\\', '/');
  for (char& c : name)
    if (static_cast<unsigned char>(c) < 0x20) c = '_';
  if (name.size() >= 2 && name[1] == ':') name.erase(0, 2);

  std::string safe;
  std::size_t start = 0;
  while (start <= name.size()) {
    std::size_t end = name.find('/', start);
    if (end == std::string::npos) end = name.size();
    const std::string_view part(name.data() + start, end - start);
    if (!part.empty() && part != "." && part != "..") {
      if (!safe.empty()) safe += '/';
      safe += part;
    }
    start = end + 1;
  }
  if (safe.empty()) safe = "member" + std::to_string(index);
  return safe;
}

bool ZipArchive::LooksLikeZip(std::string_view data) {
  return data.size() >= 4 && (U32(data, 0) == kLocalSignature || U32(data, 0) == kEndSignature);
}

std::optional<ZipArchive> ZipArchive::Open(std::string_view data) {
  ZipArchive archive(data);
  if (!archive.ReadCentralDirectory()) {
    // Without a directory, only members found through their local headers count.
    if (!LooksLikeZip(data)) return std::nullopt;
    archive.ScanLocalHeaders();
    if (archive.members_.empty()) return std::nullopt;
  }
  return archive;
}

void ZipArchive::AddMember(ZipMember member) {
  member.directory =
      !member.rawName.empty() && (member.rawName.back() == '/' || member.rawName.back() == '\\');
  member.name = SafeMemberName(member.rawName, member.flags & kFlagUtf8, members_.size());
  members_.push_back(std::move(member));
}

bool ZipArchive::ReadCentralDirectory() {
  // 1. The end record is in the last 64 KiB + 22 bytes (its comment comes after it).
  if (data_.size() < kEndRecordSize) return false;
  const std::size_t lowest =
      data_.size() > 0xFFFF + kEndRecordSize ? data_.size() - 0xFFFF - kEndRecordSize : 0;
  std::size_t end = data_.size() - kEndRecordSize + 1;
  bool found = false;
  while (end-- > lowest) {
    if (U32(data_, end) == kEndSignature) {
      found = true;
      break;
    }
  }
  if (!found) return false;

  // 2. The directory must lie inside the data; a ZIP64 archive's counts are found by
  // walking the directory instead of trusting the record.
  std::uint64_t offset = U32(data_, end + 16);
  if (offset == 0xFFFFFFFF || !Has(data_, offset, 4) || U32(data_, offset) != kCentralSignature) {
    // Data may precede the archive (self-extractors): the directory ends at the record.
    const std::uint64_t size = U32(data_, end + 12);
    if (size > end || U32(data_, end - size) != kCentralSignature) return U16(data_, end + 10) == 0;
    offset = end - size;
  }

  // 3. One member per directory header, each header checked to lie inside the data.
  std::size_t at = offset;
  while (Has(data_, at, kCentralHeaderSize) && U32(data_, at) == kCentralSignature &&
         members_.size() < kMaxMembers) {
    const std::uint16_t nameLength = U16(data_, at + 28);
    const std::uint16_t extraLength = U16(data_, at + 30);
    const std::uint16_t commentLength = U16(data_, at + 32);
    const std::size_t variable = std::size_t{nameLength} + extraLength + commentLength;
    if (!Has(data_, at + kCentralHeaderSize, variable)) break;
    ZipMember m;
    m.flags = U16(data_, at + 8);
    m.method = U16(data_, at + 10);
    m.compressedSize = U32(data_, at + 20);
    m.size = U32(data_, at + 24);
    m.localOffset = U32(data_, at + 42);
    m.rawName.assign(data_.substr(at + kCentralHeaderSize, nameLength));
    ApplyZip64(data_.substr(at + kCentralHeaderSize + nameLength, extraLength), m,
               m.size == 0xFFFFFFFF, m.compressedSize == 0xFFFFFFFF, m.localOffset == 0xFFFFFFFF);
    AddMember(std::move(m));
    at += kCentralHeaderSize + variable;
  }
  return !members_.empty() || U16(data_, end + 10) == 0;
}

void ZipArchive::ScanLocalHeaders() {
  // A truncated archive has lost its directory: list the members whose local headers
  // are still there, one after another.
  std::size_t at = 0;
  while (Has(data_, at, kLocalHeaderSize) && U32(data_, at) == kLocalSignature &&
         members_.size() < kMaxMembers) {
    const std::uint16_t nameLength = U16(data_, at + 26);
    const std::uint16_t extraLength = U16(data_, at + 28);
    if (!Has(data_, at + kLocalHeaderSize, std::size_t{nameLength} + extraLength)) break;
    ZipMember m;
    m.flags = U16(data_, at + 6);
    m.method = U16(data_, at + 8);
    m.compressedSize = U32(data_, at + 18);
    m.size = U32(data_, at + 22);
    m.localOffset = at;
    m.rawName.assign(data_.substr(at + kLocalHeaderSize, nameLength));
    ApplyZip64(data_.substr(at + kLocalHeaderSize + nameLength, extraLength), m,
               m.size == 0xFFFFFFFF, m.compressedSize == 0xFFFFFFFF, false);
    const std::size_t dataStart = at + kLocalHeaderSize + nameLength + extraLength;
    const bool sizeUnknown = (m.flags & kFlagDescriptor) && m.compressedSize == 0;
    AddMember(std::move(m));
    // Without a size the next header cannot be located: stop after this member.
    if (sizeUnknown || !Has(data_, dataStart, members_.back().compressedSize)) break;
    at = dataStart + members_.back().compressedSize;
  }
}

std::optional<std::size_t> ZipArchive::Find(std::string_view rawName) const {
  for (std::size_t i = 0; i < members_.size(); ++i)
    if (members_[i].rawName == rawName) return i;
  return std::nullopt;
}

std::optional<std::string> ZipArchive::Extract(std::size_t index, std::size_t limit) const {
  // 1. A member we can read: known method, not encrypted, header inside the data.
  if (index >= members_.size()) return std::nullopt;
  const ZipMember& m = members_[index];
  if (m.flags & kFlagEncrypted) return std::nullopt;
  if (m.method != 0 && m.method != 8) return std::nullopt;
  if (!Has(data_, m.localOffset, kLocalHeaderSize) || U32(data_, m.localOffset) != kLocalSignature)
    return std::nullopt;

  // 2. The data follows the local header's own name and extra field.
  const std::size_t dataStart = m.localOffset + kLocalHeaderSize + U16(data_, m.localOffset + 26) +
                                U16(data_, m.localOffset + 28);
  if (dataStart > data_.size()) return std::nullopt;
  const std::size_t available = data_.size() - dataStart;
  // A member whose size was left to a data descriptor may run to the end of the data.
  std::uint64_t compressed = m.compressedSize;
  if (compressed == 0 && (m.flags & kFlagDescriptor) && m.method == 8) compressed = available;
  const std::string_view packed =
      data_.substr(dataStart, std::min<std::uint64_t>(compressed, available));

  // 3. Stored bytes are copied, deflated ones inflated, both up to the limit.
  if (m.method == 0) return std::string(packed.substr(0, std::min(packed.size(), limit)));
  return Inflate(packed, DeflateWrapper::Raw, limit,
                 static_cast<std::size_t>(std::min<std::uint64_t>(m.size, limit)))
      .data;
}

std::optional<std::string> ZipArchive::Extract(std::string_view rawName, std::size_t limit) const {
  const auto index = Find(rawName);
  if (!index) return std::nullopt;
  return Extract(*index, limit);
}

}  // namespace docfilter
