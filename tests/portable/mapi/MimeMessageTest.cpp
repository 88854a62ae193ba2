// The SMTP transport's mail text and the conversation index layout, without Windows.
#include "core/ConversationIndex.h"
#include "core/MimeMessage.h"

#include <gtest/gtest.h>

namespace mapistandin {
namespace {

constexpr std::uint64_t kUnixEpoch = 116444736000000000ULL;  // 1970-01-01 as a FILETIME
constexpr std::uint64_t kPerSecond = 10000000ULL;

TEST(MimeMessage, DatesAreCivilUtcDates) {
  EXPECT_EQ(MimeDate(kUnixEpoch), "Thu, 01 Jan 1970 00:00:00 +0000");
  // 2024-02-29 12:34:56, a leap day.
  EXPECT_EQ(MimeDate(kUnixEpoch + 1709210096ULL * kPerSecond), "Thu, 29 Feb 2024 12:34:56 +0000");
  EXPECT_EQ(MimeDate(kUnixEpoch + 1798761599ULL * kPerSecond), "Thu, 31 Dec 2026 23:59:59 +0000");
}

TEST(MimeMessage, NonAsciiHeadersAreEncodedWordsAndAttachmentsBase64) {
  MimeMessage m;
  m.from = {"Ann", "ann@example.com"};
  m.to = {{"Bo \"B\" Chen", "bo@example.com"}};
  m.subject =
      "Gr\xFC\xDF"
      "e";
  m.body = "Hi";
  m.messageId = "id1";
  m.attachments = {{"a.bin", "", std::string("\x00\xFF", 2)}};
  const std::string text = ComposeMime(m);
  EXPECT_NE(text.find("Subject: =?windows-1252?B?R3L832U=?=\r\n"), std::string::npos) << text;
  EXPECT_NE(text.find("To: \"Bo \\\"B\\\" Chen\" <bo@example.com>\r\n"), std::string::npos);
  EXPECT_NE(text.find("Content-Type: application/octet-stream; name=\"a.bin\""), std::string::npos);
  EXPECT_NE(text.find("\r\n\r\nAP8=\r\n"), std::string::npos);
  EXPECT_NE(text.find("--"
                      "----=_Part_id1--\r\n"),
            std::string::npos);
}

TEST(ConversationIndex, HeaderThenOneBlockPerReply) {
  const std::string guid("0123456789ABCDEF", 16);
  const std::uint64_t t = 0x0123456789ABCDEFULL;
  const std::string head = MakeConversationIndex({}, t, guid, 0);
  ASSERT_EQ(head.size(), 22u);
  EXPECT_EQ(head.substr(0, 6), std::string("\x01\x01\x23\x45\x67\x89", 6));
  // Data1 to Data3 big-endian, Data4 as it is.
  EXPECT_EQ(head.substr(6), std::string("3210"
                                        "54"
                                        "76") +
                                "89ABCDEF");
  // A reply one second later: bits 18 to 48 of the delta, the level in the low nibble.
  const std::uint64_t base = 0x0123456789000000ULL;
  const std::string reply = MakeConversationIndex(head, base + kPerSecond, guid, 0xA);
  ASSERT_EQ(reply.size(), 27u);
  const std::uint32_t bits = static_cast<std::uint32_t>(kPerSecond >> 18);
  EXPECT_EQ(reply.substr(22, 4),
            std::string({static_cast<char>(bits >> 24), static_cast<char>(bits >> 16),
                         static_cast<char>(bits >> 8), static_cast<char>(bits)}));
  EXPECT_EQ(static_cast<unsigned char>(reply[26]), 0xA0);
  EXPECT_EQ(static_cast<unsigned char>(MakeConversationIndex(reply, t, guid, 0)[31]) & 0x0F, 1);
  EXPECT_TRUE(MakeConversationIndex(std::string(23, '\x01'), t, guid, 0).empty());
}

}  // namespace
}  // namespace mapistandin
