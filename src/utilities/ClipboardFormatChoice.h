// Which clipboard formats the clipboard monitor keeps, and the names it gives standard
// formats. Portable: no Windows header, so it is tested natively.
#pragma once

#include <string_view>

namespace kelmsgs {

enum class ClipboardData {
  None,     // passed over: the format is dropped when the clipboard is rewritten
  Text,     // 8-bit text (CF_TEXT)
  Unicode,  // UTF-16 text (CF_UNICODETEXT)
  Html,     // 8-bit HTML, cleaned of highlighting
  Rich,     // 8-bit rich text
};

// The data kept of a format with this identifier and name, chosen in this order: text,
// Unicode text, a name containing "HTML", a name containing "Rich" (both case-sensitive).
ClipboardData ChooseClipboardData(unsigned format, std::string_view name);

// The name of a standard format ("CF_TEXT" and so on) for formats without a registered
// name; "Unknown format" for an identifier not in the table.
std::string_view StandardClipboardFormatName(unsigned format);

}  // namespace kelmsgs
