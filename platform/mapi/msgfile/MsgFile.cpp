#include "msgfile/MsgFile.h"

#include <cstdio>
#include <cstring>

namespace mapistandin {

namespace {

constexpr std::uint32_t kTagAttachNum = 0x0E210003;
constexpr std::uint32_t kTagRowId = 0x30000003;
constexpr std::uint32_t kTagAttachMethod = 0x37050003;
constexpr std::uint32_t kTagAttachDataObj = 0x3701000D;
constexpr std::int64_t kAttachEmbeddedMsg = 5;
constexpr std::uint32_t kEntryFlags = 0x6;  // readable and writable
constexpr std::size_t kEntrySize = 16;
constexpr std::size_t kTopHeader = 32, kEmbeddedHeader = 24, kChildHeader = 8;
constexpr int kMaxDepth = 32;
constexpr char kRecipPrefix[] = "__recip_version1.0_#";
constexpr char kAttachPrefix[] = "__attach_version1.0_#";
constexpr char kGuidStream[] = "__substg1.0_00020102";
constexpr char kEntryStream[] = "__substg1.0_00030102";
constexpr char kStringStream[] = "__substg1.0_00040102";
// PS_MAPI and PS_PUBLIC_STRINGS, which the mapping numbers 1 and 2 instead of listing.
const std::string kPsMapi("\x28\x03\x02\x00\x00\x00\x00\x00\xC0\x00\x00\x00\x00\x00\x00\x46", 16);
const std::string kPsPublicStrings(
    "\x29\x03\x02\x00\x00\x00\x00\x00\xC0\x00\x00\x00\x00\x00\x00\x46", 16);

std::string Hex8(std::uint32_t v) {
  char text[9];
  std::snprintf(text, sizeof text, "%08X", v);
  return text;
}

std::string StreamName(std::uint32_t tag) {
  return "__substg1.0_" + Hex8(tag);
}

// Bytes of one element of a multi-valued type kept in a single stream; 0 for types whose
// elements vary in length.
std::size_t ElementSize(std::uint16_t type) {
  switch (type) {
    case kTypeShort:
      return 2;
    case kTypeLong:
    case kTypeFloat:
      return 4;
    case kTypeDouble:
    case kTypeCurrency:
    case kTypeAppTime:
    case kTypeLongLong:
    case kTypeSysTime:
      return 8;
    case kTypeClsid:
      return 16;
    default:
      return 0;
  }
}

bool IsFixed(std::uint16_t type) {
  switch (type) {
    case kTypeShort:
    case kTypeLong:
    case kTypeFloat:
    case kTypeDouble:
    case kTypeCurrency:
    case kTypeAppTime:
    case kTypeError:
    case kTypeBoolean:
    case kTypeLongLong:
    case kTypeSysTime:
      return true;
    default:
      return false;
  }
}

bool IsVariable(std::uint16_t type) {
  return type == kTypeString8 || type == kTypeUnicode || type == kTypeBinary;
}

std::uint64_t FixedBits(const Prop& p) {
  switch (p.type()) {
    case kTypeFloat: {
      const float f = static_cast<float>(p.real);
      std::uint32_t bits = 0;
      std::memcpy(&bits, &f, 4);
      return bits;
    }
    case kTypeDouble:
    case kTypeAppTime: {
      std::uint64_t bits = 0;
      std::memcpy(&bits, &p.real, 8);
      return bits;
    }
    case kTypeShort:
    case kTypeBoolean:
      return static_cast<std::uint16_t>(p.integer);
    case kTypeLong:
    case kTypeError:
      return static_cast<std::uint32_t>(p.integer);
    default:
      return static_cast<std::uint64_t>(p.integer);
  }
}

Prop FixedValue(std::uint32_t tag, std::uint64_t bits) {
  Prop p;
  p.tag = tag;
  switch (p.type()) {
    case kTypeFloat: {
      float f = 0;
      const auto low = static_cast<std::uint32_t>(bits);
      std::memcpy(&f, &low, 4);
      p.real = f;
      break;
    }
    case kTypeDouble:
    case kTypeAppTime:
      std::memcpy(&p.real, &bits, 8);
      break;
    case kTypeShort:
      p.integer = static_cast<std::int16_t>(bits);
      break;
    case kTypeBoolean:
      p.integer = static_cast<std::uint16_t>(bits) != 0;
      break;
    case kTypeLong:
    case kTypeError:
      p.integer = static_cast<std::int32_t>(bits);
      break;
    default:
      p.integer = static_cast<std::int64_t>(bits);
  }
  return p;
}

// One property: its entry in the property stream and its streams. False for values the
// format does not keep (errors, objects, unknown types).
bool WriteProp(StorageTree& node, ByteWriter& entries, const Prop& p) {
  const std::uint16_t type = p.type();
  const std::string name = StreamName(p.tag);
  std::uint32_t size = 0;
  if (IsFixed(type)) {
    entries.U32(p.tag);
    entries.U32(kEntryFlags);
    entries.U64(FixedBits(p));
    return true;
  }
  if (type & kTypeMultiFlag) {
    const auto base = static_cast<std::uint16_t>(type & ~kTypeMultiFlag);
    if (const std::size_t element = ElementSize(base)) {
      std::string all;
      for (std::string e : p.multi) {
        e.resize(element, '\0');
        all += e;
      }
      size = static_cast<std::uint32_t>(all.size());
      node.streams[name] = std::move(all);
    } else if (IsVariable(base)) {
      // A stream of lengths, then one stream per value; strings keep their terminator.
      ByteWriter lengths;
      const std::size_t terminator = base == kTypeUnicode ? 2 : base == kTypeString8 ? 1 : 0;
      for (std::size_t i = 0; i < p.multi.size(); ++i) {
        std::string value = p.multi[i] + std::string(terminator, '\0');
        lengths.U32(static_cast<std::uint32_t>(value.size()));
        if (base == kTypeBinary) lengths.U32(0);
        node.streams[name + "-" + Hex8(static_cast<std::uint32_t>(i))] = std::move(value);
      }
      size = static_cast<std::uint32_t>(lengths.str().size());
      node.streams[name] = std::move(lengths.str());
    } else {
      return false;
    }
  } else if (IsVariable(type) || type == kTypeClsid) {
    // Strings are stored without terminator; the entry counts it.
    size = static_cast<std::uint32_t>(p.bytes.size()) + (type == kTypeUnicode   ? 2
                                                         : type == kTypeString8 ? 1
                                                                                : 0);
    node.streams[name] = p.bytes;
  } else {
    return false;
  }
  entries.U32(p.tag);
  entries.U32(kEntryFlags);
  entries.U32(size);
  entries.U32(0);
  return true;
}

void WriteProps(StorageTree& node, const Row& row, ByteWriter header, bool embeddedEntry) {
  for (const Prop& p : row) WriteProp(node, header, p);
  if (embeddedEntry) {
    header.U32(kTagAttachDataObj);
    header.U32(kEntryFlags);
    header.U32(0xFFFFFFFF);
    header.U32(0);
  }
  node.streams[kPropertiesStream] = std::move(header.str());
}

StorageTree WriteMessage(const MessageData& m, bool top) {
  StorageTree node;
  ByteWriter header;
  header.U64(0);
  const auto recipients = static_cast<std::uint32_t>(m.recipients.size());
  const auto attachments = static_cast<std::uint32_t>(m.attachments.size());
  header.U32(recipients);  // the number the next recipient storage would take
  header.U32(attachments);
  header.U32(recipients);
  header.U32(attachments);
  if (top) header.U64(0);
  WriteProps(node, m.props, std::move(header), false);
  for (std::uint32_t i = 0; i < recipients; ++i) {
    StorageTree& r = node.storages[kRecipPrefix + Hex8(i)];
    ByteWriter reserved;
    reserved.U64(0);
    WriteProps(r, m.recipients[i], std::move(reserved), false);
  }
  for (std::uint32_t i = 0; i < attachments; ++i) {
    const AttachData& a = m.attachments[i];
    StorageTree& node_a = node.storages[kAttachPrefix + Hex8(i)];
    Row props = a.props;
    PutProp(props, MakeLong(kTagAttachNum, a.num));
    ByteWriter reserved;
    reserved.U64(0);
    WriteProps(node_a, props, std::move(reserved), !a.embedded.empty());
    if (!a.embedded.empty()) node_a.storages[kEmbeddedStorage] = WriteMessage(a.embedded[0], false);
  }
  return node;
}

void WriteNames(StorageTree& root, const NameMap& names) {
  StorageTree& node = root.storages[kNameIdStorage];
  std::string guids;
  ByteWriter entries, strings;
  for (const auto& [id, key] : names) {
    std::uint16_t guidIndex = 0;
    if (key.guid == kPsMapi) {
      guidIndex = 1;
    } else if (key.guid == kPsPublicStrings) {
      guidIndex = 2;
    } else {
      std::size_t at = 0;
      while (at < guids.size() && guids.compare(at, 16, key.guid) != 0) at += 16;
      if (at == guids.size()) guids += key.guid;
      guidIndex = static_cast<std::uint16_t>(3 + at / 16);
    }
    const bool isString = key.nameKind == 1;
    if (isString) {
      entries.U32(static_cast<std::uint32_t>(strings.str().size()));
      strings.Bytes(key.name);
      while (strings.str().size() % 4) strings.U8(0);
    } else {
      entries.U32(key.lid);
    }
    entries.U16(static_cast<std::uint16_t>(guidIndex << 1 | (isString ? 1 : 0)));
    entries.U16(static_cast<std::uint16_t>(id - 0x8000));
  }
  node.streams[kGuidStream] = std::move(guids);
  node.streams[kEntryStream] = std::move(entries.str());
  node.streams[kStringStream] = std::move(strings.str());
}

const std::string* Stream(const StorageTree& node, const std::string& name) {
  auto it = node.streams.find(name);
  return it == node.streams.end() ? nullptr : &it->second;
}

// A multi-valued property from its streams; false when they are missing or malformed.
bool ReadMulti(const StorageTree& node, std::uint32_t tag, Prop& p) {
  const auto base = static_cast<std::uint16_t>(TypeOf(tag) & ~kTypeMultiFlag);
  const std::string name = StreamName(tag);
  const std::string* data = Stream(node, name);
  if (!data) return false;
  p.tag = tag;
  if (const std::size_t element = ElementSize(base)) {
    if (data->size() % element) return false;
    for (std::size_t at = 0; at < data->size(); at += element)
      p.multi.push_back(data->substr(at, element));
    return true;
  }
  if (!IsVariable(base)) return false;
  const std::size_t stride = base == kTypeBinary ? 8 : 4;
  if (data->size() % stride) return false;
  for (std::size_t i = 0; i < data->size() / stride; ++i) {
    const std::string* value = Stream(node, name + "-" + Hex8(static_cast<std::uint32_t>(i)));
    if (!value) return false;
    std::string v = *value;
    const std::size_t unit = base == kTypeUnicode ? 2 : 1;
    if (base != kTypeBinary) {
      v.resize(v.size() - v.size() % unit);
      while (v.size() >= unit && v.compare(v.size() - unit, unit, std::string(unit, '\0')) == 0)
        v.resize(v.size() - unit);
    }
    p.multi.push_back(std::move(v));
  }
  return true;
}

// The properties of one object; embeddedEntry tells whether the stream names an embedded
// object storage.
bool ReadProps(const StorageTree& node, std::size_t headerSize, Row& row, std::string& header) {
  const std::string* stream = Stream(node, kPropertiesStream);
  if (!stream || stream->size() < headerSize || (stream->size() - headerSize) % kEntrySize)
    return false;
  header = stream->substr(0, headerSize);
  ByteReader r(std::string_view(*stream).substr(headerSize));
  while (!r.atEnd()) {
    std::uint32_t tag = 0, flags = 0;
    std::uint64_t value = 0;
    if (!r.U32(tag) || !r.U32(flags) || !r.U64(value)) return false;
    const std::uint16_t type = TypeOf(tag);
    Prop p;
    if (IsFixed(type)) {
      p = FixedValue(tag, value);
    } else if (type & kTypeMultiFlag) {
      if (!ReadMulti(node, tag, p)) continue;
    } else if (IsVariable(type) || type == kTypeClsid) {
      const std::string* data = Stream(node, StreamName(tag));
      if (!data) continue;
      p = MakeBinary(tag, *data);
      // Some writers store the terminator in the stream as well.
      if (type == kTypeString8) {
        while (!p.bytes.empty() && p.bytes.back() == '\0') p.bytes.pop_back();
      } else if (type == kTypeUnicode) {
        p.bytes.resize(p.bytes.size() & ~std::size_t{1});
        while (p.bytes.size() >= 2 && p.bytes.compare(p.bytes.size() - 2, 2, "\0\0", 2) == 0)
          p.bytes.resize(p.bytes.size() - 2);
      }
    } else {
      continue;  // objects are substorages; unknown types are passed over
    }
    PutProp(row, std::move(p));
  }
  return true;
}

bool ParseIndex(const std::string& name, const char* prefix, std::uint32_t& index) {
  const std::size_t n = std::strlen(prefix);
  if (name.size() != n + 8 || name.compare(0, n, prefix) != 0) return false;
  index = 0;
  for (std::size_t i = n; i < name.size(); ++i) {
    const char c = name[i];
    const int digit = c >= '0' && c <= '9'   ? c - '0'
                      : c >= 'A' && c <= 'F' ? c - 'A' + 10
                      : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                             : -1;
    if (digit < 0) return false;
    index = index << 4 | static_cast<std::uint32_t>(digit);
  }
  return true;
}

bool ReadMessage(const StorageTree& node, bool top, MessageData& m, int depth) {
  // 1. The message's own properties and the counters of its header.
  std::string header;
  if (!ReadProps(node, top ? kTopHeader : kEmbeddedHeader, m.props, header)) return false;
  ByteReader h(std::string_view(header).substr(8));
  std::uint32_t nextRecip = 0, nextAttach = 0;
  h.U32(nextRecip);
  h.U32(nextAttach);
  m.nextAttachNum = nextAttach;
  // 2. Recipients and attachments, in the order of their numbers.
  for (const auto& [name, child] : node.storages) {
    std::uint32_t index = 0;
    if (ParseIndex(name, kRecipPrefix, index)) {
      Row row;
      std::string ignored;
      if (!ReadProps(child, kChildHeader, row, ignored)) return false;
      const Prop* rowId = FindProp(row, kTagRowId);
      if (!rowId) PutProp(row, MakeLong(kTagRowId, index));
      const auto id = static_cast<std::uint32_t>(FindProp(row, kTagRowId)->integer);
      if (id >= m.nextRowId) m.nextRowId = id + 1;
      m.recipients.push_back(std::move(row));
    } else if (ParseIndex(name, kAttachPrefix, index)) {
      AttachData a;
      std::string ignored;
      if (!ReadProps(child, kChildHeader, a.props, ignored)) return false;
      const Prop* num = FindProp(a.props, kTagAttachNum);
      a.num = num ? static_cast<std::uint32_t>(num->integer) : index;
      DropProp(a.props, IdOf(kTagAttachNum));
      // An embedded message; an OLE object's own storage is not a message.
      const Prop* method = FindProp(a.props, kTagAttachMethod);
      auto sub = child.storages.find(kEmbeddedStorage);
      if (sub != child.storages.end() && method && method->integer == kAttachEmbeddedMsg) {
        if (depth >= kMaxDepth) return false;
        a.embedded.emplace_back();
        if (!ReadMessage(sub->second, false, a.embedded[0], depth + 1)) return false;
      }
      if (a.num >= m.nextAttachNum) m.nextAttachNum = a.num + 1;
      m.attachments.push_back(std::move(a));
    }
  }
  return true;
}

void ReadNames(const StorageTree& root, NameMap& names) {
  auto it = root.storages.find(kNameIdStorage);
  if (it == root.storages.end()) return;
  const std::string* guids = Stream(it->second, kGuidStream);
  const std::string* entries = Stream(it->second, kEntryStream);
  const std::string* strings = Stream(it->second, kStringStream);
  if (!entries) return;
  ByteReader r(*entries);
  while (r.remaining() >= 8) {
    std::uint32_t nameOrOffset = 0;
    std::uint16_t indexKind = 0, propIndex = 0;
    r.U32(nameOrOffset);
    r.U16(indexKind);
    r.U16(propIndex);
    NamedKey key;
    const std::uint16_t guidIndex = indexKind >> 1;
    if (guidIndex == 1) {
      key.guid = kPsMapi;
    } else if (guidIndex == 2) {
      key.guid = kPsPublicStrings;
    } else if (guidIndex >= 3 && guids && (guidIndex - 3u) * 16 + 16 <= guids->size()) {
      key.guid = guids->substr((guidIndex - 3u) * 16, 16);
    } else {
      continue;
    }
    key.nameKind = indexKind & 1;
    if (key.nameKind == 1) {
      if (!strings || nameOrOffset > strings->size()) continue;
      ByteReader s(std::string_view(*strings).substr(nameOrOffset));
      if (!s.Bytes(key.name) || key.name.size() % 2) continue;
    } else {
      key.lid = nameOrOffset;
    }
    if (propIndex > 0x7FFE) continue;
    names[static_cast<std::uint16_t>(0x8000 + propIndex)] = std::move(key);
  }
}

}  // namespace

StorageTree WriteMsgFile(const MessageData& message, const NameMap& names) {
  StorageTree root = WriteMessage(message, true);
  WriteNames(root, names);
  return root;
}

bool ReadMsgFile(const StorageTree& tree, MessageData& message, NameMap& names) {
  message = MessageData{};
  names.clear();
  if (!ReadMessage(tree, true, message, 0)) return false;
  ReadNames(tree, names);
  return true;
}

}  // namespace mapistandin
