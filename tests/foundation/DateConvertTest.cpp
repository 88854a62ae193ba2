// Automation dates: as text in the system locale's own formats, and from the UTC file
// times that messages carry.
#include "foundation/DateConvert.h"

#include <gtest/gtest.h>

#include <string>

#include "LogFiles.h"

using namespace kelmsgs;
using namespace logfiles;

namespace {

// The system locale's short date and time of st, worked out here with the locale calls
// themselves, joined by one blank.
std::wstring LocaleText(const SYSTEMTIME& st) {
  char date[64] = {};
  char time[64] = {};
  EXPECT_GT(
      GetDateFormatA(LOCALE_SYSTEM_DEFAULT, LOCALE_NOUSEROVERRIDE, &st, nullptr, date, sizeof date),
      0);
  EXPECT_GT(
      GetTimeFormatA(LOCALE_SYSTEM_DEFAULT, LOCALE_NOUSEROVERRIDE, &st, nullptr, time, sizeof time),
      0);
  const std::string joined = std::string(date) + " " + time;
  std::wstring wide;
  for (const char c : joined) wide += static_cast<wchar_t>(static_cast<unsigned char>(c));
  return wide;
}

std::wstring Text(DATE date) {
  const Bstr text(DateToText(date));
  EXPECT_TRUE(text);
  return FromBstr(text.get());
}

FILETIME MakeFileTime(unsigned long long ticks) {
  return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

// 1 January 2006 12:00 and 29 June 2006 14:03:07 read as the system locale shows them.
TEST(DateToText, SystemLocaleDateAndTime) {
  const SYSTEMTIME newYear{2006, 1, 0, 1, 12, 0, 0, 0};
  EXPECT_EQ(Text(38718.5), LocaleText(newYear));
  const SYSTEMTIME summer{2006, 6, 4, 29, 14, 3, 7, 0};
  EXPECT_EQ(Text(38897.0 + (14 * 3600 + 3 * 60 + 7) / 86400.0), LocaleText(summer));
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

// Message times are UTC and stay UTC: no time-zone shift.
TEST(FileTimeToDate, KnownTimesWithoutShift) {
  EXPECT_DOUBLE_EQ(FileTimeToDate(MakeFileTime(127805904000000000ull)), 38718.5);
  EXPECT_NEAR(FileTimeToDate(MakeFileTime(127960633870000000ull)),
              38897.0 + (14 * 3600 + 3 * 60 + 7) / 86400.0, 0.5 / 86400);
}

// A file time the system cannot read, or one past the automation range (year 10000),
// gives 0.0.
TEST(FileTimeToDate, UnconvertibleTimesGiveZero) {
  EXPECT_EQ(FileTimeToDate(MakeFileTime(0xFFFFFFFFFFFFFFFFull)), 0.0);
  EXPECT_EQ(FileTimeToDate(MakeFileTime(0x24C85BF125FB2980ull)), 0.0);
}

}  // namespace
