#include "MimeText.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <string>
#include <vector>

#include "Charsets.h"
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

// The parameters of a structured header, names lowered, quotes and escapes removed.
std::map<std::string, std::string> Parameters(std::string_view value) {
  std::map<std::string, std::string> out;
  std::size_t pos = value.find(';');
  while (pos != std::string_view::npos && pos < value.size()) {
    ++pos;
    const std::size_t eq = value.find('=', pos);
    if (eq == std::string_view::npos) break;
    const std::string name = Lowered(Trimmed(value.substr(pos, eq - pos)));
    std::size_t p = eq + 1;
    while (p < value.size() && (value[p] == ' ' || value[p] == '\t')) ++p;
    std::string v;
    if (p < value.size() && value[p] == '"') {
      for (++p; p < value.size() && value[p] != '"'; ++p) {
        if (value[p] == '\\' && p + 1 < value.size()) ++p;
        v.push_back(value[p]);
      }
      pos = value.find(';', p);
    } else {
      const std::size_t end = value.find(';', p);
      v = Trimmed(value.substr(p, (end == std::string_view::npos ? value.size() : end) - p));
      pos = end;
    }
    out.emplace(name, std::move(v));
  }
  return out;
}

int Hex(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::string PercentDecoded(std::string_view s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '%' && i + 2 < s.size() && Hex(s[i + 1]) >= 0 && Hex(s[i + 2]) >= 0) {
      out.push_back(static_cast<char>(Hex(s[i + 1]) * 16 + Hex(s[i + 2])));
      i += 2;
    } else {
      out.push_back(s[i]);
    }
  }
  return out;
}

void WriteBody(std::string_view text, std::string_view charset, Latin1Writer& out) {
  out.Utf8(CharsetToUtf8(text, charset));
}

std::string Decoded(const Entity& e) {
  const std::string encoding = Lowered(Trimmed(HeaderValue(e, "content-transfer-encoding")));
  if (encoding == "base64") return DecodeBase64(e.body);
  if (encoding == "quoted-printable") return DecodeQuotedPrintable(e.body);
  return std::string(e.body);
}

std::string MediaType(const Entity& e) {
  const std::string_view contentType = HeaderValue(e, "content-type");
  return Lowered(Trimmed(contentType.substr(0, contentType.find(';'))));
}

class MessageReader {
 public:
  explicit MessageReader(MailContents& out) : out_(out), body_(out.text.Writer()) {}

  void Message(std::string_view data) {
    const Entity e = ParseEntity(data);
    for (std::string_view name : {"from", "to", "cc", "date", "subject"}) {
      const std::string_view value = HeaderValue(e, name);
      if (value.empty()) continue;
      std::string label(name);
      label[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(label[0])));
      body_.Latin1(label + ": ");
      body_.Utf8(DecodeHeaderWords(value));
      body_.EndLine();
    }
    body_.LineBreak();
    Body(e, 0);
  }

  void Finish() { out_.text.Add(PartKind::Body, body_.Take()); }

 private:
  void Body(const Entity& e, std::size_t depth) {
    // 1. The kind of content; plain text when nothing is declared.
    if (depth > kMaxMimeDepth || body_.full()) return;
    const std::string type = MediaType(e);
    const std::string_view contentType = HeaderValue(e, "content-type");

    // 2. Containers: the parts of a multipart.
    if (type.starts_with("multipart/")) {
      Multipart(e.body, HeaderParameter(contentType, "boundary"), type == "multipart/alternative",
                depth);
      return;
    }

    // 3. Text parts that are no attachment are the body.
    const std::string_view disposition = HeaderValue(e, "content-disposition");
    std::string name = HeaderParameter(disposition, "filename");
    if (name.empty()) name = HeaderParameter(contentType, "name");
    const bool attachment = Lowered(disposition).starts_with("attachment") || !name.empty();
    if (name.empty()) {
      // A saved page's resources are named by their location.
      const std::string_view location = HeaderValue(e, "content-location");
      name = GuessToUtf8(location.substr(location.find_last_of('/') + 1));
    }
    if (!attachment && (type.empty() || type == "text/plain" || type == "text/html")) {
      const std::string content = Decoded(e);
      if (type == "text/html") {
        DocumentText html(kMaxTextBytes);
        HtmlText::Extract(content, html);
        for (const Part& part : html.parts())
          if (part.kind == PartKind::Body) body_.Latin1(part.text);
      } else {
        WriteBody(content, HeaderParameter(contentType, "charset"), body_);
      }
      body_.EndLine();
      return;
    }

    // 4. Everything else is a member; an attached message with its own members.
    if (!out_.withMembers()) return;
    std::string data = Decoded(e);
    if (type == "message/rfc822" && out_.MayNest()) {
      MailContents nested = out_.Nested();
      MessageReader reader(nested);
      reader.Message(data);
      reader.Finish();
      if (name.empty()) {
        const std::string subject = DecodeHeaderWords(HeaderValue(ParseEntity(data), "subject"));
        name = (subject.empty() ? "message" : subject) + ".eml";
      }
      out_.AddMessage(name, data.size(), std::move(nested));
      return;
    }
    out_.AddAttachment(name, std::move(data));
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
        if (MediaType(ParseEntity(p)) == "text/plain") {
          chosen = p;
          break;
        }
      }
      Body(ParseEntity(chosen), depth + 1);
      return;
    }
    for (std::string_view p : parts) Body(ParseEntity(p), depth + 1);
  }

  MailContents& out_;
  Latin1Writer body_;
};

