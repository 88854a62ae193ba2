// The object log of stores, folders, messages, attachments and file contents: the file
// is created afresh by LogFile, and each entry is one "date, time ---> text" line.
#include "foundation/ObjectLog.h"

#include <gtest/gtest.h>

#include <regex>

#include "LogFiles.h"
#include "support/BstrText.h"
#include "support/TestRegistry.h"

using namespace kelmsgs;
using namespace logfiles;

namespace {

// The runtime's date and time stamps: 06/29/06, 14:03:07.
const std::string kStamp =
    R"((0[1-9]|1[0-2])/(0[1-9]|[12]\d|3[01])/\d\d, ([01]\d|2[0-3]):[0-5]\d:[0-5]\d)";

class ObjectLogTest : public testing::Test {
 protected:
  HRESULT Put(ObjectLog& log, const std::wstring& name, bool header) {
    return log.put_LogFile(B(name).get(), header);
  }
  static std::wstring Name(const ObjectLog& log) {
    Bstr name = B(L"stale");
    EXPECT_EQ(log.get_LogFile(name.put()), S_OK);
    return Str(name.get());
  }

  ScratchFile file_{".log"};
};

// LogFile creates the file afresh, also when it is set to the same name again; without
// a header request (store and file content with logging off) it stays empty. A refused
// name keeps the current file.
TEST_F(ObjectLogTest, PutCreatesEmptyFileAndRefusedNameKeepsIt) {
  ObjectLog log;
  EXPECT_EQ(Name(log), L"<null>");
  WriteBytes(file_.path(), "an earlier run\r\n");
  EXPECT_EQ(Put(log, file_.wpath(), false), S_OK);
  EXPECT_TRUE(log.IsOpen());
  EXPECT_EQ(Name(log), file_.wpath());
  EXPECT_EQ(file_.Read(), "");

  log.Write("first session");
  ASSERT_EQ(Put(log, file_.wpath(), false), S_OK);
  EXPECT_EQ(file_.Read(), "");
  log.Write("second session");
  // Null and empty names are refused and keep the current file.
  EXPECT_EQ(log.put_LogFile(nullptr, true), E_INVALIDARG);
  EXPECT_EQ(Put(log, L"", true), E_INVALIDARG);
  log.Write("still here");
  EXPECT_EQ(Name(log), file_.wpath());
  EXPECT_TRUE(std::regex_match(file_.Read(), std::regex(kStamp + " ---> second session\r\n" +
                                                        kStamp + " ---> still here\r\n")));
}

// The header line, text lines, lines without text and a header with text, each ending
// in a carriage return and line feed.
TEST_F(ObjectLogTest, LinesCarryDateTimeAndText) {
  ObjectLog log;
  ASSERT_EQ(Put(log, file_.wpath(), true), S_OK);
  log.Write("Folder opened.");
  log.Write(nullptr);
  log.Write("");
  log.WriteHeader("Again.");
  const std::regex whole("New session started: " + kStamp + "\\.\r\n" +   //
                         kStamp + " ---> Folder opened\\.\r\n" +          //
                         kStamp + " ---> \r\n" + kStamp + " ---> \r\n" +  //
                         "New session started: " + kStamp + "\\. Again\\.\r\n");
  const std::string text = file_.Read();
  EXPECT_TRUE(std::regex_match(text, whole)) << text;
}

// A file that cannot be created is not an error: the call succeeds, no name is kept,
// the previous file is closed and nothing is written anywhere.
TEST_F(ObjectLogTest, UncreatableFileIsQuiet) {
  ObjectLog log;
  ASSERT_EQ(Put(log, file_.wpath(), false), S_OK);
  log.Write("before");
  const std::string before = file_.Read();
  const std::string missing = file_.path() + "_missing\\object.log";
  EXPECT_EQ(Put(log, std::wstring(missing.begin(), missing.end()), true), S_OK);
  EXPECT_FALSE(log.IsOpen());
  EXPECT_EQ(Name(log), L"<null>");
  log.Write("after");
  EXPECT_EQ(file_.Read(), before);
  EXPECT_EQ(GetFileAttributesA(missing.c_str()), INVALID_FILE_ATTRIBUTES);
}

// A text far beyond the line buffer is cut, not dropped: the line stays within 4,096
// bytes and still ends with one carriage return and line feed.
TEST_F(ObjectLogTest, LongTextGivesBoundedLine) {
  ObjectLog log;
  ASSERT_EQ(Put(log, file_.wpath(), false), S_OK);
  log.Write(std::string(10000, 'q').c_str());
  log.WriteHeader(std::string(10000, 'h').c_str());
  const std::string text = file_.Read();
  const std::size_t firstEnd = text.find("\r\n") + 2;
  for (const std::string& line : {text.substr(0, firstEnd), text.substr(firstEnd)}) {
    EXPECT_LE(line.size(), 4096u);
    EXPECT_GT(line.size(), 4000u);
    EXPECT_EQ(line.find("\r\n"), line.size() - 2);
  }
  EXPECT_TRUE(std::regex_search(text.substr(0, 40), std::regex("^" + kStamp + " ---> qqqq")));
  EXPECT_EQ(text.substr(firstEnd, 21), "New session started: ");
}

}  // namespace
