// Lists of attachment identifiers as a client writes them in one string: "id1;id2;id3".
// Portable: no Windows header.
#pragma once

#include <string_view>
#include <vector>

namespace kelmsgs {

// The identifiers of a ';'-separated list, in order, each exactly as written; empty
// items ("a;;b", a trailing ';') are left out. A string without ';' is one identifier.
std::vector<std::string_view> SplitIdList(std::string_view list);

}  // namespace kelmsgs
