#include "content/ChunkText.h"

namespace kelmsgs {

namespace {
char16_t CleanByte(unsigned char b) {
  if (b < 32 && b != '\t' && b != '\n' && b != '\f' && b != '\r') return u' ';
  return static_cast<char16_t>(b);
}
}  // namespace

void AppendCleanChunk(std::u16string& text, const unsigned char* bytes, std::size_t n,
                      bool firstChunk) {
  if (!bytes) return;
  std::size_t start = 0;
  if (firstChunk)
    while (start < n && bytes[start] <= 32) ++start;
  text.reserve(text.size() + (n - start));
  for (std::size_t i = start; i < n; ++i) text.push_back(CleanByte(bytes[i]));
}

std::u16string WidenUntilNul(const unsigned char* bytes, std::size_t n) {
  std::u16string text;
  if (!bytes) return text;
  std::size_t end = 0;
  while (end < n && bytes[end] != 0) ++end;
  text.reserve(end);
  for (std::size_t i = 0; i < end; ++i) text.push_back(static_cast<char16_t>(bytes[i]));
  return text;
}

}  // namespace kelmsgs
