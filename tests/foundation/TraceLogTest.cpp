// The trace log of the session and the clipboard monitor, checked through the files it
// leaves on disk: the entry steps (version line, clearing, the size limit), the append
// mode with its trimming, and writers on several threads.
#include "foundation/TraceLog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <functional>
#include <numeric>
#include <optional>
#include <regex>
#include <thread>
#include <vector>

#include "LogFiles.h"
#include "support/BstrText.h"
#include "support/TestRegistry.h"

using namespace kelmsgs;
using namespace logfiles;

namespace {

constexpr unsigned long long kMaxSize = 1048576;
constexpr unsigned long long kKeepSize = 943719;
constexpr const char* kAppVer = "KelMsgs foundation tests 4.5.6";

struct TraceRecord {
  unsigned long pid;
  std::string className, operation, message, sourceFile;
  int sourceLine;
};

// One whole trace line: level, process id, local date and time with milliseconds, two
// blanks, then class, operation, message and source position separated by tabs. The
// fields are split by hand: a message may be a megabyte long.
std::optional<TraceRecord> ParseTrace(const std::string& line) {
  static const std::regex kHead(
      R"(T PID\[(\d+)\] (0[1-9]|1[0-2])/(0[1-9]|[12]\d|3[01])/\d{4} ([01]\d|2[0-3]):[0-5]\d:)"
      R"([0-5]\d:\d{3}  ([^\t]*))");
  static const std::regex kSource(R"(([^\t\[\]]+)\[(-?\d+)\])");
  const std::size_t tab1 = line.find('\t'), tab2 = line.find('\t', tab1 + 1),
                    tab3 = line.rfind('\t');
  if (tab1 == std::string::npos || tab2 == std::string::npos || tab3 <= tab2) return std::nullopt;
  std::smatch head, source;
  const std::string first = line.substr(0, tab1), last = line.substr(tab3 + 1);
  if (!std::regex_match(first, head, kHead) || !std::regex_match(last, source, kSource))
    return std::nullopt;
  return TraceRecord{std::stoul(head[1]),
                     head[5],
                     line.substr(tab1 + 1, tab2 - tab1 - 1),
                     line.substr(tab2 + 1, tab3 - tab2 - 1),
                     source[1],
                     std::stoi(source[2])};
}

std::vector<std::string> Messages(const std::string& text) {
  std::vector<std::string> out;
  for (const auto& line : Lines(text)) {
    const auto record = ParseTrace(line);
    out.push_back(record ? record->message : "<malformed: " + line + ">");
  }
  return out;
}

// Lines of 64 bytes ("old 0000042 ....\r\n") standing for an earlier run's log.
constexpr std::size_t kOldLineSize = 64;
std::string OldLines(int count) {
  std::string text;
  for (int i = 0; i < count; ++i) {
    char line[kOldLineSize + 1];
    std::snprintf(line, sizeof line, "old %07d %s\r\n", i, std::string(50, '.').c_str());
    text += line;
  }
  return text;
}

// Sets HKCU\Software\Vexa\Quillora "AppVer" for one test and puts back what was there
// before: other test programs may use the same prefix at the same time.
class AppVerValue {
 public:
  AppVerValue() {
    RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Vexa\\Quillora", 0, nullptr, 0, KEY_ALL_ACCESS,
                    nullptr, key_.put(), nullptr);
    DWORD size = 0;
    had_ = RegQueryValueExA(key_.get(), "AppVer", nullptr, &type_, nullptr, &size) == ERROR_SUCCESS;
    prior_.resize(size);
    if (had_) RegQueryValueExA(key_.get(), "AppVer", nullptr, &type_, prior_.data(), &size);
  }
  ~AppVerValue() {
    if (had_)
      Set(type_, prior_.data(), static_cast<DWORD>(prior_.size()));
    else
      Remove();
  }
  void Set(DWORD type, const void* data, DWORD size) {
    RegSetValueExA(key_.get(), "AppVer", 0, type, static_cast<const BYTE*>(data), size);
  }
  void Remove() { RegDeleteValueA(key_.get(), "AppVer"); }

 private:
  RegKey key_;
  bool had_ = false;
  DWORD type_ = 0;
  std::vector<BYTE> prior_;
};

