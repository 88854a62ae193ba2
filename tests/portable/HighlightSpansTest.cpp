// Cleaning of clipboard HTML: highlight spans, line breaks and the offsets of the clipboard
// format's description header.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "utilities/HighlightSpans.h"

using kelmsgs::StripHighlightSpans;

namespace {

const std::string kYellow = "<SPAN style=\"BACKGROUND-COLOR: #ffff00\">";
const std::string kGreen = "<SPAN style=\"BACKGROUND-COLOR: #00ff00\">";

std::string Strip(std::string html) {
  StripHighlightSpans(html);
  return html;
}

// A description header with offsets of the given digit count, then the HTML.
std::string WithHeader(const std::string& before, const std::string& fragment,
                       const std::string& after, int digits, bool selection = false) {
  const auto header = [&](std::size_t a, std::size_t b, std::size_t c, std::size_t d) {
    char text[256];
    std::snprintf(text, sizeof text,
                  "Version:1.0\r\nStartHTML:%0*zu\r\nEndHTML:%0*zu\nStartFragment:%0*"
                  "zu\rEndFragment:%0*zu\r\n",
                  digits, a, digits, b, digits, c, digits, d);
    std::string out = text;
    if (selection) {
      std::snprintf(text, sizeof text, "StartSelection:%0*zu\r\nEndSelection:%0*zu\r\n", digits, c,
                    digits, d);
      out += text;
    }
    return out;
  };
  const std::size_t h = header(0, 0, 0, 0).size();
  const std::size_t c = h + before.size(), d = c + fragment.size();
  return header(h, d + after.size(), c, d) + before + fragment + after;
}

std::size_t Offset(const std::string& text, const std::string& key) {
  return std::stoul(text.substr(text.find(key + ":") + key.size() + 1));
}

std::string Part(const std::string& text, const std::string& start, const std::string& end) {
  const std::size_t a = Offset(text, start), b = Offset(text, end);
  return b <= text.size() && a <= b ? text.substr(a, b - a) : "<out of the text>";
}

TEST(HighlightSpans, BothOpeningsAndTheFirstTwoClosingsOfTheTextGo) {
  EXPECT_EQ(Strip("<P>" + kYellow + "one</SPAN> and " + kGreen + "two</SPAN></P>"),
            "<P>one and two</P>");
  // The closings removed are the first ones of the whole text, wherever they stand.
  EXPECT_EQ(Strip("<SPAN>a</SPAN><SPAN>b</SPAN>" + kYellow + "c</SPAN>" + kGreen + "d</SPAN>"),
            "<SPAN>a<SPAN>bc</SPAN>d</SPAN>");
  // An opening without any closing.
  EXPECT_EQ(Strip("x" + kYellow + "y"), "xy");
  // Other spans and lower-case openings are no highlighting.
  const std::string other = "<span style=\"background-color: #ffff00\">z</span><SPAN>w</SPAN>";
  EXPECT_EQ(Strip(other), other);
}

TEST(HighlightSpans, LineBreaksBecomeBlanksOneByOne) {
  const std::string text = "<P>a\r\nb\nc\rd</P>\r\n";
  const std::string cleaned = Strip(text);
  EXPECT_EQ(cleaned, "<P>a  b c d</P>  ");
  EXPECT_EQ(cleaned.size(), text.size());
  EXPECT_EQ(Strip(""), "");
}

TEST(HighlightSpans, ShortOpeningAtTheEndRemovesOnlyWhatIsThere) {
  const std::string opening = kYellow.substr(0, 32);
  EXPECT_EQ(Strip("text" + opening + "ff0"), "text");
  EXPECT_EQ(Strip("text" + opening), "text");
  EXPECT_EQ(Strip("</SPAN>" + opening + "ff00"), "");
  // Exactly eight characters after it: all of them go.
  EXPECT_EQ(Strip("t" + opening + "ffff00\">"), "t");
}

// Openings that only form when an earlier removal joins the text around it are removed too.
TEST(HighlightSpans, OpeningsFormedByARemovalGoAsWell) {
  const std::string opening = kYellow.substr(0, 32);
  EXPECT_EQ(Strip("<SPAN style=\"" + kYellow + "</SPAN>BACKGROUND-COLOR: #123456\">y"), "y");
  EXPECT_EQ(Strip(opening.substr(0, 10) + "</SPAN>" + opening.substr(10) + "abcdef\">z" + kGreen),
            "z");
}

TEST(HighlightSpans, HeaderOffsetsFrameTheCleanedPartsWithTheirWidth) {
  for (int digits : {10, 4}) {
    SCOPED_TRACE(digits);
    const std::string before = "<html>\r\n<body>" + kYellow + "ctx</SPAN>\r\n<!--StartFragment-->";
    const std::string fragment = "<P>" + kGreen + "hit</SPAN> line\r\nend</P>";
    const std::string after = "<!--EndFragment-->\r\n</body></html>";
    const std::string html = WithHeader(before, fragment, after, digits, true);
    const std::string cleaned = Strip(html);
    EXPECT_EQ(Part(cleaned, "StartFragment", "EndFragment"), "<P>hit line  end</P>");
    EXPECT_EQ(Part(cleaned, "StartSelection", "EndSelection"), "<P>hit line  end</P>");
    EXPECT_EQ(Part(cleaned, "StartHTML", "EndHTML"),
              "<html>  <body>ctx  <!--StartFragment--><P>hit line  end</P><!--EndFragment-->  "
              "</body></html>");
    // The header keeps its lines and the width of its numbers.
    const std::size_t headerEnd = Offset(html, "StartHTML");
    std::string header = cleaned.substr(0, headerEnd);
    EXPECT_EQ(header.size(), headerEnd);
    EXPECT_EQ(header.substr(0, 13), "Version:1.0\r\n");
    EXPECT_NE(header.find("\nStartFragment:"), std::string::npos);
    EXPECT_EQ(header.find("EndHTML:" + std::string(digits == 10 ? "0000000" : "0")),
              header.find("EndHTML:"));
  }
}

TEST(HighlightSpans, OffsetsOutsideTheHtmlOrMissingAreKept) {
  // StartHTML -1 (no context) stays; an offset into a removed span moves to where it was.
  const std::string html =
      "Version:0.9\r\nStartHTML:-1\r\nEndHTML:-1\r\nStartFragment:0000000094\r\n"
      "EndFragment:0000000999\r\n" +
      kYellow + "x</SPAN>";
  ASSERT_EQ(html.find(kYellow), 89u);
  const std::string cleaned = Strip(html);
  EXPECT_NE(cleaned.find("StartHTML:-1\r\nEndHTML:-1\r\n"), std::string::npos);
  EXPECT_NE(cleaned.find("StartFragment:0000000089"), std::string::npos);
  // Beyond the end: moved back by everything that was removed.
  EXPECT_NE(cleaned.find("EndFragment:0000000952"), std::string::npos);
  EXPECT_EQ(cleaned.substr(89), "x");

  // Without a header nothing is taken for offsets.
  const std::string plain = "StartFragment:0000000001 " + kYellow + "x</SPAN>";
  EXPECT_EQ(Strip(plain), "StartFragment:0000000001 x");
}

// A broken header whose last "Key:" line has no line break and holds a highlight: that line
// is HTML, so a second cleaning finds the same header and changes nothing. (Before, the line
// counted as header until the first cleaning made its value digits, and the second cleaning
// then took the whole text for HTML.)
TEST(HighlightSpans, AnUnendedHeaderLineIsHtmlAndCleaningTwiceChangesNothing) {
  const std::string html =
      "Version:0.9\r\nStartFragment:000105\r\nEndHTML:0000000116\r\n"
      "EndFragment:0\xC8\r\nEndHTML:00" +
      kYellow + "</SPAN>";
  const std::string once = Strip(html);
  EXPECT_EQ(once.find(kYellow), std::string::npos);
  EXPECT_EQ(Strip(once), once);

  // StartHTML points into the middle of a later header line: the header ends where that
  // line starts, and the line is cleaned as HTML.
  const std::string cut = "Version:0.9\r\nStartHTML:0000000040\r\nEndHTML:2" + kYellow +
                          "x</SPAN>\r\nEndFragment:0000000099\r\n";
  const std::string cleaned = Strip(cut);
  EXPECT_EQ(cleaned.find(kYellow), std::string::npos);
  EXPECT_EQ(Strip(cleaned), cleaned);
}

}  // namespace
