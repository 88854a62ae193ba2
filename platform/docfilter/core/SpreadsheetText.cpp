#include "SpreadsheetText.h"

#include <charconv>
#include <string>
#include <vector>

#include "Entities.h"
#include "MarkupScanner.h"
#include "OfficePackage.h"
#include "PartWriters.h"
#include "XmlTextReader.h"

namespace docfilter {

namespace {

// The shared string table: one Latin-1 string per <si>, its runs' <t> joined, phonetic
// readings left out. Its text is bounded by the part's inflated size, its count by a cap.
std::vector<std::string> SharedStrings(std::string_view xml) {
  std::vector<std::string> strings;
  MarkupScanner scanner(xml);
  Latin1Writer current(kMaxTextBytes);
  bool inText = false;
  int phonetic = 0;
  constexpr std::size_t kMaxStrings = 1u << 20;
  for (MarkupToken t = scanner.Next(); t.kind != TokenKind::Done && strings.size() < kMaxStrings;
       t = scanner.Next()) {
    const std::string_view name = LocalName(t.name);
    if (t.kind == TokenKind::Start) {
      if (name == "t") inText = true;
      if (name == "rPh") ++phonetic;
    } else if (t.kind == TokenKind::End) {
      if (name == "t") inText = false;
      if (name == "rPh" && phonetic > 0) --phonetic;
      if (name == "si") strings.push_back(current.Take());
    } else if (t.kind == TokenKind::Empty) {
      if (name == "si") strings.push_back(std::string());
    } else if ((t.kind == TokenKind::Text || t.kind == TokenKind::Cdata) && inText && !phonetic) {
      WriteDecoded(t.text, TextEncoding::Utf8, current);
    }
  }
  return strings;
}

void Sheet(std::string_view xml, const std::vector<std::string>& shared, Latin1Writer& out) {
  MarkupScanner scanner(xml);
  std::string type;       // the t attribute of the current cell
  std::string value;      // raw content of its <v>
  bool inValue = false;   // inside <v>
  bool inInline = false;  // inside <is><t>
  bool firstCell = true;
  for (MarkupToken t = scanner.Next(); t.kind != TokenKind::Done && !out.full();
       t = scanner.Next()) {
    const std::string_view name = LocalName(t.name);
    if (t.kind == TokenKind::Start || t.kind == TokenKind::Empty) {
      if (name == "row") firstCell = true;
      if (name == "c") {
        type = AttributeValue(t.attributes, "t");
        value.clear();
      }
      if (t.kind == TokenKind::Start && name == "v") inValue = true;
      if (t.kind == TokenKind::Start && name == "t") inInline = true;
      continue;
    }
    if (t.kind == TokenKind::Text || t.kind == TokenKind::Cdata) {
      if (inValue || inInline) value += t.text;
      continue;
    }
    if (t.kind != TokenKind::End) continue;
    if (name == "v") inValue = false;
    if (name == "t") inInline = false;
    if (name == "row") out.EndLine();
    if (name != "c" || value.empty()) continue;
    // A cell with text: a tab before all but the first of its row.
    Latin1Writer cell(kMaxTextBytes);
    if (type == "s") {
      std::size_t index = 0;
      const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), index);
      if (ec == std::errc() && index < shared.size()) cell.Latin1(shared[index]);
    } else if (type == "b") {
      cell.Latin1(value == "1" ? "TRUE" : "FALSE");
    } else {
      WriteDecoded(value, TextEncoding::Utf8, cell);
    }
    if (cell.empty()) continue;
    if (!firstCell) out.CodePoint('\t');
    firstCell = false;
    out.Latin1(cell.text());
  }
}

constexpr XmlRule kCommentRules[] = {{"t", XmlAction::Text}, {"comment", XmlAction::Paragraph}};

}  // namespace

void SpreadsheetText::Extract(const ZipArchive& zip, DocumentText& out) {
  PartWriters writers(out);
  const std::vector<std::string> shared = SharedStrings(PartData(zip, "xl/sharedStrings.xml"));
  for (const auto& name : NumberedParts(zip, "xl/worksheets/sheet", ".xml")) {
    Sheet(PartData(zip, name), shared, writers[PartKind::Body]);
    writers[PartKind::Body].EndLine();
  }
  XmlTextReader comments(kCommentRules, false);
  for (const auto& name : NumberedParts(zip, "xl/comments", ".xml"))
    comments.Read(PartData(zip, name), PartKind::Comment, writers);
  writers.Finish(out);
}

}  // namespace docfilter
