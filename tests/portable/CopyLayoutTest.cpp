// The paths of the attachment copy: each attachment in its own directory, named by the
// hexadecimal record key, and a sender's file name never leading out of it.
#include <gtest/gtest.h>

#include "attach/CopyLayout.h"

using kelmsgs::AttachmentFilePath;
using kelmsgs::SubdirectoryPath;

// Missing segments are left out, an embedded message is named by its key, and a sender's
// name goes through SafeFileName (whose rules SafeFileNameTest checks) into the
// attachment's own directory.
TEST(CopyLayout, PathsOfTheCopy) {
  EXPECT_EQ(SubdirectoryPath("C:\\T\\QLA\\", "0A0B"), "C:\\T\\QLA\\0A0B\\");
  EXPECT_EQ(SubdirectoryPath("C:\\T\\QLA\\", ""), "C:\\T\\QLA\\");
  EXPECT_EQ(AttachmentFilePath("D\\", "", "a.txt", false), "D\\a.txt");
  EXPECT_EQ(AttachmentFilePath("D\\", "", "", true), "D\\.msg");
  EXPECT_EQ(AttachmentFilePath("D\\", "0102", "whatever.doc", true), "D\\0102\\0102.msg");
  EXPECT_EQ(AttachmentFilePath("D\\", "01", "..\\..\\x", false), "D\\01\\x");
  EXPECT_EQ(AttachmentFilePath("D\\", "01", "CON", false), "D\\01\\_CON");
  EXPECT_EQ(AttachmentFilePath("D\\", "01", "..", false), "D\\01\\Untitled");
}
