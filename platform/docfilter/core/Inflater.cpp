#include "Inflater.h"

#include <zlib.h>

#include <algorithm>
#include <climits>

namespace docfilter {

namespace {

// A zlib inflate stream that is ended on every path.
class InflateStream {
 public:
  explicit InflateStream(DeflateWrapper wrapper) {
    ok_ = inflateInit2(&z_, wrapper == DeflateWrapper::Raw ? -MAX_WBITS : MAX_WBITS) == Z_OK;
  }
  ~InflateStream() {
    if (ok_) inflateEnd(&z_);
  }
  InflateStream(const InflateStream&) = delete;
  InflateStream& operator=(const InflateStream&) = delete;
  bool ok() const { return ok_; }
  z_stream& z() { return z_; }

 private:
  z_stream z_{};
  bool ok_ = false;
};

}  // namespace

Inflated Inflate(std::string_view input, DeflateWrapper wrapper, std::size_t limit,
                 std::size_t sizeHint) {
  Inflated result;
  result.data.reserve(std::min(sizeHint, limit));
  InflateStream stream(wrapper);
  if (!stream.ok()) return result;
  z_stream& z = stream.z();
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(input.data()));
  z.avail_in = static_cast<uInt>(std::min<std::size_t>(input.size(), UINT_MAX));
  constexpr std::size_t kStep = 64 * 1024;
  while (result.data.size() < limit) {
    const std::size_t before = result.data.size();
    const std::size_t room = std::min(kStep, limit - before);
    result.data.resize(before + room);
    z.next_out = reinterpret_cast<Bytef*>(result.data.data() + before);
    z.avail_out = static_cast<uInt>(room);
    const int rc = inflate(&z, Z_NO_FLUSH);
    result.data.resize(before + room - z.avail_out);
    if (rc == Z_STREAM_END) {
      result.complete = true;
      break;
    }
    // Truncated input (no progress possible) or corrupt data: keep what decoded.
    if (rc != Z_OK) break;
    if (z.avail_in == 0 && z.avail_out != 0) break;
  }
  return result;
}

}  // namespace docfilter
