// Text of an HTML page: tags dropped, references decoded, script and style content
// dropped, block elements and <br> as line breaks. The title goes to the document
// properties. The character set is UTF-8 when a byte-order mark or a meta declaration
// says so or when the bytes are valid UTF-8, Latin-1 otherwise.
#pragma once

#include <string_view>

#include "DocumentText.h"

namespace docfilter {

class HtmlText {
 public:
  // Whether the data looks like an HTML page.
  static bool Detect(std::string_view data);
  static void Extract(std::string_view data, DocumentText& out);
};

}  // namespace docfilter
