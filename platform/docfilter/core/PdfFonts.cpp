#include "PdfFonts.h"

#include <algorithm>
#include <cctype>
#include <charconv>

#include "Limits.h"
#include "PdfStreams.h"
#include "Unicode.h"

namespace docfilter {

namespace {

constexpr std::size_t kMaxMapEntries = 1u << 16;

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f';
}
bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Where each object's body starts ("N G obj"), by object number; a later definition
// (an incremental update) replaces an earlier one.
std::map<long, std::size_t> IndexObjects(std::string_view file) {
  std::map<long, std::size_t> index;
  std::size_t pos = 0;
  while ((pos = file.find(" obj", pos)) != std::string_view::npos) {
    std::size_t q = pos;
    while (q > 0 && IsDigit(file[q - 1])) --q;  // generation
    if (q < pos && q > 1 && file[q - 1] == ' ') {
      const std::size_t numberEnd = q - 1;
      std::size_t n = numberEnd;
      while (n > 0 && IsDigit(file[n - 1])) --n;
      long number = 0;
      if (n < numberEnd &&
          std::from_chars(file.data() + n, file.data() + numberEnd, number).ec == std::errc())
        index[number] = pos + 4;
    }
    pos += 4;
  }
  return index;
}

std::string_view ObjectText(std::string_view file, const std::map<long, std::size_t>& index,
                            long number) {
  const auto it = index.find(number);
  if (it == index.end()) return {};
  const std::size_t end = file.find("endobj", it->second);
  return file.substr(it->second, (end == std::string_view::npos ? file.size() : end) - it->second);
}

// The object number of an indirect reference "N G R" at pos, or -1.
long Reference(std::string_view text, std::size_t pos) {
  while (pos < text.size() && IsSpace(text[pos])) ++pos;
  long number = -1;
  const auto [end, ec] = std::from_chars(text.data() + pos, text.data() + text.size(), number);
  if (ec != std::errc()) return -1;
  std::size_t p = static_cast<std::size_t>(end - text.data());
  while (p < text.size() && IsSpace(text[p])) ++p;
  while (p < text.size() && IsDigit(text[p])) ++p;
  while (p < text.size() && IsSpace(text[p])) ++p;
  return p < text.size() && text[p] == 'R' ? number : -1;
}

// The dictionary text from "<<" at pos to its matching ">>".
std::string_view Dictionary(std::string_view text, std::size_t pos) {
  int depth = 0;
  for (std::size_t i = pos; i + 1 < text.size(); ++i) {
    if (text[i] == '<' && text[i + 1] == '<')
      ++depth, ++i;
    else if (text[i] == '>' && text[i + 1] == '>' && --depth == 0)
      return text.substr(pos, i + 2 - pos);
    else if (text[i] == '>' && text[i + 1] == '>')
      ++i;
  }
  return text.substr(pos);
}

std::string HexBytes(std::string_view hex) {
  return DecodeAsciiHex(hex);
}

std::uint32_t Code(const std::string& bytes) {
  std::uint32_t code = 0;
  for (std::size_t i = 0; i < bytes.size() && i < 4; ++i)
    code = code << 8 | static_cast<unsigned char>(bytes[i]);
  return code;
}

std::u32string Characters(const std::string& utf16) {
  std::u32string out;
  std::size_t pos = 0;
  while (pos + 1 < utf16.size()) out.push_back(NextUtf16(utf16, pos, true));
  return out;
}

}  // namespace

