// FormatMessage against the messaging stand-in: the placeholder the call itself saves, the
// real text the session's background writer saves after it, in call order, the text put
// back (and the failure logged) when the writer cannot save, and the writer's hold on the
// module and the session while it runs. The writer is held at its start by the stand-in
// (a call held as a slow store holds it), so what the tests see never depends on timing;
// they wait for it through Logoff and the session's release, which wait for its rewrites.
#include <gtest/gtest.h>

#include <string>

#include "KelMsgs.h"
#include "frame/Module.h"
#include "support/MailboxTest.h"
#include "support/StandinControls.h"

using kelmsgs::Bstr;
using kelmsgs::ComPtr;

namespace {

using standin::Control;

// The writer's thread initialises MAPI before anything else: holding that call holds it.
void HoldWriter() {
  ASSERT_EQ(Control<HRESULT(WINAPI*)(LPCSTR, ULONG)>("StandinSetStall")("MAPIInitialize", 0), S_OK);
}
bool WriterHeld() {
  return Control<BOOL(WINAPI*)(DWORD)>("StandinWaitStalled")(20000) != FALSE;
}
void ReleaseWriter() {
  Control<void(WINAPI*)()>("StandinReleaseStall")();
}
void FailOnce(const char* operation, HRESULT result, ULONG succeedFirst = 0) {
  ASSERT_EQ(Control<HRESULT(WINAPI*)(LPCSTR, HRESULT, ULONG)>("StandinSetFaultOnce")(
                operation, result, succeedFirst),
            S_OK);
}

constexpr wchar_t kPlaceholder[] = L"Generating...";
const std::wstring kOriginal = L"{\\rtf1\\ansi Third \\b bold\\b0  text\\par}";

std::wstring Rtf(const std::wstring& words) {
  return L"{\\rtf1\\ansi " + words + L"\\par}";
}

class FormatMessageTest : public MailboxTest {
 protected:
  void SetUp() override {
    MailboxTest::SetUp();
    if (HasFatalFailure()) return;
    for (LONG i = 0; i < MessageCount(alpha_.get()); ++i)
      if (Subject(MessageAt(alpha_.get(), i).get()) == L"third")
        messageId_ = MessageId(alpha_.get(), i);
    ASSERT_TRUE(messageId_);
    storeId_ = StoreId();
    ASSERT_EQ(StoredText(), kOriginal);
  }
  void TearDown() override {
    ReleaseWriter();
    MailboxTest::TearDown();
  }

  HRESULT Format(const std::wstring& text) {
    return session_->FormatMessage(messageId_.get(), storeId_.get(), B(text).get());
  }
  // The message's RTF text as the store has it now, through a new message object.
  std::wstring StoredText() {
    ComPtr<IQMXMessage> message;
    EXPECT_EQ(session_->get_Message(messageId_.get(), storeId_.get(), message.put()), S_OK);
    if (!message) return L"<no message>";
    Bstr text;
    EXPECT_EQ(message->get_TextRTF(text.put()), S_OK);
    return Str(text.get());
  }
  // Logoff waits for the session's rewrites; the session logs on again to look.
  void WaitForRewrites() {
    ASSERT_EQ(session_->Logoff(VARIANT_FALSE), S_OK);
    VARIANT_BOOL ok = VARIANT_FALSE;
    ASSERT_EQ(session_->Logon(nullptr, nullptr, &ok), S_OK);
    ASSERT_EQ(ok, VARIANT_TRUE);
  }
  std::string LogText() const { return ReadFileBytes(logPath_); }
  void StartLog() {
    logPath_ = fixture_.directory() + "\\session.log";
    ASSERT_EQ(session_->put_LogFile(B(std::wstring(logPath_.begin(), logPath_.end())).get()), S_OK);
    ASSERT_EQ(session_->put_LoggingEnabled(VARIANT_TRUE), S_OK);
  }

