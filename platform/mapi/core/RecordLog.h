// Framing of the store file: a header, then records of [length][CRC-32][payload]. A
// record is written whole and made durable before a commit returns; on load, the first
// record whose frame is incomplete or whose checksum is wrong ends the valid part (the
// torn tail of a killed writer), and everything before it is intact.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace mapistandin {

inline constexpr std::string_view kStoreFileMagic = "KMSTORE1";
// The header: the magic and an 8-byte generation that changes when the file is rewritten
// by compaction, so another process knows to reload it whole.
inline constexpr std::size_t kStoreHeaderSize = 16;
inline constexpr std::uint32_t kMaxRecordSize = 512u * 1024u * 1024u;

std::uint32_t Crc32(std::string_view data);

// The frame of one record.
std::string FrameRecord(std::string_view payload);

struct LogScan {
  std::vector<std::string> payloads;
  std::size_t validEnd = 0;  // offset after the last intact record
  bool headerOk = false;
};

// Reads the records of `data`: a whole file (withHeader: it starts with the header) or a
// part of one that starts at a record boundary. validEnd counts from the start of data.
LogScan ScanLog(std::string_view data, bool withHeader);

// A header with the given generation.
std::string MakeHeader(std::uint64_t generation);
std::uint64_t HeaderGeneration(std::string_view file);

}  // namespace mapistandin
