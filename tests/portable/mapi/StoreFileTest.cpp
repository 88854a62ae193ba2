// The store file format: records framed with length and checksum, transactions replayed
// into the store state. A killed writer leaves a torn tail; everything before it must load.
#include "core/RecordLog.h"
#include "core/StoreImage.h"
#include "core/ByteCodec.h"
#include "core/MessageData.h"

#include <gtest/gtest.h>

using namespace mapistandin;

namespace {
constexpr std::uint32_t kSubject = MakeTag(0x0037, kTypeString8);
constexpr std::uint32_t kName = MakeTag(0x3001, kTypeString8);

StoreOp Folder(std::uint64_t id, std::uint64_t parent, const char* name) {
  StoreOp op;
  op.kind = StoreOpKind::PutFolder;
  op.id = id;
  op.parent = parent;
  op.props = {MakeString(kName, name)};
  return op;
}

StoreOp Message(std::uint64_t id, std::uint64_t parent, const char* subject) {
  StoreOp op;
  op.kind = StoreOpKind::PutMessage;
  op.id = id;
  op.parent = parent;
  op.message.props = {MakeString(kSubject, subject)};
  AttachData attach;
  attach.num = 0;
  attach.props = {MakeBinary(MakeTag(0x3701, kTypeBinary), std::string("\0\1\2", 3))};
  attach.embedded.resize(1);
  attach.embedded[0].props = {MakeString(kSubject, "inner")};
  op.message.attachments.push_back(attach);
  return op;
}

std::string FileOf(const std::vector<std::vector<StoreOp>>& transactions) {
  std::string file = MakeHeader(7);
  for (const auto& t : transactions) file += FrameRecord(EncodeTransaction(t));
  return file;
}

StoreOp Delete(std::uint64_t id) {
  StoreOp op;
  op.kind = StoreOpKind::Delete;
  op.id = id;
  return op;
}

StoreImage Load(const std::string& file) {
  StoreImage image;
  LogScan scan = ScanLog(file, true);
  for (const std::string& p : scan.payloads) {
    std::vector<StoreOp> ops;
    if (DecodeTransaction(p, ops)) image.Apply(ops);
  }
  return image;
}
}  // namespace

TEST(StandinStoreFile, TransactionsRoundTripWithNestedMessages) {
  const std::vector<StoreOp> ops = {Folder(1, 0, "root"), Folder(2, 1, "Inbox"),
                                    Message(3, 2, "hello")};
  std::vector<StoreOp> back;
  ASSERT_TRUE(DecodeTransaction(EncodeTransaction(ops), back));
  ASSERT_EQ(back.size(), 3u);
  EXPECT_EQ(back[2].message.attachments.at(0).embedded.at(0).props,
            ops[2].message.attachments[0].embedded[0].props);
  EXPECT_EQ(back[2].message.attachments[0].props[0].bytes, std::string("\0\1\2", 3));
}

TEST(StandinStoreFile, TornTailKeepsEveryEarlierCommit) {
  const std::string file = FileOf({{Folder(1, 0, "root"), Folder(2, 1, "Inbox")},
                                   {Message(3, 2, "first")},
                                   {Message(4, 2, "second")}});
  const std::size_t lastStart =
      file.size() - FrameRecord(EncodeTransaction({Message(4, 2, "second")})).size();
  // Every cut inside the last record loses exactly that record.
  for (std::size_t cut = lastStart; cut < file.size(); cut += 7) {
    StoreImage image = Load(file.substr(0, cut));
    EXPECT_EQ(image.messages.size(), 1u) << "cut at " << cut;
    EXPECT_EQ(image.folders.size(), 2u);
  }
  // A flipped byte in the last record's payload is caught by its checksum.
  std::string damaged = file;
  damaged[damaged.size() - 3] ^= 0x40;
  LogScan scan = ScanLog(damaged, true);
  EXPECT_EQ(scan.payloads.size(), 2u);
  EXPECT_EQ(scan.validEnd, lastStart);
  // Not a store file at all.
  EXPECT_FALSE(ScanLog("GARBAGE!GARBAGE!", true).headerOk);
}

