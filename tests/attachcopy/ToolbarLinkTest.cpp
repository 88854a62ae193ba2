// The copy worker's toolbar protocol against a plain window on a thread of its own that
// counts what it receives and never acknowledges it: the waits for an answer must end.
// The acknowledged order, a missing window and a toolbar given up on are checked through
// the copy itself (CopyServiceTest).
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "session/ToolbarLink.h"

using kelmsgs::ToolbarLink;

namespace {

// A toolbar window on its own message-pumping thread that answers no toolbar message,
// and with closeOnMessage destroys itself on the first.
class TestToolbar {
 public:
  explicit TestToolbar(bool closeOnMessage) : closeOnMessage_(closeOnMessage) {
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
  int received() const { return received_; }

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<TestToolbar*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self && msg >= kelmsgs::kToolbarStatusText && msg <= kelmsgs::kToolbarRunning) {
      ++self->received_;
      if (self->closeOnMessage_) DestroyWindow(hwnd);
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

  const bool closeOnMessage_;
  HANDLE ready_;
  std::atomic<HWND> window_{nullptr};
  std::thread thread_;
  std::atomic<int> received_{0};
};

struct Traced {
  std::vector<std::string> lines;
  ToolbarLink::TraceFn fn() {
    return [this](const char* text) { lines.push_back(text); };
  }
};

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

// A stop request ends the wait for an answer without giving the toolbar up, and a
// toolbar window that goes away while the worker waits ends it too.
TEST(ToolbarLinkTest, AStopOrAWindowThatIsGoneEndsTheWait) {
  const struct {
    const char* what;
    bool closeOnMessage, stopFirst;
  } cases[] = {{"stop", false, true}, {"window gone", true, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TestToolbar toolbar(c.closeOnMessage);
    std::atomic<bool> stop{c.stopFirst};
    Traced traced;
    EXPECT_TRUE(WaitEnds(toolbar, stop, traced));
    if (c.stopFirst) {
      EXPECT_TRUE(traced.lines.empty());
    }
    if (c.closeOnMessage) {
      EXPECT_EQ(toolbar.received(), 1);
    }
  }
}

}  // namespace
