// QMXClipboardMonitor with the real clipboard and viewer chain of the Wine prefix: what a
// copy leaves on the clipboard, what the chain passes on, the viewer window's life and the
// monitor's log.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "KelMsgs.h"
#include "foundation/ComPtr.h"
#include "support/BstrText.h"
#include "support/MapiFixture.h"
#include "utilities/ClipboardFixture.h"
#include "utilities/GlobalAllocFault.h"
#include "utilities/QMXClipboardMonitor.h"

using kelmsgs::ComPtr;
using kelmsgs::CQMXClipboardMonitor;
using namespace clipboard;

namespace {

const std::string kSpan1 = "<SPAN style=\"BACKGROUND-COLOR: #ffff00\">";
const std::string kSpan2 = "<SPAN style=\"BACKGROUND-COLOR: #00ff00\">";

BOOL CALLBACK AddMonitorWindow(HWND window, LPARAM found) {
  char caption[64] = {};
  GetWindowTextA(window, caption, sizeof caption);
  if (std::string(caption) == "ClipBoard Monitor")
    reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
  return TRUE;
}

// The viewer windows of this thread (the monitor's dialogs).
std::vector<HWND> MonitorWindows() {
  std::vector<HWND> windows;
  EnumThreadWindows(GetCurrentThreadId(), AddMonitorWindow, reinterpret_cast<LPARAM>(&windows));
  return windows;
}

class ClipboardMonitorTest : public testing::Test {
 protected:
  void SetUp() override {
    char dir[MAX_PATH];
    GetTempPathA(MAX_PATH, dir);
    log_ = std::string(dir) + "kelmsgs-clipboard-" + std::to_string(GetCurrentProcessId()) + ".log";
    monitor_ = NewMonitor(log_);
    html_ = RegisterClipboardFormatA("HTML Format");
    rtf_ = RegisterClipboardFormatA("Rich Text Format");
  }
  void TearDown() override {
    monitor_.reset();
    DeleteFileA(log_.c_str());
  }

  static ComPtr<CQMXClipboardMonitor> NewMonitor(const std::string& log) {
    ComPtr<CQMXClipboardMonitor> monitor;
    EXPECT_EQ(CQMXClipboardMonitor::Create(monitor), S_OK);
    EXPECT_EQ(monitor->put_LogFile(B(log).get()), S_OK);
    EXPECT_EQ(monitor->put_LoggingEnabled(VARIANT_TRUE), S_OK);
    return monitor;
  }
  int Count(const std::string& operation, const std::string& message) const {
    return CountEntries(log_, operation, message);
  }
  // Copies and waits until the monitor has read the change (and written, when it writes).
  void CopyAndWait(const std::vector<Data>& formats, bool writes) {
    const int reads = Count("ReadClipboardData", "...finished.");
    const int writesBefore = Count("WriteClipboardData", "...finished.");
    Copy(formats);
    ASSERT_TRUE(PumpUntil(
        [&] {
          return Count("ReadClipboardData", "...finished.") > reads &&
                 (!writes || Count("WriteClipboardData", "...finished.") > writesBefore);
        },
        5000));
  }