TEST(StandinStoreFile, ReplayMovesDeletesAndSnapshotRebuildsTheSameState) {
  StoreImage image =
      Load(FileOf({{Folder(1, 0, "root"), Folder(2, 1, "Inbox"), Folder(5, 1, "Archive")},
                   {Message(3, 2, "a"), Message(4, 2, "b")},
                   {Message(3, 5, "a moved")},
                   {Delete(4)},
                   {Folder(6, 5, "Sub"), Message(7, 6, "deep")}}));
  EXPECT_EQ(image.folders.at(2).messages, std::vector<std::uint64_t>{});
  EXPECT_EQ(image.folders.at(5).messages, std::vector<std::uint64_t>{3});
  EXPECT_EQ(image.messages.at(3).parent, 5u);
  EXPECT_EQ(image.nextId, 8u);

  // Deleting a folder takes its subfolders and their messages along.
  StoreImage copy = image;
  copy.Apply(Delete(5));
  EXPECT_EQ(copy.folders.count(6), 0u);
  EXPECT_EQ(copy.messages.count(7), 0u);
  EXPECT_EQ(copy.messages.count(3), 0u);
  EXPECT_EQ(copy.folders.at(1).children, std::vector<std::uint64_t>{2});

  // Compaction writes the snapshot; loading it gives the same folders and messages.
  std::string compacted = MakeHeader(8);
  for (const StoreOp& op : image.Snapshot()) compacted += FrameRecord(EncodeTransaction({op}));
  StoreImage again = Load(compacted);
  EXPECT_EQ(again.folders.size(), image.folders.size());
  EXPECT_EQ(again.folders.at(5).children, image.folders.at(5).children);
  EXPECT_EQ(again.messages.at(7).data.props, image.messages.at(7).data.props);
  EXPECT_EQ(again.nextId, image.nextId);
}

TEST(StandinStoreFile, NamedPropertiesKeepFirstMapping) {
  StoreImage image;
  StoreOp named;
  named.kind = StoreOpKind::NamedProp;
  named.guid = std::string(16, '\x29');
  named.nameKind = 1;
  named.name = "QNDDocID";
  named.propId = 0x8000;
  image.Apply(named);
  StoreOp clash = named;
  clash.propId = 0x8001;  // the same name again cannot take a second identifier
  image.Apply(clash);
  StoreOp low = named;
  low.name = "other";
  low.propId = 0x1234;  // below the named range
  image.Apply(low);
  EXPECT_EQ(image.named.size(), 1u);
  EXPECT_EQ(image.namedById.at(0x8000).name, "QNDDocID");
}

TEST(StandinStoreFile, ValuesOfEveryKindSurviveAndDamageIsRejected) {
  MessageData m;
  Prop multi;
  multi.tag = MakeTag(0x8001, kTypeMultiFlag | kTypeString8);
  multi.multi = {"one", "", std::string("t\0o", 3)};
  Prop real;
  real.tag = MakeTag(0x8002, kTypeDouble);
  real.real = -2.5;
  Prop time =
      MakeLong(MakeTag(0x0E06, kTypeSysTime), static_cast<std::int64_t>(0x8000000000000001ull));
  m.props = {multi, real, time, MakeString(kSubject, std::string(100000, 's'))};
  m.recipients = {{MakeLong(MakeTag(0x3000, kTypeLong), 7)}};
  ByteWriter w;
  EncodeMessage(w, m);
  const std::string bytes = w.str();
  MessageData back;
  ByteReader r(bytes);
  ASSERT_TRUE(DecodeMessage(r, back));
  EXPECT_EQ(back.props, m.props);
  EXPECT_EQ(back.recipients, m.recipients);
  // Every truncation fails cleanly instead of reading past the end.
  for (std::size_t cut = 0; cut < 64; ++cut) {
    MessageData partial;
    ByteReader shortReader(std::string_view(bytes).substr(0, cut));
    EXPECT_FALSE(DecodeMessage(shortReader, partial)) << cut;
  }
  // A count that claims more elements than the bytes could hold is refused up front.
  ByteWriter huge;
  huge.U32(0x7FFFFFFF);
  Row row;
  ByteReader hugeReader(huge.str());
  EXPECT_FALSE(DecodeProps(hugeReader, row));
}

TEST(StandinStoreFile, EmbeddedMessagesNestOnlySoDeep) {
  MessageData outer;
  MessageData* at = &outer;
  for (int depth = 0; depth < 12; ++depth) {
    AttachData a;
    a.embedded.resize(1);
    at->attachments.push_back(std::move(a));
    at = &at->attachments.back().embedded.front();
  }
  ByteWriter w;
  EncodeMessage(w, outer);
  MessageData back;
  ByteReader r(w.str());
  EXPECT_FALSE(DecodeMessage(r, back));
}
