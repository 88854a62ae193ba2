// The content of an archive member as the content access entry points deliver it: a
// sequence of elements. Body text comes as text elements (type 1, subtype 1); every
// other part is enclosed in a begin element (type 2) and an end element (type 3) whose
// subtype names the kind of part, so that a reader can skip it whole:
//   document properties 0x00010000, hidden text 0x00080000, field codes 0x000E0000,
//   headers 0x00100000, footers 0x00110000, footnotes 0x00120000, endnotes 0x00130000,
//   comments and annotations 0x00140000.
// Text longer than the caller's buffer is split over several text elements.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "DocumentText.h"

namespace docfilter {

enum ElementType : std::uint32_t { kElementText = 1, kElementBegin = 2, kElementEnd = 3 };

inline constexpr std::uint32_t kSubtypeBodyText = 1;
std::uint32_t SubtypeOf(PartKind kind);

struct ElementOut {
  std::uint32_t type = 0;
  std::uint32_t subtype = 0;
  std::size_t textBytes = 0;  // bytes written to the buffer (text elements only)
};

class ElementStream {
 public:
  explicit ElementStream(DocumentText text);

  // The next element, its text (if any) copied into buffer, at most capacity bytes;
  // false at the end. first starts again from the first element.
  bool Read(bool first, char* buffer, std::size_t capacity, ElementOut& out);

 private:
  struct Element {
    std::uint32_t type;
    std::uint32_t subtype;
    std::size_t part;  // text elements: index into parts_
  };
  std::vector<std::string> parts_;
  std::vector<Element> elements_;
  std::size_t next_ = 0;
  std::size_t offset_ = 0;  // within the text of elements_[next_]
};

}  // namespace docfilter
