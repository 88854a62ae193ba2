// Trace-log lines are read by people and by tools that split on tabs, so the layout is
// checked character for character.
#include "foundation/TraceLine.h"

#include <gtest/gtest.h>

#include <string>

using namespace kelmsgs;

namespace {
constexpr LocalTime kNoon{2006, 6, 29, 12, 3, 7, 45};
}

// A complete line: zero-padded date and time with milliseconds, two blanks before the
// class, tab-separated fields, source file without its directories, line feed only.
TEST(TraceLine, WholeLineLayout) {
  EXPECT_EQ(FormatTraceLine(kLevelTrace, 4242, kNoon, "Session", "Logon", "profile opened",
                            "C:\\src\\kelmsgs\\src\\com\\Session.cpp", 118),
            "T PID[4242] 06/29/2006 12:03:07:045  Session\tLogon\tprofile opened\t"
            "Session.cpp[118]\n");
}

// Each level has its own letter; combinations and unknown levels give a blank.
TEST(TraceLine, LevelCharacters) {
  const struct {
    std::uint32_t level;
    char letter;
  } cases[] = {{kLevelError, 'E'}, {kLevelWarning, 'W'}, {kLevelInfo, 'I'},
               {kLevelDebug, 'D'}, {kLevelTrace, 'T'},   {0, ' '},
               {1, ' '},           {kAllLevels, ' '},    {kLevelError | kLevelWarning, ' '}};
  for (const auto& c : cases) EXPECT_EQ(TraceLevelChar(c.level), c.letter) << c.level;
  const auto line = FormatTraceLine(7, 1, kNoon, "C", "O", "M", "f.cpp", 1);
  EXPECT_EQ(line.rfind("  PID[1] ", 0), 0u) << line;
}

// Both separators are honoured (compilers hand over either), and a drive-relative
// path loses its drive.
TEST(TraceLine, SourceFileNameDropsDriveAndDirectories) {
  EXPECT_EQ(SourceFileName("C:\\a\\b\\Folder.cpp"), "Folder.cpp");
  EXPECT_EQ(SourceFileName("/home/build/src/Folder.cpp"), "Folder.cpp");
  EXPECT_EQ(SourceFileName("..\\src/mixed\\Mixed.h"), "Mixed.h");
  EXPECT_EQ(SourceFileName("D:Relative.cpp"), "Relative.cpp");
  EXPECT_EQ(SourceFileName("Plain.cpp"), "Plain.cpp");
  EXPECT_EQ(SourceFileName(""), "");
}

// Empty fields still leave their tabs, so the column count never changes; negative
// and large numbers are printed in full.
TEST(TraceLine, EmptyFieldsKeepTheColumns) {
  const LocalTime midnight{1999, 12, 31, 0, 0, 0, 0};
  EXPECT_EQ(FormatTraceLine(kLevelError, -1, midnight, "", "", "", "", 0),
            "E PID[-1] 12/31/1999 00:00:00:000  \t\t\t[0]\n");
  EXPECT_EQ(FormatTraceLine(kLevelWarning, 2147483647, midnight, "C", "O", "M", "x.cpp", 99999),
            "W PID[2147483647] 12/31/1999 00:00:00:000  C\tO\tM\tx.cpp[99999]\n");
}

// A trim keeps nine tenths of the maximum (integer arithmetic, rounding the cut down).
TEST(TraceLine, TrimKeepsNineTenths) {
  EXPECT_EQ(TrimKeepSize(100), 90);
  EXPECT_EQ(TrimKeepSize(9), 9);
  EXPECT_EQ(TrimKeepSize(0), 0);
}
