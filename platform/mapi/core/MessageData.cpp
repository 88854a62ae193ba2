#include "MessageData.h"

#include <algorithm>
#include <cstring>

namespace mapistandin {

namespace {
constexpr int kMaxDepth = 8;  // nesting of embedded messages the store accepts
constexpr std::uint32_t kMaxCount = 1u << 20;

bool IsBytesType(std::uint16_t type) {
  return type == kTypeString8 || type == kTypeUnicode || type == kTypeBinary || type == kTypeClsid;
}
bool IsRealType(std::uint16_t type) {
  return type == kTypeFloat || type == kTypeDouble || type == kTypeAppTime;
}

std::uint64_t RowBytes(const Row& row) {
  std::uint64_t n = 0;
  for (const Prop& p : row) {
    n += 8 + p.bytes.size();
    for (const auto& e : p.multi) n += e.size();
  }
  return n;
}
}  // namespace

void PutProp(Row& row, Prop p) {
  for (Prop& q : row) {
    if (IdOf(q.tag) == IdOf(p.tag)) {
      q = std::move(p);
      return;
    }
  }
  row.push_back(std::move(p));
}

bool DropProp(Row& row, std::uint16_t id) {
  auto it = std::find_if(row.begin(), row.end(), [&](const Prop& p) { return IdOf(p.tag) == id; });
  if (it == row.end()) return false;
  row.erase(it);
  return true;
}

const Prop* FindPropById(const Row& row, std::uint16_t id) {
  for (const Prop& p : row) {
    if (IdOf(p.tag) == id) return &p;
  }
  return nullptr;
}

void EncodeProps(ByteWriter& w, const Row& row) {
  w.U32(static_cast<std::uint32_t>(row.size()));
  for (const Prop& p : row) {
    w.U32(p.tag);
    const std::uint16_t type = p.type();
    if (type & kTypeMultiFlag) {
      w.U32(static_cast<std::uint32_t>(p.multi.size()));
      for (const auto& e : p.multi) w.Bytes(e);
    } else if (IsBytesType(type)) {
      w.Bytes(p.bytes);
    } else if (IsRealType(type)) {
      std::uint64_t bits = 0;
      std::memcpy(&bits, &p.real, sizeof bits);
      w.U64(bits);
    } else {
      w.U64(static_cast<std::uint64_t>(p.integer));
    }
  }
}

bool DecodeProps(ByteReader& r, Row& row) {
  std::uint32_t count = 0;
  if (!r.U32(count) || count > kMaxCount || count > r.remaining() / 4) return false;
  row.clear();
  row.reserve(count);
  for (std::uint32_t i = 0; i < count; ++i) {
    Prop p;
    if (!r.U32(p.tag)) return false;
    const std::uint16_t type = p.type();
    if (type & kTypeMultiFlag) {
      std::uint32_t n = 0;
      if (!r.U32(n) || n > r.remaining() / 4) return false;
      p.multi.resize(n);
      for (auto& e : p.multi) {
        if (!r.Bytes(e)) return false;
      }
    } else if (IsBytesType(type)) {
      if (!r.Bytes(p.bytes)) return false;
    } else if (IsRealType(type)) {
      std::uint64_t bits = 0;
      if (!r.U64(bits)) return false;
      std::memcpy(&p.real, &bits, sizeof bits);
    } else {
      std::uint64_t v = 0;
      if (!r.U64(v)) return false;
      p.integer = static_cast<std::int64_t>(v);
    }
    row.push_back(std::move(p));
  }
  return true;
}

void EncodeMessage(ByteWriter& w, const MessageData& m) {
  EncodeProps(w, m.props);
  w.U32(m.nextAttachNum);
  w.U32(m.nextRowId);
  w.U32(static_cast<std::uint32_t>(m.recipients.size()));
  for (const Row& rec : m.recipients) EncodeProps(w, rec);
  w.U32(static_cast<std::uint32_t>(m.attachments.size()));
  for (const AttachData& a : m.attachments) {
    w.U32(a.num);
    EncodeProps(w, a.props);
    w.U8(a.embedded.empty() ? 0 : 1);
    if (!a.embedded.empty()) EncodeMessage(w, a.embedded.front());
  }
}

bool DecodeMessage(ByteReader& r, MessageData& m, int depth) {
  if (depth > kMaxDepth) return false;
  std::uint32_t n = 0;
  if (!DecodeProps(r, m.props) || !r.U32(m.nextAttachNum) || !r.U32(m.nextRowId)) return false;
  if (!r.U32(n) || n > r.remaining() / 4) return false;
  m.recipients.resize(n);
  for (Row& rec : m.recipients) {
    if (!DecodeProps(r, rec)) return false;
  }
  if (!r.U32(n) || n > r.remaining() / 4) return false;
  m.attachments.resize(n);
  for (AttachData& a : m.attachments) {
    std::uint8_t hasEmbedded = 0;
    if (!r.U32(a.num) || !DecodeProps(r, a.props) || !r.U8(hasEmbedded)) return false;
    if (hasEmbedded) {
      a.embedded.resize(1);
      if (!DecodeMessage(r, a.embedded.front(), depth + 1)) return false;
    }
  }
  return true;
}

std::uint64_t MessageBytes(const MessageData& m) {
  std::uint64_t n = RowBytes(m.props);
  for (const Row& rec : m.recipients) n += RowBytes(rec);
  for (const AttachData& a : m.attachments) {
    n += RowBytes(a.props);
    for (const MessageData& e : a.embedded) n += MessageBytes(e);
  }
  return n;
}

}  // namespace mapistandin
