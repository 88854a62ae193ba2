#include "CompressedRtf.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace mapistandin {

namespace {

constexpr std::size_t kDictSize = 4096;
constexpr std::size_t kMaxMatch = 17;  // 4-bit length + 2
constexpr std::size_t kMinMatch = 2;

// The text the dictionary starts with; writing begins right after it.
constexpr char kPreload[] =
    "{\\rtf1\\ansi\\mac\\deff0\\deftab720{\\fonttbl;}{\\f0\\fnil \\froman \\fswiss \\fmodern "
    "\\fscript \\fdecor MS Sans SerifSymbolArialTimes New RomanCourier{\\colortbl\\red0\\green0"
    "\\blue0\r\n\\par \\pard\\plain\\f0\\fs20\\b\\i\\u\\tab\\tx";
constexpr std::size_t kPreloadSize = sizeof(kPreload) - 1;
static_assert(kPreloadSize == 207, "the preloaded dictionary text is 207 bytes");

const std::array<std::uint32_t, 256>& CrcTable() {
  static const std::array<std::uint32_t, 256> table = [] {
    std::array<std::uint32_t, 256> t{};
    for (std::uint32_t i = 0; i < 256; ++i) {
      std::uint32_t c = i;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[i] = c;
    }
    return t;
  }();
  return table;
}

std::uint32_t ReadLe32(const std::uint8_t* p) {
  return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
         std::uint32_t(p[3]) << 24;
}

void WriteLe32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

struct Dictionary {
  std::array<std::uint8_t, kDictSize> bytes{};
  std::size_t write = kPreloadSize;
  bool wrapped = false;  // every position holds a written byte

  Dictionary() { std::memcpy(bytes.data(), kPreload, kPreloadSize); }
  void Put(std::uint8_t b) {
    bytes[write] = b;
    write = (write + 1) % kDictSize;
    if (write == 0) wrapped = true;
  }
  bool Filled(std::size_t pos) const { return wrapped || pos < write; }
};

// Recent dictionary positions of each byte value, so a match search looks at a bounded
// number of candidates instead of the whole dictionary. Entries may be stale (the position
// was overwritten since); candidates are checked against the dictionary.
class MatchIndex {
 public:
  static constexpr std::size_t kWays = 64;

  explicit MatchIndex(const Dictionary& dict) {
    for (std::size_t p = 0; p < kPreloadSize; ++p) Note(dict.bytes[p], p);
  }
  void Note(std::uint8_t b, std::size_t pos) {
    auto& ring = positions_[b];
    ring.slots[ring.next++ % kWays] = static_cast<std::uint16_t>(pos);
    if (ring.count < kWays) ++ring.count;
  }
  template <class F>
  void ForEach(std::uint8_t b, F f) const {
    const auto& ring = positions_[b];
    // Oldest first: among equally long matches the earliest position wins.
    const std::size_t first = ring.next - ring.count;
    for (std::size_t i = 0; i < ring.count; ++i) f(ring.slots[(first + i) % kWays]);
  }

 private:
  struct Ring {
    std::array<std::uint16_t, kWays> slots{};
    std::size_t next = 0;
    std::size_t count = 0;
  };
  std::array<Ring, 256> positions_{};
};

// Length of the match of input[at..] at dictionary position candidate, as the decoder will
// see it: positions the match itself overwrites read the bytes just written.
std::size_t MatchLength(const Dictionary& dict, std::string_view input, std::size_t at,
                        std::size_t candidate, std::size_t limit) {
  std::size_t length = 0;
  while (length < limit) {
    const std::size_t pos = (candidate + length) % kDictSize;
    const std::size_t ahead = (pos + kDictSize - dict.write) % kDictSize;
    std::uint8_t b = 0;
    if (ahead < length)
      b = static_cast<std::uint8_t>(input[at + ahead]);
    else if (dict.Filled(pos))
      b = dict.bytes[pos];
    else
      break;
    if (b != static_cast<std::uint8_t>(input[at + length])) break;
    ++length;
  }
  return length;
}

// Longest match for input[at..]; 0 when none of at least two bytes exists. The end
// marker's offset (the write position) is never used.
std::size_t LongestMatch(const Dictionary& dict, const MatchIndex& index, std::string_view input,
                         std::size_t at, std::size_t& offset) {
  const std::size_t limit = std::min(kMaxMatch, input.size() - at);
  if (limit < kMinMatch) return 0;
  std::size_t best = 0;
  index.ForEach(static_cast<std::uint8_t>(input[at]), [&](std::size_t candidate) {
    if (best == limit || candidate == dict.write || !dict.Filled(candidate)) return;
    const std::size_t length = MatchLength(dict, input, at, candidate, limit);
    if (length > best) {
      best = length;
      offset = candidate;
    }
  });
  return best >= kMinMatch ? best : 0;
}

}  // namespace

std::uint32_t RtfCrc(const std::uint8_t* data, std::size_t size, std::uint32_t crc) noexcept {
  const auto& table = CrcTable();
  for (std::size_t i = 0; i < size; ++i) crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
  return crc;
}

