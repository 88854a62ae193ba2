// Text of a word-processing document in Office Open XML (.docx): the body from the main
// document part, then headers, footers, footnotes, endnotes and comments as parts of
// their own; field instructions and hidden runs apart from the body, deleted text and
// the fallback copies of alternate content dropped; the core properties as properties.
#pragma once

#include "DocumentText.h"
#include "ZipArchive.h"

namespace docfilter {

class WordprocessingText {
 public:
  static void Extract(const ZipArchive& zip, DocumentText& out);
};

}  // namespace docfilter
