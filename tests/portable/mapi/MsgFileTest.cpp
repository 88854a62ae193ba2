// The ".msg" layout on the portable storage tree: what is written where, that every kind
// of value, recipient, attachment, embedded message and name reads back as written, and
// that damaged files are refused instead of half read.
#include <gtest/gtest.h>

#include "msgfile/MsgFile.h"

namespace mapistandin {
namespace {

const std::string kProjectSet("\x01\x53\x4d\x4b\x11\x11\x00\x40\x80\0\0\0\0\0\0\x01", 16);
const std::string kPublicStrings("\x29\x03\x02\0\0\0\0\0\xC0\0\0\0\0\0\0\x46", 16);

Prop Multi(std::uint32_t tag, std::vector<std::string> values) {
  Prop p;
  p.tag = tag;
  p.multi = std::move(values);
  return p;
}
Prop Real(std::uint32_t tag, double value) {
  Prop p;
  p.tag = tag;
  p.real = value;
  return p;
}

std::string U16(const std::string& ascii) {
  std::string out;
  for (char c : ascii) out += std::string{c, '\0'};
  return out;
}

std::string Le32(std::uint32_t v) {
  ByteWriter w;
  w.U32(v);
  return w.str();
}

bool Same(const MessageData& a, const MessageData& b) {
  if (a.props != b.props || a.recipients != b.recipients ||
      a.attachments.size() != b.attachments.size()) {
    return false;
  }
  for (std::size_t i = 0; i < a.attachments.size(); ++i) {
    const AttachData &x = a.attachments[i], &y = b.attachments[i];
    if (x.num != y.num || x.props != y.props || x.embedded.size() != y.embedded.size())
      return false;
    if (!x.embedded.empty() && !Same(x.embedded[0], y.embedded[0])) return false;
  }
  return true;
}

// A message with a value of every kind the format keeps, two recipients, a by-value
// attachment and an embedded message that has an attachment of its own.
MessageData Sample() {
  MessageData m;
  m.props = {MakeLong(0x00010002, -5),         // short
             MakeLong(0x00020003, -70000),     // long
             Real(0x00030004, 1.5),            // float
             Real(0x00040005, -2.25),          // double
             MakeLong(0x00050006, 123456789),  // currency
             Real(0x00060007, 40000.5),        // application time
             MakeLong(0x00070014, -1234567890123LL),
             MakeLong(0x0008000B, 1),  // boolean
             MakeLong(0x00090040, 133000000000000000LL),
             MakeString(0x0037001E, "8-bit subject"),
             MakeString(0x1000001F, U16("Unicode body")),
             MakeBinary(0x10090102, std::string("\0\1\2\3", 4)),
             MakeBinary(0x000A0048, kProjectSet),
             Multi(0x000B1003, {Le32(1), Le32(0xFFFFFFFF)}),
             Multi(0x000C101E, {"one", "", "three"}),
             Multi(0x000D101F, {U16("wide"), U16("text")}),
             Multi(0x000E1102, {std::string("\0\xFF", 2), "bytes"}),
             MakeString(0x8000001F, U16("KM-42")),
             MakeLong(0x80010003, 7)};
  for (int i = 0; i < 2; ++i) {
    m.recipients.push_back({MakeString(0x3001001E, i ? "Bob" : "Alice"),
                            MakeLong(0x0C150003, i + 1), MakeLong(0x30000003, i)});
  }
  m.nextRowId = 2;
  AttachData byValue;
  byValue.num = 0;
  byValue.props = {MakeLong(0x37050003, 1), MakeString(0x3707001E, "notes.txt"),
                   MakeBinary(0x37010102, "data")};
  AttachData embedded;
  embedded.num = 5;
  embedded.props = {MakeLong(0x37050003, 5), MakeString(0x3001001E, "Inner")};
  MessageData inner;
  inner.props = {MakeString(0x0037001E, "Inner subject")};
  AttachData innerAttach;
  innerAttach.num = 0;
  innerAttach.props = {MakeLong(0x37050003, 1), MakeBinary(0x37010102, "inner data")};
  inner.attachments.push_back(innerAttach);
  inner.nextAttachNum = 1;
  embedded.embedded.push_back(inner);
  m.attachments = {byValue, embedded};
  m.nextAttachNum = 6;
  return m;
}

NameMap SampleNames() {
  NameMap names;
  names[0x8000] = NamedKey{kPublicStrings, 1, 0, U16("ProjectCode")};
  names[0x8001] = NamedKey{kProjectSet, 0, 0x8501, {}};
  return names;
}

std::uint32_t U32At(const std::string& s, std::size_t at) {
  ByteReader r(std::string_view(s).substr(at));
  std::uint32_t v = 0;
  r.U32(v);
  return v;
}

TEST(MsgFile, EveryKindOfContentReadsBackAsWritten) {
  const MessageData sample = Sample();
  const StorageTree tree = WriteMsgFile(sample, SampleNames());
  MessageData back;
  NameMap names;
  ASSERT_TRUE(ReadMsgFile(tree, back, names));
  EXPECT_TRUE(Same(back, sample));
  EXPECT_EQ(back.nextAttachNum, 6u);  // past the highest attachment number
  EXPECT_EQ(back.nextRowId, 2u);
  EXPECT_EQ(names, SampleNames());
}

TEST(MsgFile, LayoutFollowsTheFormat) {
  const StorageTree tree = WriteMsgFile(Sample(), SampleNames());
  // 1. Headers: 32 bytes at the top with the next numbers and counts, 24 for the embedded
  //    message, 8 for recipients and attachments; 16 bytes per property after them.
  const std::string& top = tree.streams.at(kPropertiesStream);
  EXPECT_EQ((top.size() - 32) % 16, 0u);
  EXPECT_EQ(U32At(top, 8), 2u);
  EXPECT_EQ(U32At(top, 12), 2u);
  EXPECT_EQ(U32At(top, 16), 2u);
  EXPECT_EQ(U32At(top, 20), 2u);
  EXPECT_EQ((top.size() - 32) / 16, Sample().props.size());
  const StorageTree& attach = tree.storages.at("__attach_version1.0_#00000001");
  const std::string& inner = attach.storages.at(kEmbeddedStorage).streams.at(kPropertiesStream);
  EXPECT_EQ((inner.size() - 24) % 16, 0u);
  EXPECT_EQ(U32At(inner, 16), 0u);  // no recipients
  EXPECT_EQ(U32At(inner, 20), 1u);  // one attachment
  EXPECT_EQ(
      (tree.storages.at("__recip_version1.0_#00000001").streams.at(kPropertiesStream).size() - 8) %
          16,
      0u);
  // 2. The attachment names its embedded message with size 0xFFFFFFFF.
  const std::string& entries = attach.streams.at(kPropertiesStream);
  bool found = false;
  for (std::size_t at = 8; at + 16 <= entries.size(); at += 16) {
    if (U32At(entries, at) == 0x3701000D) found = U32At(entries, at + 8) == 0xFFFFFFFF;
  }
  EXPECT_TRUE(found);
  // 3. Streams named by tag; strings without terminator, the entry counting it.
  EXPECT_EQ(tree.streams.at("__substg1.0_0037001E"), "8-bit subject");
  EXPECT_EQ(tree.streams.at("__substg1.0_1000001F"), U16("Unicode body"));
  for (std::size_t at = 32; at + 16 <= top.size(); at += 16) {
    if (U32At(top, at) == 0x0037001E) EXPECT_EQ(U32At(top, at + 8), 14u);
    if (U32At(top, at) == 0x1000001F) EXPECT_EQ(U32At(top, at + 8), 26u);
  }
  // 4. Multi-valued: fixed elements in one stream; variable ones as lengths plus one
  //    stream per value.
  EXPECT_EQ(tree.streams.at("__substg1.0_000B1003").size(), 8u);
  EXPECT_EQ(tree.streams.at("__substg1.0_000C101E"), Le32(4) + Le32(1) + Le32(6));
  EXPECT_EQ(tree.streams.at("__substg1.0_000C101E-00000002"), std::string("three\0", 6));
  EXPECT_EQ(tree.streams.at("__substg1.0_000E1102").size(), 16u);
  // 5. Names: the custom set listed once, entries with kind and index, strings padded.
  const StorageTree& nameid = tree.storages.at(kNameIdStorage);
  EXPECT_EQ(nameid.streams.at("__substg1.0_00020102"), kProjectSet);
  EXPECT_EQ(nameid.streams.at("__substg1.0_00030102"),
            Le32(0) + Le32(2 << 1 | 1) + Le32(0x8501) + Le32(1u << 16 | 3 << 1));
  EXPECT_EQ(nameid.streams.at("__substg1.0_00040102"),
            Le32(22) + U16("ProjectCode") + std::string(2, '\0'));
}

TEST(MsgFile, DamagedFilesAreRefused) {
  const StorageTree good = WriteMsgFile(Sample(), SampleNames());
  MessageData m;
  NameMap names;
  // A property stream cut inside an entry, a missing one, a damaged embedded message.
  StorageTree cut = good;
  cut.streams[kPropertiesStream].pop_back();
  EXPECT_FALSE(ReadMsgFile(cut, m, names));
  EXPECT_FALSE(ReadMsgFile(StorageTree{}, m, names));
  StorageTree inner = good;
  inner.storages["__attach_version1.0_#00000001"]
      .storages[kEmbeddedStorage]
      .streams[kPropertiesStream]
      .resize(20);
  EXPECT_FALSE(ReadMsgFile(inner, m, names));
  // A name whose string lies past the string stream is passed over, the rest kept.
  StorageTree badName = good;
  std::string& entries = badName.storages[kNameIdStorage].streams["__substg1.0_00030102"];
  entries.replace(0, 4, Le32(4096));
  ASSERT_TRUE(ReadMsgFile(badName, m, names));
  EXPECT_EQ(names.size(), 1u);
  EXPECT_EQ(names.count(0x8001), 1u);
}

}  // namespace
}  // namespace mapistandin
