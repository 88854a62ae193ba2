#include "HtmlText.h"

#include <algorithm>
#include <cctype>
#include <string>

#include "Entities.h"
#include "MarkupScanner.h"
#include "Unicode.h"

namespace docfilter {

namespace {

constexpr std::string_view kBlockElements[] = {
    "p",       "div",        "br",      "h1",     "h2",         "h3",      "h4",     "h5",
    "h6",      "li",         "ul",      "ol",     "dl",         "dt",      "dd",     "tr",
    "table",   "blockquote", "pre",     "hr",     "section",    "article", "header", "footer",
    "nav",     "aside",      "address", "figure", "figcaption", "main",    "form",   "fieldset",
    "caption", "thead",      "tbody",   "tfoot",  "body",       "html",    "title"};

bool IsBlock(std::string_view name) {
  return std::any_of(std::begin(kBlockElements), std::end(kBlockElements),
                     [&](std::string_view b) { return EqualsNoCase(b, name); });
}

bool IsCell(std::string_view name) {
  return EqualsNoCase(name, "td") || EqualsNoCase(name, "th");
}

std::string Lowered(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

TextEncoding DetectEncoding(std::string_view data) {
  if (data.starts_with("\xEF\xBB\xBF")) return TextEncoding::Utf8;
  // A declared character set near the top of the page decides.
  const std::string head = Lowered(data.substr(0, 4096));
  const std::size_t charset = head.find("charset=");
  if (charset != std::string::npos) {
    std::string_view value = std::string_view(head).substr(charset + 8);
    if (!value.empty() && (value[0] == '"' || value[0] == '\'')) value.remove_prefix(1);
    if (value.starts_with("utf-8") || value.starts_with("utf8")) return TextEncoding::Utf8;
    if (value.starts_with("iso-8859") || value.starts_with("windows-125") ||
        value.starts_with("latin") || value.starts_with("us-ascii"))
      return TextEncoding::Latin1;
  }
  return IsUtf8(data) ? TextEncoding::Utf8 : TextEncoding::Latin1;
}

// Collapses runs of white space in character data, as a browser shows them.
void WriteCollapsed(std::string_view text, TextEncoding encoding, Latin1Writer& out) {
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t space = text.find_first_of(" \t\r\n\f", pos);
    const std::size_t end = space == std::string_view::npos ? text.size() : space;
    WriteDecoded(text.substr(pos, end - pos), encoding, out);
    if (space == std::string_view::npos) return;
    out.Space();
    pos = text.find_first_not_of(" \t\r\n\f", space);
    if (pos == std::string_view::npos) return;
  }
}

}  // namespace

bool HtmlText::Detect(std::string_view data) {
  std::string head = Lowered(data.substr(0, 1024));
  const std::size_t start = head.find_first_not_of(" \t\r\n\xEF\xBB\xBF");
  if (start == std::string::npos) return false;
  const std::string_view top = std::string_view(head).substr(start);
  return top.starts_with("<!doctype html") || top.starts_with("<html") ||
         top.starts_with("<head") || top.starts_with("<body") ||
         (top.starts_with("<") &&
          (head.find("<html") != std::string::npos || head.find("<body") != std::string::npos));
}

void HtmlText::Extract(std::string_view data, DocumentText& out) {
  const TextEncoding encoding = DetectEncoding(data);
  if (data.starts_with("\xEF\xBB\xBF")) data.remove_prefix(3);
  Latin1Writer body = out.Writer();
  Latin1Writer title = out.Writer();
  MarkupScanner scanner(data);
  bool inTitle = false;
  int preDepth = 0;
  for (MarkupToken t = scanner.Next(); t.kind != TokenKind::Done && !body.full();
       t = scanner.Next()) {
    switch (t.kind) {
      case TokenKind::Text:
      case TokenKind::Cdata:
        if (inTitle)
          WriteCollapsed(t.text, encoding, title);
        else if (preDepth > 0)
          WriteDecoded(t.text, encoding, body);
        else
          WriteCollapsed(t.text, encoding, body);
        break;
      case TokenKind::Start:
        if (EqualsNoCase(t.name, "script") || EqualsNoCase(t.name, "style")) {
          scanner.SkipRawText(t.name);
          break;
        }
        if (EqualsNoCase(t.name, "title")) inTitle = true;
        if (EqualsNoCase(t.name, "pre")) ++preDepth;
        if (IsBlock(t.name)) body.EndLine();
        if (IsCell(t.name)) body.Space();
        break;
      case TokenKind::Empty:
        if (IsBlock(t.name)) body.EndLine();
        break;
      case TokenKind::End:
        if (EqualsNoCase(t.name, "title")) inTitle = false;
        if (EqualsNoCase(t.name, "pre") && preDepth > 0) --preDepth;
        if (IsBlock(t.name)) body.EndLine();
        if (IsCell(t.name)) body.Space();
        break;
      case TokenKind::Done:
        break;
    }
  }
  out.Add(PartKind::Properties, title.Take());
  out.Add(PartKind::Body, body.Take());
}

}  // namespace docfilter
