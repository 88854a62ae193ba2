// Text of a PDF file: every content stream in file order (FlateDecode, ASCII85Decode and
// ASCIIHexDecode filters undone, through zlib for deflate), its text-showing operators
// read through the font's ToUnicode map where it has one, else with the string bytes as
// WinAnsi characters. Text positioning that moves to
// another line gives a line break, a wide gap inside a TJ array a space. Images, fonts
// and other non-content streams are passed over; inline images are skipped. Encrypted
// files yield no text.
#pragma once

#include <string_view>

#include "DocumentText.h"

namespace docfilter {

class PdfText {
 public:
  static bool Detect(std::string_view data);
  static void Extract(std::string_view data, DocumentText& out);
};

}  // namespace docfilter
