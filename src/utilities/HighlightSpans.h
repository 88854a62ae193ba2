// Cleaning of HTML that arrives on the clipboard: text copied out of mail and web pages
// carries search highlighting (background-colour spans) and hard line breaks that users do
// not want in their documents. Portable: no Windows header, so it is tested natively under
// sanitizers and fuzzed.
#pragma once

#include <string>

namespace kelmsgs {

// The opening text of a highlight span; the eight characters after it (six hexadecimal
// colour digits, a double quote and '>') belong to it.
inline constexpr char kHighlightOpening[] = "<SPAN style=\"BACKGROUND-COLOR: #";
inline constexpr char kHighlightClosing[] = "</SPAN>";

// Cleans 8-bit clipboard HTML in place:
//  - every carriage return and every line feed of the HTML becomes one blank (the length
//    stays as it is);
//  - while the text holds a highlight opening, that opening and up to eight characters
//    after it are removed, then the first "</SPAN>" of the text, if any;
//  - when the text starts with the clipboard format's description header ("Version:" and
//    "Key:value" lines), the header keeps its lines, the spans are looked for only after
//    it, and its byte offsets (StartHTML, EndHTML, StartFragment, EndFragment,
//    StartSelection, EndSelection) are moved by the bytes removed before them, written
//    with their digit count unchanged, so they frame the same parts of the cleaned text.
// An empty text is left alone.
void StripHighlightSpans(std::string& html);

}  // namespace kelmsgs
