// The list of file paths that CreateAttachments attaches: items separated by ";", each
// attachment named by the last part of its path. Portable: no Windows header.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kelmsgs {

// The items of the list, cut at every ";": the text after the last ";" is an item too, so
// a list ending with ";" ends with an empty item, and an empty list is one empty item.
std::vector<std::string> SplitAttachmentList(std::string_view list);

// The text after the last backslash of the path; the whole path when it has none.
std::string_view AttachmentName(std::string_view path) noexcept;

}  // namespace kelmsgs
