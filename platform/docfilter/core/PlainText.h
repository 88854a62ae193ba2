// Text files: UTF-16 (either byte order) and UTF-8 with a byte-order mark are converted,
// as is BOM-less text that is valid UTF-8 with non-ASCII characters; any other 8-bit
// text passes through byte for byte, only control characters cleaned.
#pragma once

#include <string>
#include <string_view>

#include "DocumentText.h"

namespace docfilter {

class PlainText {
 public:
  // Whether the data reads as text: a UTF-16 byte-order mark, or no zero bytes and few
  // control characters (at most one in twenty) in its first 64 KiB. Empty data is text.
  static bool Detect(std::string_view data);
  // The text of the data, converted in the data's own bytes.
  static void Extract(std::string data, DocumentText& out);
};

}  // namespace docfilter
