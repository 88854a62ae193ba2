// The content-transfer encodings of mail: base64 and quoted-printable. Both skip what
// they cannot decode instead of failing, as mail readers do.
#pragma once

#include <string>
#include <string_view>

namespace docfilter {

std::string DecodeBase64(std::string_view text);
// With underscores as spaces when decoding the "Q" form of an encoded header word.
std::string DecodeQuotedPrintable(std::string_view text, bool underscoreIsSpace = false);

}  // namespace docfilter