  std::string log_;
  ComPtr<CQMXClipboardMonitor> monitor_;
  UINT html_ = 0;
  UINT rtf_ = 0;
};

TEST_F(ClipboardMonitorTest, ViewerWindowIsTheHiddenDialogMadeOnceAndLeftAtStop) {
  EXPECT_EQ(monitor_->StartMonitor(), S_OK);
  EXPECT_EQ(monitor_->StartMonitor(), S_OK);
  const auto windows = MonitorWindows();
  ASSERT_EQ(windows.size(), 1u);
  const HWND window = windows[0];
  EXPECT_EQ(Count("StartMonitor", "Started."), 1);
  EXPECT_EQ(GetClipboardViewer(), window);

  // The dialog as laid out: hidden popup with caption and system menu, no owner, 414 x 166
  // dialog units, OK, Cancel and a multi-line edit box with vertical scroll bar.
  char className[32] = {};
  GetClassNameA(window, className, sizeof className);
  EXPECT_STREQ(className, "#32770");
  const LONG style = GetWindowLongA(window, GWL_STYLE);
  EXPECT_FALSE(style & WS_VISIBLE);
  EXPECT_EQ(style & (WS_POPUP | WS_CAPTION | WS_SYSMENU), WS_POPUP | WS_CAPTION | WS_SYSMENU);
  EXPECT_EQ(GetWindow(window, GW_OWNER), nullptr);
  RECT units{0, 0, 414, 166}, client{};
  MapDialogRect(window, &units);
  GetClientRect(window, &client);
  EXPECT_EQ(client.right, units.right);
  EXPECT_EQ(client.bottom, units.bottom);
  char text[32] = {};
  GetDlgItemTextA(window, IDOK, text, sizeof text);
  EXPECT_STREQ(text, "OK");
  GetDlgItemTextA(window, IDCANCEL, text, sizeof text);
  EXPECT_STREQ(text, "Cancel");
  const LONG editStyle = GetWindowLongA(GetDlgItem(window, 205), GWL_STYLE);
  EXPECT_TRUE(editStyle & ES_MULTILINE);
  EXPECT_TRUE(editStyle & WS_VSCROLL);

  EXPECT_EQ(monitor_->StopMonitor(), S_OK);
  EXPECT_FALSE(IsWindow(window));
  EXPECT_NE(GetClipboardViewer(), window);
  EXPECT_EQ(Count("StopMonitor", "Stopped."), 1);
  // Stopping a monitor that runs no window only logs.
  EXPECT_EQ(monitor_->StopMonitor(), S_OK);
  EXPECT_EQ(Count("StopMonitor", "Stopped."), 2);
}

TEST_F(ClipboardMonitorTest, JoiningTheChainIsNeitherProcessedNorPassedOn) {
  const std::string dirty = CfHtml("<html><body>", kSpan1 + "x</SPAN>", "</body></html>");
  Copy({Bytes(CF_TEXT, "x"), Bytes(html_, dirty), Bitmap()});
  TestViewer viewer;
  viewer.Join();
  ASSERT_EQ(monitor_->StartMonitor(), S_OK);
  PumpUntil([] { return false; }, 100);  // whatever was posted arrives
  EXPECT_EQ(viewer.changes(), 0);
  EXPECT_EQ(Count("ReadClipboardData", "Reading data..."), 0);
  EXPECT_EQ(BytesOf(html_), dirty);
  EXPECT_TRUE(Has(CF_DIB));
}

TEST_F(ClipboardMonitorTest, PlainTextLeavesTheClipboardAsItWas) {
  const UINT privateFormat = RegisterClipboardFormatA("KelMsgs test data");
  ASSERT_EQ(monitor_->StartMonitor(), S_OK);
  CopyAndWait({Bytes(CF_TEXT, "plain"), Bytes(privateFormat, "mine"), Bitmap()}, false);
  EXPECT_EQ(BytesOf(CF_TEXT), "plain");
  EXPECT_EQ(BytesOf(privateFormat), "mine");
  EXPECT_TRUE(Has(CF_DIB));
  EXPECT_EQ(Count("WriteClipboardData", "Writing data..."), 0);
}

// Highlighted HTML copied with text, rich text and a bitmap: only the text, HTML and rich-text
// formats stay, the HTML cleaned and its offsets framing the cleaned parts; the change that
// the rewrite causes is not handled again, and the next viewer hears of the copy once, after
// the rewrite.
TEST_F(ClipboardMonitorTest, HighlightedHtmlIsCleanedAndOtherFormatsDropped) {
  const UINT privateFormat = RegisterClipboardFormatA("KelMsgs test data");
  const std::string before = "<html>\r\n<body>\r\n";
  const std::string fragment =
      "<P>Found " + kSpan1 + "word</SPAN> and\r\n<B>more</B> " + kSpan2 + "again</SPAN></P>";
  const std::string after = "\r\n</body>\r\n</html>";
  ASSERT_EQ(monitor_->StartMonitor(), S_OK);
  TestViewer viewer;
  viewer.Join();  // first in the chain, passing to the monitor
  CopyAndWait({Bytes(CF_TEXT, "Found word"), Bytes(html_, CfHtml(before, fragment, after)),
               Bytes(rtf_, "{\\rtf1 Found word}"), Bitmap(), Bytes(privateFormat, "mine")},
              true);

  const std::string cleaned = BytesOf(html_);
  EXPECT_EQ(Between(cleaned, "StartFragment", "EndFragment"),
            "<P>Found word and  <B>more</B> again</P>");
  EXPECT_EQ(Between(cleaned, "StartHTML", "EndHTML"),
            "<html>  <body>  <!--StartFragment--><P>Found word and  <B>more</B> again</P>"
            "<!--EndFragment-->  </body>  </html>");
  EXPECT_EQ(cleaned.substr(0, 24), "Version:0.9\r\nStartHTML:0");  // header lines and widths
  EXPECT_EQ(static_cast<std::size_t>(HeaderOffset(cleaned, "EndHTML")), cleaned.size());
  EXPECT_EQ(BytesOf(CF_TEXT), "Found word");
  EXPECT_EQ(TextOf(CF_UNICODETEXT), L"Found word");
  EXPECT_EQ(BytesOf(rtf_), "{\\rtf1 Found word}");
  for (UINT gone : {UINT{CF_DIB}, UINT{CF_BITMAP}, UINT{CF_DIBV5}, privateFormat})
    EXPECT_FALSE(Has(gone)) << gone;

  // The rewrite is a change of its own: the chain carries it, the monitor leaves it alone.
  EXPECT_EQ(Count("ReadClipboardData", "Reading data..."), 1);
  EXPECT_EQ(Count("WriteClipboardData", "Writing data..."), 1);
  ASSERT_EQ(viewer.changes(), 2);
  EXPECT_EQ(std::count(viewer.seen()[0].begin(), viewer.seen()[0].end(), CF_DIB), 1)
      << "the first viewer sees the copy before the monitor";
  EXPECT_EQ(std::count(viewer.seen()[1].begin(), viewer.seen()[1].end(), CF_DIB), 0);
  // The kept formats are back in the order the monitor read them.
  const auto kept = [&](std::vector<UINT> formats) {
    std::erase_if(formats, [&](UINT f) {
      return f != CF_TEXT && f != CF_UNICODETEXT && f != html_ && f != rtf_;
    });
    return formats;
  };
  EXPECT_EQ(kept(Formats()), kept(viewer.seen()[0]));
  EXPECT_EQ(kept(Formats()).size(), 4u);

  // A viewer behind the monitor only ever sees the rewritten clipboard.
  viewer.Leave();
  TestViewer behind;
  monitor_->StopMonitor();
  behind.Join();
  monitor_->StartMonitor();
  CopyAndWait(
      {Bytes(CF_TEXT, "again"), Bytes(html_, CfHtml("", kSpan1 + "y</SPAN>", "")), Bitmap()}, true);
  ASSERT_GE(behind.changes(), 1);
  for (const auto& seen : behind.seen()) EXPECT_EQ(std::count(seen.begin(), seen.end(), CF_DIB), 0);
  EXPECT_EQ(Count("WriteClipboardData", "Writing data..."), 2);
}

// Every text, HTML and rich-text format is kept, and the 8-bit ones (HTML as UTF-8) come
// back with the bytes they had, whatever the process's code page (the test also runs
// under a multi-byte one).
TEST_F(ClipboardMonitorTest, EveryTextFormatComesBackByteForByte) {
  const UINT html2 = RegisterClipboardFormatA("HTML (HyperText Markup Language)");
  const UINT rtf2 = RegisterClipboardFormatA("Rich Text Format Without Objects");
  const std::string text = "caf\xe9 \x85\x61 \x82\xa0 \xa5";
  const std::string html =
      "<p>Gr\xc3\xbc\xc3\x9f"
      "e \xe2\x80\x93 \xc4\x85\x61 \xe6\x97\xa5</p>";
  const std::string rich = "{\\rtf1 \x85\x61\x81\x7f\xfd}";
  ASSERT_EQ(monitor_->StartMonitor(), S_OK);
  CopyAndWait({Bytes(CF_TEXT, text), Wide(L"u"), Bytes(html_, html), Bytes(html2, "<b>b</b>"),
               Bytes(rtf_, rich), Bytes(rtf2, "{\\rtf1 d}")},
              true);
  EXPECT_EQ(BytesOf(CF_TEXT), text);
  EXPECT_EQ(TextOf(CF_UNICODETEXT), L"u");
  EXPECT_EQ(BytesOf(html_), html);
  EXPECT_EQ(BytesOf(html2), "<b>b</b>");
  EXPECT_EQ(BytesOf(rtf_), rich);
  EXPECT_EQ(BytesOf(rtf2), "{\\rtf1 d}");
}

// Memory for the rewrite is prepared before the clipboard is emptied: when it runs out,
// the user's clipboard keeps everything that was copied.
TEST_F(ClipboardMonitorTest, FailingAllocationLeavesTheClipboardAsItWas) {
  const std::string dirty = CfHtml("", kSpan1 + "x</SPAN>", "");
  const std::string rich(777, 'r');
  ASSERT_EQ(monitor_->StartMonitor(), S_OK);
  {
    std::unique_ptr<GlobalAllocFault> fault;
    Copy({Bytes(CF_TEXT, "x"), Bytes(html_, dirty), Bytes(rtf_, rich), Bitmap()},
         [&] { fault = std::make_unique<GlobalAllocFault>(rich.size() + 1); });
    ASSERT_TRUE(fault->installed());
    ASSERT_TRUE(PumpUntil([&] { return Count("WriteClipboardData", "...failed.") == 1; }, 5000));
    EXPECT_GE(GlobalAllocFault::refused(), 1);
  }
  EXPECT_EQ(BytesOf(CF_TEXT), "x");
  EXPECT_EQ(BytesOf(html_), dirty);
  EXPECT_EQ(BytesOf(rtf_), rich);
  EXPECT_TRUE(Has(CF_DIB));
  EXPECT_EQ(Count("WriteClipboardData", "...finished."), 0);
}

// A newer monitor object is the one the running window calls: inactive, it only logs, and
// the chain still carries the change; started, it runs a window of its own, and the
// earlier window, still in the chain, passes changes along without handling them twice.
TEST_F(ClipboardMonitorTest, NewerMonitorServesTheWindowAndTheChainHolds) {
  TestViewer viewer;
  viewer.Join();
  ASSERT_EQ(monitor_->StartMonitor(), S_OK);
  const std::string log2 = log_ + ".2";
  auto newer = NewMonitor(log2);
  Copy({Bytes(CF_TEXT, "one")});
  ASSERT_TRUE(PumpUntil([&] { return viewer.changes() == 1; }, 5000));
  EXPECT_EQ(CountEntries(log2, "ReadClipboardData", "Not active."), 1);
  EXPECT_EQ(CountEntries(log2, "WriteClipboardData", "Not active."), 1);

  ASSERT_EQ(newer->StartMonitor(), S_OK);
  EXPECT_EQ(MonitorWindows().size(), 2u);
  Copy({Bytes(CF_TEXT, "two"), Bytes(html_, kSpan1 + "two</SPAN>"), Bitmap()});
  ASSERT_TRUE(PumpUntil([&] { return viewer.changes() >= 2; }, 5000));
  EXPECT_EQ(BytesOf(html_), "two");
  EXPECT_FALSE(Has(CF_DIB));
  EXPECT_EQ(CountEntries(log2, "WriteClipboardData", "Writing data..."), 1);
  EXPECT_EQ(Count("WriteClipboardData", "Writing data..."), 0);

  // Started again, the earlier object replaces its forgotten window instead of adding one.
  auto third = NewMonitor(log2 + ".3");
  ASSERT_EQ(monitor_->StartMonitor(), S_OK);
  EXPECT_EQ(MonitorWindows().size(), 2u);
  third.reset();
  DeleteFileA((log2 + ".3").c_str());

  // Each object takes its own window out of the chain when it goes.
  newer.reset();
  monitor_.reset();
  EXPECT_TRUE(MonitorWindows().empty());
  EXPECT_EQ(GetClipboardViewer(), viewer.window());
  EXPECT_EQ(CountEntries(log2, "~CQMXClipboardMonitor", "ClipboardMonitor destructed."), 1);
  DeleteFileA(log2.c_str());
}

TEST_F(ClipboardMonitorTest, MonitorReleasedWhileRunningLeavesTheChain) {
  TestViewer viewer;
  viewer.Join();
  ASSERT_EQ(monitor_->StartMonitor(), S_OK);
  const HWND window = MonitorWindows().at(0);
  monitor_.reset();
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(GetClipboardViewer(), viewer.window());
  EXPECT_EQ(Count("~CQMXClipboardMonitor", "ClipboardMonitor destructed."), 1);
  Copy({Bytes(CF_TEXT, "after"), Bytes(html_, kSpan1 + "x</SPAN>")});
  ASSERT_TRUE(PumpUntil([&] { return viewer.changes() == 1; }, 5000));
  EXPECT_EQ(BytesOf(html_), kSpan1 + "x</SPAN>");
}

// Viewers joining before and after the monitor, then leaving: the monitor keeps its place
// in the chain and passes each change and each chain change on.
TEST_F(ClipboardMonitorTest, OtherViewersJoinAndLeaveAroundTheMonitor) {
  TestViewer first, last;
  first.Join();
  ASSERT_EQ(monitor_->StartMonitor(), S_OK);
  const HWND window = MonitorWindows().at(0);
  last.Join();
  EXPECT_EQ(last.next(), window);

  CopyAndWait({Bytes(CF_TEXT, "a"), Bytes(html_, kSpan1 + "a</SPAN>")}, true);
  ASSERT_TRUE(PumpUntil([&] { return first.changes() >= 1 && last.changes() >= 1; }, 5000));
  EXPECT_EQ(BytesOf(html_), "a");

  first.Leave();  // the chain message reaches the monitor through the last viewer
  const int seenByFirst = first.changes(), seenByLast = last.changes();
  CopyAndWait({Bytes(CF_TEXT, "b"), Bytes(html_, kSpan1 + "b</SPAN>")}, true);
  EXPECT_EQ(first.changes(), seenByFirst);
  EXPECT_GT(last.changes(), seenByLast);
  EXPECT_EQ(BytesOf(html_), "b");

  monitor_->StopMonitor();
  EXPECT_EQ(last.next(), nullptr);
  const int beforeStop = last.changes();
  Copy({Bytes(CF_TEXT, "c")});
  ASSERT_TRUE(PumpUntil([&] { return last.changes() == beforeStop + 1; }, 5000));
  EXPECT_EQ(Count("ReadClipboardData", "Reading data..."), 2);
}

}  // namespace
