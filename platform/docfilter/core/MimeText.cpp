#include "MimeText.h"

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "Entities.h"
#include "HtmlText.h"
#include "TransferDecoding.h"

namespace docfilter {

namespace {

struct Header {
  std::string name;
  std::string value;  // unfolded
};

struct Entity {
  std::vector<Header> headers;
  std::string_view body;
};

std::string Lowered(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

std::string_view Trimmed(std::string_view s) {
  const std::size_t a = s.find_first_not_of(" \t\r\n");
  if (a == std::string_view::npos) return {};
  const std::size_t b = s.find_last_not_of(" \t\r\n");
  return s.substr(a, b - a + 1);
}

// The next line without its line end; pos moves past the line end.
std::string_view NextLine(std::string_view d, std::size_t& pos) {
  const std::size_t start = pos;
  std::size_t end = d.find('\n', pos);
  if (end == std::string_view::npos) end = d.size();
  pos = end < d.size() ? end + 1 : end;
  std::string_view line = d.substr(start, end - start);
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return line;
}

bool IsFieldName(std::string_view name) {
  return !name.empty() && std::all_of(name.begin(), name.end(),
                                      [](char c) { return c > 32 && c < 127 && c != ':'; });
}

// Header block up to the first empty line, continuation lines joined.
Entity ParseEntity(std::string_view d) {
  Entity e;
  std::size_t pos = 0;
  while (pos < d.size()) {
    const std::size_t lineStart = pos;
    const std::string_view line = NextLine(d, pos);
    if (line.empty()) break;
    if ((line[0] == ' ' || line[0] == '\t') && !e.headers.empty()) {
      e.headers.back().value += ' ';
      e.headers.back().value += Trimmed(line);
      continue;
    }
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos || !IsFieldName(line.substr(0, colon))) {
      pos = lineStart;  // no header block: what follows is body
      break;
    }
    e.headers.push_back(
        Header{Lowered(line.substr(0, colon)), std::string(Trimmed(line.substr(colon + 1)))});
  }
  e.body = d.substr(pos);
  return e;
}

std::string_view HeaderValue(const Entity& e, std::string_view name) {
  for (const Header& h : e.headers)
    if (h.name == name) return h.value;
  return {};
}

// A parameter of a structured header ("boundary", "charset", "filename").
std::string Parameter(std::string_view value, std::string_view name) {
  const std::string lower = Lowered(value);
  std::size_t at = 0;
  while ((at = lower.find(name, at)) != std::string::npos) {
    const bool startsWord =
        at == 0 || lower[at - 1] == ';' || lower[at - 1] == ' ' || lower[at - 1] == '\t';
    std::size_t p = at + name.size();
    while (p < lower.size() && lower[p] == ' ') ++p;
    if (startsWord && p < lower.size() && lower[p] == '=') {
      ++p;
      while (p < value.size() && value[p] == ' ') ++p;
      if (p < value.size() && value[p] == '"') {
        const std::size_t end = value.find('"', p + 1);
        return std::string(
            value.substr(p + 1, (end == std::string_view::npos ? value.size() : end) - p - 1));
      }
      const std::size_t end = value.find_first_of("; \t", p);
      return std::string(value.substr(p, (end == std::string_view::npos ? value.size() : end) - p));
    }
    at += name.size();
  }
  return {};
}

TextEncoding CharsetEncoding(std::string_view charset) {
  const std::string c = Lowered(charset);
  return c == "utf-8" || c == "utf8" ? TextEncoding::Utf8 : TextEncoding::Latin1;
}

void WriteText(std::string_view text, TextEncoding encoding, Latin1Writer& out) {
  if (encoding == TextEncoding::Utf8)
    out.Utf8(text);
  else
    out.Latin1(text);
}

// A header value with its encoded words ("=?charset?B?...?=") decoded.
void WriteHeaderValue(std::string_view value, Latin1Writer& out) {
  std::size_t pos = 0;
  bool lastWasEncoded = false;
  while (pos < value.size()) {
    const std::size_t start = value.find("=?", pos);
    const std::size_t q1 = start == std::string_view::npos ? start : value.find('?', start + 2);
    const std::size_t q2 = q1 == std::string_view::npos ? q1 : value.find('?', q1 + 1);
    const std::size_t end = q2 == std::string_view::npos ? q2 : value.find("?=", q2 + 1);
    if (end == std::string_view::npos || q2 != q1 + 2) {
      out.Latin1(value.substr(pos));
      return;
    }
    // White space between two encoded words is not part of the text.
    const std::string_view between = value.substr(pos, start - pos);
    if (!(lastWasEncoded && Trimmed(between).empty())) out.Latin1(between);
    const std::string_view charset = value.substr(start + 2, q1 - start - 2);
    const char form = static_cast<char>(std::toupper(static_cast<unsigned char>(value[q1 + 1])));
    const std::string_view payload = value.substr(q2 + 1, end - q2 - 1);
    const std::string decoded =
        form == 'B' ? DecodeBase64(payload) : DecodeQuotedPrintable(payload, true);
    WriteText(decoded, CharsetEncoding(charset), out);
    lastWasEncoded = true;
    pos = end + 2;
  }
}

class MessageReader {
 public:
  explicit MessageReader(DocumentText& out) : out_(out), body_(out.Writer()) {}

