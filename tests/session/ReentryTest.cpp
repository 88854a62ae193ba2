// The session while it drains the client's window messages (Logon, "Profiles.ini"): a
// window procedure of the client may log off, log on again or let go of the session in
// the middle of the call, and the host's own message loop must still see WM_QUIT.
#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <functional>
#include <string>
#include <thread>

#include "foundation/ComPtr.h"
#include "frame/Module.h"
#include "session/MessagePump.h"
#include "session/QMXSession.h"
#include "support/BstrText.h"
#include "support/MapiFixture.h"
#include "support/StandinControls.h"
#include "support/TestRegistry.h"
#include "WorkAndHomeProfiles.h"

using kelmsgs::ComPtr;
using kelmsgs::CQMXSession;
using kelmsgs::Module;

namespace {

constexpr int kAllKeys = 20;  // five keys for each of the four store providers
constexpr UINT kPoke = WM_APP + 7;

// A message-only window of the test thread whose procedure runs `onPoke` for kPoke.
class ClientWindow {
 public:
  explicit ClientWindow(std::function<void()> onPoke) : onPoke_(std::move(onPoke)) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = Proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "KelMsgsReentryClient";
    RegisterClassA(&wc);  // fails harmlessly when already registered
    hwnd_ = CreateWindowA(wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance,
                          nullptr);
    SetWindowLongPtrA(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }
  ~ClientWindow() { DestroyWindow(hwnd_); }
  HWND hwnd() const { return hwnd_; }
  void Post() const { PostMessageA(hwnd_, kPoke, 0, 0); }

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<ClientWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (message == kPoke && self) {
      self->onPoke_();
      return 0;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
  }
  std::function<void()> onPoke_;
  HWND hwnd_ = nullptr;
};

// Another thread that keeps sending kPoke to a window: the window procedure then runs
// at (nearly) every message drain of the test thread, wherever it happens.
class Poker {
 public:
  explicit Poker(HWND target)
      : thread_([this, target] {
          while (!stop_) SendMessageTimeoutA(target, kPoke, 0, 0, SMTO_NORMAL, 20, nullptr);
        }) {}
  ~Poker() {
    stop_ = true;
    thread_.join();
  }

 private:
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

int KeyCount(const std::string& text) {
  int keys = 0;
  for (const char c : text) keys += c == '=';
  return keys;
}

class ReentryTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(fixture_.loaded()) << fixture_.error();
    ASSERT_EQ(CQMXSession::Create(session_), S_OK);
    CreateDirectoryA(dir_.path().c_str(), nullptr);
    session_->put_InifilePath(B(dir_.wpath()).get());
    session_->put_OutlookVersion(11);  // the provider sections can be read
  }
  void TearDown() override {
    if (session_) session_->Logoff(VARIANT_TRUE);
    DeleteFileA(ini_.c_str());
    RemoveDirectoryA(dir_.path().c_str());
  }

  MapiFixture fixture_{kWorkAndHomeProfiles};
  ComPtr<CQMXSession> session_;
  ScratchFile dir_{"_dir"};
  const std::string ini_ = dir_.path() + "\\Profiles.ini";
};

// The window procedure logs off and drops the client's last reference at Logon's first
// message drain: the session lives on until Logon returns, and Logon does none of its
// remaining steps (no information file).
TEST_F(ReentryTest, LogoffAndReleaseDuringLogonEndTheLogonSafely) {
  CQMXSession* const session = session_.get();
  const long withSession = Module::LockCount();
  long insideProcedure = -1;
  ClientWindow window([&] {
    session->Logoff(VARIANT_TRUE);
    session_.reset();
    insideProcedure = Module::LockCount();
  });
  window.Post();
  VARIANT_BOOL ok = VARIANT_FALSE;
  EXPECT_EQ(session->Logon(nullptr, nullptr, &ok), S_OK);
  EXPECT_EQ(ok, VARIANT_TRUE);
  EXPECT_EQ(insideProcedure, withSession);  // still alive after the client let go
  EXPECT_EQ(Module::LockCount(), withSession - 1);
  EXPECT_EQ(GetFileAttributesA(ini_.c_str()), INVALID_FILE_ATTRIBUTES);
}

// A logoff while "Profiles.ini" is being written (messages are drained before each key)
// ends the writing: no key is written after it, from records that the logoff emptied.
TEST_F(ReentryTest, LogoffWhileProfilesIniIsWrittenEndsTheWriting) {
  // The window procedure runs at every drain; it acts once the old file (with its marker)
  // has been deleted, which happens just before the keys are written. A try whose logoff
  // only came after the last key says nothing and is repeated.
  int keysAtLogoff = -1;
  for (int attempt = 0; attempt < 20 && (keysAtLogoff < 0 || keysAtLogoff >= kAllKeys); ++attempt) {
    std::ofstream(ini_, std::ios::binary) << "[marker]\r\nk=1\r\n";
    bool acted = false;
    keysAtLogoff = -1;
    ClientWindow window([&] {
      const std::string text = ReadFileBytes(ini_);
      if (acted || text.find("[marker]") != std::string::npos) return;
      acted = true;
      keysAtLogoff = KeyCount(text);
      session_->Logoff(VARIANT_FALSE);
    });
    {
      Poker poker(window.hwnd());
      VARIANT_BOOL ok = VARIANT_FALSE;
      EXPECT_EQ(session_->Logon(nullptr, nullptr, &ok), S_OK);
    }
    if (keysAtLogoff >= 0 && keysAtLogoff < kAllKeys) {
      EXPECT_EQ(KeyCount(ReadFileBytes(ini_)), keysAtLogoff);
    }
  }
  ASSERT_GE(keysAtLogoff, 0);
  ASSERT_LT(keysAtLogoff, kAllKeys);
}

// The message drain takes WM_QUIT out of the queue without dispatching it; it posts it
// again with its exit code, so the host's message loop still ends.
TEST(MessagePumpTest, QuitStaysForTheHostsLoop) {
  int dispatched = 0;
  ClientWindow window([&] { ++dispatched; });
  window.Post();
  PostQuitMessage(7);
  kelmsgs::PumpMessages();
  EXPECT_EQ(dispatched, 1);
  MSG msg{};
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
  EXPECT_EQ(msg.wParam, 7u);
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
}

}  // namespace
