#include "core/ConversationIndex.h"

namespace mapistandin {

namespace {

constexpr std::size_t kHeader = 22;
constexpr std::size_t kBlock = 5;

}  // namespace

std::string MakeConversationIndex(const std::string& parent, std::uint64_t fileTime,
                                  const std::string& guid, std::uint8_t random) {
  // 1. A new conversation: the header alone.
  if (parent.empty()) {
    if (guid.size() != 16) return {};
    std::string out(1, '\x01');
    for (int shift = 56; shift >= 24; shift -= 8)
      out += static_cast<char>(fileTime >> shift & 0xFF);
    // Data1 (4), Data2 (2) and Data3 (2) are little-endian in memory; the index holds them
    // big-endian. Data4 goes as it is.
    out += {guid[3], guid[2], guid[1], guid[0], guid[5], guid[4], guid[7], guid[6]};
    return out + guid.substr(8);
  }
  // 2. A reply: the parent and one block with the time since the header's time.
  if (parent.size() < kHeader || (parent.size() - kHeader) % kBlock != 0 || parent[0] != 1)
    return {};
  std::uint64_t headerTime = 0;
  for (std::size_t i = 1; i <= 5; ++i)
    headerTime = headerTime << 8 | static_cast<std::uint8_t>(parent[i]);
  headerTime <<= 24;
  const std::uint64_t delta = fileTime > headerTime ? fileTime - headerTime : 0;
  // Deltas under 2^49 keep bits 18 to 48; longer ones bits 23 to 53 with the range bit set.
  const bool wide = (delta >> 49) != 0;
  const std::uint32_t bits =
      (wide ? 0x80000000u : 0u) |
      static_cast<std::uint32_t>((wide ? delta >> 23 : delta >> 18) & 0x7FFFFFFF);
  const std::size_t sequence = (parent.size() - kHeader) / kBlock;
  std::string out = parent;
  for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>(bits >> shift & 0xFF);
  out += static_cast<char>((random & 0x0F) << 4 | (sequence & 0x0F));
  return out;
}

}  // namespace mapistandin
