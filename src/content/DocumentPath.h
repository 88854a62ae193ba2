// The path by which the filter opens a document. Its entry points take 8-bit paths in the
// ANSI code page, while callers name files in UTF-16: a path that the code page holds is
// converted once with it; one that it cannot hold (a directory named in another script)
// is given in its short form, whose generated names are plain ASCII, when the file
// system keeps short names. Empty when neither reaches the file.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace kelmsgs {

std::string FilterDocumentPath(std::wstring_view path);

}  // namespace kelmsgs