  void Message(std::string_view data, std::size_t depth) {
    const Entity e = ParseEntity(data);
    for (std::string_view name : {"from", "to", "cc", "date", "subject"}) {
      const std::string_view value = HeaderValue(e, name);
      if (value.empty()) continue;
      std::string label(name);
      label[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(label[0])));
      body_.Latin1(label + ": ");
      WriteHeaderValue(value, body_);
      body_.EndLine();
    }
    body_.LineBreak();
    Body(e, depth);
  }

  void Finish() { out_.Add(PartKind::Body, body_.Take()); }

 private:
  void Body(const Entity& e, std::size_t depth) {
    // 1. The kind of content; plain text when nothing is declared.
    const std::string_view contentType = HeaderValue(e, "content-type");
    const std::string type = Lowered(Trimmed(contentType.substr(0, contentType.find(';'))));
    if (depth > kMaxMimeDepth || body_.full()) return;

    // 2. Containers: the parts of a multipart, an attached message.
    if (type.starts_with("multipart/")) {
      Multipart(e.body, Parameter(contentType, "boundary"), type == "multipart/alternative", depth);
      return;
    }
    if (type == "message/rfc822") {
      Message(Decoded(e), depth + 1);
      return;
    }

    // 3. Leaves: text parts that are not attachments.
    const std::string disposition = Lowered(HeaderValue(e, "content-disposition"));
    if (disposition.starts_with("attachment")) return;
    if (!type.empty() && !type.starts_with("text/")) return;
    const std::string content = Decoded(e);
    const TextEncoding encoding = CharsetEncoding(Parameter(contentType, "charset"));
    if (type == "text/html") {
      DocumentText html(kMaxTextBytes);
      HtmlText::Extract(content, html);
      for (const Part& part : html.parts())
        if (part.kind == PartKind::Body) body_.Latin1(part.text);
    } else {
      WriteText(content, encoding, body_);
    }
    body_.EndLine();
  }

  std::string Decoded(const Entity& e) {
    const std::string encoding = Lowered(Trimmed(HeaderValue(e, "content-transfer-encoding")));
    if (encoding == "base64") return DecodeBase64(e.body);
    if (encoding == "quoted-printable") return DecodeQuotedPrintable(e.body);
    return std::string(e.body);
  }

  void Multipart(std::string_view body, const std::string& boundary, bool alternative,
                 std::size_t depth) {
    // 1. Split at the delimiter lines; the preamble and epilogue are not text.
    if (boundary.empty()) return;
    const std::string delimiter = "--" + boundary;
    std::vector<std::string_view> parts;
    std::size_t pos = 0;
    std::size_t partStart = std::string_view::npos;
    while (pos < body.size()) {
      const std::size_t lineStart = pos;
      const std::string_view line = NextLine(body, pos);
      if (!line.starts_with(delimiter)) continue;
      if (partStart != std::string_view::npos) {
        std::size_t end = lineStart;
        if (end > partStart && body[end - 1] == '\n') --end;
        if (end > partStart && body[end - 1] == '\r') --end;
        parts.push_back(body.substr(partStart, end - partStart));
      }
      if (line.substr(delimiter.size()).starts_with("--")) {
        partStart = std::string_view::npos;
        break;
      }
      partStart = pos;
    }
    // A message cut short keeps its last, unfinished part.
    if (partStart != std::string_view::npos) parts.push_back(body.substr(partStart));

    // 2. Of alternatives the plain text wins, else the last one; others all count.
    if (alternative && !parts.empty()) {
      std::string_view chosen = parts.back();
      for (std::string_view p : parts) {
        const Entity e = ParseEntity(p);
        if (Lowered(HeaderValue(e, "content-type")).starts_with("text/plain")) {
          chosen = p;
          break;
        }
      }
      Body(ParseEntity(chosen), depth + 1);
      return;
    }
    for (std::string_view p : parts) Body(ParseEntity(p), depth + 1);
  }

  DocumentText& out_;
  Latin1Writer body_;
};

}  // namespace

bool MimeText::Detect(std::string_view data) {
  // 1. An mbox "From " line may come first.
  std::size_t pos = 0;
  if (data.starts_with("From ")) NextLine(data, pos);
  // 2. Every line up to the blank line is a header field; enough of them are mail's.
  int known = 0;
  int lines = 0;
  while (pos < data.size() && lines < 200) {
    const std::string_view line = NextLine(data, pos);
    if (line.empty()) break;
    ++lines;
    if (line[0] == ' ' || line[0] == '\t') continue;
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos || !IsFieldName(line.substr(0, colon))) return false;
    const std::string name = Lowered(line.substr(0, colon));
    for (std::string_view k : {"from", "to", "subject", "date", "message-id", "mime-version",
                               "received", "return-path", "cc", "reply-to", "delivered-to"})
      if (name == k) ++known;
  }
  return known >= 2;
}

void MimeText::Extract(std::string_view data, DocumentText& out) {
  if (data.starts_with("From ")) {
    std::size_t pos = 0;
    NextLine(data, pos);
    data.remove_prefix(pos);
  }
  MessageReader reader(out);
  reader.Message(data, 0);
  reader.Finish();
}

}  // namespace docfilter