class TraceLogTest : public testing::Test {
 protected:
  void SetUp() override { appVer_.Set(REG_SZ, kAppVer, static_cast<DWORD>(strlen(kAppVer) + 1)); }

  // Points log at file and switches logging on.
  static void Start(TraceLog& log, const ScratchFile& file) {
    ASSERT_EQ(log.put_LogFile(B(file.wpath()).get()), S_OK);
    ASSERT_EQ(log.put_LoggingEnabled(VARIANT_TRUE), S_OK);
  }
  static VARIANT_BOOL AppendLog(const TraceLog& log) {
    VARIANT_BOOL on = 1;
    EXPECT_EQ(log.get_AppendLog(&on), S_OK);
    return on;
  }

  AppVerValue appVer_;
  ScratchFile file_{".log"};
};

// Null, empty and over-long (260 characters) names are refused and change nothing: the
// open file stays, so later entries continue it instead of starting a new one. The
// longest name a trace log can hold (259 characters) is taken.
TEST_F(TraceLogTest, RefusedNameKeepsCurrentFile) {
  TraceLog log("CQMXSession", true);
  Start(log, file_);
  log.Write("Logon", "before", "QMXSession.cpp", 1);
  EXPECT_EQ(log.put_LogFile(nullptr), E_INVALIDARG);
  EXPECT_EQ(log.put_LogFile(B(L"").get()), E_INVALIDARG);
  EXPECT_EQ(log.put_LogFile(B(L"C:\\" + std::wstring(257, L'x')).get()), E_INVALIDARG);
  log.Write("Logoff", "after", "QMXSession.cpp", 2);

  Bstr name;
  log.get_LogFile(name.put());
  EXPECT_EQ(Str(name.get()), file_.wpath());
  EXPECT_EQ(Messages(file_.Read()), (std::vector<std::string>{kAppVer, "before", "after"}));
  EXPECT_EQ(log.put_LogFile(B(L"C:\\" + std::wstring(256, L'x')).get()), S_OK);
}

// Without a file or with logging off an entry does nothing at all: no file appears and a
// pending AppendLog is left for the first entry that is really written. Any non-zero
// VARIANT_BOOL switches a flag on, and it reads back as VARIANT_TRUE.
TEST_F(TraceLogTest, NoEntryWithoutFileOrSwitch) {
  TraceLog log("CQMXSession", true);
  Bstr name(SysAllocString(L"stale"));
  EXPECT_EQ(log.get_LogFile(name.put()), S_OK);
  EXPECT_EQ(name.get(), nullptr);
  EXPECT_EQ(AppendLog(log), VARIANT_FALSE);
  log.put_LoggingEnabled(1);
  log.put_AppendLog(2);
  log.Write("Logon", "no file yet", "QMXSession.cpp", 1);
  EXPECT_EQ(AppendLog(log), VARIANT_TRUE);

  ASSERT_EQ(log.put_LogFile(B(file_.wpath()).get()), S_OK);
  log.put_LoggingEnabled(VARIANT_FALSE);
  log.Write("Logon", "switched off", "QMXSession.cpp", 2);
  EXPECT_FALSE(file_.Exists());
  EXPECT_EQ(AppendLog(log), VARIANT_TRUE);

  log.put_LoggingEnabled(VARIANT_TRUE);
  log.Write("Logon", "written", "QMXSession.cpp", 3);
  EXPECT_EQ(Messages(file_.Read()), std::vector<std::string>{"written"});
  EXPECT_EQ(AppendLog(log), VARIANT_FALSE);
}

