// The automation strings reach the messaging calls byte for byte: these tests pin down
// what happens to characters outside ASCII, to null strings and to the length limit.
#include "foundation/TextConvert.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

using kelmsgs::NarrowString;
using kelmsgs::WidenString;

// Latin-1 characters survive a narrow/widen round trip unchanged; beyond U+00FF only the
// low byte is kept, and the text keeps its length.
TEST(TextConvert, Latin1RoundTripsAndHigherCharactersKeepTheirLowByte) {
  const char16_t wide[] = u"\u00C4rger \u00FF";
  const auto narrow = NarrowString(wide);
  ASSERT_TRUE(narrow);
  EXPECT_EQ(std::string(narrow.get()), "\xC4rger \xFF");
  const auto back = WidenString(narrow.get());
  ASSERT_TRUE(back);
  EXPECT_EQ(std::u16string(back.get()), std::u16string(wide));

  EXPECT_STREQ(NarrowString(u"a\u20ACb\u0141").get(),
               "a\xAC"
               "bA");  // euro sign, L with stroke
}

// Scripts pass null strings freely; both directions give an empty string, not null.
TEST(TextConvert, NullGivesEmptyString) {
  const auto narrow = NarrowString(nullptr);
  ASSERT_TRUE(narrow);
  EXPECT_STREQ(narrow.get(), "");
  const auto counted = NarrowString(nullptr, 10, 0);
  ASSERT_TRUE(counted);
  EXPECT_STREQ(counted.get(), "");

  const auto wide = WidenString(nullptr);
  ASSERT_TRUE(wide);
  EXPECT_EQ(wide[0], u'\0');
  EXPECT_EQ(kelmsgs::WideLength(nullptr), 0u);
}

// maxChars cuts long text and leaves shorter text alone; 0 means no limit.
TEST(TextConvert, MaxCharsLimitsTheCopy) {
  EXPECT_STREQ(NarrowString(u"abcdef", 3).get(), "abc");
  EXPECT_STREQ(NarrowString(u"abc", 3).get(), "abc");
  EXPECT_STREQ(NarrowString(u"ab", 3).get(), "ab");
  EXPECT_STREQ(NarrowString(u"abcdef", 0).get(), "abcdef");
}

// Text whose 8-bit form stands for itself: characters U+0001 to U+00FF only. A higher
// character or a zero unit (which would end the 8-bit string) does not.
TEST(TextConvert, ByteText) {
  EXPECT_TRUE(kelmsgs::IsByteText(u"00AB\u00FF", 5));
  EXPECT_TRUE(kelmsgs::IsByteText(nullptr, 0));
  EXPECT_TRUE(kelmsgs::IsByteText(u"ab\u0100", 2));  // only the length counts
  EXPECT_FALSE(kelmsgs::IsByteText(u"0\u0130", 2));
  EXPECT_FALSE(kelmsgs::IsByteText(u"\uFF10", 1));
  const char16_t withZero[] = {u'0', u'\0', u'1'};
  EXPECT_FALSE(kelmsgs::IsByteText(withZero, 3));
}
