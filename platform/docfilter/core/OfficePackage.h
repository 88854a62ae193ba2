// Which kind of office package a ZIP archive holds, from the parts it contains, and the
// helpers the package readers share.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "ZipArchive.h"

namespace docfilter {

enum class PackageKind { None, Word, Spreadsheet, Presentation, OpenDocument };

PackageKind DetectPackage(const ZipArchive& zip);

// Stored names that start with prefix and end with suffix, ordered by the number
// between them ("ppt/slides/slide10.xml" after "slide9.xml"), then by name.
std::vector<std::string> NumberedParts(const ZipArchive& zip, std::string_view prefix,
                                       std::string_view suffix);

// The text of a part, or empty when it is missing or unreadable.
std::string PartData(const ZipArchive& zip, std::string_view name);

}  // namespace docfilter
