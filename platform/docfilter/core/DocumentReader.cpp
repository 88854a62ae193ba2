#include "DocumentReader.h"

#include <utility>

#include "HtmlText.h"
#include "MailContents.h"
#include "MimeText.h"
#include "MsgFileText.h"
#include "OfficePackage.h"
#include "OpenDocumentText.h"
#include "PdfText.h"
#include "PlainText.h"
#include "PresentationText.h"
#include "RtfText.h"
#include "SpreadsheetText.h"
#include "TnefText.h"
#include "WordprocessingText.h"

namespace docfilter {

namespace {

void ListMembers(const ZipArchive& zip, DocumentText& out) {
  Latin1Writer list = out.Writer();
  for (const ZipMember& m : zip.members()) {
    list.Latin1(m.name);
    list.LineBreak();
  }
  out.Add(PartKind::Body, list.Take());
}

}  // namespace

Format DetectPackageFormat(const ZipArchive& zip) {
  switch (DetectPackage(zip)) {
    case PackageKind::Word:
      return Format::Word;
    case PackageKind::Spreadsheet:
      return Format::Spreadsheet;
    case PackageKind::Presentation:
      return Format::Presentation;
    case PackageKind::OpenDocument:
      return Format::OpenDocument;
    case PackageKind::None:
      break;
  }
  return Format::Zip;
}

Format DetectFormat(std::string_view data) {
  if (data.starts_with("\xFF\xFE") || data.starts_with("\xFE\xFF")) return Format::Text;
  if (ZipArchive::LooksLikeZip(data)) {
    const auto zip = ZipArchive::Open(data);
    return zip ? DetectPackageFormat(*zip) : Format::Unknown;
  }
  if (PdfText::Detect(data)) return Format::Pdf;
  if (TnefText::Detect(data)) return Format::Tnef;
  if (MsgFileText::Detect(data)) return Format::MessageFile;
  const std::string_view text = data.starts_with("\xEF\xBB\xBF") ? data.substr(3) : data;
  if (RtfText::Detect(text)) return Format::Rtf;
  if (!PlainText::Detect(data)) return Format::Unknown;
  if (HtmlText::Detect(text)) return Format::Html;
  if (MimeText::Detect(text)) return Format::Mail;
  return Format::Text;
}

DocumentText ExtractText(std::string_view data, Format format, std::size_t depth) {
  DocumentText text;
  switch (format) {
    case Format::Unknown:
      break;
    case Format::Text:
      PlainText::Extract(std::string(data), text);
      break;
    case Format::Html:
      HtmlText::Extract(data, text);
      break;
    case Format::Rtf:
      RtfText::Extract(data.starts_with("\xEF\xBB\xBF") ? data.substr(3) : data, text);
      break;
    case Format::Mail:
    case Format::MessageFile:
    case Format::Tnef: {
      // The message's own text; its members are the filter document's business.
      MailBudget budget;
      MailContents mail(budget, depth, false);
      if (ReadMail(data, *MailFormatOf(format), mail)) text = std::move(mail.text);
      break;
    }
    case Format::Pdf:
      PdfText::Extract(data, text);
      break;
    case Format::Word:
    case Format::Spreadsheet:
    case Format::Presentation:
    case Format::OpenDocument:
    case Format::Zip: {
      if (depth > kMaxContainerDepth) break;
      const auto zip = ZipArchive::Open(data);
      if (!zip) break;
      if (format == Format::Word) WordprocessingText::Extract(*zip, text);
      if (format == Format::Spreadsheet) SpreadsheetText::Extract(*zip, text);
      if (format == Format::Presentation) PresentationText::Extract(*zip, text);
      if (format == Format::OpenDocument) OpenDocumentText::Extract(*zip, text);
      if (format == Format::Zip) ListMembers(*zip, text);
      break;
    }
  }
  return text;
}

DocumentText ExtractOwnedText(std::string data, Format format, std::size_t depth) {
  if (format != Format::Text) return ExtractText(data, format, depth);
  DocumentText text;
  PlainText::Extract(std::move(data), text);
  return text;
}

}  // namespace docfilter
