#include "PlainText.h"

#include "ByteRuns.h"
#include "Unicode.h"

namespace docfilter {

namespace {
bool Utf16Mark(std::string_view d) {
  return d.starts_with("\xFF\xFE") || d.starts_with("\xFE\xFF");
}
}  // namespace

bool PlainText::Detect(std::string_view data) {
  if (Utf16Mark(data)) return true;
  const std::string_view head = data.substr(0, 64 * 1024);
  std::size_t controls = 0;
  for (unsigned char c : head) {
    if (c == 0) return false;
    if (c < 0x20 && c != '\t' && c != '\n' && c != '\r' && c != '\f' && c != 0x1B) ++controls;
  }
  // A stray control character or two is still text; many of them are not.
  return controls <= head.size() / 20 + 1;
}

void PlainText::Extract(std::string_view data, DocumentText& out) {
  Latin1Writer body = out.Writer();
  body.Reserve(data.size());
  if (Utf16Mark(data)) {
    const bool bigEndian = data[0] == '\xFE';
    std::size_t pos = 2;
    while (pos < data.size() && !body.full()) body.CodePoint(NextUtf16(data, pos, bigEndian));
  } else if (data.starts_with("\xEF\xBB\xBF")) {
    body.Utf8(data.substr(3));
  } else if (AsciiRun(data.data(), data.size()) < data.size() && IsUtf8(data)) {
    body.Utf8(data);
  } else {
    body.Latin1(data);
  }
  out.Add(PartKind::Body, body.Take());
}

}  // namespace docfilter