FontMap FontMap::FromCMap(std::string_view cmap) {
  FontMap map;
  // Tokens: <hex>, [ and ], and words; sections switch what the hex strings mean.
  enum class Section { None, CodeSpace, Char, Range } section = Section::None;
  std::vector<std::string> pending;  // hex strings of the entry being read
  bool inArray = false;
  std::size_t pos = 0;
  std::size_t entries = 0;
  while (pos < cmap.size() && entries < kMaxMapEntries) {
    const char c = cmap[pos];
    if (c == '<' && pos + 1 < cmap.size() && cmap[pos + 1] != '<') {
      const std::size_t end = cmap.find('>', pos);
      const std::size_t stop = end == std::string_view::npos ? cmap.size() : end;
      std::string bytes = HexBytes(cmap.substr(pos + 1, stop - pos - 1));
      pos = stop + 1;
      if (section == Section::CodeSpace) {
        map.codeBytes_ = std::clamp<std::size_t>(bytes.size(), 1, 4);
      } else if (section == Section::Char) {
        pending.push_back(std::move(bytes));
        if (pending.size() == 2) {
          map.chars_[Code(pending[0])] = Characters(pending[1]);
          pending.clear();
          ++entries;
        }
      } else if (section == Section::Range) {
        if (inArray && pending.size() >= 2) {
          // One destination per code of the range.
          const std::uint32_t code =
              Code(pending[0]) + static_cast<std::uint32_t>(pending.size() - 2);
          map.chars_[code] = Characters(bytes);
          pending.push_back(std::string());
          ++entries;
        } else {
          pending.push_back(std::move(bytes));
          if (pending.size() == 3) {
            map.ranges_[Code(pending[0])] = Range{Code(pending[1]), Characters(pending[2])};
            pending.clear();
            ++entries;
          }
        }
      }
      continue;
    }
    if (c == '[') inArray = true;
    if (c == ']') {
      inArray = false;
      pending.clear();
    }
    if (std::isalpha(static_cast<unsigned char>(c))) {
      const std::size_t start = pos;
      while (pos < cmap.size() && std::isalpha(static_cast<unsigned char>(cmap[pos]))) ++pos;
      const std::string_view word = cmap.substr(start, pos - start);
      pending.clear();
      if (word == "begincodespacerange")
        section = Section::CodeSpace;
      else if (word == "beginbfchar")
        section = Section::Char;
      else if (word == "beginbfrange")
        section = Section::Range;
      else if (word.starts_with("end"))
        section = Section::None;
      continue;
    }
    ++pos;
  }
  return map;
}

std::u32string FontMap::Lookup(std::uint32_t code) const {
  const auto exact = chars_.find(code);
  if (exact != chars_.end()) return exact->second;
  auto range = ranges_.upper_bound(code);
  if (range == ranges_.begin()) return {};
  --range;
  if (code > range->second.high || range->second.first.empty()) return {};
  std::u32string chars = range->second.first;
  chars.back() += code - range->first;
  return chars;
}

std::map<std::string, std::shared_ptr<const FontMap>> ReadPdfFonts(std::string_view file) {
  std::map<std::string, std::shared_ptr<const FontMap>> fonts;
  const auto index = IndexObjects(file);
  std::map<long, std::shared_ptr<const FontMap>> byObject;  // each CMap read once

  // 1. The map of one font object, through its ToUnicode stream.
  const auto fontMap = [&](long fontObject) -> std::shared_ptr<const FontMap> {
    const std::string_view font = ObjectText(file, index, fontObject);
    const std::size_t key = font.find("/ToUnicode");
    if (key == std::string_view::npos) return nullptr;
    const long cmapObject = Reference(font, key + 10);
    if (cmapObject < 0) return nullptr;
    if (const auto known = byObject.find(cmapObject); known != byObject.end()) return known->second;
    std::shared_ptr<const FontMap> map;
    const auto streams = FindPdfStreams(ObjectText(file, index, cmapObject));
    if (!streams.empty())
      if (const auto data = DecodePdfStream(streams.front(), kMaxInflatedBytes))
        map = std::make_shared<const FontMap>(FontMap::FromCMap(*data));
    byObject[cmapObject] = map;
    return map;
  };

  // 2. Every font resource dictionary, inline or referenced: "/Name N 0 R" entries.
  std::size_t pos = 0;
  while ((pos = file.find("/Font", pos)) != std::string_view::npos && fonts.size() < 4096) {
    pos += 5;
    if (pos >= file.size() || !(IsSpace(file[pos]) || file[pos] == '<' || IsDigit(file[pos])))
      continue;
    std::size_t at = pos;
    while (at < file.size() && IsSpace(file[at])) ++at;
    std::string_view dict;
    if (file.substr(at, 2) == "<<") {
      dict = Dictionary(file, at);
    } else {
      const std::string_view object = ObjectText(file, index, Reference(file, at));
      const std::size_t open = object.find("<<");
      if (open != std::string_view::npos) dict = Dictionary(object, open);
    }
    std::size_t p = 2;
    while ((p = dict.find('/', p)) != std::string_view::npos) {
      std::size_t end = p + 1;
      while (end < dict.size() && !IsSpace(dict[end]) && dict[end] != '/' && dict[end] != '<' &&
             dict[end] != '>' && dict[end] != '[')
        ++end;
      const std::string name(dict.substr(p + 1, end - p - 1));
      const long object = Reference(dict, end);
      p = end;
      if (object < 0 || fonts.count(name)) continue;
      if (auto map = fontMap(object)) fonts.emplace(name, std::move(map));
    }
  }
  return fonts;
}

}  // namespace docfilter
