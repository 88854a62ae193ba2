// RTF, mail and PDF: the encodings each format uses for characters, the parts that are
// not body text, and input that is cut short or nested without end.
#include <gtest/gtest.h>
#include <zlib.h>

#include <string>

#include "DocumentReader.h"
#include "PdfStreams.h"
#include "TransferDecoding.h"

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

TEST(Rtf, CharactersDestinationsAndParts) {
  const std::string rtf =
      "{\\rtf1\\ansi{\\fonttbl{\\f0 Times;}}{\\colortbl;\\red0;}{\\*\\generator x;}"
      "{\\info{\\title Plan}}{\\header Head}"
      "Caf\\'e9 \\u8364? \\uc2\\u233 xx  end\\par {\\v hidden}next\\tab line\\line"
      "{\\footnote note}{\\field{\\*\\fldinst PAGE}{\\fldrslt 3}} \\{braces\\}\\\\"
      "{\\pict 0123abcd}\\bin3 {}}after}";
  const DocumentText text = ExtractText(rtf, Format::Rtf);
  EXPECT_EQ(PartText(text, PartKind::Body),
            "Caf\xE9 ? \xE9  end\r\nnext\tline\r\n3 {braces}\\after");
  EXPECT_EQ(PartText(text, PartKind::Header), "Head");
  EXPECT_EQ(PartText(text, PartKind::Footnote), "note");
  EXPECT_EQ(PartText(text, PartKind::Hidden), "hidden");
  EXPECT_EQ(PartText(text, PartKind::Properties), "Plan");
}

TEST(Rtf, EndlessNestingAndTruncationAreSafe) {
  std::string rtf = "{\\rtf1 start";
  for (int i = 0; i < 100000; ++i) rtf += "{";
  rtf += "deep";
  for (int i = 0; i < 100000; ++i) rtf += "}";
  rtf += " tail\\'";
  const std::string body = ExtractText(rtf, Format::Rtf).ReadableText();
  EXPECT_EQ(body, "start tail");
}

TEST(TransferEncodings, Base64AndQuotedPrintable) {
  EXPECT_EQ(docfilter::DecodeBase64("SGVs\r\nbG8=\n"), "Hello");
  EXPECT_EQ(docfilter::DecodeBase64("SGVsbA"), "Hell");
  EXPECT_EQ(docfilter::DecodeQuotedPrintable("caf=C3=A9 soft=\r\nbreak =ZZ="),
            "caf\xC3\xA9 softbreak =ZZ=");
  EXPECT_EQ(docfilter::DecodeQuotedPrintable("a_b", true), "a b");
}

TEST(Mail, HeadersAlternativesAndAttachments) {
  const std::string mail =
      "From: =?UTF-8?Q?Ren=C3=A9?= <r@x.example>\r\nTo: t@x.example\r\n"
      "Subject: =?ISO-8859-1?B?Q2Fm6Q==?=\r\n  continued\r\nMIME-Version: 1.0\r\n"
      "Content-Type: multipart/mixed; boundary=\"outer\"\r\n\r\npreamble\r\n--outer\r\n"
      "Content-Type: multipart/alternative; boundary=inner\r\n\r\n--inner\r\n"
      "Content-Type: text/html\r\n\r\n<p>html copy</p>\r\n--inner\r\n"
      "Content-Type: text/plain; charset=utf-8\r\nContent-Transfer-Encoding: "
      "quoted-printable\r\n\r\n"
      "Plain caf=C3=A9 text\r\n--inner--\r\n--outer\r\n"
      "Content-Type: text/plain\r\nContent-Disposition: attachment; filename=a.txt\r\n\r\n"
      "attached words\r\n--outer\r\nContent-Type: text/plain\r\n\r\ncut short";
  ASSERT_EQ(docfilter::DetectFormat(mail), Format::Mail);
  const std::string text = ExtractText(mail, Format::Mail).ReadableText();
  EXPECT_NE(text.find("From: Ren\xE9 <r@x.example>"), std::string::npos) << text;
  EXPECT_NE(text.find("Subject: Caf\xE9 continued"), std::string::npos) << text;
  EXPECT_NE(text.find("Plain caf\xE9 text"), std::string::npos) << text;
  EXPECT_NE(text.find("cut short"), std::string::npos) << text;
  EXPECT_EQ(text.find("html copy"), std::string::npos);
  EXPECT_EQ(text.find("attached words"), std::string::npos);
  EXPECT_EQ(text.find("preamble"), std::string::npos);
}

