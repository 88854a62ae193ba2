// Text of a presentation in Office Open XML (.pptx): the slides in their numbered
// order as the body; speaker notes and comments as comments.
#pragma once

#include "DocumentText.h"
#include "ZipArchive.h"

namespace docfilter {

class PresentationText {
 public:
  static void Extract(const ZipArchive& zip, DocumentText& out);
};

}  // namespace docfilter
