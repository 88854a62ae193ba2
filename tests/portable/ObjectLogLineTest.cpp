// Object-log lines go through a fixed 4096-byte buffer; whatever the text, a line must
// fit in it with its terminator and still end with CR LF.
#include "foundation/ObjectLogLine.h"

#include <gtest/gtest.h>

#include <string>

using kelmsgs::FormatObjectLogLine;
using kelmsgs::kObjectLogLineBuffer;

// A line, and the session header: it ends with a full stop, and a text, when given, follows
// after a blank.
TEST(ObjectLogLine, LineAndHeader) {
  EXPECT_EQ(FormatObjectLogLine("06/29/06", "14:03:07", "Folder opened", false),
            "06/29/06, 14:03:07 ---> Folder opened\r\n");
  EXPECT_EQ(FormatObjectLogLine("06/29/06", "14:03:07", "", false), "06/29/06, 14:03:07 ---> \r\n");
  EXPECT_EQ(FormatObjectLogLine("06/29/06", "14:03:07", "", true),
            "New session started: 06/29/06, 14:03:07.\r\n");
  EXPECT_EQ(FormatObjectLogLine("06/29/06", "14:03:07", "KelMsgs 1.0", true),
            "New session started: 06/29/06, 14:03:07. KelMsgs 1.0\r\n");
}

// Over-long text is cut, never the line end: at most buffer - 1 bytes in all. A text that
// just fits is kept whole, one byte more is cut.
TEST(ObjectLogLine, LongTextIsCutBeforeTheLineEnd) {
  for (const bool header : {false, true}) {
    const auto line = FormatObjectLogLine("06/29/06", "14:03:07", std::string(10000, 'x'), header);
    EXPECT_EQ(line.size(), kObjectLogLineBuffer - 1);
    EXPECT_EQ(line.substr(line.size() - 3), "x\r\n");
    EXPECT_EQ(line.find('\r'), line.size() - 2);
  }
  const std::string prefix = "06/29/06, 14:03:07 ---> ";
  const std::string exact(kObjectLogLineBuffer - 1 - 2 - prefix.size(), 'a');
  EXPECT_EQ(FormatObjectLogLine("06/29/06", "14:03:07", exact, false), prefix + exact + "\r\n");
  EXPECT_EQ(FormatObjectLogLine("06/29/06", "14:03:07", exact + "b", false),
            prefix + exact + "\r\n");
}