// A fresh log replaces an earlier run's file and starts with the version line; each
// line names the process, the class, the operation and the caller's source file (no
// directories, either separator) and line.
TEST_F(TraceLogTest, FreshLogStartsWithVersionLine) {
  WriteBytes(file_.path(), "line of an earlier run\r\n");
  TraceLog log("CQMXSession", true);
  Start(log, file_);
  const int line = __LINE__ + 1;
  KELMSGS_TRACE(log, "Logon", "MAPI Logon...");
  log.Write("Logoff", "MAPI Logoff", "C:\\src\\session\\QMXSession.cpp", 4321);

  const auto lines = Lines(file_.Read());
  ASSERT_EQ(lines.size(), 3u);
  const auto version = ParseTrace(lines[0]), logon = ParseTrace(lines[1]),
             logoff = ParseTrace(lines[2]);
  ASSERT_TRUE(version && logon && logoff) << lines[0] << '\n' << lines[1] << '\n' << lines[2];
  EXPECT_EQ(version->pid, GetCurrentProcessId());
  EXPECT_EQ(version->className, "CQMXSession");
  EXPECT_EQ(version->operation, "WriteLog");
  EXPECT_EQ(version->message, kAppVer);
  EXPECT_EQ(logon->operation, "Logon");
  EXPECT_EQ(logon->message, "MAPI Logon...");
  EXPECT_EQ(logon->sourceFile, "TraceLogTest.cpp");
  EXPECT_EQ(logon->sourceLine, line);
  EXPECT_EQ(logoff->sourceFile, "QMXSession.cpp");
  EXPECT_EQ(logoff->sourceLine, 4321);
}

// The clipboard monitor has no AppendLog: its log always starts afresh.
TEST_F(TraceLogTest, MonitorLogIgnoresAppendLog) {
  WriteBytes(file_.path(), "line of an earlier run\r\n");
  TraceLog log("CQMXClipboardMonitor", false);
  Start(log, file_);
  log.put_AppendLog(VARIANT_TRUE);
  log.Write("OnDrawClipboard", "changed", "QMXClipboardMonitor.cpp", 9);
  const auto lines = Lines(file_.Read());
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(ParseTrace(lines[0])->className, "CQMXClipboardMonitor");
  EXPECT_EQ(Messages(file_.Read()), (std::vector<std::string>{kAppVer, "changed"}));
}

// Only a string value gives a version line; a number or a missing value gives none.
TEST_F(TraceLogTest, VersionLineOnlyForStringValue) {
  const DWORD number = 456;
  appVer_.Set(REG_DWORD, &number, sizeof number);
  {
    TraceLog log("CQMXSession", true);
    Start(log, file_);
    log.Write("Logon", "number", "QMXSession.cpp", 1);
  }
  EXPECT_EQ(Messages(file_.Read()), std::vector<std::string>{"number"});

  appVer_.Remove();
  TraceLog log("CQMXSession", true);
  Start(log, file_);
  log.Write("Logon", "missing", "QMXSession.cpp", 1);
  EXPECT_EQ(Messages(file_.Read()), std::vector<std::string>{"missing"});
}

// A file of exactly 1,048,576 bytes is continued; once past that size the next entry
// empties it and starts again with the version line.
TEST_F(TraceLogTest, LogPastMaximumRestarts) {
  TraceLog log("CQMXSession", true);
  Start(log, file_);
  const auto entry = [&](const std::string& text) {
    log.Write("Fill", text.c_str(), "Fill.cpp", 7);
  };
  entry("a");
  const auto one = FileSize(file_.path());
  entry("ab");
  const auto two = FileSize(file_.path());
  const auto overhead = two - one - 2;  // everything of a line but its message
  entry(std::string(kMaxSize - two - overhead, 'x'));
  ASSERT_EQ(FileSize(file_.path()), kMaxSize);

  entry("at the limit");
  const auto kept = Messages(file_.Read());
  ASSERT_EQ(kept.size(), 5u);
  EXPECT_EQ(kept[1], "a");
  EXPECT_EQ(kept[4], "at the limit");

  entry("past the limit");
  EXPECT_EQ(Messages(file_.Read()), (std::vector<std::string>{kAppVer, "past the limit"}));
}

