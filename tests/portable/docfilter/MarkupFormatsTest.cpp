// HTML and the XML of office packages: what counts as body text, what goes to other
// parts, and that nesting depth and malformed markup cost nothing.
#include <gtest/gtest.h>

#include <string>

#include "DocumentReader.h"
#include "HtmlText.h"
#include "ZipBuilder.h"

using docfilter::DocumentText;
using docfilter::ExtractText;
using docfilter::Format;
using docfilter::PartKind;

namespace {

std::string PartText(const DocumentText& text, PartKind kind) {
  for (const auto& part : text.parts())
    if (part.kind == kind) return part.text;
  return {};
}

TEST(Html, TagsScriptsAndStylesGoEntitiesBlocksAndLatin1Stay) {
  const std::string html =
      "<!DOCTYPE html><html><head><title>T&amp;C</title><style>p{color:red}</style>"
      "<script>var x = '<p>not text</p>';</script></head><body>"
      "<p>Caf&eacute; &#233;t&#xE9; &euro;5 &bogus; a&lt;b</p><div>second<br>line</div>"
      "<table><tr><td>c1</td><td>c2</td></tr></table><pre>  keep   spaces</pre></body></html>";
  DocumentText text;
  docfilter::HtmlText::Extract(html, text);
  const std::string body = PartText(text, PartKind::Body);
  EXPECT_EQ(body.find("color"), std::string::npos);
  EXPECT_EQ(body.find("not text"), std::string::npos);
  EXPECT_NE(body.find("Caf\xE9 \xE9t\xE9 ?5 &bogus; a<b\r\nsecond\r\nline"), std::string::npos)
      << body;
  EXPECT_NE(body.find("c1 c2"), std::string::npos) << body;
  EXPECT_NE(body.find("  keep   spaces"), std::string::npos) << body;
  EXPECT_EQ(PartText(text, PartKind::Properties), "T&C");
  // A page in Latin-1 (not valid UTF-8) keeps its 8-bit characters.
  DocumentText latin1;
  docfilter::HtmlText::Extract("<html><body><p>Z\xFCrich</p></body></html>", latin1);
  EXPECT_EQ(PartText(latin1, PartKind::Body), "Z\xFCrich\r\n");
}

TEST(Markup, DeepNestingAndBrokenTagsDoNotHurt) {
  std::string html = "<html><body>";
  for (int i = 0; i < 200000; ++i) html += "<div><span>";
  html += "deep words<unclosed attr=\"x";
  EXPECT_NE(ExtractText(html, Format::Html).ReadableText().find("deep words"), std::string::npos);
}

std::string Docx(const std::string& body, const std::string& comments = "") {
  dftest::ZipBuilder zip;
  zip.Add("[Content_Types].xml", "<Types/>");
  zip.Add("word/document.xml",
          "<?xml version=\"1.0\"?><w:document xmlns:w=\"x\" xmlns:mc=\"m\"><w:body>" + body +
              "</w:body></w:document>");
  if (!comments.empty()) zip.Add("word/comments.xml", comments);
  zip.Add("docProps/core.xml",
          "<cp:coreProperties><dc:title>Plan</dc:title><dcterms:created>2025</dcterms:created>"
          "</cp:coreProperties>");
  return zip.Finish();
}

// Hidden runs, field instructions, deleted text and alternate-content fallbacks are not
// body text; field results, tabs and breaks are.
TEST(Wordprocessing, BodyTextOnlyInTheBody) {
  const std::string body =
      "<w:p><w:r><w:t>Visible</w:t></w:r><w:r><w:rPr><w:vanish/></w:rPr><w:t>secret</w:t></w:r>"
      "<w:r><w:t xml:space=\"preserve\"> again</w:t></w:r></w:p>"
      "<w:p><w:r><w:fldChar "
      "w:fldCharType=\"begin\"/></w:r><w:r><w:instrText>PAGE</w:instrText></w:r>"
      "<w:r><w:t>7</w:t></w:r><w:r><w:tab/><w:t>after&amp;tab</w:t><w:br/><w:t>x</w:t></w:r></w:p>"
      "<w:del><w:r><w:delText>removed</w:delText></w:r></w:del>"
      "<mc:AlternateContent><mc:Choice><w:p><w:r><w:t>box</w:t></w:r></w:p></mc:Choice>"
      "<mc:Fallback><w:p><w:r><w:t>box</w:t></w:r></w:p></mc:Fallback></mc:AlternateContent>";
  const DocumentText text = ExtractText(Docx(body,
                                             "<w:comments><w:comment><w:p><w:r><w:t>remark</w:t>"
                                             "</w:r></w:p></w:comment></w:comments>"),
                                        Format::Word);
  EXPECT_EQ(PartText(text, PartKind::Body), "Visible again\r\n7\tafter&tab\r\nx\r\nbox\r\n");
  EXPECT_EQ(PartText(text, PartKind::Hidden), "secret");
  EXPECT_EQ(PartText(text, PartKind::Field), "PAGE\r\n");
  EXPECT_EQ(PartText(text, PartKind::Comment), "remark\r\n");
  EXPECT_EQ(PartText(text, PartKind::Properties), "Plan\r\n");
}

TEST(OpenDocument, NotesAnnotationsAndSpacing) {
  dftest::ZipBuilder zip;
  zip.Add("mimetype", "application/vnd.oasis.opendocument.text", false);
  zip.Add(
      "content.xml",
      "<office:document-content><office:body><office:text>"
      "<text:p>One<text:s text:c=\"3\"/>two<text:tab/>three<text:note text:note-class=\"footnote\">"
      "<text:note-citation>1</text:note-citation><text:note-body><text:p>note words</text:p>"
      "</text:note-body></text:note> four</text:p>"
      "<text:p><office:annotation><dc:creator>Ann</dc:creator><text:p>margin</text:p>"
      "</office:annotation>five</text:p></office:text></office:body></office:document-content>");
  zip.Add("styles.xml",
          "<office:document-styles><style:style>ignored</style:style><office:master-styles>"
          "<style:master-page><style:header><text:p>Head line</text:p></style:header>"
          "</style:master-page></office:master-styles></office:document-styles>");
  const std::string data = zip.Finish();
  ASSERT_EQ(docfilter::DetectFormat(data), Format::OpenDocument);
  const DocumentText text = ExtractText(data, Format::OpenDocument);
  EXPECT_EQ(PartText(text, PartKind::Body), "One   two\tthree four\r\nfive\r\n");
  EXPECT_EQ(PartText(text, PartKind::Footnote), "note words\r\n");
  EXPECT_EQ(PartText(text, PartKind::Comment), "margin\r\n");
  EXPECT_EQ(PartText(text, PartKind::Header), "Head line\r\n");
}

TEST(Spreadsheet, SharedInlineNumericAndBooleanCells) {
  dftest::ZipBuilder zip;
  zip.Add("xl/workbook.xml", "<workbook/>");
  zip.Add("xl/sharedStrings.xml",
          "<sst><si><t>alpha</t></si><si><r><t>be</t></r><r><t>ta</t></r><rPh><t>x</t></rPh></si></"
          "sst>");
  zip.Add("xl/worksheets/sheet2.xml",
          "<worksheet><sheetData><row><c><v>2</v></c></row></sheetData></worksheet>");
  zip.Add("xl/worksheets/sheet1.xml",
          "<worksheet><sheetData><row><c t=\"s\"><v>1</v></c><c t=\"s\"><v>0</v></c>"
          "<c t=\"s\"><v>99</v></c></row><row><c t=\"inlineStr\"><is><t>inline</t></is></c>"
          "<c><v>3.5</v></c><c t=\"b\"><v>1</v></c></row></sheetData></worksheet>");
  EXPECT_EQ(ExtractText(zip.Finish(), Format::Spreadsheet).ReadableText(),
            "beta\talpha\r\ninline\t3.5\tTRUE\r\n2\r\n");
}

}  // namespace
