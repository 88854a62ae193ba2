// The share of a source text's words that an extraction recovered: both texts are cut
// into words (runs of Latin-1 letters, or runs of digits), compared case-insensitively,
// each source word counted as often as it occurs in both.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace dftest {

struct RecallFigure {
  std::size_t found = 0;
  std::size_t total = 0;
  double share() const {
    return total ? static_cast<double>(found) / static_cast<double>(total) : 0;
  }
};

RecallFigure MeasureRecall(std::string_view sourceLatin1, std::string_view extractedLatin1);

// The UTF-8 text as Latin-1 (the corpus source is UTF-8, extraction gives Latin-1).
std::string Utf8ToLatin1(std::string_view utf8);

// The whole file, or empty when it cannot be read.
std::string ReadWholeFile(const std::string& path);

}  // namespace dftest
