#include "PlainText.h"

#include <algorithm>
#include <utility>

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

void PlainText::Extract(std::string data, DocumentText& out) {
  if (Utf16Mark(data)) {
    Latin1Writer body = out.Writer();
    body.Reserve(data.size() / 2);
    const bool bigEndian = data[0] == '\xFE';
    std::size_t pos = 2;
    while (pos < data.size() && !body.full()) body.CodePoint(NextUtf16(data, pos, bigEndian));
    out.Add(PartKind::Body, body.Take());
    return;
  }
  // 8-bit text becomes its Latin-1 form in its own bytes (never longer than they are);
  // the document's text keeps what its limit allows.
  const bool mark = data.starts_with("\xEF\xBB\xBF");
  const std::size_t start = mark ? 3 : 0;
  std::size_t length = data.size() - start;
  if (mark || (AsciiRun(data.data(), data.size()) < data.size() && IsUtf8(data)))
    length = Latin1Writer::Utf8ToLatin1(data.data() + start, length, data.data());
  else
    Latin1Writer::CleanControls(data.data(), length);
  data.resize(std::min(length, out.room()));
  out.Add(PartKind::Body, std::move(data));
}

}  // namespace docfilter
