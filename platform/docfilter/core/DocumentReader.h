// Recognises a document from its bytes and extracts its text. This is the filter's one
// entry into the format readers: the file name plays no part, so a misnamed file is
// read for what it is.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "DocumentText.h"
#include "ZipArchive.h"

namespace docfilter {

enum class Format {
  Unknown,
  Text,
  Html,
  Rtf,
  Mail,
  MessageFile,
  Tnef,
  Pdf,
  Word,
  Spreadsheet,
  Presentation,
  OpenDocument,
  Zip
};

// The format of the data; Unknown for binary data no reader knows.
Format DetectFormat(std::string_view data);
// Same, for data already opened as a ZIP archive.
Format DetectPackageFormat(const ZipArchive& zip);

// The text of a document of a known format. For a plain ZIP archive the text is the
// list of its member names, one per line. depth counts the containers around the data:
// an archive deeper than the nesting cap is not looked into.
DocumentText ExtractText(std::string_view data, Format format, std::size_t depth = 0);
// Same, for data the caller gives up: plain text is converted in the data's own bytes
// instead of a copy of them.
DocumentText ExtractOwnedText(std::string data, Format format, std::size_t depth = 0);

}  // namespace docfilter
