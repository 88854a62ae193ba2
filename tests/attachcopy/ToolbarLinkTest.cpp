// The copy worker's toolbar protocol against a plain window on a thread of its own that
// records what it receives and acknowledges (or not) by writing the word at wParam.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "session/ToolbarLink.h"

using kelmsgs::ToolbarLink;

namespace {

struct Received {
  UINT message;
  LPARAM lParam;
  std::string text;
};

// What the test toolbar does with a toolbar message.
enum class Answer { Acknowledge, Ignore, CloseWindow };

// A toolbar window on its own message-pumping thread.
class TestToolbar {
 public:
  explicit TestToolbar(Answer answer) : answer_(answer) {
    ready_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    thread_ = std::thread([this] { Pump(); });
    WaitForSingleObject(ready_, 5000);
  }
  ~TestToolbar() {
    if (window_) PostMessageW(window_, WM_CLOSE, 0, 0);
    thread_.join();
    CloseHandle(ready_);
  }
  HWND window() const { return window_; }
  std::vector<Received> received() {
    std::lock_guard guard(lock_);
    return received_;
  }

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<TestToolbar*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self && msg >= kelmsgs::kToolbarStatusText && msg <= kelmsgs::kToolbarRunning) {
      Received r{msg, lParam, {}};
      if (msg == kelmsgs::kToolbarStatusText && lParam)
        r.text = reinterpret_cast<const char*>(lParam);
      {
        std::lock_guard guard(self->lock_);
        self->received_.push_back(r);
      }
      if (self->answer_ == Answer::Acknowledge) *reinterpret_cast<LONG*>(wParam) = 1;
      if (self->answer_ == Answer::CloseWindow) DestroyWindow(hwnd);
      return 0;
    }
    if (msg == WM_CLOSE) {
      DestroyWindow(hwnd);
      return 0;
    }
    if (msg == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcW(hwnd, msg, wParam, lParam);
  }
  void Pump() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = &Proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"KelMsgsTestToolbar";
    RegisterClassW(&wc);
    window_ = CreateWindowW(L"KelMsgsTestToolbar", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                            wc.hInstance, nullptr);
    SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetEvent(ready_);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
  }

  const Answer answer_;
  HANDLE ready_;
  std::atomic<HWND> window_{nullptr};
  std::thread thread_;
  std::mutex lock_;
  std::vector<Received> received_;
};

struct Traced {
  std::vector<std::string> lines;
  ToolbarLink::TraceFn fn() {
    return [this](const char* text) { lines.push_back(text); };
  }
};

TEST(ToolbarLinkTest, EachMessageIsAcknowledgedBeforeTheNext) {
  TestToolbar toolbar(Answer::Acknowledge);
  std::atomic<bool> stop{false};
  Traced traced;
  {
    ToolbarLink link(toolbar.window(), stop, traced.fn());
    link.Open();
    link.Status("Copying attachments...");
    link.Running(true);
    link.Percent(33);
    link.Percent(66);
    link.Status(nullptr);
    link.Running(false);
    EXPECT_TRUE(link.active());
  }
  // Every message was answered before the next went out, so all arrived, in order.
  const auto got = toolbar.received();
  ASSERT_EQ(got.size(), 6u);
  EXPECT_EQ(got[0].message, 0x046Cu);
  EXPECT_EQ(got[0].text, "Copying attachments...");
  EXPECT_EQ(got[1].message, 0x046Eu);
  EXPECT_EQ(got[1].lParam, 1);
  EXPECT_EQ(got[2].message, 0x046Du);
  EXPECT_EQ(got[2].lParam, 33);
  EXPECT_EQ(got[3].lParam, 66);
  EXPECT_EQ(got[4].message, 0x046Cu);
  EXPECT_EQ(got[4].lParam, 0);
  EXPECT_EQ(got[5].message, 0x046Eu);
  EXPECT_EQ(got[5].lParam, 0);
  EXPECT_TRUE(traced.lines.empty());
}

TEST(ToolbarLinkTest, NoWindowIsTracedOnceAndNothingIsSent) {
  std::atomic<bool> stop{false};
  Traced traced;
  ToolbarLink link(nullptr, stop, traced.fn());
  link.Open();
  link.Status("x");
  link.Percent(50);
  EXPECT_FALSE(link.active());
  EXPECT_EQ(traced.lines, std::vector<std::string>{"Invalid window handle."});
}

// A toolbar that never answers holds the copy up once, for a bounded time; then the copy
// goes on without it.
TEST(ToolbarLinkTest, AToolbarThatNeverAcknowledgesIsGivenUp) {
  TestToolbar toolbar(Answer::Ignore);
  std::atomic<bool> stop{false};
  Traced traced;
  {
    ToolbarLink link(toolbar.window(), stop, traced.fn());
    link.Open();
    link.Status("Copying attachments...");
    EXPECT_FALSE(link.active());
    link.Running(true);
    link.Percent(100);
  }
  EXPECT_EQ(toolbar.received().size(), 1u);
  EXPECT_EQ(traced.lines,
            std::vector<std::string>{"Toolbar did not acknowledge; going on without it."});
}

// Runs a toolbar message against a toolbar that does not answer, with an acknowledgement
// limit far beyond the test's: true when the wait ended on its own.
bool WaitEnds(TestToolbar& toolbar, std::atomic<bool>& stop, Traced& traced) {
  constexpr DWORD kTenMinutes = 600000;
  auto send = std::async(std::launch::async, [&] {
    ToolbarLink link(toolbar.window(), stop, traced.fn(), kTenMinutes);
    link.Open();
    link.Status("Copying attachments...");
    link.Running(true);
  });
  const bool ended = send.wait_for(std::chrono::seconds(60)) == std::future_status::ready;
  if (!ended) stop = true;  // lets the wait end, so the test can finish
  return ended;
}

// A stop request ends the wait for an answer; the toolbar is not given up for it.
TEST(ToolbarLinkTest, AStopEndsTheWait) {
  TestToolbar toolbar(Answer::Ignore);
  std::atomic<bool> stop{true};
  Traced traced;
  EXPECT_TRUE(WaitEnds(toolbar, stop, traced));
  EXPECT_TRUE(traced.lines.empty());
}

// A toolbar window that goes away while the worker waits ends the wait too.
TEST(ToolbarLinkTest, AWindowThatIsGoneEndsTheWait) {
  TestToolbar toolbar(Answer::CloseWindow);
  std::atomic<bool> stop{false};
  Traced traced;
  EXPECT_TRUE(WaitEnds(toolbar, stop, traced));
  EXPECT_EQ(toolbar.received().size(), 1u);
}

}  // namespace
