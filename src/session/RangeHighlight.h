// The arithmetic of highlighting a character range of a rich-edit control: where the
// selection ends, and which text colour stands out on the chosen background. Portable:
// no Windows header.
#pragma once

#include <cstdint>

namespace kelmsgs {

// The end of a selection of `length` characters from `start`. A sum beyond the 32-bit
// range is held at the range's limit: wrapped round, a huge length would turn into a
// negative end, which a rich-edit control reads as "to the end of the text" from the other
// side, or an end before the start.
std::int32_t SelectionEnd(std::int32_t start, std::int32_t length) noexcept;

// The system text colour that reads well on a background.
enum class ContrastText { WindowText, HighlightText };

// background is a COLORREF (0x00BBGGRR). A background whose mean channel value (integer
// division) is 170 or more counts as light and takes the window-text colour; a darker one
// takes the highlight-text colour.
ContrastText ContrastTextFor(std::uint32_t background) noexcept;

}  // namespace kelmsgs
