// Which clipboard formats the monitor keeps and the names of standard formats.
#include <gtest/gtest.h>

#include "utilities/ClipboardFormatChoice.h"

using kelmsgs::ChooseClipboardData;
using kelmsgs::ClipboardData;
using kelmsgs::StandardClipboardFormatName;

TEST(ClipboardFormatChoice, TextUnicodeHtmlRichInThisOrder) {
  EXPECT_EQ(ChooseClipboardData(1, "CF_TEXT"), ClipboardData::Text);
  EXPECT_EQ(ChooseClipboardData(13, "CF_UNICODETEXT"), ClipboardData::Unicode);
  // The identifier decides before the name.
  EXPECT_EQ(ChooseClipboardData(1, "HTML Format"), ClipboardData::Text);
  EXPECT_EQ(ChooseClipboardData(0xC001, "HTML Format"), ClipboardData::Html);
  EXPECT_EQ(ChooseClipboardData(0xC002, "Rich HTML"), ClipboardData::Html);
  EXPECT_EQ(ChooseClipboardData(0xC003, "Rich Text Format"), ClipboardData::Rich);
  // Names are compared with their case.
  EXPECT_EQ(ChooseClipboardData(0xC004, "text/html"), ClipboardData::None);
  EXPECT_EQ(ChooseClipboardData(0xC005, "rich text"), ClipboardData::None);
  EXPECT_EQ(ChooseClipboardData(7, "CF_OEMTEXT"), ClipboardData::None);
  EXPECT_EQ(ChooseClipboardData(8, "CF_DIB"), ClipboardData::None);
}

TEST(ClipboardFormatChoice, StandardNames) {
  EXPECT_EQ(StandardClipboardFormatName(13), "CF_UNICODETEXT");
  EXPECT_EQ(StandardClipboardFormatName(768), "CF_GDIOBJFIRST");
  for (unsigned format : {0u, 18u})
    EXPECT_EQ(StandardClipboardFormatName(format), "Unknown format");
}
