#include "TestControls.h"

#include <charconv>
#include <string>

#include "DocFilter.h"

namespace docfilter {

TestControls& TestControls::Instance() {
  static TestControls controls;
  return controls;
}

bool TestControls::Set(DWORD control, DWORD value) {
  switch (control) {
    case DF_TEST_SLOW_FIRST_READ:
      slowFirstReadMs_ = value;
      return true;
    case DF_TEST_FAIL_OPEN_CONTENT:
      failOpenContent_ = value != 0;
      return true;
    case DF_TEST_FAIL_TREE_RECORD:
      failTreeRecord_ = value != 0;
      return true;
    default:
      return false;
  }
}

void TestControls::LoadFromText(std::string_view text) {
  while (!text.empty()) {
    const std::size_t comma = text.find(',');
    const std::string_view item = text.substr(0, comma);
    text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
    if (item == "failcontent") Set(DF_TEST_FAIL_OPEN_CONTENT, 1);
    if (item == "failtreerecord") Set(DF_TEST_FAIL_TREE_RECORD, 1);
    if (item.starts_with("slowread=")) {
      DWORD ms = 0;
      const std::string_view digits = item.substr(9);
      std::from_chars(digits.data(), digits.data() + digits.size(), ms);
      Set(DF_TEST_SLOW_FIRST_READ, ms);
    }
  }
}

void TestControls::LoadFromEnvironment() {
  char value[256];
  const DWORD n = GetEnvironmentVariableA("KELMSGS_DOCFILTER_TEST", value, sizeof value);
  if (n > 0 && n < sizeof value) LoadFromText(std::string_view(value, n));
}

}  // namespace docfilter
