// Text of an OpenDocument package (.odt, .ods, .odp): the body from content.xml (notes,
// annotations and speaker notes as parts of their own, tracked deletions dropped),
// headers and footers of the master pages from styles.xml, and title, subject,
// keywords and description from meta.xml as properties.
#pragma once

#include "DocumentText.h"
#include "ZipArchive.h"

namespace docfilter {

class OpenDocumentText {
 public:
  static void Extract(const ZipArchive& zip, DocumentText& out);
};

}  // namespace docfilter
