// Builds ZIP archives in memory for tests and benchmarks: stored or deflated members,
// any names (hostile ones included), and a declared size that may lie.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dftest {

class ZipBuilder {
 public:
  // Adds a member; declaredSize overrides the uncompressed size written to the headers.
  ZipBuilder& Add(std::string_view name, std::string_view data, bool deflate = true,
                  std::optional<std::uint32_t> declaredSize = std::nullopt);
  // The archive with its central directory.
  std::string Finish() const;

 private:
  struct Entry {
    std::string name;
    std::uint32_t crc, compressedSize, size, offset;
    std::uint16_t method;
  };
  std::string body_;
  std::vector<Entry> entries_;
};

// Raw deflate of data (level 6).
std::string DeflateRaw(std::string_view data);

}  // namespace dftest
