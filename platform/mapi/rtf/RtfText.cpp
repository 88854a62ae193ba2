#include "RtfText.h"

#include <cctype>
#include <cstdlib>
#include <vector>

#include "CompressedRtf.h"

namespace mapistandin {

namespace {

constexpr int kMaxDepth = 256;

bool IsAlpha(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Destinations whose content is not body text.
bool IsSkippedDestination(std::string_view word) {
  static constexpr std::string_view kSkipped[] = {"fonttbl",
                                                  "colortbl",
                                                  "stylesheet",
                                                  "info",
                                                  "pict",
                                                  "object",
                                                  "header",
                                                  "footer",
                                                  "headerl",
                                                  "headerr",
                                                  "footerl",
                                                  "footerr",
                                                  "footnote",
                                                  "listtable",
                                                  "listoverridetable",
                                                  "rsidtbl",
                                                  "generator",
                                                  "themedata",
                                                  "colorschememapping",
                                                  "latentstyles",
                                                  "datastore",
                                                  "xmlnstbl",
                                                  "filetbl",
                                                  "revtbl",
                                                  "bkmkstart",
                                                  "bkmkend"};
  for (auto s : kSkipped)
    if (word == s) return true;
  return false;
}

class RtfReader {
 public:
  explicit RtfReader(std::string_view rtf) : in_(rtf) {}

  std::string Run() {
    std::vector<Group> stack{{false, 1}};
    while (pos_ < in_.size()) {
      const char c = in_[pos_++];
      Group& g = stack.back();
      switch (c) {
        case '{':
          if (stack.size() >= kMaxDepth) {
            SkipGroup();
            break;
          }
          stack.push_back({g.skip, g.unicodeSkip});
          break;
        case '}':
          if (stack.size() > 1) stack.pop_back();
          break;
        case '\\':
          ControlWord(stack);
          break;
        case '\r':
        case '\n':
          break;
        default:
          Emit(g, c);
      }
    }
    return std::move(out_);
  }

 private:
  struct Group {
    bool skip;
    int unicodeSkip;  // fallback characters after \uN
  };

  void Emit(const Group& g, char c) {
    if (pendingSkip_ > 0) {
      --pendingSkip_;
      return;
    }
    if (!g.skip) out_ += c;
  }
  void EmitText(const Group& g, std::string_view s) {
    if (!g.skip) out_ += s;
  }

  // Skips a group nested too deeply to follow, up to its closing brace.
  void SkipGroup() {
    int depth = 1;
    while (pos_ < in_.size() && depth > 0) {
      const char c = in_[pos_++];
      if (c == '\\' && pos_ < in_.size())
        ++pos_;
      else if (c == '{')
        ++depth;
      else if (c == '}')
        --depth;
    }
  }

  void ControlWord(std::vector<Group>& stack) {
    Group& g = stack.back();
    if (pos_ >= in_.size()) return;
    const char c = in_[pos_];
    // Control symbols.
    if (!IsAlpha(c)) {
      ++pos_;
      switch (c) {
        case '\\':
        case '{':
        case '}':
          Emit(g, c);
          break;
        case '~':
          Emit(g, ' ');
          break;
        case '*':
          g.skip = true;  // an optional destination this reader does not know
          break;
        case '\'': {
          if (pos_ + 2 <= in_.size() && HexValue(in_[pos_]) >= 0 && HexValue(in_[pos_ + 1]) >= 0) {
            Emit(g, static_cast<char>(HexValue(in_[pos_]) * 16 + HexValue(in_[pos_ + 1])));
            pos_ += 2;
          }
          break;
        }
        case '\r':
        case '\n':
          EmitText(g, "\r\n");
          break;
        default:
          break;
      }
      return;
    }
    // A control word and its optional numeric parameter; one blank after it is part of it.
    const std::size_t start = pos_;
    while (pos_ < in_.size() && IsAlpha(in_[pos_]) && pos_ - start < 32) ++pos_;
    const std::string_view word = in_.substr(start, pos_ - start);
    bool hasParam = false;
    long param = 0;
    bool negative = false;
    if (pos_ < in_.size() && in_[pos_] == '-') {
      negative = true;
      ++pos_;
    }
    std::size_t digits = 0;
    while (pos_ < in_.size() && std::isdigit(static_cast<unsigned char>(in_[pos_])) &&
           digits < 10) {
      param = param * 10 + (in_[pos_++] - '0');
      hasParam = true;
      ++digits;
    }
    if (negative) param = -param;
    if (pos_ < in_.size() && in_[pos_] == ' ') ++pos_;

    if (IsSkippedDestination(word)) {
      g.skip = true;
    } else if (word == "par" || word == "line" || word == "sect" || word == "page") {
      EmitText(g, "\r\n");
    } else if (word == "tab") {
      EmitText(g, "\t");
    } else if (word == "emdash" || word == "endash") {
      EmitText(g, "-");
    } else if (word == "bullet") {
      EmitText(g, "\x95");
    } else if (word == "lquote" || word == "rquote") {
      EmitText(g, "'");
    } else if (word == "ldblquote" || word == "rdblquote") {
      EmitText(g, "\"");
    } else if (word == "uc" && hasParam) {
      g.unicodeSkip = static_cast<int>(std::labs(param) % 16);
    } else if (word == "u" && hasParam) {
      long code = param < 0 ? param + 65536 : param;
      Emit(g, code >= 0 && code <= 0xFF ? static_cast<char>(code) : '?');
      pendingSkip_ = g.unicodeSkip;
    }
  }

  std::string_view in_;
  std::size_t pos_ = 0;
  std::string out_;
  int pendingSkip_ = 0;
};

}  // namespace

std::string RtfToPlainText(std::string_view rtf) {
  return RtfReader(rtf).Run();
}

std::string PlainTextToRtf(std::string_view text) {
  std::string out = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss Arial;}}\\f0\\fs20 ";
  static constexpr char kHex[] = "0123456789abcdef";
  for (std::size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;  // CR LF is one break
    if (c == '\n' || c == '\r') {
      out += "\\par\r\n";
    } else if (c == '\t') {
      out += "\\tab ";
    } else if (c == '\\' || c == '{' || c == '}') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c >= 0x80 || c < 0x20) {
      out += "\\'";
      out += kHex[c >> 4];
      out += kHex[c & 0xF];
    } else {
      out += static_cast<char>(c);
    }
  }
  out += "}";
  return out;
}

BodySignature SignatureOf(std::string_view plain) {
  BodySignature s;
  for (const char c : plain) {
    if (std::isspace(static_cast<unsigned char>(c))) continue;
    const auto b = static_cast<std::uint8_t>(c);
    s.crc = RtfCrc(&b, 1, s.crc);
    ++s.count;
    if (s.tag.size() < kSignatureTagLength) s.tag += c;
  }
  return s;
}

}  // namespace mapistandin
