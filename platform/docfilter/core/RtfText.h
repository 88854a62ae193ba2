// Text of an RTF document. Control words are interpreted for text only: paragraph,
// line, tab and cell marks become white space, \'hh and \uN characters are decoded
// (code page 1252 for the 8-bit ones), and destinations that are not text (font,
// colour and style tables, pictures, objects, ignorable "\*" groups) are dropped.
// Headers, footers, notes, annotations, field instructions, hidden text and the
// information group go to their own parts. Groups nested deeper than a fixed depth
// are dropped.
#pragma once

#include <string_view>

#include "DocumentText.h"

namespace docfilter {

class RtfText {
 public:
  static bool Detect(std::string_view data) { return data.starts_with("{\\rtf"); }
  static void Extract(std::string_view data, DocumentText& out);
};

// The Unicode character of a byte in code page 1252.
char32_t FromCodePage1252(unsigned char byte);

}  // namespace docfilter
