// The first text read of FileContent runs on a worker thread that is given up on after a
// time limit. A read given up on is abandoned, not terminated: the process, the filter
// and later reads must all stay healthy. The test shortens the limit and makes the
// filter's first reads slow, and follows the abandoned reads by their state, never by
// the time they took.
#include "DocFilter.h"
#include "content/ContentFixture.h"
#include "content/EngineState.h"
#include "content/FilterEngine.h"
#include "content/FirstTextRead.h"

namespace contenttest {
namespace {

// The shortened limit, and a first read that outlasts it many times over.
constexpr DWORD kLimitMs = 1000;
constexpr DWORD kSlowReadMs = 4000;

class FirstReadTimeoutTest : public ContentTest {
 protected:
  void TearDown() override {
    CQMXFileContent::SetFirstReadLimit(CQMXFileContent::kFirstReadLimitMs);
    SetControl(DF_TEST_SLOW_FIRST_READ, 0);
    ContentTest::TearDown();
  }

  // A FileContent given up on: E_FAIL with "The file is corrupt.", no text, and the read
  // left running. Returns that read.
  std::shared_ptr<kelmsgs::FirstTextRead> ExpectGivenUp() {
    CQMXFileContent::SetFirstReadLimit(kLimitMs);
    SetControl(DF_TEST_SLOW_FIRST_READ, kSlowReadMs);
    Bstr text = B(L"stale");
    BSTR raw = text.get();
    EXPECT_EQ(content_->get_FileContent(&raw), E_FAIL);
    EXPECT_EQ(raw, nullptr);
    const Reported error = TakeError();
    EXPECT_EQ(error.description, L"The file is corrupt.");
    EXPECT_EQ(error.source, L"KelMsgs.QMXFileContent.1");
    // Later reads are quick again and have the whole limit.
    SetControl(DF_TEST_SLOW_FIRST_READ, 0);
    CQMXFileContent::SetFirstReadLimit(CQMXFileContent::kFirstReadLimitMs);
    std::shared_ptr<kelmsgs::FirstTextRead> read = kelmsgs::EngineState::Instance().pendingRead;
    EXPECT_TRUE(read);
    if (read) {
      EXPECT_FALSE(read->WaitUntil(0)) << "the read had ended already";
    }
    return read;
  }
};

TEST_F(FirstReadTimeoutTest, AbandonedReadLeavesTheProcessAndFilterUsable) {
  const std::string first = Write("first.txt", "   first document text");
  const std::string second = Write("second.txt", "second document text");
  ASSERT_TRUE(Open(first));

  // 1. A first read that outlasts the limit.
  std::shared_ptr<kelmsgs::FirstTextRead> abandoned = ExpectGivenUp();
  ASSERT_TRUE(abandoned);

  // 2. The next FileContent waits for the abandoned read on the same reader, then reads
  // afresh; the abandoned read wrote nothing into the text.
  std::u16string text;
  ASSERT_EQ(Text(text), S_OK);
  EXPECT_EQ(text, u"first document text");
  EXPECT_TRUE(abandoned->WaitUntil(0)) << "read again before the abandoned read ended";
  EXPECT_FALSE(kelmsgs::EngineState::Instance().pendingRead);

  // 3. Another read given up on; Close does not wait for it: its worker closes the
  // reader and the document once the filter returns.
  abandoned = ExpectGivenUp();
  ASSERT_TRUE(abandoned);
  const DFHANDLE abandonedText = kelmsgs::EngineState::Instance().text.get();
  ASSERT_NE(abandonedText, 0u);
  EXPECT_EQ(content_->Close(), S_OK);
  EXPECT_FALSE(abandoned->WaitUntil(0)) << "Close waited for the abandoned read";
  EXPECT_FALSE(kelmsgs::EngineState::Instance().text);

  // 4. Meanwhile another document opens and reads without waiting for it.
  ASSERT_TRUE(Open(second));
  ASSERT_EQ(Text(text), S_OK);
  EXPECT_EQ(text, u"second document text");
  EXPECT_FALSE(abandoned->WaitUntil(0)) << "the other document waited for the abandoned read";

  // 5. Once the abandoned read has returned, its reader is closed (its thread closes it
  // before it ends).
  ASSERT_TRUE(abandoned->WaitUntil(GetTickCount64() + 30000));
  const auto* engine = kelmsgs::FilterEngine::Current();
  ASSERT_NE(engine, nullptr);
  BYTE buffer[16];
  DWORD count = 0;
  EXPECT_EQ(engine->TAReadNext(abandonedText, buffer, sizeof buffer, &count), DF_E_BADHANDLE);
  EXPECT_EQ(Text(text), S_OK);
  EXPECT_EQ(text, u"second document text");
}

}  // namespace
}  // namespace contenttest
