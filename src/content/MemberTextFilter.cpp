#include "content/MemberTextFilter.h"

namespace kelmsgs {

bool MemberTextFilter::IsNestedPart(std::uint32_t subtype) noexcept {
  switch (subtype) {
    case 0x00080000:  // hidden text
    case 0x000E0000:  // field codes
    case 0x00100000:  // page headers
    case 0x00110000:  // page footers
    case 0x00120000:  // footnotes
    case 0x00130000:  // endnotes
    case 0x00140000:  // comments
      return true;
    default:
      return false;
  }
}

bool MemberTextFilter::Keep(std::uint32_t type, std::uint32_t subtype) noexcept {
  switch (mode_) {
    case Mode::kSkipProperties:
      // Properties do not nest: the first end of their subtype closes them.
      if (type == kEnd && subtype == kProperties) mode_ = Mode::kBody;
      return false;
    case Mode::kSkipNested:
      if (subtype == skipSubtype_ && type == kBegin) ++depth_;
      if (subtype == skipSubtype_ && type == kEnd && --depth_ == 0) mode_ = Mode::kBody;
      return false;
    case Mode::kBody:
      break;
  }
  if (type == kText) {
    if (subtype != kBodyText && !gathered_) return false;
    gathered_ = true;
    return true;
  }
  if (type == kBegin && subtype == kProperties) {
    mode_ = Mode::kSkipProperties;
  } else if (type == kBegin && IsNestedPart(subtype)) {
    mode_ = Mode::kSkipNested;
    skipSubtype_ = subtype;
    depth_ = 1;
  }
  return false;
}

}  // namespace kelmsgs
