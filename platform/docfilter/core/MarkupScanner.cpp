#include "MarkupScanner.h"

#include <cctype>

namespace docfilter {

namespace {

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f';
}
bool IsNameChar(char c) {
  return !IsSpace(c) && c != '>' && c != '/' && c != '=' && c != '<';
}

char Lower(char c) {
  return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

// Position of needle at or after from, or the end of the data.
std::size_t FindOrEnd(std::string_view data, std::string_view needle, std::size_t from) {
  const std::size_t at = data.find(needle, from);
  return at == std::string_view::npos ? data.size() : at;
}

}  // namespace

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}

std::string_view LocalName(std::string_view name) {
  const std::size_t colon = name.rfind(':');
  return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

MarkupToken MarkupScanner::Next() {
  MarkupToken token;
  while (pos_ < data_.size()) {
    // 1. Character data runs to the next '<'.
    if (data_[pos_] != '<') {
      const std::size_t end = FindOrEnd(data_, "<", pos_);
      token.kind = TokenKind::Text;
      token.text = data_.substr(pos_, end - pos_);
      pos_ = end;
      return token;
    }
    const std::string_view rest = data_.substr(pos_);
    // 2. Comments, CDATA, declarations and processing instructions.
    if (rest.starts_with("<!--")) {
      const std::size_t end = FindOrEnd(data_, "-->", pos_ + 4);
      pos_ = end == data_.size() ? end : end + 3;
      continue;
    }
    if (rest.starts_with("<![CDATA[")) {
      const std::size_t start = pos_ + 9;
      const std::size_t end = FindOrEnd(data_, "]]>", start);
      token.kind = TokenKind::Cdata;
      token.text = data_.substr(start, end - start);
      pos_ = end == data_.size() ? end : end + 3;
      return token;
    }
    if (rest.starts_with("<!") || rest.starts_with("<?")) {
      const std::size_t end = FindOrEnd(data_, ">", pos_ + 2);
      pos_ = end == data_.size() ? end : end + 1;
      continue;
    }
    // 3. A tag: '<' or "</", the name, the attributes up to a '>' outside quotes.
    std::size_t at = pos_ + 1;
    const bool closing = at < data_.size() && data_[at] == '/';
    if (closing) ++at;
    const std::size_t nameStart = at;
    while (at < data_.size() && IsNameChar(data_[at])) ++at;
    if (at == nameStart) {
      // A lone '<' is text.
      token.kind = TokenKind::Text;
      token.text = data_.substr(pos_, 1);
      ++pos_;
      return token;
    }
    token.name = data_.substr(nameStart, at - nameStart);
    const std::size_t attrStart = at;
    char quote = 0;
    while (at < data_.size()) {
      const char c = data_[at];
      if (quote) {
        if (c == quote) quote = 0;
      } else if (c == '"' || c == '\'') {
        quote = c;
      } else if (c == '>') {
        break;
      }
      ++at;
    }
    std::size_t attrEnd = at;
    const bool empty = !closing && attrEnd > attrStart && data_[attrEnd - 1] == '/';
    if (empty) --attrEnd;
    token.attributes = data_.substr(attrStart, attrEnd - attrStart);
    token.kind = closing ? TokenKind::End : empty ? TokenKind::Empty : TokenKind::Start;
    pos_ = at < data_.size() ? at + 1 : at;
    return token;
  }
  return token;
}

void MarkupScanner::SkipRawText(std::string_view name) {
  while (pos_ < data_.size()) {
    const std::size_t lt = FindOrEnd(data_, "</", pos_);
    if (lt == data_.size()) {
      pos_ = lt;
      return;
    }
    const std::string_view candidate = data_.substr(lt + 2, name.size());
    if (EqualsNoCase(candidate, name)) {
      pos_ = lt;  // the end tag itself is the next token
      return;
    }
    pos_ = lt + 2;
  }
}

std::string_view AttributeValue(std::string_view attributes, std::string_view localName,
                                bool* present) {
  if (present) *present = false;
  std::size_t at = 0;
  while (at < attributes.size()) {
    while (at < attributes.size() && (IsSpace(attributes[at]) || attributes[at] == '/')) ++at;
    const std::size_t nameStart = at;
    while (at < attributes.size() && IsNameChar(attributes[at])) ++at;
    const std::string_view name = attributes.substr(nameStart, at - nameStart);
    if (name.empty()) {
      ++at;
      continue;
    }
    while (at < attributes.size() && IsSpace(attributes[at])) ++at;
    std::string_view value;
    if (at < attributes.size() && attributes[at] == '=') {
      ++at;
      while (at < attributes.size() && IsSpace(attributes[at])) ++at;
      if (at < attributes.size() && (attributes[at] == '"' || attributes[at] == '\'')) {
        const char quote = attributes[at++];
        const std::size_t end = attributes.find(quote, at);
        const std::size_t stop = end == std::string_view::npos ? attributes.size() : end;
        value = attributes.substr(at, stop - at);
        at = stop == attributes.size() ? stop : stop + 1;
      } else {
        const std::size_t start = at;
        while (at < attributes.size() && !IsSpace(attributes[at])) ++at;
        value = attributes.substr(start, at - start);
      }
    }
    if (EqualsNoCase(LocalName(name), localName)) {
      if (present) *present = true;
      return value;
    }
  }
  return {};
}

}  // namespace docfilter
