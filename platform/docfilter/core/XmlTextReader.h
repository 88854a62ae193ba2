// Text of the XML parts of office documents, driven by a table of element rules: which
// elements end paragraphs, stand for tabs, breaks or spaces, hold text, are dropped or
// send their content to another kind of part (a note, a comment). Elements without a
// rule are transparent. Nesting costs a counter, not a stack: only elements with a
// scope are remembered, and only up to a fixed number.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "PartWriters.h"

namespace docfilter {

enum class XmlAction {
  Paragraph,  // a line break after the element
  Tab,        // a tab
  Break,      // a line break
  Spaces,     // as many spaces as the "c" attribute says (at least one)
  Text,       // character data inside is text (where text is not everywhere)
  Skip,       // the element and its content are not text
  Kind,       // the content goes to the rule's kind of part
  KindText,   // both Kind and Text
  Run,        // a run of text: ends the hiding of the previous run
  Vanish,     // run property that hides the run's text (unless its value is false)
};

struct XmlRule {
  std::string_view name;  // qualified name as written ("w:p")
  XmlAction action;
  PartKind kind = PartKind::Body;
};

class XmlTextReader {
 public:
  // textEverywhere: all character data is text, with white space collapsed (OpenDocument);
  // otherwise only character data inside Text elements, as written (Office Open XML).
  XmlTextReader(std::span<const XmlRule> rules, bool textEverywhere)
      : rules_(rules), textEverywhere_(textEverywhere) {}

  // Reads one part whose content starts as base (nullopt: dropped unless a rule says
  // otherwise).
  void Read(std::string_view xml, std::optional<PartKind> base, PartWriters& out);

 private:
  struct Scope {
    long depth;
    std::optional<PartKind> kind;  // nullopt: not text
    bool text;
    bool skipped;  // inside an element that a Skip rule dropped
  };
  const XmlRule* Find(std::string_view name) const;

  std::span<const XmlRule> rules_;
  bool textEverywhere_;
};

}  // namespace docfilter
