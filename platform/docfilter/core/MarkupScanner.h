// A forgiving tokenizer for XML and HTML: start, end and empty-element tags with their
// attribute text, and the character data between them. It keeps no element stack, so
// nesting depth costs nothing; malformed markup ends a token at the next '>' or at the
// end of the data. Comments, processing instructions and declarations are skipped;
// CDATA sections are character data.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace docfilter {

enum class TokenKind { Text, Start, End, Empty, Cdata, Done };

struct MarkupToken {
  TokenKind kind = TokenKind::Done;
  std::string_view name;        // the tag name as written, prefix included
  std::string_view attributes;  // the raw text after the name
  std::string_view text;        // character data, entities not yet decoded
};

class MarkupScanner {
 public:
  explicit MarkupScanner(std::string_view data) : data_(data) {}

  MarkupToken Next();
  // Skips raw text up to the end tag of name (case-insensitive), for HTML script and
  // style elements whose content is not markup.
  void SkipRawText(std::string_view name);
  std::size_t position() const { return pos_; }

 private:
  std::string_view data_;
  std::size_t pos_ = 0;
};

// The tag name without its namespace prefix ("w:t" gives "t").
std::string_view LocalName(std::string_view name);
// Whether two names are equal ignoring ASCII case.
bool EqualsNoCase(std::string_view a, std::string_view b);
// The raw value of an attribute (matched on its local name, case-insensitively), without
// its quotes; entities not decoded. Empty when missing.
std::string_view AttributeValue(std::string_view attributes, std::string_view localName,
                                bool* present = nullptr);

}  // namespace docfilter
