#include "OpenDocumentText.h"

#include "OfficePackage.h"
#include "XmlTextReader.h"

namespace docfilter {

namespace {

constexpr XmlRule kContentRules[] = {
    {"text:p", XmlAction::Paragraph},
    {"text:h", XmlAction::Paragraph},
    {"text:tab", XmlAction::Tab},
    {"text:line-break", XmlAction::Break},
    {"text:s", XmlAction::Spaces},
    {"text:note", XmlAction::Kind, PartKind::Footnote},
    {"text:note-citation", XmlAction::Skip},
    {"office:annotation", XmlAction::Kind, PartKind::Comment},
    {"dc:creator", XmlAction::Skip},
    {"dc:date", XmlAction::Skip},
    {"text:tracked-changes", XmlAction::Skip},
    {"text:hidden-paragraph", XmlAction::Kind, PartKind::Hidden},
    {"presentation:notes", XmlAction::Kind, PartKind::Comment},
    {"office:forms", XmlAction::Skip},
    {"office:scripts", XmlAction::Skip},
    {"office:automatic-styles", XmlAction::Skip},
    {"office:font-face-decls", XmlAction::Skip},
    {"text:sequence-decls", XmlAction::Skip},
    {"text:variable-decls", XmlAction::Skip},
    {"svg:title", XmlAction::Skip},
    {"svg:desc", XmlAction::Skip},
    {"table:table-row", XmlAction::Paragraph},
    {"draw:page", XmlAction::Paragraph},
};

constexpr XmlRule kStyleRules[] = {
    {"text:p", XmlAction::Paragraph},
    {"text:h", XmlAction::Paragraph},
    {"text:tab", XmlAction::Tab},
    {"text:line-break", XmlAction::Break},
    {"text:s", XmlAction::Spaces},
    {"style:header", XmlAction::Kind, PartKind::Header},
    {"style:header-left", XmlAction::Kind, PartKind::Header},
    {"style:header-first", XmlAction::Kind, PartKind::Header},
    {"style:footer", XmlAction::Kind, PartKind::Footer},
    {"style:footer-left", XmlAction::Kind, PartKind::Footer},
    {"style:footer-first", XmlAction::Kind, PartKind::Footer},
};

constexpr XmlRule kMetaRules[] = {
    {"dc:title", XmlAction::KindText, PartKind::Properties},
    {"dc:subject", XmlAction::KindText, PartKind::Properties},
    {"dc:description", XmlAction::KindText, PartKind::Properties},
    {"meta:keyword", XmlAction::KindText, PartKind::Properties},
};

}  // namespace

void OpenDocumentText::Extract(const ZipArchive& zip, DocumentText& out) {
  PartWriters writers(out);
  XmlTextReader(kContentRules, true).Read(PartData(zip, "content.xml"), PartKind::Body, writers);
  XmlTextReader(kStyleRules, true).Read(PartData(zip, "styles.xml"), std::nullopt, writers);
  XmlTextReader(kMetaRules, false).Read(PartData(zip, "meta.xml"), std::nullopt, writers);
  writers.Finish(out);
}

}  // namespace docfilter
