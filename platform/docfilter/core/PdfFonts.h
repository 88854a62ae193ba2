// The character maps of a PDF's fonts: the ToUnicode CMap of each font, reachable by the
// resource name that content streams select it with (/F1 ... Tf). Resource names are
// gathered from every font resource dictionary of the file; a name used for two fonts
// keeps the first. Fonts without a ToUnicode map are read as WinAnsi bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>

namespace docfilter {

class FontMap {
 public:
  // Parses the bfchar and bfrange sections of a CMap.
  static FontMap FromCMap(std::string_view cmap);

  // Code bytes per character (1 or 2), from the code space ranges.
  std::size_t codeBytes() const { return codeBytes_; }
  // The characters of a code, or empty when the map has none.
  std::u32string Lookup(std::uint32_t code) const;
  bool empty() const { return chars_.empty() && ranges_.empty(); }

 private:
  struct Range {
    std::uint32_t high;
    std::u32string first;  // the characters of the low code; later codes add to the last
  };
  std::size_t codeBytes_ = 1;
  std::map<std::uint32_t, std::u32string> chars_;
  std::map<std::uint32_t, Range> ranges_;  // by low code
};

// Font maps by resource name ("F1"), for the whole file.
std::map<std::string, std::shared_ptr<const FontMap>> ReadPdfFonts(std::string_view file);

}  // namespace docfilter
