// Text of a workbook in Office Open XML (.xlsx): the worksheets in their numbered order,
// one line per row with the cells' shared strings, inline strings and values separated
// by tabs; cell comments as comments.
#pragma once

#include "DocumentText.h"
#include "ZipArchive.h"

namespace docfilter {

class SpreadsheetText {
 public:
  static void Extract(const ZipArchive& zip, DocumentText& out);
};

}  // namespace docfilter
