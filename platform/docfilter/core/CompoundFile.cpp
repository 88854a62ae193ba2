#include "CompoundFile.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace docfilter {

namespace {

constexpr char kSignature[] = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";
constexpr std::uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr std::uint32_t kNoStream = 0xFFFFFFFF;
constexpr std::size_t kHeaderFatEntries = 109;
constexpr std::size_t kEntryBytes = 128;
constexpr int kMaxStorageDepth = 64;

std::uint32_t U32(std::string_view d, std::size_t at) {
  if (at + 4 > d.size()) return kNoStream;
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(d[at + i]);
  return v;
}

std::uint16_t U16(std::string_view d, std::size_t at) {
  if (at + 2 > d.size()) return 0;
  return static_cast<std::uint16_t>(static_cast<unsigned char>(d[at]) |
                                    static_cast<unsigned char>(d[at + 1]) << 8);
}

struct Entry {
  std::string name;
  std::uint8_t type = 0;  // 1 storage, 2 stream, 5 root
  std::uint32_t left = kNoStream, right = kNoStream, child = kNoStream;
  std::uint32_t start = 0;
  std::uint64_t size = 0;
};

class Reader {
 public:
  explicit Reader(std::string_view data) : data_(data) {}

  std::optional<mapistandin::StorageTree> Run() {
    // 1. Header: version, sector sizes, the allocation tables' locations.
    if (data_.size() < 512) return std::nullopt;
    const std::uint16_t shift = U16(data_, 0x1E);
    const std::uint16_t miniShift = U16(data_, 0x20);
    if ((shift != 9 && shift != 12) || miniShift != 6 || U16(data_, 0x1C) != 0xFFFE)
      return std::nullopt;
    sector_ = std::size_t{1} << shift;
    budget_ = data_.size();

    // 2. The allocation table, from the header's entries and the extension chain.
    if (!ReadFat()) return std::nullopt;

    // 3. The directory entries; the root holds the mini stream.
    const std::string dir = Chain(U32(data_, 0x30), fat_, sector_, false, SIZE_MAX);
    for (std::size_t at = 0; at + kEntryBytes <= dir.size(); at += kEntryBytes)
      entries_.push_back(ParseEntry(std::string_view(dir).substr(at, kEntryBytes)));
    if (entries_.empty() || entries_[0].type != 5) return std::nullopt;
    miniStream_ = Chain(entries_[0].start, fat_, sector_, false, entries_[0].size);
    const std::string miniFat = Chain(U32(data_, 0x3C), fat_, sector_, false, SIZE_MAX);
    for (std::size_t at = 0; at + 4 <= miniFat.size(); at += 4)
      miniFat_.push_back(U32(miniFat, at));
    cutoff_ = U32(data_, 0x38);

    // 4. The tree below the root.
    mapistandin::StorageTree tree;
    visited_.assign(entries_.size(), false);
    visited_[0] = true;
    Children(entries_[0].child, tree, 0);
    return tree;
  }

 private:
  bool ReadFat() {
    std::vector<std::uint32_t> fatSectors;
    for (std::size_t i = 0; i < kHeaderFatEntries; ++i)
      fatSectors.push_back(U32(data_, 0x4C + 4 * i));
    std::uint32_t next = U32(data_, 0x44);
    const std::size_t perSector = sector_ / 4 - 1;
    for (std::size_t steps = 0; next < kEndOfChain - 3 && steps < SectorCount(); ++steps) {
      const std::size_t at = Offset(next);
      if (at == SIZE_MAX) break;
      for (std::size_t i = 0; i < perSector; ++i) fatSectors.push_back(U32(data_, at + 4 * i));
      next = U32(data_, at + 4 * perSector);
    }
    // No file needs more table sectors than it has sectors to describe.
    fatSectors.resize(std::min(fatSectors.size(), SectorCount() / (sector_ / 4) + 1));
    for (std::uint32_t s : fatSectors) {
      const std::size_t at = Offset(s);
      if (at == SIZE_MAX) continue;
      for (std::size_t i = 0; i < sector_ / 4; ++i) fat_.push_back(U32(data_, at + 4 * i));
    }
    return !fat_.empty();
  }

