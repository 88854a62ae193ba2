#include "TnefText.h"

#include <cstdint>
#include <string>

#include "MapiMessageText.h"

namespace docfilter {

namespace {

using mapistandin::MakeTag;
using mapistandin::Prop;
using mapistandin::Row;

constexpr std::uint32_t kSignature = 0x223E9F78;
constexpr std::uint8_t kLevelMessage = 1;

// Attribute identifiers (type in the high word, identifier in the low word).
constexpr std::uint32_t kAttFrom = 0x00008000;
constexpr std::uint32_t kAttSubject = 0x00018004;
constexpr std::uint32_t kAttDateSent = 0x00038005;
constexpr std::uint32_t kAttBody = 0x0002800C;
constexpr std::uint32_t kAttAttachData = 0x0006800F;
constexpr std::uint32_t kAttAttachTitle = 0x00018010;
constexpr std::uint32_t kAttAttachRendData = 0x00069002;
constexpr std::uint32_t kAttMsgProps = 0x00069003;
constexpr std::uint32_t kAttRecipTable = 0x00069004;
constexpr std::uint32_t kAttAttachment = 0x00069005;

// The interface of an object value that holds an embedded message.
const std::string kIidMessage("\x07\x03\x02\x00\x00\x00\x00\x00\xC0\x00\x00\x00\x00\x00\x00\x46",
                              16);

class Cursor {
 public:
  explicit Cursor(std::string_view d) : d_(d) {}
  bool U8(std::uint8_t& v) {
    if (d_.size() - pos_ < 1) return false;
    v = static_cast<std::uint8_t>(d_[pos_++]);
    return true;
  }
  bool U16(std::uint16_t& v) {
    std::uint32_t w = 0;
    if (!Le(w, 2)) return false;
    v = static_cast<std::uint16_t>(w);
    return true;
  }
  bool U32(std::uint32_t& v) { return Le(v, 4); }
  bool Take(std::size_t n, std::string_view& out) {
    if (n > d_.size() - pos_) return false;
    out = d_.substr(pos_, n);
    pos_ += n;
    return true;
  }
  // A value padded to a multiple of four bytes.
  bool Padded(std::size_t n, std::string_view& out) {
    if (!Take(n, out)) return false;
    std::string_view pad;
    return Take(std::min<std::size_t>((4 - n % 4) % 4, d_.size() - pos_), pad);
  }
  std::size_t remaining() const { return d_.size() - pos_; }

