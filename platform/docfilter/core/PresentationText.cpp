#include "PresentationText.h"

#include "OfficePackage.h"
#include "XmlTextReader.h"

namespace docfilter {

namespace {

constexpr XmlRule kRules[] = {
    {"a:p", XmlAction::Paragraph},  {"a:t", XmlAction::Text},         {"a:br", XmlAction::Break},
    {"a:tab", XmlAction::Tab},      {"mc:Fallback", XmlAction::Skip}, {"p:text", XmlAction::Text},
    {"p:cm", XmlAction::Paragraph},
};

}  // namespace

void PresentationText::Extract(const ZipArchive& zip, DocumentText& out) {
  PartWriters writers(out);
  XmlTextReader reader(kRules, false);
  for (const auto& name : NumberedParts(zip, "ppt/slides/slide", ".xml")) {
    reader.Read(PartData(zip, name), PartKind::Body, writers);
    writers[PartKind::Body].EndLine();
  }
  for (const auto& name : NumberedParts(zip, "ppt/notesSlides/notesSlide", ".xml"))
    reader.Read(PartData(zip, name), PartKind::Comment, writers);
  for (const auto& name : NumberedParts(zip, "ppt/comments/comment", ".xml"))
    reader.Read(PartData(zip, name), PartKind::Comment, writers);
  writers.Finish(out);
}

}  // namespace docfilter
