#include "Recall.h"

#include <fstream>
#include <map>
#include <sstream>
#include <vector>

namespace dftest {

namespace {

bool IsLetter(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= 0xC0 && c != 0xD7 && c != 0xF7);
}
bool IsDigit(unsigned char c) {
  return c >= '0' && c <= '9';
}
unsigned char Fold(unsigned char c) {
  if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7))
    return static_cast<unsigned char>(c + 32);
  return c;
}

std::map<std::string, std::size_t> Words(std::string_view text) {
  std::map<std::string, std::size_t> words;
  std::string word;
  int kind = 0;  // 1 letters, 2 digits
  const auto flush = [&] {
    if (!word.empty()) ++words[word];
    word.clear();
  };
  for (unsigned char c : text) {
    const int k = IsLetter(c) ? 1 : IsDigit(c) ? 2 : 0;
    if (k != kind) flush();
    kind = k;
    if (k) word.push_back(static_cast<char>(Fold(c)));
  }
  flush();
  return words;
}

}  // namespace

RecallFigure MeasureRecall(std::string_view source, std::string_view extracted) {
  RecallFigure figure;
  const auto want = Words(source);
  const auto got = Words(extracted);
  for (const auto& [word, count] : want) {
    figure.total += count;
    const auto it = got.find(word);
    if (it != got.end()) figure.found += std::min(count, it->second);
  }
  return figure;
}

std::string Utf8ToLatin1(std::string_view utf8) {
  std::string out;
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    const auto c = static_cast<unsigned char>(utf8[i]);
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if ((c & 0xE0) == 0xC0 && i + 1 < utf8.size()) {
      const unsigned value = (c & 0x1Fu) << 6 | (static_cast<unsigned char>(utf8[++i]) & 0x3Fu);
      out.push_back(value <= 0xFF ? static_cast<char>(value) : '?');
    } else {
      out.push_back('?');
      while (i + 1 < utf8.size() && (static_cast<unsigned char>(utf8[i + 1]) & 0xC0) == 0x80) ++i;
    }
  }
  return out;
}

std::string ReadWholeFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream data;
  data << file.rdbuf();
  return data.str();
}

}  // namespace dftest
