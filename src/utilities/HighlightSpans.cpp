#include "utilities/HighlightSpans.h"

#include <algorithm>
#include <cstddef>
#include <numeric>
#include <string_view>
#include <vector>

namespace kelmsgs {

namespace {

constexpr std::size_t kOpeningLength = sizeof kHighlightOpening - 1;
constexpr std::size_t kOpeningTail = 8;  // colour digits, quote, '>'
constexpr std::size_t kClosingLength = sizeof kHighlightClosing - 1;
// Offsets longer than this are not numbers a clipboard holds; they are left as they are.
constexpr std::size_t kMaxOffsetDigits = 18;

// A byte offset written in the description header.
struct HeaderOffset {
  std::size_t at;      // first digit
  std::size_t digits;  // digit count, kept when the offset is rewritten
  std::size_t value;
};

bool IsOffsetKey(std::string_view key) {
  for (std::string_view known :
       {"StartHTML", "EndHTML", "StartFragment", "EndFragment", "StartSelection", "EndSelection"})
    if (key == known) return true;
  return false;
}

bool IsLetter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Reads the description header ("Version:" and further "Key:value" lines, each ended by CR,
// LF or CR LF) and its offsets; returns where the HTML after it starts (0 without header).
std::size_t ReadHeader(std::string_view text, std::vector<HeaderOffset>& offsets) {
  if (text.substr(0, 8) != "Version:") return 0;
  // HTML may itself start like a header line: the header ends at the first offset it
  // gives, at the latest.
  std::size_t limit = text.size();
  std::size_t pos = 0;
  std::vector<std::size_t> lineStarts;
  while (pos < limit) {
    lineStarts.push_back(pos);
    // 1. The key, up to its colon.
    std::size_t colon = pos;
    while (colon < text.size() && IsLetter(text[colon])) ++colon;
    if (colon == pos || colon == text.size() || text[colon] != ':') break;
    // 2. The value, up to the line end.
    const std::size_t valueAt = colon + 1;
    std::size_t end = valueAt;
    while (end < text.size() && text[end] != '\r' && text[end] != '\n') ++end;
    // A header line ends with a line break; a "Key:" text without one is already HTML
    // (cleaning takes line breaks out of HTML, so this decides the same way before and
    // after a cleaning).
    if (end == text.size()) break;
    const std::string_view value = text.substr(valueAt, end - valueAt);
    if (IsOffsetKey(text.substr(pos, colon - pos)) && !value.empty() &&
        value.size() <= kMaxOffsetDigits &&
        std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; })) {
      std::size_t number = 0;
      for (char c : value) number = number * 10 + static_cast<std::size_t>(c - '0');
      offsets.push_back({valueAt, value.size(), number});
      limit = std::min(limit, number);
    }
    // 3. The line end.
    pos = end;
    if (pos < text.size() && text[pos] == '\r') ++pos;
    if (pos < text.size() && text[pos] == '\n') ++pos;
  }
  // 4. An offset that points into the header (a broken one) cuts it short at the start of
  // the line it points into, so the header is whole lines whatever the cleaning does to
  // the HTML; numbers after that point are HTML.
  if (pos > limit) pos = *std::prev(std::upper_bound(lineStarts.begin(), lineStarts.end(), limit));
  std::erase_if(offsets, [&](const HeaderOffset& o) { return o.at + o.digits > pos; });
  return pos;
}

// The removal steps on the HTML after the header; origin, when kept, follows every byte to
// its position before the cleaning.
void StripBody(std::string& body, std::vector<std::size_t>* origin) {
  const auto erase = [&](std::size_t at, std::size_t count) {
    count = std::min(count, body.size() - at);
    body.erase(at, count);
    if (origin)
      origin->erase(origin->begin() + static_cast<std::ptrdiff_t>(at),
                    origin->begin() + static_cast<std::ptrdiff_t>(at + count));
  };
  std::replace(body.begin(), body.end(), '\r', ' ');
  std::replace(body.begin(), body.end(), '\n', ' ');
  for (std::size_t open = body.find(kHighlightOpening); open != std::string::npos;
       open = body.find(kHighlightOpening)) {
    // The opening with its colour and closing bracket, or what there is of them at the end.
    erase(open, kOpeningLength + kOpeningTail);
    const std::size_t close = body.find(kHighlightClosing);
    if (close != std::string::npos) erase(close, kClosingLength);
  }
}

void WriteOffset(std::string& html, const HeaderOffset& offset, std::size_t value) {
  for (std::size_t i = offset.digits; i-- > 0; value /= 10)
    html[offset.at + i] = static_cast<char>('0' + value % 10);
}

}  // namespace

void StripHighlightSpans(std::string& html) {
  if (html.empty()) return;
  // 1. The description header, if any, and its offsets.
  std::vector<HeaderOffset> offsets;
  const std::size_t bodyAt = ReadHeader(html, offsets);
  // 2. The HTML after it, cleaned.
  std::string body = html.substr(bodyAt);
  const std::size_t bodySize = body.size();
  std::vector<std::size_t> origin;
  if (!offsets.empty()) {
    origin.resize(bodySize);
    std::iota(origin.begin(), origin.end(), std::size_t{0});
  }
  StripBody(body, offsets.empty() ? nullptr : &origin);
  // 3. Each offset into the HTML moves back by the bytes removed before it; the cleaned
  // text is never longer, so the offset keeps its digit count.
  for (const auto& offset : offsets) {
    if (offset.value <= bodyAt) continue;
    const std::size_t inBody = offset.value - bodyAt;
    const std::size_t moved =
        inBody <= bodySize
            ? static_cast<std::size_t>(std::lower_bound(origin.begin(), origin.end(), inBody) -
                                       origin.begin())
            : inBody - (bodySize - body.size());
    WriteOffset(html, offset, bodyAt + moved);
  }
  html.replace(bodyAt, std::string::npos, body);
}

}  // namespace kelmsgs
