// What a text value of a profile section says about the section: whether it belongs to
// the library's result store, or only names a path below the vendor's "Quillora"
// directory. Profile administration deletes the first kind of section and reports the
// second. Portable: no Windows header.
#pragma once

#include <cstddef>

namespace kelmsgs {

enum class SectionMark {
  kNone,
  kResultStore,  // the result store's display name, "Quendrel e-mail Management"
  kVendorPath,   // a path component "\Quillora\"
};

// The mark of one REG_SZ value: its text is the data up to the first zero byte or the end
// of the size bytes given (a value stored without its terminator is still bounded). Both
// markers are case-sensitive substrings; the result store's name wins over the path.
SectionMark MarkOfValueText(const char* data, std::size_t size) noexcept;

// The log suffix for a marked section: " (Quendrel e-mail Management)." or " (Quillora).";
// empty for kNone.
const char* SectionMarkSuffix(SectionMark mark) noexcept;

}  // namespace kelmsgs
