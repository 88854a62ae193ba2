// Little-endian writer and bounds-checked reader of the store file's fields.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace mapistandin {

class ByteWriter {
 public:
  void U8(std::uint8_t v) { out_.push_back(static_cast<char>(v)); }
  void U16(std::uint16_t v) { Fixed(v, 2); }
  void U32(std::uint32_t v) { Fixed(v, 4); }
  void U64(std::uint64_t v) { Fixed(v, 8); }
  void Bytes(std::string_view v) {
    U32(static_cast<std::uint32_t>(v.size()));
    out_.append(v);
  }
  void Raw(std::string_view v) { out_.append(v); }
  std::string& str() { return out_; }

 private:
  void Fixed(std::uint64_t v, int n) {
    for (int i = 0; i < n; ++i) out_.push_back(static_cast<char>(v >> (8 * i) & 0xFF));
  }
  std::string out_;
};

// Every read fails (returns false and sets the failed state) instead of reading past the
// end, so a damaged record is rejected as a whole.
class ByteReader {
 public:
  explicit ByteReader(std::string_view data) : data_(data) {}
  bool U8(std::uint8_t& v) { return Fixed(v, 1); }
  bool U16(std::uint16_t& v) { return Fixed(v, 2); }
  bool U32(std::uint32_t& v) { return Fixed(v, 4); }
  bool U64(std::uint64_t& v) { return Fixed(v, 8); }
  bool Bytes(std::string& v) {
    std::uint32_t n = 0;
    if (!U32(n) || n > data_.size() - pos_) return Fail();
    v.assign(data_.substr(pos_, n));
    pos_ += n;
    return true;
  }
  bool Raw(std::string& v, std::size_t n) {
    if (n > data_.size() - pos_) return Fail();
    v.assign(data_.substr(pos_, n));
    pos_ += n;
    return true;
  }
  bool ok() const { return ok_; }
  bool atEnd() const { return pos_ == data_.size(); }
  std::size_t remaining() const { return data_.size() - pos_; }

 private:
  template <class T>
  bool Fixed(T& v, int n) {
    if (!ok_ || static_cast<std::size_t>(n) > data_.size() - pos_) return Fail();
    std::uint64_t r = 0;
    for (int i = 0; i < n; ++i)
      r |= std::uint64_t{static_cast<std::uint8_t>(data_[pos_ + i])} << (8 * i);
    pos_ += n;
    v = static_cast<T>(r);
    return true;
  }
  bool Fail() {
    ok_ = false;
    return false;
  }
  std::string_view data_;
  std::size_t pos_ = 0;
  bool ok_ = true;
};

}  // namespace mapistandin