std::vector<std::uint8_t> CompressRtf(std::string_view raw, bool compress) {
  if (!compress) {
    std::vector<std::uint8_t> out(kRtfHeaderSize + raw.size());
    if (!raw.empty()) std::memcpy(out.data() + kRtfHeaderSize, raw.data(), raw.size());
    WriteLe32(out, 0, static_cast<std::uint32_t>(raw.size() + 12));
    WriteLe32(out, 4, static_cast<std::uint32_t>(raw.size()));
    WriteLe32(out, 8, kRtfUncompressed);
    WriteLe32(out, 12, 0);
    return out;
  }
  std::vector<std::uint8_t> out;
  out.reserve(kRtfHeaderSize + raw.size() / 2 + 64);
  out.resize(kRtfHeaderSize);
  Dictionary dict;
  MatchIndex index(dict);
  const auto put = [&](std::uint8_t b) {
    index.Note(b, dict.write);
    dict.Put(b);
  };
  std::size_t at = 0;
  bool ended = false;
  while (!ended) {
    // One run: a control byte and up to eight tokens, literal (bit 0) or reference (bit 1).
    const std::size_t control = out.size();
    out.push_back(0);
    for (int bit = 0; bit < 8; ++bit) {
      if (at >= raw.size()) {
        // The end marker: a reference to the write position.
        out[control] |= static_cast<std::uint8_t>(1u << bit);
        const std::uint16_t marker = static_cast<std::uint16_t>(dict.write << 4);
        out.push_back(static_cast<std::uint8_t>(marker >> 8));
        out.push_back(static_cast<std::uint8_t>(marker & 0xFF));
        ended = true;
        break;
      }
      std::size_t offset = 0;
      const std::size_t length = LongestMatch(dict, index, raw, at, offset);
      if (length == 0) {
        out.push_back(static_cast<std::uint8_t>(raw[at]));
        put(static_cast<std::uint8_t>(raw[at]));
        ++at;
        continue;
      }
      out[control] |= static_cast<std::uint8_t>(1u << bit);
      const std::uint16_t ref = static_cast<std::uint16_t>(offset << 4 | (length - kMinMatch));
      out.push_back(static_cast<std::uint8_t>(ref >> 8));
      out.push_back(static_cast<std::uint8_t>(ref & 0xFF));
      for (std::size_t i = 0; i < length; ++i) put(static_cast<std::uint8_t>(raw[at + i]));
      at += length;
    }
  }
  const std::size_t contents = out.size() - kRtfHeaderSize;
  WriteLe32(out, 0, static_cast<std::uint32_t>(contents + 12));
  WriteLe32(out, 4, static_cast<std::uint32_t>(raw.size()));
  WriteLe32(out, 8, kRtfCompressed);
  WriteLe32(out, 12, RtfCrc(out.data() + kRtfHeaderSize, contents));
  return out;
}

RtfStatus DecompressRtf(const std::uint8_t* data, std::size_t size, std::vector<std::uint8_t>& out,
                        std::size_t maxRaw) {
  out.clear();
  // 1. The header and what it declares.
  if (!data || size < kRtfHeaderSize) return RtfStatus::BadHeader;
  const std::uint32_t compSize = ReadLe32(data);
  const std::uint32_t rawSize = ReadLe32(data + 4);
  const std::uint32_t type = ReadLe32(data + 8);
  const std::uint32_t crc = ReadLe32(data + 12);
  if (compSize < 12 || compSize - 12 > size - kRtfHeaderSize) return RtfStatus::BadHeader;
  if (rawSize > maxRaw) return RtfStatus::TooLarge;
  const std::uint8_t* in = data + kRtfHeaderSize;
  const std::size_t inSize = compSize - 12;
  // 2. Stored bytes.
  if (type == kRtfUncompressed) {
    if (inSize < rawSize) return RtfStatus::Truncated;
    out.assign(in, in + rawSize);
    return RtfStatus::Ok;
  }
  if (type != kRtfCompressed) return RtfStatus::BadHeader;
  if (RtfCrc(in, inSize) != crc) return RtfStatus::BadCrc;
  // 3. The token stream, up to its end marker.
  out.reserve(rawSize);
  Dictionary dict;
  std::size_t pos = 0;
  while (pos < inSize) {
    const std::uint8_t control = in[pos++];
    for (int bit = 0; bit < 8; ++bit) {
      if ((control >> bit & 1) == 0) {
        if (pos >= inSize) return RtfStatus::Truncated;
        const std::uint8_t b = in[pos++];
        if (out.size() < rawSize) out.push_back(b);
        dict.Put(b);
        continue;
      }
      if (pos + 2 > inSize) return RtfStatus::Truncated;
      const std::uint16_t ref = static_cast<std::uint16_t>(in[pos] << 8 | in[pos + 1]);
      pos += 2;
      const std::size_t offset = ref >> 4;
      if (offset == dict.write) return RtfStatus::Ok;
      const std::size_t length = (ref & 0xF) + kMinMatch;
      for (std::size_t i = 0; i < length; ++i) {
        const std::uint8_t b = dict.bytes[(offset + i) % kDictSize];
        if (out.size() < rawSize) out.push_back(b);
        dict.Put(b);
      }
    }
  }
  return RtfStatus::Truncated;
}

}  // namespace mapistandin
