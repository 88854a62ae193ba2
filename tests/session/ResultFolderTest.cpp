// GetResultFolderTest: the result store's top-level folders in the session's log.
#include <gtest/gtest.h>

#include <algorithm>

#include "foundation/ComPtr.h"
#include "session/QMXSession.h"
#include "support/BstrText.h"
#include "support/MailboxTest.h"
#include "support/TestRegistry.h"
#include "ResultStoreProfile.h"

using kelmsgs::ComPtr;
using kelmsgs::CQMXSession;

namespace {

// The operation and message of each line the session wrote under "GetResultFolder2".
std::vector<std::string> ResultLines(const std::string& log) {
  std::vector<std::string> lines;
  const std::string tag = "\tGetResultFolder2\t";
  for (size_t at = log.find(tag); at != std::string::npos; at = log.find(tag, at + 1)) {
    const size_t start = at + tag.size();
    lines.push_back(log.substr(start, log.find('\t', start) - start));
  }
  return lines;
}

// Runs GetResultFolderTest on a session logged on to the profile; its log lines.
std::vector<std::string> RunOn(const std::string& profile, HRESULT& result) {
  MapiFixture fixture(profile);
  EXPECT_TRUE(fixture.loaded()) << fixture.error();
  ScratchFile log(".log");
  {
    ComPtr<CQMXSession> session;
    EXPECT_TRUE(LogOnNewSession(session));
    EXPECT_EQ(session->put_LogFile(B(log.wpath()).get()), S_OK);
    EXPECT_EQ(session->put_LoggingEnabled(VARIANT_TRUE), S_OK);
    result = session->GetResultFolderTest();
    EXPECT_EQ(session->Logoff(VARIANT_TRUE), S_OK);
  }
  return ResultLines(log.Read());
}

TEST(ResultFolderTest, TopLevelFoldersOfTheResultStoreAreLogged) {
  HRESULT result = E_FAIL;
  const auto lines = RunOn(ResultStoreProfile(), result);
  EXPECT_EQ(result, S_OK);
  // Per folder: its own name, its identifier in hexadecimal, the name the table gives. The
  // store's own standard folders come first; the fixture's follow in table order.
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines[0], "Has subfolder(s).");
  ASSERT_EQ(lines.size() % 3, 1u) << testing::PrintToString(lines);
  std::vector<std::string> names;
  for (size_t i = 1; i < lines.size(); i += 3) {
    EXPECT_EQ(lines[i], lines[i + 2]);
    const std::string& hex = lines[i + 1];
    EXPECT_TRUE(!hex.empty() && hex.size() % 2 == 0 &&
                hex.find_first_not_of("0123456789ABCDEF") == std::string::npos)
        << hex;
    names.push_back(lines[i]);
  }
  ASSERT_GE(names.size(), 3u);
  const std::vector<std::string> last(names.end() - 3, names.end());
  EXPECT_EQ(last, (std::vector<std::string>{"Results", "Archive", "Queries"}));
  // Only the top level of the result store, and no store of a name that differs in case.
  for (const char* absent : {"Below", "Not the result store"})
    EXPECT_EQ(std::count(names.begin(), names.end(), absent), 0) << absent;
}

// Without the result store, or without a logon, there is nothing to log and no error.
TEST(ResultFolderTest, ProfileWithoutTheResultStoreOrLogonDoesNothing) {
  HRESULT result = E_FAIL;
  EXPECT_TRUE(RunOn(OneStoreProfile(R"([{"name": "Inbox"}])"), result).empty());
  EXPECT_EQ(result, S_OK);
  ComPtr<CQMXSession> session;
  ASSERT_EQ(CQMXSession::Create(session), S_OK);
  EXPECT_EQ(session->GetResultFolderTest(), S_OK);
}

}  // namespace
