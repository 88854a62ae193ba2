// The paths of the attachment copy: each attachment in its own directory, named by the
// hexadecimal record key, and a sender's file name never leading out of it.
#include <gtest/gtest.h>

#include "attach/CopyLayout.h"

using kelmsgs::AttachmentFilePath;
using kelmsgs::SubdirectoryPath;

TEST(CopyLayout, SegmentsAreLeftOutWhenMissing) {
  EXPECT_EQ(SubdirectoryPath("C:\\T\\QLA\\", "0A0B"), "C:\\T\\QLA\\0A0B\\");
  EXPECT_EQ(SubdirectoryPath("C:\\T\\QLA\\", ""), "C:\\T\\QLA\\");
  EXPECT_EQ(AttachmentFilePath("D\\", "", "a.txt", false), "D\\a.txt");
  EXPECT_EQ(AttachmentFilePath("D\\", "", "", true), "D\\.msg");
}

TEST(CopyLayout, EmbeddedMessagesAreNamedByTheirKey) {
  EXPECT_EQ(AttachmentFilePath("D\\", "0102", "whatever.doc", true), "D\\0102\\0102.msg");
}

TEST(CopyLayout, HostileNamesStayInTheAttachmentsDirectory) {
  EXPECT_EQ(AttachmentFilePath("D\\", "01", "..\\..\\x", false), "D\\01\\x");
  EXPECT_EQ(AttachmentFilePath("D\\", "01", "CON", false), "D\\01\\_CON");
  EXPECT_EQ(AttachmentFilePath("D\\", "01", "a:b", false), "D\\01\\b");
  EXPECT_EQ(AttachmentFilePath("D\\", "01", "..", false), "D\\01\\Untitled");
  EXPECT_EQ(AttachmentFilePath("D\\", "01", "C:\\Windows\\win.ini", false), "D\\01\\win.ini");
}
