// Object-log lines go through a fixed 4096-byte buffer; whatever the text, a line must
// fit in it with its terminator and still end with CR LF.
#include "foundation/ObjectLogLine.h"

#include <gtest/gtest.h>

#include <string>

using kelmsgs::FormatObjectLogLine;
using kelmsgs::kObjectLogLineBuffer;

TEST(ObjectLogLine, NormalLine) {
  EXPECT_EQ(FormatObjectLogLine("06/29/06", "14:03:07", "Folder opened", false),
            "06/29/06, 14:03:07 ---> Folder opened\r\n");
  EXPECT_EQ(FormatObjectLogLine("06/29/06", "14:03:07", "", false), "06/29/06, 14:03:07 ---> \r\n");
}

// The session header ends with a full stop; a text, when given, follows after a blank.
TEST(ObjectLogLine, HeaderWithAndWithoutText) {
  EXPECT_EQ(FormatObjectLogLine("06/29/06", "14:03:07", "", true),
            "New session started: 06/29/06, 14:03:07.\r\n");
  EXPECT_EQ(FormatObjectLogLine("06/29/06", "14:03:07", "KelMsgs 1.0", true),
            "New session started: 06/29/06, 14:03:07. KelMsgs 1.0\r\n");
}

// Over-long text is cut, never the line end: at most buffer - 1 bytes in all.
TEST(ObjectLogLine, LongTextIsCutBeforeTheLineEnd) {
  for (const bool header : {false, true}) {
    const std::string text(10000, 'x');
    const auto line = FormatObjectLogLine("06/29/06", "14:03:07", text, header);
    EXPECT_EQ(line.size(), kObjectLogLineBuffer - 1);
    EXPECT_EQ(line.substr(line.size() - 3), "x\r\n");
    EXPECT_EQ(line.find('\r'), line.size() - 2);
  }
}

// Around the limit: a text that just fits is kept whole, one byte more is cut.
TEST(ObjectLogLine, BoundaryOfTheBuffer) {
  const std::string prefix = "06/29/06, 14:03:07 ---> ";
  const std::size_t fits = kObjectLogLineBuffer - 1 - 2 - prefix.size();

  const std::string exact(fits, 'a');
  EXPECT_EQ(FormatObjectLogLine("06/29/06", "14:03:07", exact, false), prefix + exact + "\r\n");

  const auto over = FormatObjectLogLine("06/29/06", "14:03:07", exact + "b", false);
  EXPECT_EQ(over, prefix + exact + "\r\n");
}
