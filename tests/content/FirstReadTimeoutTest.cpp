// The first text read of FileContent runs on a worker thread that is given up on after
// 15 seconds. A read given up on is abandoned, not terminated: the process, the filter
// and later reads must all stay healthy. Slow (about 30 seconds): the limit is fixed.
#include "DocFilter.h"
#include "content/ContentFixture.h"
#include "content/EngineState.h"
#include "content/FilterEngine.h"

namespace contenttest {
namespace {

using FirstReadTimeoutTest = ContentTest;

// FileContent answering E_FAIL with "The file is corrupt." after the time limit.
void ExpectTimeOut(CQMXFileContent* content) {
  Bstr text = B(L"stale");
  const ULONGLONG start = GetTickCount64();
  BSTR raw = text.get();
  EXPECT_EQ(content->get_FileContent(&raw), E_FAIL);
  const ULONGLONG elapsed = GetTickCount64() - start;
  EXPECT_EQ(raw, nullptr);
  EXPECT_GE(elapsed, 14900u);
  EXPECT_LT(elapsed, 17000u);
  const Reported error = TakeError();
  EXPECT_EQ(error.description, L"The file is corrupt.");
  EXPECT_EQ(error.source, L"KelMsgs.QMXFileContent.1");
}

TEST_F(FirstReadTimeoutTest, AbandonedReadLeavesTheProcessAndFilterUsable) {
  const std::string first = Write("first.txt", "   first document text");
  const std::string second = Write("second.txt", "second document text");
  ASSERT_TRUE(Open(first));

  // 1. A first read that outlasts the limit (it ends two seconds after it).
  SetControl(DF_TEST_SLOW_FIRST_READ, 17000);
  ExpectTimeOut(content_.get());

  // 2. The next FileContent waits for the abandoned read on the same reader, then reads
  // afresh; the abandoned read wrote nothing into the text.
  SetControl(DF_TEST_SLOW_FIRST_READ, 0);
  std::u16string text;
  const ULONGLONG start = GetTickCount64();
  ASSERT_EQ(Text(text), S_OK);
  EXPECT_EQ(text, u"first document text");
  EXPECT_GE(GetTickCount64() - start, 1000u);

  // 3. Another read given up on; Close does not wait for it: its worker closes the
  // reader and the document once the filter returns.
  SetControl(DF_TEST_SLOW_FIRST_READ, 16500);
  ExpectTimeOut(content_.get());
  const DFHANDLE abandonedText = kelmsgs::EngineState::Instance().text.get();
  ASSERT_NE(abandonedText, 0u);
  const ULONGLONG closing = GetTickCount64();
  EXPECT_EQ(content_->Close(), S_OK);
  EXPECT_LT(GetTickCount64() - closing, 500u);
  EXPECT_FALSE(kelmsgs::EngineState::Instance().text);

  // 4. Meanwhile another document opens and reads at once.
  SetControl(DF_TEST_SLOW_FIRST_READ, 0);
  ASSERT_TRUE(Open(second));
  const ULONGLONG reading = GetTickCount64();
  ASSERT_EQ(Text(text), S_OK);
  EXPECT_EQ(text, u"second document text");
  EXPECT_LT(GetTickCount64() - reading, 1000u);

  // 5. Once the abandoned read has returned, its reader is closed.
  Sleep(2500);
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
