// Clipboard HTML comes from any program. Whatever the bytes, the cleaning never grows the
// text, leaves no line break or highlight opening in HTML without a header, and a second
// cleaning changes nothing. Wrapped in a description header whose offsets are right, the
// cleaned offsets stay in order and inside the text, and EndHTML stays at its end.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "utilities/HighlightSpans.h"

namespace {

long long Offset(const std::string& text, const char* key) {
  const std::size_t at = text.find(key);
  if (at == std::string::npos) std::abort();
  return std::atoll(text.c_str() + at + std::char_traits<char>::length(key));
}

void CheckPlain(const std::string& input) {
  std::string cleaned = input;
  kelmsgs::StripHighlightSpans(cleaned);
  if (cleaned.size() > input.size()) std::abort();
  if (input.compare(0, 8, "Version:") != 0) {
    if (cleaned.find_first_of("\r\n") != std::string::npos) std::abort();
    if (cleaned.find(kelmsgs::kHighlightOpening) != std::string::npos) std::abort();
  }
  std::string again = cleaned;
  kelmsgs::StripHighlightSpans(again);
  if (again != cleaned) std::abort();
}

void CheckWithHeader(const std::string& input) {
  // The first two bytes cut the rest into context before, fragment and context after.
  if (input.size() < 2) return;
  const std::string html = input.substr(2);
  const std::size_t a = static_cast<unsigned char>(input[0]) % (html.size() + 1);
  const std::size_t b = a + static_cast<unsigned char>(input[1]) % (html.size() - a + 1);
  const char* format =
      "Version:0.9\r\nStartHTML:%010zu\r\nEndHTML:%010zu\r\nStartFragment:%010zu\r\n"
      "EndFragment:%010zu\r\n";
  char header[160];
  const std::size_t h =
      static_cast<std::size_t>(std::snprintf(header, sizeof header, format, std::size_t{0},
                                             std::size_t{0}, std::size_t{0}, std::size_t{0}));
  std::snprintf(header, sizeof header, format, h, h + html.size(), h + a, h + b);
  std::string cleaned = header + html;
  kelmsgs::StripHighlightSpans(cleaned);
  const long long startHtml = Offset(cleaned, "StartHTML:"), endHtml = Offset(cleaned, "EndHTML:");
  const long long start = Offset(cleaned, "StartFragment:"), end = Offset(cleaned, "EndFragment:");
  if (startHtml != static_cast<long long>(h) || startHtml > start || start > end || end > endHtml ||
      endHtml != static_cast<long long>(cleaned.size()))
    std::abort();
  if (cleaned.find_first_of("\r\n", h) != std::string::npos) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  CheckPlain(input);
  CheckWithHeader(input);
  return 0;
}
