// Shared by the content tests: a scratch directory for the documents a test writes, a
// content object, the filter's test controls, and child runs of this program for tests
// that need a process of their own (the engine is loaded once per process).
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "KelMsgs.h"
#include "content/QMXFileContent.h"
#include "foundation/ComPtr.h"
#include "foundation/Owned.h"
#include "support/BstrText.h"

namespace contenttest {

using kelmsgs::Bstr;
using kelmsgs::ComPtr;
using kelmsgs::CQMXFileContent;

// The shared BSTR helpers under the names these suites use: a BSTR made from a narrow
// literal byte for byte, and a BSTR's text as 16-bit units.
inline Bstr MakeBstr(const std::string& text) {
  return B(text);
}
using ::Units;
std::u16string Widened(const std::string& bytes);

class ContentTest : public testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Writes bytes to a file of the scratch directory and returns its path.
  std::string Write(const std::string& name, const std::string& bytes);
  // Opens a file through the content object; the answer of Open.
  bool Open(const std::string& path);
  // FileContent, with its HRESULT.
  HRESULT Text(std::u16string& text);
  // Sets a control of the filter stand-in (the engine must be loaded).
  static void SetControl(DWORD control, DWORD value);

  std::string dir_;
  ComPtr<CQMXFileContent> content_;
};

// Writes bytes to a file of the temporary directory named for this process; its path.
std::string WriteTempFile(const std::string& name, const std::string& bytes);

// True in the child run of a test started by RunInChild.
bool InChild();
// Runs this program again for the one test named, with KELMSGS_CONTENT_CHILD set; the
// child's exit code (0 when the test passed).
DWORD RunInChild(const char* testName);

// The error information left by the last failing member: description and source.
struct Reported {
  std::wstring description;
  std::wstring source;
};
Reported TakeError();

}  // namespace contenttest
