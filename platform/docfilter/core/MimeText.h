// Text of an e-mail message (RFC 822 with MIME): the From, To, Cc, Date and Subject
// lines with encoded words decoded, then the text parts. Of alternatives the plain text
// is taken, else the HTML; mixed and related parts are taken in order, attached
// messages in turn; attachments are passed over. Base64 and quoted-printable bodies
// are decoded, UTF-8 is converted and other character sets are read as Latin-1.
#pragma once

#include <string_view>

#include "DocumentText.h"

namespace docfilter {

class MimeText {
 public:
  // Whether the data starts with a header block of a mail message.
  static bool Detect(std::string_view data);
  static void Extract(std::string_view data, DocumentText& out);
};

}  // namespace docfilter
