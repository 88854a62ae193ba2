// The exported redirected-input callbacks over the engine state's source stream, and the
// member-name table they fill.
#include <cstring>

#include "content/ContentFixture.h"
#include "content/EngineState.h"

namespace contenttest {
namespace {

using kelmsgs::EngineState;
using kelmsgs::IoInfoBlock;
using kelmsgs::IoRecord;

class StreamCallbacksTest : public ContentTest {
 protected:
  void SetUp() override {
    ContentTest::SetUp();
    ComPtr<IStream> stream;
    ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, stream.put()), S_OK);
    ULONG written = 0;
    ASSERT_EQ(stream->Write(kData, sizeof kData - 1, &written), S_OK);
    ASSERT_EQ(stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr), S_OK);
    EngineState::Instance().source = stream;
    record_.fileSize = sizeof kData - 1;
  }
  void TearDown() override {
    EngineState::Instance().source.reset();
    ContentTest::TearDown();
  }
  DWORD Tell() {
    DWORD offset = 0xFFFFFFFF;
    EXPECT_EQ(CQMXFileContent::StreamTell(&record_, &offset), 0);
    return offset;
  }

  static constexpr char kData[] = "0123456789abcdef";
  IoRecord record_{};
};

TEST_F(StreamCallbacksTest, ReadSeekAndTellFollowTheStreamUpToTheFileSize) {
  BYTE buffer[32] = {};
  DWORD read = 0;
  EXPECT_EQ(CQMXFileContent::StreamRead(&record_, buffer, 10, &read), 0);
  EXPECT_EQ(read, 10u);
  EXPECT_EQ(std::memcmp(buffer, "0123456789", 10), 0);
  EXPECT_EQ(Tell(), 10u);

  // Seeks: 1 from the current position, 2 from the end, anything else from the start;
  // negative offsets are sign-extended.
  EXPECT_EQ(CQMXFileContent::StreamSeek(&record_, 1, -4), 0);
  EXPECT_EQ(Tell(), 6u);
  EXPECT_EQ(CQMXFileContent::StreamSeek(&record_, 2, -3), 0);
  EXPECT_EQ(Tell(), 13u);
  EXPECT_EQ(CQMXFileContent::StreamSeek(&record_, 7, 2), 0);
  EXPECT_EQ(Tell(), 2u);
  EXPECT_EQ(CQMXFileContent::StreamSeek(&record_, 0, -100), 0);  // refused by the stream

  // A read is cut by the stream's end; at the record's file size nothing is left.
  EXPECT_EQ(CQMXFileContent::StreamSeek(&record_, 0, 12), 0);
  EXPECT_EQ(CQMXFileContent::StreamRead(&record_, buffer, 32, &read), 0);
  EXPECT_EQ(read, 4u);
  EXPECT_EQ(CQMXFileContent::StreamRead(&record_, buffer, 32, &read), -9);
  EXPECT_EQ(read, 0u);
  // A record that claims less than the stream holds ends earlier.
  record_.fileSize = 5;
  EXPECT_EQ(CQMXFileContent::StreamSeek(&record_, 0, 5), 0);
  read = 7;
  EXPECT_EQ(CQMXFileContent::StreamRead(&record_, buffer, 4, &read), -9);
  EXPECT_EQ(read, 0u);
}

TEST_F(StreamCallbacksTest, InformationRequestsAnswerByTheirId) {
  IoInfoBlock block{};
  EXPECT_EQ(CQMXFileContent::StreamGetInfo(&record_, 4, &block), -10);
  EXPECT_EQ(CQMXFileContent::StreamGetInfo(&record_, 3, &block), -1);
  EXPECT_EQ(CQMXFileContent::StreamGetInfo(&record_, 6, &block), -1);
  EXPECT_EQ(CQMXFileContent::StreamGetInfo(&record_, 14, &block), 0);
  for (DWORD id : {0u, 1u, 2u, 5u, 7u, 16u, 20u, 0xFFFFFFFFu})
    EXPECT_EQ(CQMXFileContent::StreamGetInfo(&record_, id, &block), -7) << id;
}

TEST_F(StreamCallbacksTest, MemberNamesAreCopiedAndCollectedUntilTheObjectGoes) {
  auto& names = EngineState::Instance().memberNames;
  ASSERT_EQ(names.count(), 0u);
  // Ten names: the table starts with eight slots and grows by eight.
  const std::string longName(400, 'n');
  for (int i = 0; i < 10; ++i) {
    const std::string name = i == 9 ? longName : "member" + std::to_string(i) + ".doc";
    char copy[MAX_PATH] = {};
    IoInfoBlock block{19, name.c_str(), 0, copy};
    EXPECT_EQ(CQMXFileContent::StreamGetInfo(&record_, 19, &block), -7);
    EXPECT_EQ(block.kind, 19u);
    EXPECT_EQ(std::string(copy), name.substr(0, MAX_PATH - 1));
  }
  ASSERT_EQ(names.count(), 10u);
  EXPECT_EQ(names.capacity(), 16u);
  EXPECT_EQ(names.Name(0), "member0.doc");
  EXPECT_EQ(names.Name(8), "member8.doc");
  EXPECT_EQ(names.Name(9), longName.substr(0, 259));
  // Destroying a content object frees the table.
  content_.reset();
  EXPECT_EQ(names.count(), 0u);
  EXPECT_EQ(names.capacity(), 0u);
}

TEST_F(StreamCallbacksTest, NewRecordRequestBuildsARecordThatClosesItself) {
  std::strcpy(record_.secondName, "outer.zip");
  IoInfoBlock block{15, "inner.doc", 0, nullptr};
  ASSERT_EQ(CQMXFileContent::StreamGetInfo(&record_, 15, &block), 0);
  auto* created = static_cast<IoRecord*>(block.data);
  ASSERT_NE(created, nullptr);
  EXPECT_STREQ(created->fileName, "inner.doc");
  EXPECT_STREQ(created->secondName, "outer.zip");
  EXPECT_EQ(created->close, &CQMXFileContent::StreamClose);
  EXPECT_EQ(created->read, &CQMXFileContent::StreamRead);
  EXPECT_EQ(created->seek, &CQMXFileContent::StreamSeek);
  EXPECT_EQ(created->tell, &CQMXFileContent::StreamTell);
  EXPECT_EQ(created->getInfo, &CQMXFileContent::StreamGetInfo);
  EXPECT_EQ(created->write, nullptr);
  EXPECT_EQ(created->open, nullptr);
  EXPECT_EQ(created->self, static_cast<HGLOBAL>(created));
  EXPECT_EQ(created->fileSize, 0u);

  // Closing frees the record's block and lets go of the source stream.
  ComPtr<IStream> watch = EngineState::Instance().source;
  EXPECT_EQ(created->close(created), 0);
  EXPECT_FALSE(EngineState::Instance().source);
  watch->AddRef();
  EXPECT_EQ(watch->Release(), 1u);  // only this test's reference is left
}

}  // namespace
}  // namespace contenttest