 private:
  bool Le(std::uint32_t& v, int n) {
    if (d_.size() - pos_ < static_cast<std::size_t>(n)) return false;
    v = 0;
    for (int i = n - 1; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(d_[pos_ + i]);
    pos_ += n;
    return true;
  }
  std::string_view d_;
  std::size_t pos_ = 0;
};

std::string WithoutTerminator(std::string_view s) {
  while (!s.empty() && s.back() == '\0') s.remove_suffix(1);
  return std::string(s);
}

bool IsVariable(std::uint16_t type) {
  return type == mapistandin::kTypeString8 || type == mapistandin::kTypeUnicode ||
         type == mapistandin::kTypeBinary || type == mapistandin::kTypeObject;
}

std::size_t FixedWidth(std::uint16_t type) {
  switch (type) {
    case mapistandin::kTypeShort:
    case mapistandin::kTypeBoolean:
    case mapistandin::kTypeLong:
    case mapistandin::kTypeFloat:
    case mapistandin::kTypeError:
      return 4;  // two-byte values are padded to four
    case mapistandin::kTypeClsid:
      return 16;
    default:
      return 8;
  }
}

// One value of a property; false when the data ends inside it.
bool ReadValue(Cursor& c, std::uint16_t type, Prop& p) {
  std::string_view bytes;
  if (IsVariable(type)) {
    std::uint32_t size = 0;
    if (!c.U32(size) || !c.Padded(size, bytes)) return false;
    p.bytes = type == mapistandin::kTypeString8 || type == mapistandin::kTypeUnicode
                  ? WithoutTerminator(bytes)
                  : std::string(bytes);
    return true;
  }
  if (!c.Take(FixedWidth(type), bytes)) return false;
  std::uint64_t v = 0;
  for (std::size_t i = std::min<std::size_t>(bytes.size(), 8); i-- > 0;)
    v = v << 8 | static_cast<unsigned char>(bytes[i]);
  p.integer = static_cast<std::int64_t>(v);
  if (type == mapistandin::kTypeClsid) p.bytes = bytes;
  return true;
}

// An encapsulated property list; what reads before the data runs out is kept.
void ReadProps(Cursor& c, Row& row) {
  std::uint32_t count = 0;
  if (!c.U32(count)) return;
  for (std::uint32_t i = 0; i < count && c.remaining() >= 4; ++i) {
    // 1. The tag, and the name of a named property (passed over).
    std::uint32_t tag = 0;
    if (!c.U32(tag)) return;
    if ((tag >> 16) >= 0x8000) {
      std::string_view skip;
      std::uint32_t kind = 0, id = 0;
      if (!c.Take(16, skip) || !c.U32(kind) || !c.U32(id)) return;
      if (kind == 1 && !c.Padded(id, skip)) return;
    }
    // 2. The values: variable and multi-valued types are counted.
    const std::uint16_t type = mapistandin::TypeOf(tag);
    const std::uint16_t base = type & ~mapistandin::kTypeMultiFlag;
    std::uint32_t values = 1;
    if ((IsVariable(base) || (type & mapistandin::kTypeMultiFlag)) && !c.U32(values)) return;
    Prop p;
    p.tag = MakeTag(mapistandin::IdOf(tag), base);
    for (std::uint32_t v = 0; v < values; ++v) {
      Prop value;
      if (!ReadValue(c, base, value)) return;
      if (v == 0) p = Prop{p.tag, value.integer, 0.0, std::move(value.bytes), {}};
    }
    if (!(type & mapistandin::kTypeMultiFlag)) mapistandin::PutProp(row, std::move(p));
  }
}

// The sender's name from an attFrom triple: ids, sizes, then the name.
std::string TripleName(std::string_view data) {
  Cursor c(data);
  std::uint16_t id = 0, count = 0, nameBytes = 0, addressBytes = 0;
  std::string_view name;
  if (!c.U16(id) || !c.U16(count) || !c.U16(nameBytes) || !c.U16(addressBytes)) return {};
  if (!c.Take(nameBytes, name)) return {};
  return WithoutTerminator(name);
}

// attDateSent: year, month, day, hour, minute, second (and weekday), 16 bits each.
std::int64_t DateTicks(std::string_view data) {
  Cursor c(data);
  std::uint16_t f[6] = {};
  for (std::uint16_t& v : f)
    if (!c.U16(v)) return 0;
  const std::int64_t y = f[1] <= 2 ? f[0] - 1 : f[0];
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const std::int64_t yoe = y - era * 400;
  const std::int64_t mp = (f[1] + 9) % 12;
  const std::int64_t doy = (153 * mp + 2) / 5 + f[2] - 1;
  const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  const std::int64_t days = era * 146097 + doe - 719468 + 134774;  // since 1601
  if (days < 0) return 0;
  return ((days * 24 + f[3]) * 60 + f[4]) * 600000000LL + f[5] * 10000000LL;
}

void PutIfAbsent(Row& row, Prop p) {
  if (!mapistandin::FindPropById(row, mapistandin::IdOf(p.tag)))
    mapistandin::PutProp(row, std::move(p));
}

}  // namespace

bool ReadTnef(std::string_view data, mapistandin::MessageData& m, std::size_t depth) {
  // 1. Signature and key.
  Cursor c(data);
  std::uint32_t signature = 0;
  std::uint16_t key = 0;
  if (!c.U32(signature) || signature != kSignature || !c.U16(key)) return false;

  // 2. The attributes, in order; each attachment starts with its rendering data.
  mapistandin::AttachData* attach = nullptr;
  std::uint8_t level = 0;
  std::uint32_t id = 0, length = 0;
  std::string_view value;
  std::uint16_t checksum = 0;
  while (c.U8(level) && c.U32(id) && c.U32(length) && c.Take(length, value) && c.U16(checksum)) {
    std::uint16_t sum = 0;
    for (char b : value) sum = static_cast<std::uint16_t>(sum + static_cast<unsigned char>(b));
    if (sum != checksum) continue;

    if (level == kLevelMessage) {
      if (id == kAttSubject)
        PutIfAbsent(m.props, mapistandin::MakeString(MakeTag(0x0037, mapistandin::kTypeString8),
                                                     WithoutTerminator(value)));
      if (id == kAttBody)
        PutIfAbsent(m.props, mapistandin::MakeString(MakeTag(0x1000, mapistandin::kTypeString8),
                                                     WithoutTerminator(value)));
      if (id == kAttFrom)
        PutIfAbsent(m.props, mapistandin::MakeString(MakeTag(0x0C1A, mapistandin::kTypeString8),
                                                     TripleName(value)));
      if (id == kAttDateSent)
        PutIfAbsent(m.props, mapistandin::MakeLong(MakeTag(0x0039, mapistandin::kTypeSysTime),
                                                   DateTicks(value)));
      Cursor list(value);
      if (id == kAttMsgProps) ReadProps(list, m.props);
      std::uint32_t rows = 0;
      if (id == kAttRecipTable && list.U32(rows))
        for (std::uint32_t i = 0; i < rows && list.remaining() >= 4; ++i)
          ReadProps(list, m.recipients.emplace_back());
      continue;
    }
    if (id == kAttAttachRendData || !attach) {
      attach = &m.attachments.emplace_back();
      attach->num = static_cast<std::uint32_t>(m.attachments.size() - 1);
      if (id == kAttAttachRendData) continue;
    }
    if (id == kAttAttachTitle)
      PutIfAbsent(attach->props, mapistandin::MakeString(MakeTag(0x3704, mapistandin::kTypeString8),
                                                         WithoutTerminator(value)));
    if (id == kAttAttachData)
      PutIfAbsent(attach->props, mapistandin::MakeBinary(MakeTag(0x3701, mapistandin::kTypeBinary),
                                                         std::string(value)));
    if (id == kAttAttachment) {
      Row props;
      Cursor list(value);
      ReadProps(list, props);
      // An object value holding a message is an embedded TNEF stream.
      for (Prop& p : props) {
        if (p.type() == mapistandin::kTypeObject && p.bytes.starts_with(kIidMessage)) {
          mapistandin::MessageData embedded;
          if (depth < kMaxMailDepth &&
              ReadTnef(std::string_view(p.bytes).substr(16), embedded, depth + 1))
            attach->embedded.push_back(std::move(embedded));
          continue;
        }
        mapistandin::PutProp(attach->props, std::move(p));
      }
    }
  }
  return true;
}

bool TnefText::Detect(std::string_view data) {
  Cursor c(data);
  std::uint32_t signature = 0;
  return c.U32(signature) && signature == kSignature;
}

bool TnefText::Read(std::string_view data, MailContents& out) {
  mapistandin::MessageData message;
  if (!ReadTnef(data, message, out.depth())) return false;
  ReadMapiMessage(message, out);
  return true;
}

}  // namespace docfilter
