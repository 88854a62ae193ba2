// Character references of XML and HTML: "&amp;", "&#233;", "&#xE9;" and, for HTML, the
// named entities of Latin-1 and the common typographic ones.
#pragma once

#include <string_view>

#include "Latin1Writer.h"

namespace docfilter {

enum class TextEncoding { Utf8, Latin1 };

// Writes text with its references decoded; text outside references is in the given
// encoding. Unknown references are written as they stand.
void WriteDecoded(std::string_view text, TextEncoding encoding, Latin1Writer& out);

}  // namespace docfilter
