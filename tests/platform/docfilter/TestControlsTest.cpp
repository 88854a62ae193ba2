// The controls tests use to reach the library's failure paths: a slow first read (and a
// reader thread ended while it waits, as the library does at its time-out), a failing
// content open and a failing tree record.
#include <gtest/gtest.h>

#include <string>

#include "FilterLibrary.h"
#include "TempFile.h"

namespace {

const std::string kCorpus = DOCFILTER_CORPUS_DIR;

class TestControls : public testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(Filter().problem(), ""); }
  void TearDown() override {
    for (DWORD c : {DF_TEST_SLOW_FIRST_READ, DF_TEST_FAIL_OPEN_CONTENT, DF_TEST_FAIL_TREE_RECORD})
      EXPECT_EQ(f.SetTestControl(c, 0), DF_OK);
  }
  const FilterLibrary& f = Filter();
};

struct ReadJob {
  const FilterLibrary* filter;
  DFHANDLE text;
  BYTE buffer[64];
  DWORD count;
};

DWORD WINAPI ReadFirst(void* p) {
  auto* job = static_cast<ReadJob*>(p);
  return static_cast<DWORD>(job->filter->TAReadFirst(job->text, job->buffer, 64, &job->count));
}

TEST_F(TestControls, SlowFirstReadAndAReaderEndedWhileWaiting) {
  const TempFile file("slow.txt", "slow text");
  DFHANDLE doc = 0;
  ASSERT_EQ(f.DAOpenDocument(&doc, DF_SOURCE_ANSIPATH, const_cast<char*>(file.path().c_str()), 0),
            DF_OK);
  DFHANDLE text = 0;
  ASSERT_EQ(f.TAOpenText(doc, &text), DF_OK);
  ASSERT_EQ(f.SetTestControl(DF_TEST_SLOW_FIRST_READ, 400), DF_OK);

  // 1. The first read waits; later reads do not.
  ReadJob job{&f, text, {}, 0};
  const DWORD start = GetTickCount();
  EXPECT_EQ(ReadFirst(&job), static_cast<DWORD>(DF_TEXT_LAST));
  EXPECT_GE(GetTickCount() - start, 380u);
  const DWORD next = GetTickCount();
  EXPECT_NE(f.TAReadNext(text, job.buffer, 64, &job.count), DF_OK);
  EXPECT_LT(GetTickCount() - next, 200u);

  // 2. A reader thread ended during the wait leaves the filter usable.
  ASSERT_EQ(f.SetTestControl(DF_TEST_SLOW_FIRST_READ, 60000), DF_OK);
  HANDLE thread = CreateThread(nullptr, 0, ReadFirst, &job, 0, nullptr);
  ASSERT_NE(thread, nullptr);
  EXPECT_EQ(WaitForSingleObject(thread, 300), static_cast<DWORD>(WAIT_TIMEOUT));
  TerminateThread(thread, 1);
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
  ASSERT_EQ(f.SetTestControl(DF_TEST_SLOW_FIRST_READ, 0), DF_OK);
  EXPECT_EQ(f.TAReadFirst(text, job.buffer, 64, &job.count), DF_TEXT_LAST);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(job.buffer), job.count), "slow text");
  EXPECT_EQ(f.TACloseText(text), DF_OK);
  EXPECT_EQ(f.DACloseDocument(doc), DF_OK);
}

TEST_F(TestControls, FailingContentOpenAndTreeRecord) {
  DFHANDLE doc = 0;
  std::string path = kCorpus + "/archive.zip";
  ASSERT_EQ(f.DAOpenDocument(&doc, DF_SOURCE_ANSIPATH, path.data(), 0), DF_OK);
  DFTREERECORD r{};
  r.dwSize = sizeof r;
  ASSERT_EQ(f.SetTestControl(DF_TEST_FAIL_TREE_RECORD, 1), DF_OK);
  EXPECT_EQ(f.DAGetTreeRecord(doc, &r), DF_E_TESTFAULT);
  ASSERT_EQ(f.SetTestControl(DF_TEST_FAIL_TREE_RECORD, 0), DF_OK);
  EXPECT_EQ(f.DAGetTreeRecord(doc, &r), DF_OK);

  ASSERT_EQ(f.SetTestControl(DF_TEST_FAIL_OPEN_CONTENT, 1), DF_OK);
  DFSTATUS status = DF_OK;
  f.MemberBodyText(doc, 0, &status);
  EXPECT_EQ(status, DF_E_TESTFAULT);
  EXPECT_EQ(f.SetTestControl(99, 1), DF_E_BADPARAM);
  EXPECT_EQ(f.DACloseDocument(doc), DF_OK);
}

// Script tests cannot call the export: DAInit reads the same controls from the
// environment.
TEST_F(TestControls, EnvironmentSetsControlsAtInit) {
  DFHANDLE doc = 0;
  std::string path = kCorpus + "/archive.zip";
  ASSERT_EQ(f.DAOpenDocument(&doc, DF_SOURCE_ANSIPATH, path.data(), 0), DF_OK);
  DFTREERECORD r{};
  r.dwSize = sizeof r;
  SetEnvironmentVariableA("KELMSGS_DOCFILTER_TEST", "slowread=1,failtreerecord");
  EXPECT_EQ(f.DAInit(), DF_OK);
  SetEnvironmentVariableA("KELMSGS_DOCFILTER_TEST", nullptr);
  EXPECT_EQ(f.DAGetTreeRecord(doc, &r), DF_E_TESTFAULT);
  EXPECT_EQ(f.DACloseDocument(doc), DF_OK);
}

}  // namespace