// AppendLog before the first entry continues an existing 2 MB file: no version line, a
// "LogFile max size exceeded." line, then the file is cut to its newest 943,719 bytes at
// a line boundary. AppendLog then reads as off and later entries go on in that file.
TEST_F(TraceLogTest, AppendedOversizedLogIsMarkedAndTrimmed) {
  constexpr int kOld = 32768;  // 2 MB
  WriteBytes(file_.path(), OldLines(kOld));
  TraceLog log("CQMXSession", true);
  log.put_AppendLog(VARIANT_TRUE);
  Start(log, file_);
  log.Write("Logon", "first entry", "QMXSession.cpp", 10);
  EXPECT_EQ(AppendLog(log), VARIANT_FALSE);

  const std::string text = file_.Read();
  EXPECT_EQ(text.find(kAppVer), std::string::npos);
  // Whole old lines, without a gap, up to the last one.
  ASSERT_EQ(text.rfind("old ", 0), 0u) << text.substr(0, 80);
  const int firstKept = std::stoi(text.substr(4, 7));
  const std::size_t oldEnd = (kOld - firstKept) * kOldLineSize;
  ASSERT_LT(oldEnd, text.size());
  EXPECT_EQ(text.substr(oldEnd - kOldLineSize, 12), "old 0032767 ");
  // The marker follows the old lines; the cut kept at most 943,719 bytes up to it, and
  // dropped no more than one line beyond that.
  const auto lines = Lines(text.substr(oldEnd));
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0].rfind("T PID[", 0), 0u);
  EXPECT_NE(lines[0].find("CQMXSession\tWriteLog\tLogFile max size exceeded."), std::string::npos);
  const auto entry = ParseTrace(lines[2]);
  ASSERT_TRUE(entry) << lines[2];
  EXPECT_EQ(entry->message, "first entry");
  const std::size_t beforeEntry = text.rfind("T PID[");
  EXPECT_LE(beforeEntry, kKeepSize);
  EXPECT_GE(beforeEntry, kKeepSize - kOldLineSize);

  log.Write("Logoff", "second entry", "QMXSession.cpp", 11);
  const std::string later = file_.Read();
  EXPECT_EQ(later.substr(0, text.size()), text);
  EXPECT_EQ(Messages(later.substr(text.size())), std::vector<std::string>{"second entry"});
}

// AppendLog switched on for a later entry only spares that entry the clearing: an
// oversized log opened for writing is marked and kept whole (it is not an appending
// log, so it is not trimmed); the entry after that empties it.
TEST_F(TraceLogTest, LaterAppendLogSkipsOneClearing) {
  TraceLog log("CQMXSession", true);
  Start(log, file_);
  log.Write("Fill", "first", "Fill.cpp", 1);
  log.Write("Fill", std::string(kMaxSize, 'x').c_str(), "Fill.cpp", 2);
  log.put_AppendLog(VARIANT_TRUE);
  log.Write("Fill", "kept", "Fill.cpp", 3);
  EXPECT_EQ(AppendLog(log), VARIANT_FALSE);
  const std::string text = file_.Read();
  EXPECT_GT(text.size(), kMaxSize);
  EXPECT_NE(text.find("\tfirst\t"), std::string::npos);
  EXPECT_NE(text.find("\tLogFile max size exceeded."), std::string::npos);
  EXPECT_EQ(Messages(text).back(), "kept");

  log.Write("Fill", "cleared", "Fill.cpp", 4);
  EXPECT_EQ(Messages(file_.Read()), (std::vector<std::string>{kAppVer, "cleared"}));
}

// Four threads write a monitor's log and a trace log file that appends near its limit,
// so it is trimmed several times meanwhile. Lines never interleave, the monitor's log
// loses none, and the trimmed log keeps whole lines in each writer's order.
TEST_F(TraceLogTest, ConcurrentWritersKeepLinesWhole) {
  constexpr int kWriters = 4, kLines = 150;
  ScratchFile trimmedFile(".log");
  WriteBytes(trimmedFile.path(), OldLines(15625));  // 1,000,000 bytes
  CTraceLogFile trimmed;
  ASSERT_TRUE(trimmed.Open(trimmedFile.path().c_str(), true));
  trimmed.SetLevelMask(kAllLevels);
  TraceLog monitor("CQMXClipboardMonitor", false);
  Start(monitor, file_);
  monitor.Write("Start", "start", "QMXClipboardMonitor.cpp", 1);

  std::vector<std::thread> threads;
  for (int w = 0; w < kWriters; ++w)
    threads.emplace_back([&, w] {
      for (int i = 0; i < kLines; ++i) {
        const std::string text = "w" + std::to_string(w) + " #" + std::to_string(i);
        monitor.Write("Changed", text.c_str(), "QMXClipboardMonitor.cpp", i);
        trimmed.Write(kLevelTrace, "CQMXSession", "Walk", (text + std::string(600, 'p')).c_str(),
                      "QMXSession.cpp", i);
      }
    });
  for (auto& t : threads) t.join();
  trimmed.Close();

  // Each writer's indexes in the order a file holds them; every line must be whole.
  const auto order = [&](const std::string& text) {
    std::vector<std::vector<int>> seen(kWriters);
    for (const auto& line : Lines(text)) {
      if (line.rfind("old ", 0) == 0 && line.size() == kOldLineSize - 2) continue;
      const auto record = ParseTrace(line);
      EXPECT_TRUE(record) << line.substr(0, 120);
      int w = -1, i = -1;
      if (record && std::sscanf(record->message.c_str(), "w%d #%d", &w, &i) == 2 && w >= 0 &&
          w < kWriters)
        seen[w].push_back(i);
    }
    return seen;
  };
  std::vector<int> all(kLines);
  std::iota(all.begin(), all.end(), 0);
  for (const auto& seen : order(file_.Read())) EXPECT_EQ(seen, all);
  const std::string text = trimmedFile.Read();
  EXPECT_LE(text.size(), kMaxSize);
  for (const auto& seen : order(text))
    EXPECT_EQ(std::adjacent_find(seen.begin(), seen.end(), std::greater_equal<>()), seen.end());
}

