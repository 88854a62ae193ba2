#include "ElementStream.h"

#include <algorithm>
#include <cstring>

namespace docfilter {

std::uint32_t SubtypeOf(PartKind kind) {
  switch (kind) {
    case PartKind::Body:
      return kSubtypeBodyText;
    case PartKind::Properties:
      return 0x00010000;
    case PartKind::Hidden:
      return 0x00080000;
    case PartKind::Field:
      return 0x000E0000;
    case PartKind::Header:
      return 0x00100000;
    case PartKind::Footer:
      return 0x00110000;
    case PartKind::Footnote:
      return 0x00120000;
    case PartKind::Endnote:
      return 0x00130000;
    case PartKind::Comment:
      return 0x00140000;
  }
  return kSubtypeBodyText;
}

ElementStream::ElementStream(DocumentText text) {
  for (Part& part : text.parts()) {
    const std::size_t index = parts_.size();
    parts_.push_back(std::move(part.text));
    if (part.kind == PartKind::Body) {
      elements_.push_back(Element{kElementText, kSubtypeBodyText, index});
      continue;
    }
    const std::uint32_t subtype = SubtypeOf(part.kind);
    elements_.push_back(Element{kElementBegin, subtype, 0});
    elements_.push_back(Element{kElementText, kSubtypeBodyText, index});
    elements_.push_back(Element{kElementEnd, subtype, 0});
  }
}

bool ElementStream::Read(bool first, char* buffer, std::size_t capacity, ElementOut& out) {
  out = ElementOut{};
  if (first) next_ = 0, offset_ = 0;
  if (next_ >= elements_.size()) return false;
  const Element& e = elements_[next_];
  out.type = e.type;
  out.subtype = e.subtype;
  if (e.type != kElementText) {
    ++next_;
    return true;
  }
  // A text element gives as much as fits; the rest follows as further text elements.
  const std::string& text = parts_[e.part];
  const std::size_t n = buffer ? std::min(capacity, text.size() - offset_) : 0;
  if (n) std::memcpy(buffer, text.data() + offset_, n);
  out.textBytes = n;
  offset_ += n;
  if (offset_ >= text.size() || n == 0) {
    ++next_;
    offset_ = 0;
  }
  return true;
}

}  // namespace docfilter
