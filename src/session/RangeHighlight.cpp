#include "session/RangeHighlight.h"

#include <algorithm>
#include <limits>

namespace kelmsgs {

namespace {
constexpr unsigned kLightFrom = 170;
}  // namespace

std::int32_t SelectionEnd(std::int32_t start, std::int32_t length) noexcept {
  using Limits = std::numeric_limits<std::int32_t>;
  const std::int64_t end = std::int64_t{start} + length;
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(end, Limits::min(), Limits::max()));
}

ContrastText ContrastTextFor(std::uint32_t background) noexcept {
  const unsigned red = background & 0xFF;
  const unsigned green = (background >> 8) & 0xFF;
  const unsigned blue = (background >> 16) & 0xFF;
  const unsigned brightness = (red + green + blue) / 3;
  return brightness >= kLightFrom ? ContrastText::WindowText : ContrastText::HighlightText;
}

}  // namespace kelmsgs
