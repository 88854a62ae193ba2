#include "WordprocessingText.h"

#include "OfficePackage.h"
#include "XmlTextReader.h"

namespace docfilter {

namespace {

constexpr XmlRule kRules[] = {
    {"w:p", XmlAction::Paragraph},
    {"w:t", XmlAction::Text},
    {"w:tab", XmlAction::Tab},
    {"w:br", XmlAction::Break},
    {"w:cr", XmlAction::Break},
    {"w:r", XmlAction::Run},
    {"w:vanish", XmlAction::Vanish},
    {"w:instrText", XmlAction::KindText, PartKind::Field},
    {"w:delText", XmlAction::Skip},
    {"w:delInstrText", XmlAction::Skip},
    {"mc:Fallback", XmlAction::Skip},
    // Run properties of a paragraph mark do not hide the next run.
    {"w:pPr", XmlAction::Skip},
};

// Everything the core properties hold is text, but dates and revision numbers say
// nothing about the document.
constexpr XmlRule kPropertyRules[] = {
    {"dcterms:created", XmlAction::Skip},     {"dcterms:modified", XmlAction::Skip},
    {"cp:revision", XmlAction::Skip},         {"cp:lastPrinted", XmlAction::Skip},
    {"dc:title", XmlAction::Paragraph},       {"dc:subject", XmlAction::Paragraph},
    {"dc:creator", XmlAction::Paragraph},     {"cp:keywords", XmlAction::Paragraph},
    {"dc:description", XmlAction::Paragraph},
};

}  // namespace

void WordprocessingText::Extract(const ZipArchive& zip, DocumentText& out) {
  PartWriters writers(out);
  XmlTextReader reader(kRules, false);
  reader.Read(PartData(zip, "word/document.xml"), PartKind::Body, writers);
  for (const auto& name : NumberedParts(zip, "word/header", ".xml"))
    reader.Read(PartData(zip, name), PartKind::Header, writers);
  for (const auto& name : NumberedParts(zip, "word/footer", ".xml"))
    reader.Read(PartData(zip, name), PartKind::Footer, writers);
  reader.Read(PartData(zip, "word/footnotes.xml"), PartKind::Footnote, writers);
  reader.Read(PartData(zip, "word/endnotes.xml"), PartKind::Endnote, writers);
  reader.Read(PartData(zip, "word/comments.xml"), PartKind::Comment, writers);
  XmlTextReader(kPropertyRules, true)
      .Read(PartData(zip, "docProps/core.xml"), PartKind::Properties, writers);
  writers.Finish(out);
}

}  // namespace docfilter