// The owner's thread points the log at another file while a second thread writes entries
// (the session's table notifications on MAPI's thread): every entry lands whole in one of
// the files, and the log goes on in the file named last.
TEST_F(TraceLogTest, LogFileChangedWhileAnotherThreadWrites) {
  ScratchFile other(".log");
  TraceLog log("CQMXSession", true);
  Start(log, file_);
  // A fixed number of entries, written while this thread swaps the file for as long as the
  // writing goes on (both bounded, however the threads are scheduled).
  std::atomic<bool> started{false}, done{false};
  std::thread writer([&] {
    started = true;
    for (int i = 0; i < 4000; ++i)
      log.Write("OnNotify", ("entry " + std::to_string(i)).c_str(), "SessionStores.cpp", i);
    done = true;
  });
  while (!started) Sleep(0);
  int swap = 0;
  do {
    const ScratchFile& next = swap % 2 ? file_ : other;
    ASSERT_EQ(log.put_LogFile(B(next.wpath()).get()), S_OK);
    ASSERT_EQ(log.put_AppendLog(swap % 3 ? VARIANT_TRUE : VARIANT_FALSE), S_OK);
    ++swap;
  } while (!done);
  writer.join();
  ASSERT_EQ(log.put_LogFile(B(file_.wpath()).get()), S_OK);
  log.Write("Logoff", "last", "SessionLogon.cpp", 1);
  for (const ScratchFile* f : {&file_, &other})
    for (const auto& line : Lines(f->Read())) EXPECT_TRUE(ParseTrace(line)) << line.substr(0, 120);
  EXPECT_EQ(Messages(file_.Read()).back(), "last");
}

}  // namespace

// Two appending logs share one file. The first sees the bytes of the second without a
// size query per line: once the file is past its maximum, the first log trims it within
// a bounded number of its own lines, so a shared log cannot grow without bound.
TEST_F(TraceLogTest, SharedFileIsTrimmedByEveryWriter) {
  ScratchFile shared(".log");
  CTraceLogFile quiet, busy;
  ASSERT_TRUE(quiet.Open(shared.path().c_str(), true));
  ASSERT_TRUE(busy.Open(shared.path().c_str(), true));
  quiet.SetLevelMask(kAllLevels);
  busy.SetLevelMask(kAllLevels);
  busy.SetMaxSize(0);  // the busy writer never trims: only the quiet one can
  const std::string filler(2000, 'b');
  while (FileSize(shared.path()) <= kMaxSize)
    busy.Write(kLevelTrace, "CQMXSession", "Busy", filler.c_str(), "Busy.cpp", 1);
  ASSERT_GT(FileSize(shared.path()), kMaxSize);
  for (int i = 0; i < 100; ++i)
    quiet.Write(kLevelTrace, "CQMXSession", "Quiet", "q", "Quiet.cpp", i);
  busy.Close();
  quiet.Close();
  EXPECT_LE(FileSize(shared.path()), kMaxSize);
}
