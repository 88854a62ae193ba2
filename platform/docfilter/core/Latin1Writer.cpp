#include "Latin1Writer.h"

#include <algorithm>
#include <utility>

#include "ByteRuns.h"
#include "Unicode.h"

namespace docfilter {

Latin1Writer::Latin1Writer(std::size_t limit) : limit_(limit) {}

void Latin1Writer::Put(char c) {
  if (text_.size() < limit_) text_.push_back(c);
}

void Latin1Writer::CodePoint(char32_t c) {
  if (c == '\t' || c == '\n' || c == '\r' || c == '\f') {
    Put(static_cast<char>(c));
  } else if (c < 0x20 || c == 0x7F) {
    Put(' ');
  } else if (c >= 0x80 && c < 0xA0) {
    Put('?');  // C1 controls have no printable Latin-1 form
  } else {
    Put(c <= 0xFF ? static_cast<char>(static_cast<unsigned char>(c)) : '?');
  }
}

namespace {

bool NeedsCleaning(unsigned char b) {
  return b < 0x20 && b != '\t' && b != '\n' && b != '\r' && b != '\f';
}

}  // namespace

void Latin1Writer::Latin1(std::string_view bytes) {
  // 8-bit text of an unknown code page passes through; only controls are cleaned.
  bytes = bytes.substr(0, limit_ - std::min(limit_, text_.size()));
  const std::size_t start = text_.size();
  text_.append(bytes);
  for (std::size_t i = start; i < text_.size(); ++i)
    if (NeedsCleaning(static_cast<unsigned char>(text_[i]))) text_[i] = ' ';
}

void Latin1Writer::Utf8(std::string_view bytes) {
  std::size_t pos = 0;
  while (pos < bytes.size() && !full()) {
    // Runs of printable ASCII are copied whole; everything else is decoded.
    const std::size_t run = pos + PlainAsciiRun(bytes.data() + pos, bytes.size() - pos);
    if (run > pos) {
      const std::size_t room = limit_ - std::min(limit_, text_.size());
      text_.append(bytes.substr(pos, std::min(run - pos, room)));
      pos = run;
      continue;
    }
    CodePoint(NextUtf8(bytes, pos));
  }
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
