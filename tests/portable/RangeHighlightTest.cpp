// Highlighting arithmetic: the end of a selection at the edges of the 32-bit range, and
// the light/dark boundary of the contrast rule.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "session/RangeHighlight.h"

using kelmsgs::ContrastText;
using kelmsgs::ContrastTextFor;
using kelmsgs::SelectionEnd;

namespace {
constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
}  // namespace

TEST(SelectionEnd, SumsWithinTheRangeAndHoldsAtItsLimits) {
  EXPECT_EQ(SelectionEnd(3, 4), 7);
  EXPECT_EQ(SelectionEnd(0, -1), -1);
  EXPECT_EQ(SelectionEnd(kMax - 4, 4), kMax);
  EXPECT_EQ(SelectionEnd(kMin + 4, -4), kMin);
  // Overflow is held at the limit, not wrapped.
  EXPECT_EQ(SelectionEnd(5, kMax), kMax);
  EXPECT_EQ(SelectionEnd(kMax, kMax), kMax);
  EXPECT_EQ(SelectionEnd(-5, kMin), kMin);
  EXPECT_EQ(SelectionEnd(kMin, kMin), kMin);
}

TEST(ContrastText, BrightnessBoundaryAt170OfTheThreeChannels) {
  EXPECT_EQ(ContrastTextFor(0xFFFFFF), ContrastText::WindowText);
  EXPECT_EQ(ContrastTextFor(0x000000), ContrastText::HighlightText);
  EXPECT_EQ(ContrastTextFor(0xAAAAAA), ContrastText::WindowText);     // 170, 170, 170
  EXPECT_EQ(ContrastTextFor(0xA9A9A9), ContrastText::HighlightText);  // 169
  // The mean is taken in integer division: 510 / 3 is 170, 509 / 3 is 169.
  EXPECT_EQ(ContrastTextFor(0x0000FF | 0x00FF00 | 0x000000), ContrastText::WindowText);
  EXPECT_EQ(ContrastTextFor(0x00FE00 | 0x0000FF), ContrastText::HighlightText);
  // Only the three colour bytes count: the top byte of a COLORREF is not a channel.
  EXPECT_EQ(ContrastTextFor(0xFF000000), ContrastText::HighlightText);
  EXPECT_EQ(ContrastTextFor(0x01FFFFFF), ContrastText::WindowText);
  // Each channel weighs the same.
  EXPECT_EQ(ContrastTextFor(0xFFFF00), ContrastText::WindowText);
  EXPECT_EQ(ContrastTextFor(0xFF00FF), ContrastText::WindowText);
  EXPECT_EQ(ContrastTextFor(0x00FFFF), ContrastText::WindowText);
  EXPECT_EQ(ContrastTextFor(0x0000FF), ContrastText::HighlightText);
}
