#include "XmlTextReader.h"

#include <algorithm>
#include <charconv>

#include "Entities.h"
#include "MarkupScanner.h"

namespace docfilter {

namespace {

constexpr std::size_t kMaxScopes = 256;

void WriteCollapsed(std::string_view text, Latin1Writer& out) {
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t space = text.find_first_of(" \t\r\n", pos);
    const std::size_t end = space == std::string_view::npos ? text.size() : space;
    WriteDecoded(text.substr(pos, end - pos), TextEncoding::Utf8, out);
    if (space == std::string_view::npos) return;
    out.Space();
    pos = text.find_first_not_of(" \t\r\n", space);
    if (pos == std::string_view::npos) return;
  }
}

bool FalseValue(std::string_view attributes) {
  bool present = false;
  const std::string_view v = AttributeValue(attributes, "val", &present);
  return present && (v == "0" || v == "false" || v == "off");
}

int SpaceCount(std::string_view attributes) {
  const std::string_view v = AttributeValue(attributes, "c");
  int count = 1;
  std::from_chars(v.data(), v.data() + v.size(), count);
  return std::clamp(count, 1, 1000);
}

}  // namespace

const XmlRule* XmlTextReader::Find(std::string_view name) const {
  for (const XmlRule& rule : rules_)
    if (rule.name == name) return &rule;
  return nullptr;
}

void XmlTextReader::Read(std::string_view xml, std::optional<PartKind> base, PartWriters& out) {
  // Text is rarely more than the markup around it leaves; an unused reserve costs no memory
  // that is ever touched, a short one copies the text as it grows.
  if (base) out[*base].Reserve(out[*base].text().size() + xml.size());
  std::vector<Scope> scopes{Scope{-1, base, false, false}};
  long depth = 0;
  bool runHidden = false;
  const auto target = [&]() -> Latin1Writer* {
    const Scope& s = scopes.back();
    if (!s.kind) return nullptr;
    return &out[runHidden && *s.kind == PartKind::Body ? PartKind::Hidden : *s.kind];
  };
  const auto act = [&](const XmlRule& rule, std::string_view attributes) {
    Latin1Writer* w = target();
    switch (rule.action) {
      case XmlAction::Tab:
        if (w) w->CodePoint('\t');
        break;
      case XmlAction::Break:
        if (w) w->LineBreak();
        break;
      case XmlAction::Spaces:
        for (int i = SpaceCount(attributes); w && i > 0; --i) w->CodePoint(' ');
        break;
      case XmlAction::Run:
        runHidden = false;
        break;
      case XmlAction::Vanish:
        runHidden = !FalseValue(attributes);
        break;
      default:
        break;
    }
  };

  MarkupScanner scanner(xml);
  for (MarkupToken t = scanner.Next(); t.kind != TokenKind::Done; t = scanner.Next()) {
    if (t.kind == TokenKind::Text || t.kind == TokenKind::Cdata) {
      const Scope& s = scopes.back();
      Latin1Writer* w = target();
      if (!w || !(textEverywhere_ || s.text)) continue;
      if (w->full()) break;
      if (textEverywhere_ && !s.text)
        WriteCollapsed(t.text, *w);
      else
        WriteDecoded(t.text, TextEncoding::Utf8, *w);
      continue;
    }
    const XmlRule* rule = Find(t.name);
    if (t.kind == TokenKind::Start) {
      ++depth;
      if (!rule) continue;
      act(*rule, t.attributes);
      if (scopes.size() >= kMaxScopes) continue;
      const Scope& outer = scopes.back();
      switch (rule->action) {
        case XmlAction::Skip:
          scopes.push_back(Scope{depth, std::nullopt, false, true});
          break;
        case XmlAction::Kind:
        case XmlAction::KindText: {
          // Inside dropped content a new kind does not bring the text back.
          const std::optional<PartKind> kind =
              outer.skipped ? std::nullopt : std::optional<PartKind>(rule->kind);
          scopes.push_back(
              Scope{depth, kind, rule->action == XmlAction::KindText || outer.text, outer.skipped});
          break;
        }
        case XmlAction::Text:
          scopes.push_back(Scope{depth, outer.kind, true, outer.skipped});
          break;
        default:
          break;
      }
    } else if (t.kind == TokenKind::Empty) {
      if (!rule) continue;
      act(*rule, t.attributes);
      if (rule->action == XmlAction::Paragraph)
        if (Latin1Writer* w = target()) w->EndLine();
    } else if (t.kind == TokenKind::End) {
      if (rule && rule->action == XmlAction::Paragraph) runHidden = false;
      // Paragraphs and the content sent to another part end their line.
      const bool endsLine =
          rule && (rule->action == XmlAction::Paragraph || rule->action == XmlAction::Kind ||
                   rule->action == XmlAction::KindText);
      if (endsLine)
        if (Latin1Writer* w = target()) w->EndLine();
      if (scopes.size() > 1 && scopes.back().depth == depth) scopes.pop_back();
      --depth;
    }
  }
}

}  // namespace docfilter
