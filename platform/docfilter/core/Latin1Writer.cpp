#include "Latin1Writer.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "ByteRuns.h"
#include "Unicode.h"

namespace docfilter {

Latin1Writer::Latin1Writer(std::size_t limit) : limit_(limit) {}

void Latin1Writer::Put(char c) {
  if (text_.size() < limit_) text_.push_back(c);
}

char Latin1Writer::Latin1Of(char32_t c) {
  if (c == '\t' || c == '\n' || c == '\r' || c == '\f') return static_cast<char>(c);
  if (c < 0x20 || c == 0x7F) return ' ';
  if (c >= 0x80 && c < 0xA0) return '?';  // C1 controls have no printable Latin-1 form
  return c <= 0xFF ? static_cast<char>(static_cast<unsigned char>(c)) : '?';
}

void Latin1Writer::CodePoint(char32_t c) {
  Put(Latin1Of(c));
}

namespace {

bool NeedsCleaning(unsigned char b) {
  return b < 0x20 && b != '\t' && b != '\n' && b != '\r' && b != '\f';
}

}  // namespace

void Latin1Writer::CleanControls(char* text, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i)
    if (NeedsCleaning(static_cast<unsigned char>(text[i]))) text[i] = ' ';
}

std::size_t Latin1Writer::Utf8ToLatin1(const char* in, std::size_t n, char* out) {
  const std::string_view bytes(in, n);
  std::size_t pos = 0;
  std::size_t written = 0;
  while (pos < n) {
    // Runs of printable ASCII are moved whole; everything else is decoded. Each character
    // takes at least one byte in and exactly one out, so out never overtakes in.
    const std::size_t run = PlainAsciiRun(in + pos, n - pos);
    if (run > 0) {
      std::memmove(out + written, in + pos, run);
      written += run;
      pos += run;
      continue;
    }
    out[written++] = Latin1Of(NextUtf8(bytes, pos));
  }
  return written;
}

void Latin1Writer::Latin1(std::string_view bytes) {
  // 8-bit text of an unknown code page passes through; only controls are cleaned.
  bytes = bytes.substr(0, limit_ - std::min(limit_, text_.size()));
  const std::size_t start = text_.size();
  text_.append(bytes);
  CleanControls(text_.data() + start, bytes.size());
}

void Latin1Writer::Utf8(std::string_view bytes) {
  // The bytes are converted where they land: the text never grows past them.
  if (full()) return;
  const std::size_t start = text_.size();
  text_.append(bytes);
  const std::size_t written =
      Utf8ToLatin1(text_.data() + start, bytes.size(), text_.data() + start);
  text_.resize(std::min(start + written, limit_));
}

void Latin1Writer::Space() {
  if (text_.empty()) return;
  const char last = text_.back();
  if (last == ' ' || last == '\n' || last == '\t') return;
  Put(' ');
}

void Latin1Writer::EndLine() {
  if (text_.empty() || text_.back() == '\n') return;
  while (!text_.empty() && text_.back() == ' ') text_.pop_back();
  LineBreak();
}

void Latin1Writer::LineBreak() {
  if (text_.size() + 2 > limit_) return;
  text_ += "\r\n";
}

void Latin1Writer::Reserve(std::size_t n) {
  text_.reserve(std::min(n, limit_));
}

std::string Latin1Writer::Take() {
  return std::exchange(text_, std::string());
}

}  // namespace docfilter
