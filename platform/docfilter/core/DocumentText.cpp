#include "DocumentText.h"

#include <algorithm>
#include <utility>

namespace docfilter {

bool IsReadable(PartKind kind) {
  return kind != PartKind::Properties && kind != PartKind::Hidden && kind != PartKind::Field;
}

void DocumentText::Add(PartKind kind, std::string text) {
  const bool blank = std::all_of(text.begin(), text.end(), [](char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f';
  });
  if (blank) return;
  text.resize(std::min(text.size(), limit_ - used_));
  used_ += text.size();
  if (!parts_.empty() && parts_.back().kind == kind) {
    std::string& last = parts_.back().text;
    if (!last.empty() && last.back() != '\n') {
      last += "\r\n";
      used_ += 2;
    }
    last += text;
    return;
  }
  parts_.push_back(Part{kind, std::move(text)});
}

std::string DocumentText::TakeReadableText() {
  Part* only = nullptr;
  for (Part& part : parts_) {
    if (!IsReadable(part.kind)) continue;
    if (only) return ReadableText();
    only = &part;
  }
  return only ? std::move(only->text) : std::string();
}

std::string DocumentText::ReadableText() const {
  std::string out;
  for (const Part& part : parts_) {
    if (!IsReadable(part.kind)) continue;
    if (!out.empty() && out.back() != '\n') out += "\r\n";
    out += part.text;
  }
  return out;
}

}  // namespace docfilter
