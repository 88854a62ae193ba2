#include "OfficePackage.h"

#include <algorithm>
#include <charconv>
#include <utility>

namespace docfilter {

PackageKind DetectPackage(const ZipArchive& zip) {
  if (zip.Find("word/document.xml")) return PackageKind::Word;
  if (zip.Find("xl/workbook.xml")) return PackageKind::Spreadsheet;
  if (zip.Find("ppt/presentation.xml")) return PackageKind::Presentation;
  // An OpenDocument package names its type in a first, stored "mimetype" member.
  const auto mimetype = zip.Extract(std::string_view("mimetype"), 256);
  if (mimetype && mimetype->starts_with("application/vnd.oasis.opendocument.") &&
      zip.Find("content.xml"))
    return PackageKind::OpenDocument;
  return PackageKind::None;
}

std::vector<std::string> NumberedParts(const ZipArchive& zip, std::string_view prefix,
                                       std::string_view suffix) {
  std::vector<std::pair<long, std::string>> found;
  for (const ZipMember& m : zip.members()) {
    const std::string_view name = m.rawName;
    if (name.size() < prefix.size() + suffix.size() || !name.starts_with(prefix) ||
        !name.ends_with(suffix))
      continue;
    const std::string_view middle =
        name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
    long number = 0;
    const auto [end, ec] = std::from_chars(middle.data(), middle.data() + middle.size(), number);
    if (middle.find('/') != std::string_view::npos) continue;
    if (ec != std::errc() || end != middle.data() + middle.size()) number = 0;
    found.emplace_back(number, m.rawName);
  }
  std::sort(found.begin(), found.end());
  std::vector<std::string> names;
  for (auto& f : found) names.push_back(std::move(f.second));
  return names;
}

std::string PartData(const ZipArchive& zip, std::string_view name) {
  auto data = zip.Extract(name);
  return data ? std::move(*data) : std::string();
}

}  // namespace docfilter
