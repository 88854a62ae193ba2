#include "ZipBuilder.h"

#include <zlib.h>

#include <stdexcept>

namespace dftest {

namespace {

void Put16(std::string& out, std::uint32_t v) {
  out.push_back(static_cast<char>(v & 0xFF));
  out.push_back(static_cast<char>((v >> 8) & 0xFF));
}
void Put32(std::string& out, std::uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

}  // namespace

std::string DeflateRaw(std::string_view data) {
  z_stream z{};
  if (deflateInit2(&z, 6, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
    throw std::runtime_error("deflateInit2");
  std::string out(deflateBound(&z, static_cast<uLong>(data.size())), '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  z.avail_in = static_cast<uInt>(data.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  const int rc = deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  if (rc != Z_STREAM_END) throw std::runtime_error("deflate");
  return out;
}

ZipBuilder& ZipBuilder::Add(std::string_view name, std::string_view data, bool deflate,
                            std::optional<std::uint32_t> declaredSize) {
  const std::string packed = deflate ? DeflateRaw(data) : std::string(data);
  Entry e{std::string(name),
          static_cast<std::uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(data.data()),
                                           static_cast<uInt>(data.size()))),
          static_cast<std::uint32_t>(packed.size()),
          declaredSize.value_or(static_cast<std::uint32_t>(data.size())),
          static_cast<std::uint32_t>(body_.size()),
          static_cast<std::uint16_t>(deflate ? 8 : 0)};
  Put32(body_, 0x04034B50);
  Put16(body_, 20);
  Put16(body_, 0);
  Put16(body_, e.method);
  Put32(body_, 0);  // time and date
  Put32(body_, e.crc);
  Put32(body_, e.compressedSize);
  Put32(body_, e.size);
  Put16(body_, static_cast<std::uint32_t>(e.name.size()));
  Put16(body_, 0);
  body_ += e.name;
  body_ += packed;
  entries_.push_back(std::move(e));
  return *this;
}

std::string ZipBuilder::Finish() const {
  std::string out = body_;
  const auto directoryStart = static_cast<std::uint32_t>(out.size());
  for (const Entry& e : entries_) {
    Put32(out, 0x02014B50);
    Put16(out, 20);
    Put16(out, 20);
    Put16(out, 0);
    Put16(out, e.method);
    Put32(out, 0);
    Put32(out, e.crc);
    Put32(out, e.compressedSize);
    Put32(out, e.size);
    Put16(out, static_cast<std::uint32_t>(e.name.size()));
    Put16(out, 0);
    Put16(out, 0);
    Put16(out, 0);
    Put16(out, 0);
    Put32(out, 0);
    Put32(out, e.offset);
    out += e.name;
  }
  const auto directorySize = static_cast<std::uint32_t>(out.size() - directoryStart);
  Put32(out, 0x06054B50);
  Put16(out, 0);
  Put16(out, 0);
  Put16(out, static_cast<std::uint32_t>(entries_.size()));
  Put16(out, static_cast<std::uint32_t>(entries_.size()));
  Put32(out, directorySize);
  Put32(out, directoryStart);
  Put16(out, 0);
  return out;
}

}  // namespace dftest
