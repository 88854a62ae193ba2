// Faults and delays that tests switch on to reach the library's failure paths: a slow
// first text read, a failing content open, a failing tree record. Off unless a test
// sets them through DFSetTestControl or the KELMSGS_DOCFILTER_TEST environment variable.
#pragma once

#include <windows.h>

#include <atomic>
#include <string_view>

namespace docfilter {

class TestControls {
 public:
  static TestControls& Instance();

  // Sets one control; false for an unknown control.
  bool Set(DWORD control, DWORD value);
  // Reads "slowread=MS,failcontent,failtreerecord"; unknown items are ignored.
  void LoadFromText(std::string_view text);
  // Reads the environment variable, if set.
  void LoadFromEnvironment();

  DWORD slowFirstReadMs() const { return slowFirstReadMs_; }
  bool failOpenContent() const { return failOpenContent_; }
  bool failTreeRecord() const { return failTreeRecord_; }

 private:
  std::atomic<DWORD> slowFirstReadMs_{0};
  std::atomic<bool> failOpenContent_{false};
  std::atomic<bool> failTreeRecord_{false};
};

}  // namespace docfilter