  Bstr messageId_, storeId_;
  std::string logPath_;
};

// Empty arguments are refused before the message is opened; a message that does not open
// fails the call.
TEST_F(FormatMessageTest, EmptyArgumentsAndUnknownMessagesAreRefused) {
  const ULONG opened = standin::Calls("OpenEntry"), saved = standin::Calls("SaveChanges");
  const Bstr empty(SysAllocString(L""));
  const Bstr text = B(Rtf(L"new"));
  EXPECT_EQ(session_->FormatMessage(messageId_.get(), storeId_.get(), empty.get()), E_INVALIDARG);
  EXPECT_EQ(session_->FormatMessage(messageId_.get(), storeId_.get(), nullptr), E_INVALIDARG);
  EXPECT_EQ(session_->FormatMessage(empty.get(), storeId_.get(), text.get()), E_INVALIDARG);
  EXPECT_EQ(session_->FormatMessage(messageId_.get(), nullptr, text.get()), E_INVALIDARG);
  EXPECT_EQ(standin::Calls("OpenEntry"), opened);
  EXPECT_EQ(standin::Calls("SaveChanges"), saved);
  EXPECT_EQ(StoredText(), kOriginal);
  EXPECT_EQ(session_->FormatMessage(B(L"00112233445566778899").get(), storeId_.get(), text.get()),
            E_FAIL);
}

// Each call saves the placeholder itself; the writer then saves the texts in call order,
// so ten rewrites end with the last text.
TEST_F(FormatMessageTest, PlaceholderAtOnceThenTheLastTextInTheBackground) {
  HoldWriter();
  for (int i = 1; i <= 10; ++i) ASSERT_EQ(Format(Rtf(L"Version " + std::to_wstring(i))), S_OK);
  ASSERT_TRUE(WriterHeld());
  EXPECT_EQ(StoredText(), kPlaceholder);
  ReleaseWriter();
  WaitForRewrites();
  EXPECT_EQ(StoredText(), Rtf(L"Version 10"));
}

TEST_F(FormatMessageTest, AFailedWriteOrSavePutsBackThePreviousTextAndIsLogged) {
  StartLog();
  for (const char* operation : {"SaveChanges", "IStream::Commit"}) {
    SCOPED_TRACE(operation);
    HoldWriter();
    ASSERT_EQ(Format(Rtf(L"Lost")), S_OK);
    ASSERT_TRUE(WriterHeld());
    FailOnce(operation, MAPI_E_DISK_ERROR);
    ReleaseWriter();
    WaitForRewrites();
    EXPECT_EQ(StoredText(), kOriginal);
    EXPECT_NE(LogText().find("not written (0x80040116); the previous text is restored."),
              std::string::npos)
        << LogText();
    ASSERT_EQ(session_->put_LogFile(B(std::wstring(logPath_.begin(), logPath_.end())).get()), S_OK);
  }
}

TEST_F(FormatMessageTest, AFailedRewriteAfterAnotherFallsBackOnTheEarlierText) {
  HoldWriter();
  ASSERT_EQ(Format(Rtf(L"Kept")), S_OK);
  ASSERT_EQ(Format(Rtf(L"Lost")), S_OK);
  ASSERT_TRUE(WriterHeld());
  // The first rewrite saves, the second's save fails.
  FailOnce("SaveChanges", MAPI_E_DISK_ERROR, 1);
  ReleaseWriter();
  WaitForRewrites();
  EXPECT_EQ(StoredText(), Rtf(L"Kept"));
}

// A window of the test's thread that lets the writer go on when it handles a message: it
// runs only while something on this thread dispatches window messages.
class ReleasingWindow {
 public:
  ReleasingWindow() {
    WNDCLASSA wc{};
    wc.lpfnWndProc = Proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "FormatMessageTestReleaser";
    RegisterClassA(&wc);
    window_ = CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                              wc.hInstance, nullptr);
    released_ = false;
  }
  ~ReleasingWindow() { DestroyWindow(window_); }
  bool Post() const { return window_ && PostMessageA(window_, WM_APP, 0, 0); }
  static bool Released() { return released_; }

 private:
  static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM w, LPARAM l) {
    if (message != WM_APP) return DefWindowProcA(window, message, w, l);
    released_ = true;
    ReleaseWriter();
    return 0;
  }
  static inline bool released_ = false;
  HWND window_ = nullptr;
};

TEST_F(FormatMessageTest, TheRunningWriterHoldsTheModule) {
  const long before = kelmsgs::Module::LockCount();
  HoldWriter();
  ASSERT_EQ(Format(Rtf(L"Held")), S_OK);
  ASSERT_TRUE(WriterHeld());
  EXPECT_EQ(kelmsgs::Module::LockCount(), before + 1);
  ReleaseWriter();
  // The stores' objects stay alive with the test's references: only the writer's lock goes.
  ASSERT_EQ(session_->Logoff(VARIANT_FALSE), S_OK);
  EXPECT_EQ(kelmsgs::Module::LockCount(), before);
}

TEST_F(FormatMessageTest, LogoffWaitsForTheRunningRewriteWhileDispatchingMessages) {
  HoldWriter();
  ASSERT_EQ(Format(Rtf(L"Before logoff")), S_OK);
  ASSERT_TRUE(WriterHeld());
  const ReleasingWindow releaser;
  ASSERT_TRUE(releaser.Post());
  ASSERT_EQ(session_->Logoff(VARIANT_FALSE), S_OK);
  EXPECT_TRUE(ReleasingWindow::Released());
  VARIANT_BOOL ok = VARIANT_FALSE;
  ASSERT_EQ(session_->Logon(nullptr, nullptr, &ok), S_OK);
  EXPECT_EQ(StoredText(), Rtf(L"Before logoff"));
}

TEST_F(FormatMessageTest, TheLastReleaseWaitsForTheRunningRewrite) {
  // A session given the host's MAPI session keeps no store table whose sink holds it: its
  // last release ends it, whether or not it logged off.
  ComPtr<IUnknown> mapi;
  ASSERT_EQ(session_->get_MAPIObject(mapi.put()), S_OK);
  ComPtr<kelmsgs::CQMXSession> hosted;
  ASSERT_EQ(kelmsgs::CQMXSession::Create(hosted), S_OK);
  ASSERT_EQ(hosted->put_MAPIObject(mapi.get()), S_OK);
  HoldWriter();
  ASSERT_EQ(
      hosted->FormatMessage(messageId_.get(), storeId_.get(), B(Rtf(L"Before release")).get()),
      S_OK);
  ASSERT_TRUE(WriterHeld());
  const ReleasingWindow releaser;
  ASSERT_TRUE(releaser.Post());
  hosted.reset();
  EXPECT_TRUE(ReleasingWindow::Released());
  EXPECT_EQ(StoredText(), Rtf(L"Before release"));
}

}  // namespace
