// The text of one document as an ordered list of parts: the body, and the parts that are
// not body text (properties, headers and footers, notes, comments, hidden text, field
// codes), so that a reader can pass over what it does not want.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "Latin1Writer.h"
#include "Limits.h"

namespace docfilter {

enum class PartKind { Body, Properties, Header, Footer, Footnote, Endnote, Comment, Hidden, Field };

struct Part {
  PartKind kind;
  std::string text;  // Latin-1
};

class DocumentText {
 public:
  explicit DocumentText(std::size_t limit = kMaxTextBytes) : limit_(limit) {}

  // A writer limited to what is left of the document's text budget.
  Latin1Writer Writer() const { return Latin1Writer(room()); }
  // What is left of the budget, in bytes.
  std::size_t room() const { return limit_ - used_; }
  // Adds a part; parts that hold only white space are dropped. Adjacent parts of the
  // same kind are joined.
  void Add(PartKind kind, std::string text);

  const std::vector<Part>& parts() const { return parts_; }
  std::vector<Part>& parts() { return parts_; }
  // The readable text: every part except properties, hidden text and field codes, in
  // order, separated by line breaks.
  std::string ReadableText() const;
  // Same, moving the text out when there is one readable part (the usual case).
  std::string TakeReadableText();
  bool empty() const { return parts_.empty(); }

 private:
  std::vector<Part> parts_;
  std::size_t limit_;
  std::size_t used_ = 0;
};

// Whether a part of this kind belongs to the readable text.
bool IsReadable(PartKind kind);

}  // namespace docfilter
