#include "RecordLog.h"

#include <array>

#include "ByteCodec.h"

namespace mapistandin {

namespace {
std::array<std::uint32_t, 256> MakeCrcTable() {
  std::array<std::uint32_t, 256> table{};
  for (std::uint32_t i = 0; i < 256; ++i) {
    std::uint32_t c = i;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    table[i] = c;
  }
  return table;
}
}  // namespace

std::uint32_t Crc32(std::string_view data) {
  static const std::array<std::uint32_t, 256> table = MakeCrcTable();
  std::uint32_t c = 0xFFFFFFFFu;
  for (char ch : data) c = table[(c ^ static_cast<std::uint8_t>(ch)) & 0xFF] ^ (c >> 8);
  return c ^ 0xFFFFFFFFu;
}

std::string FrameRecord(std::string_view payload) {
  ByteWriter w;
  w.U32(static_cast<std::uint32_t>(payload.size()));
  w.U32(Crc32(payload));
  w.Raw(payload);
  return std::move(w.str());
}

LogScan ScanLog(std::string_view file, bool withHeader) {
  LogScan scan;
  std::size_t pos = 0;
  if (withHeader) {
    if (file.size() < kStoreHeaderSize ||
        file.substr(0, kStoreFileMagic.size()) != kStoreFileMagic) {
      return scan;
    }
    pos = kStoreHeaderSize;
  }
  scan.headerOk = true;
  scan.validEnd = pos;
  while (file.size() - pos >= 8) {
    ByteReader header(file.substr(pos, 8));
    std::uint32_t length = 0, crc = 0;
    header.U32(length);
    header.U32(crc);
    if (length > kMaxRecordSize || length > file.size() - pos - 8) break;
    std::string_view payload = file.substr(pos + 8, length);
    if (Crc32(payload) != crc) break;
    scan.payloads.emplace_back(payload);
    pos += 8 + length;
    scan.validEnd = pos;
  }
  return scan;
}

std::string MakeHeader(std::uint64_t generation) {
  ByteWriter w;
  w.Raw(kStoreFileMagic);
  w.U64(generation);
  return std::move(w.str());
}

std::uint64_t HeaderGeneration(std::string_view file) {
  if (file.size() < kStoreHeaderSize) return 0;
  ByteReader r(file.substr(kStoreFileMagic.size(), 8));
  std::uint64_t g = 0;
  r.U64(g);
  return g;
}

}  // namespace mapistandin
