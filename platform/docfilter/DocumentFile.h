// Reads a whole document file named by an ANSI path. The file is read once, when the
// document is opened: callers may delete it right afterwards.
#pragma once

#include <string>

#include "DocFilter.h"

namespace docfilter {

// DF_OK with the bytes, DF_E_FILEOPEN or DF_E_FILETOOLARGE.
DFSTATUS ReadDocumentFile(const char* path, std::string& bytes);

}  // namespace docfilter