std::string_view WithoutMboxLine(std::string_view data) {
  if (data.starts_with("From ")) {
    std::size_t pos = 0;
    NextLine(data, pos);
    data.remove_prefix(pos);
  }
  return data;
}

}  // namespace

std::string DecodeHeaderWords(std::string_view value) {
  std::string out;
  std::size_t pos = 0;
  bool lastWasEncoded = false;
  while (pos < value.size()) {
    const std::size_t start = value.find("=?", pos);
    const std::size_t q1 = start == std::string_view::npos ? start : value.find('?', start + 2);
    const std::size_t q2 = q1 == std::string_view::npos ? q1 : value.find('?', q1 + 1);
    const std::size_t end = q2 == std::string_view::npos ? q2 : value.find("?=", q2 + 1);
    if (end == std::string_view::npos || q2 != q1 + 2) {
      out += GuessToUtf8(value.substr(pos));
      break;
    }
    // White space between two encoded words is not part of the text.
    const std::string_view between = value.substr(pos, start - pos);
    if (!(lastWasEncoded && Trimmed(between).empty())) out += GuessToUtf8(between);
    std::string_view charset = value.substr(start + 2, q1 - start - 2);
    charset = charset.substr(0, charset.find('*'));  // an RFC 2231 language suffix
    const char form = static_cast<char>(std::toupper(static_cast<unsigned char>(value[q1 + 1])));
    const std::string_view payload = value.substr(q2 + 1, end - q2 - 1);
    const std::string decoded =
        form == 'B' ? DecodeBase64(payload) : DecodeQuotedPrintable(payload, true);
    out += CharsetToUtf8(decoded, charset);
    lastWasEncoded = true;
    pos = end + 2;
  }
  return out;
}

std::string HeaderParameter(std::string_view value, std::string_view name) {
  const auto params = Parameters(value);
  const std::string key = Lowered(name);

  // 1. An extended value: charset'language'percent-encoded.
  auto extended = [](std::string_view v, std::string& charset) {
    const std::size_t a = v.find('\'');
    const std::size_t b = a == std::string_view::npos ? a : v.find('\'', a + 1);
    if (b == std::string_view::npos) return PercentDecoded(v);
    charset = v.substr(0, a);
    return PercentDecoded(v.substr(b + 1));
  };
  if (const auto it = params.find(key + "*"); it != params.end()) {
    std::string charset;
    const std::string bytes = extended(it->second, charset);
    return CharsetToUtf8(bytes, charset);
  }

  // 2. Continuations name*0, name*1*, ... in order, the charset from the first.
  std::string joined;
  std::string charset;
  bool found = false;
  for (std::size_t i = 0; i < 1000; ++i) {
    const std::string index = key + "*" + std::to_string(i);
    if (const auto it = params.find(index + "*"); it != params.end()) {
      joined += i == 0 ? extended(it->second, charset) : PercentDecoded(it->second);
    } else if (const auto plain = params.find(index); plain != params.end()) {
      joined += plain->second;
    } else {
      break;
    }
    found = true;
  }
  if (found) return CharsetToUtf8(joined, charset);

  // 3. The plain parameter, encoded words allowed (as many mailers write them).
  const auto it = params.find(key);
  return it == params.end() ? std::string() : DecodeHeaderWords(it->second);
}

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

bool MimeText::Read(std::string_view data, MailContents& out) {
  MessageReader reader(out);
  reader.Message(WithoutMboxLine(data));
  reader.Finish();
  return true;
}

}  // namespace docfilter
