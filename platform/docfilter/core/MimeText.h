// E-mail messages (RFC 822 with MIME; ".eml", ".mht"). The text is the From, To, Cc,
// Date and Subject lines with their encoded words decoded, then the text body: of
// alternatives the plain text, else the HTML; mixed and related text parts in order.
// Every other part (attachments, parts with a file name, non-text parts) and every
// attached message is a member: its name from the RFC 2231 or RFC 2047 file name, its
// bytes decoded from base64 or quoted-printable. Text is converted from its declared
// character set.
#pragma once

#include <string_view>

#include "DocumentText.h"
#include "MailContents.h"

namespace docfilter {

class MimeText {
 public:
  // Whether the data starts with a header block of a mail message.
  static bool Detect(std::string_view data);
  // The text and the members; false when the data holds no message.
  static bool Read(std::string_view data, MailContents& out);
};

// A header value with its encoded words ("=?charset?B?...?=") decoded, as UTF-8.
std::string DecodeHeaderWords(std::string_view value);
// A parameter of a structured header as UTF-8: RFC 2231 forms ("name*", "name*0*"...)
// first, else the plain one with its encoded words decoded. Empty when absent.
std::string HeaderParameter(std::string_view value, std::string_view name);

}  // namespace docfilter