  std::size_t SectorCount() const { return data_.size() / sector_; }

  // The file offset of a sector, SIZE_MAX when it lies outside the file.
  std::size_t Offset(std::uint32_t sector) const {
    if (sector >= kEndOfChain - 3) return SIZE_MAX;
    const std::uint64_t at = (std::uint64_t{sector} + 1) * sector_;
    return at + sector_ <= data_.size() ? static_cast<std::size_t>(at) : SIZE_MAX;
  }

  // The bytes of a chain in the big (mini false) or mini stream, at most size of them.
  // A chain is never followed more steps than its table has entries, so a loop ends.
  std::string Chain(std::uint32_t start, const std::vector<std::uint32_t>& table, std::size_t unit,
                    bool mini, std::uint64_t size) {
    std::string out;
    const std::uint64_t want = std::min<std::uint64_t>(size, budget_);
    std::uint32_t s = start;
    for (std::size_t steps = 0; steps <= table.size() && out.size() < want; ++steps) {
      if (s >= table.size()) break;
      std::string_view piece;
      if (mini) {
        const std::uint64_t at = std::uint64_t{s} * unit;
        if (at + unit > miniStream_.size()) break;
        piece = std::string_view(miniStream_).substr(static_cast<std::size_t>(at), unit);
      } else {
        const std::size_t at = Offset(s);
        if (at == SIZE_MAX) break;
        piece = data_.substr(at, unit);
      }
      out.append(piece.substr(
          0, static_cast<std::size_t>(std::min<std::uint64_t>(unit, want - out.size()))));
      s = table[s];
    }
    return out;
  }

  static Entry ParseEntry(std::string_view e) {
    Entry entry;
    const std::size_t nameBytes = std::min<std::size_t>(U16(e, 0x40), 64);
    for (std::size_t i = 0; i + 1 < nameBytes; i += 2) {
      const std::uint16_t c = U16(e, i);
      if (c == 0) break;
      entry.name.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    }
    entry.type = static_cast<std::uint8_t>(e[0x42]);
    entry.left = U32(e, 0x44);
    entry.right = U32(e, 0x48);
    entry.child = U32(e, 0x4C);
    entry.start = U32(e, 0x74);
    entry.size = std::uint64_t{U32(e, 0x78)} | std::uint64_t{U32(e, 0x7C)} << 32;
    return entry;
  }

  // The entries of one storage: the binary tree under its child, each entry once.
  void Children(std::uint32_t first, mapistandin::StorageTree& node, int depth) {
    std::vector<std::uint32_t> pending{first};
    while (!pending.empty()) {
      const std::uint32_t i = pending.back();
      pending.pop_back();
      if (i >= entries_.size() || visited_[i]) continue;
      visited_[i] = true;
      const Entry& e = entries_[i];
      pending.push_back(e.left);
      pending.push_back(e.right);
      if (e.type == 2) {
        const bool mini = e.size < cutoff_;
        std::string bytes = mini ? Chain(e.start, miniFat_, 64, true, e.size)
                                 : Chain(e.start, fat_, sector_, false, e.size);
        budget_ -= std::min<std::uint64_t>(budget_, bytes.size());
        node.streams[e.name] = std::move(bytes);
      } else if (e.type == 1 && depth < kMaxStorageDepth) {
        Children(e.child, node.storages[e.name], depth + 1);
      }
    }
  }

  std::string_view data_;
  std::size_t sector_ = 512;
  std::uint64_t budget_ = 0;  // stream bytes that may still be read
  std::uint32_t cutoff_ = 4096;
  std::vector<std::uint32_t> fat_;
  std::vector<std::uint32_t> miniFat_;
  std::string miniStream_;
  std::vector<Entry> entries_;
  std::vector<bool> visited_;
};

}  // namespace

bool CompoundFile::LooksLikeCompoundFile(std::string_view data) {
  return data.starts_with(std::string_view(kSignature, 8));
}

std::optional<mapistandin::StorageTree> CompoundFile::Read(std::string_view data) {
  if (!LooksLikeCompoundFile(data)) return std::nullopt;
  return Reader(data).Run();
}

}  // namespace docfilter