std::string Zlib(const std::string& data) {
  uLongf size = compressBound(static_cast<uLong>(data.size()));
  std::string out(size, '\0');
  compress2(reinterpret_cast<Bytef*>(out.data()), &size,
            reinterpret_cast<const Bytef*>(data.data()), static_cast<uLong>(data.size()), 6);
  out.resize(size);
  return out;
}

std::string Pdf(const std::string& content, bool deflate) {
  const std::string stream = deflate ? Zlib(content) : content;
  const std::string filter = deflate ? "/Filter /FlateDecode " : "";
  return "%PDF-1.4\n1 0 obj\n<< /Type /Catalog >>\nendobj\n4 0 obj\n<< " + filter + "/Length " +
         std::to_string(stream.size()) + " >>\nstream\n" + stream +
         "\nendstream\nendobj\n"
         "5 0 obj\n<< /Subtype /Image /Length 6 >>\nstream\nBT (img) Tj "
         "ET\nendstream\nendobj\n%%EOF\n";
}

TEST(Pdf, TextOperatorsStringsAndSpacing) {
  const std::string content =
      "BT /F1 12 Tf 72 700 Td (Hello \\(world\\)) Tj 0 -14 Td [(Spa)-20(ced)-400(out)] TJ "
      "T* <436166E9> Tj ET BT 1 0 0 1 72 600 Tm (Oct\\141l \\351) Tj ET";
  for (bool deflate : {false, true}) {
    const std::string text = ExtractText(Pdf(content, deflate), Format::Pdf).ReadableText();
    EXPECT_EQ(text, "Hello (world)\r\nSpaced out\r\nCaf\xE9\r\nOctal \xE9\r\n") << deflate;
  }
}

// Fonts with two-byte codes (as office programs embed them) are read through their
// ToUnicode map, ranges and single codes alike; other fonts stay WinAnsi.
TEST(Pdf, ToUnicodeMapsOfTheFonts) {
  const std::string cmap =
      "/CIDInit /ProcSet findresource begin 1 begincodespacerange <0000> <FFFF> endcodespacerange\n"
      "2 beginbfchar <0003> <0020> <0010> <00E9> endbfchar\n"
      "2 beginbfrange <0020> <0039> <0041> <0040> <0041> [<0078> <20AC>] endbfrange end";
  const std::string content =
      "BT /F2 12 Tf <00200021002200030010> Tj /F1 12 Tf (\351t\351) Tj "
      "/F2 9 Tf <00400041> Tj ET";
  const std::string pdf =
      "%PDF-1.5\n1 0 obj\n<< /Type /Page /Resources << /Font << /F1 2 0 R /F2 3 0 R >> >> "
      "/Contents 6 0 R >>\nendobj\n"
      "2 0 obj\n<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>\nendobj\n"
      "3 0 obj\n<< /Type /Font /Subtype /Type0 /Encoding /Identity-H /ToUnicode 5 0 R >>\nendobj\n"
      "5 0 obj\n<< /Length " +
      std::to_string(cmap.size()) + " >>\nstream\n" + cmap +
      "\nendstream\nendobj\n6 0 obj\n<< /Length " + std::to_string(content.size()) +
      " >>\nstream\n" + content + "\nendstream\nendobj\n";
  EXPECT_EQ(ExtractText(pdf, Format::Pdf).ReadableText(), "ABC \xE9\xE9t\xE9x?\r\n");
}

TEST(Pdf, Ascii85AndHexFilters) {
  EXPECT_EQ(docfilter::DecodeAscii85("87cURD]i,\"Ebo80~>"), "Hello World!");
  EXPECT_EQ(docfilter::DecodeAscii85("87cURD]i,\"Ebo7"), "Hello World");
  EXPECT_EQ(docfilter::DecodeAsciiHex("48 65 6c 6C 6>"), "Hell`");
}

TEST(Pdf, EncryptedFilesGiveNoText) {
  const std::string pdf = Pdf("BT (secret) Tj ET", false) + "trailer << /Encrypt 9 0 R >>";
  EXPECT_EQ(ExtractText(pdf, Format::Pdf).ReadableText(), "");
}

}  // namespace
