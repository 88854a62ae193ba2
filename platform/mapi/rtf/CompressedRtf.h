// The compressed form of RTF bodies that message stores and message files keep: a
// 16-byte header (compressed size + 12, raw size, type, CRC) and either the raw bytes
// ("MELA") or an LZ77 token stream over a 4,096-byte dictionary preloaded with common RTF
// ("LZFu"). Portable: no Windows header, so it is fuzzed natively.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace mapistandin {

constexpr std::uint32_t kRtfCompressed = 0x75465A4C;    // "LZFu"
constexpr std::uint32_t kRtfUncompressed = 0x414C454D;  // "MELA"
constexpr std::size_t kRtfHeaderSize = 16;

enum class RtfStatus {
  Ok,
  BadHeader,  // shorter than a header, unknown type, or sizes that do not fit
  BadCrc,     // the checksum of the compressed bytes does not match
  Truncated,  // the token stream ends before its end marker
  TooLarge,   // the declared raw size exceeds the caller's limit
};

// The checksum of the compressed bytes (CRC-32 without pre- and post-inversion).
std::uint32_t RtfCrc(const std::uint8_t* data, std::size_t size, std::uint32_t crc = 0) noexcept;

// The whole compressed form of raw, "LZFu" or (when store is false) "MELA".
std::vector<std::uint8_t> CompressRtf(std::string_view raw, bool compress = true);

// The raw bytes of a compressed form. Never reads past the input and never produces more
// than the declared raw size (nor more than maxRaw bytes). On Truncated, out holds what
// was decoded.
RtfStatus DecompressRtf(const std::uint8_t* data, std::size_t size, std::vector<std::uint8_t>& out,
                        std::size_t maxRaw = 64u << 20);

}  // namespace mapistandin
