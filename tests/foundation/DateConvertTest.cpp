// Automation dates: as text in the system locale's own formats, and from the UTC file
// times that messages carry.
#include "foundation/DateConvert.h"

#include <gtest/gtest.h>

#include <string>

#include "support/BstrText.h"

using namespace kelmsgs;

namespace {

std::wstring Text(DATE date) {
  const Bstr text(DateToText(date));
  EXPECT_TRUE(text);
  return Str(text.get());
}

FILETIME MakeFileTime(unsigned long long ticks) {
  return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

// 1 January 2006 12:00 and 29 June 2006 14:03:07 as the system locale writes a short date
// and a time, one blank between them (the test programs run under en-US).
TEST(DateToText, SystemLocaleDateAndTime) {
  if (GetSystemDefaultLCID() != 0x0409) GTEST_SKIP() << "expectations are for en-US";
  EXPECT_EQ(Text(38718.5), L"1/1/2006 12:00:00 PM");
  EXPECT_EQ(Text(38897.0 + (14 * 3600 + 3 * 60 + 7) / 86400.0), L"6/29/2006 2:03:07 PM");
  EXPECT_EQ(Text(0.0), L"12/30/1899 12:00:00 AM");
}

// Dates outside the automation range (before year 100, after year 9999) still give a
// valid string, with no embedded terminator.
TEST(DateToText, OutOfRangeGivesValidString) {
  for (const DATE date : {3000000.0, -700000.0}) {
    const Bstr text(DateToText(date));
    ASSERT_TRUE(text) << date;
    EXPECT_EQ(SysStringLen(text.get()), wcslen(text.get())) << date;
  }
}

// Message times are UTC and stay UTC: no time-zone shift. A file time the system cannot
// read, or one past the automation range (year 10000), gives 0.0.
TEST(FileTimeToDate, KnownTimesWithoutShiftAndUnconvertibleTimesAsZero) {
  EXPECT_DOUBLE_EQ(FileTimeToDate(MakeFileTime(127805904000000000ull)), 38718.5);
  EXPECT_NEAR(FileTimeToDate(MakeFileTime(127960633870000000ull)),
              38897.0 + (14 * 3600 + 3 * 60 + 7) / 86400.0, 0.5 / 86400);
  EXPECT_EQ(FileTimeToDate(MakeFileTime(0xFFFFFFFFFFFFFFFFull)), 0.0);
  EXPECT_EQ(FileTimeToDate(MakeFileTime(0x24C85BF125FB2980ull)), 0.0);
}

}  // namespace
