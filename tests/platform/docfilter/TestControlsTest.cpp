// The controls tests use to reach the library's failure paths, as far as the library's own
// tests do not show them working (the failing content open and tree record do: the archive
// content tests see their failures): the slow first read, and the controls set from the
// environment.
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

TEST_F(TestControls, OnlyTheFirstReadWaits) {
  const TempFile file("slow.txt", "slow text");
  DFHANDLE doc = 0;
  ASSERT_EQ(f.DAOpenDocument(&doc, DF_SOURCE_ANSIPATH, const_cast<char*>(file.path().c_str()), 0),
            DF_OK);
  DFHANDLE text = 0;
  ASSERT_EQ(f.TAOpenText(doc, &text), DF_OK);
  ASSERT_EQ(f.SetTestControl(DF_TEST_SLOW_FIRST_READ, 400), DF_OK);
  BYTE buffer[64];
  DWORD count = 0;
  const DWORD start = GetTickCount();
  EXPECT_EQ(f.TAReadFirst(text, buffer, sizeof buffer, &count), DF_TEXT_LAST);
  EXPECT_GE(GetTickCount() - start, 380u);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), count), "slow text");
  const DWORD next = GetTickCount();
  EXPECT_NE(f.TAReadNext(text, buffer, sizeof buffer, &count), DF_OK);
  EXPECT_LT(GetTickCount() - next, 200u);
  EXPECT_EQ(f.SetTestControl(99, 1), DF_E_BADPARAM);
  EXPECT_EQ(f.TACloseText(text), DF_OK);
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
