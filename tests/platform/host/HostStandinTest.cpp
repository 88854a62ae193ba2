// The host add-in stand-in as the library meets it: a toolbar object with a progress bar,
// two live windows on their own thread, acknowledgements written into the sender's word,
// and a record of what the windows received.
#include <gtest/gtest.h>

#include "support/HostStandin.h"

namespace {

class HostStandinTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(host.ok()) << std::hex << host.created(); }

  // Sends a progress message the way the library's copy worker does: the word cleared, its
  // address in wParam. Returns once the toolbar has recorded it.
  bool Send(UINT message, LPARAM lParam, volatile LONG& word) {
    word = 0;
    const long before = host.Count();
    SendNotifyMessageA(host.ToolbarWindow(), message, reinterpret_cast<WPARAM>(&word), lParam);
    return host.WaitFor(before + 1);
  }

  HostStandin host;
};

TEST_F(HostStandinTest, ToolbarHandsOutItsProgressBarAndWindows) {
  const auto bar = host.ProgressBar();
  ASSERT_TRUE(bar);
  kelmsgs::ComPtr<IDispatch> asProgressBar;
  EXPECT_EQ(S_OK, bar->QueryInterface(DIID_IOlProgressBar, asProgressBar.put_void()));
  EXPECT_EQ(bar.get(), host.ProgressBar().get()) << "one progress bar per toolbar";
  EXPECT_TRUE(IsWindow(host.ToolbarWindow()));
  EXPECT_TRUE(IsWindow(host.SearchControlWindow()));
  EXPECT_NE(host.ToolbarWindow(), host.SearchControlWindow());
  // The windows belong to a thread of the stand-in, not to the creator's.
  EXPECT_NE(GetCurrentThreadId(), GetWindowThreadProcessId(host.ToolbarWindow(), nullptr));
}

TEST_F(HostStandinTest, ProgressMessagesAreAcknowledgedAndDecoded) {
  volatile LONG word = 0;
  static const char status[] = "Copying attachments...";
  const std::pair<UINT, LPARAM> sent[] = {{0x046C, reinterpret_cast<LPARAM>(status)},
                                          {0x046E, 1},
                                          {0x046D, 50},
                                          {0x046C, 0},
                                          {0x046E, 0}};
  for (const auto& [message, lParam] : sent) {
    ASSERT_TRUE(Send(message, lParam, word));
    EXPECT_NE(0, word) << std::hex << message << " not acknowledged";
  }
  SendNotifyMessageA(host.SearchControlWindow(), 0x0200, 0, MAKELPARAM(14, 3));
  ASSERT_TRUE(host.WaitFor(6));
  const std::vector<std::string> expected = {"toolbar 046C ack status \"Copying attachments...\"",
                                             "toolbar 046E ack start",
                                             "toolbar 046D ack percent 50",
                                             "toolbar 046C ack status none",
                                             "toolbar 046E ack end",
                                             "search 0200 - code 14 index 3"};
  EXPECT_EQ(expected, host.Lines());
  EXPECT_EQ(5, host.AckCount());
}

TEST_F(HostStandinTest, SilentToolbarRecordsButNeverAcknowledges) {
  host.SetSilent(true);
  volatile LONG word = 0;
  ASSERT_TRUE(Send(0x046D, 10, word));
  EXPECT_EQ(0, word);
  EXPECT_EQ(0, host.AckCount());
  // Speaking again acknowledges the next message.
  host.SetSilent(false);
  ASSERT_TRUE(Send(0x046D, 20, word));
  EXPECT_NE(0, word);
}

TEST_F(HostStandinTest, SlowToolbarAcknowledgesLaterWhileItsLoopRuns) {
  host.SetAckDelay(50);
  volatile LONG word = 0;
  ASSERT_TRUE(Send(0x046D, 30, word));
  // The search control, on the same thread, is served while the acknowledgement waits.
  SendNotifyMessageA(host.SearchControlWindow(), 0x0200, 0, 11);
  ASSERT_TRUE(host.WaitFor(2));
  ASSERT_TRUE(host.WaitForAcks(1));
  EXPECT_NE(0, word);
}

TEST_F(HostStandinTest, DestroyedWindowsAreNoLongerWindows) {
  const HWND toolbar = host.ToolbarWindow(), search = host.SearchControlWindow();
  host.DestroyWindows();
  EXPECT_FALSE(IsWindow(toolbar));
  EXPECT_FALSE(IsWindow(search));
  EXPECT_EQ(nullptr, host.ToolbarWindow());
}

TEST_F(HostStandinTest, EachToolbarHasItsOwnWindowsAndRecord) {
  HostStandin other;
  ASSERT_TRUE(other.ok());
  EXPECT_NE(host.ToolbarWindow(), other.ToolbarWindow());
  SendNotifyMessageA(other.SearchControlWindow(), 0x0200, 0, 10);
  ASSERT_TRUE(other.WaitFor(1));
  EXPECT_EQ(0, host.Count());
  other.ClearRecord();
  EXPECT_EQ(0, other.Count());
}

}  // namespace
