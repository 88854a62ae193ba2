#include "PdfText.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "PdfFonts.h"
#include "PdfStreams.h"
#include "RtfText.h"

namespace docfilter {

namespace {

bool IsWhite(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\0';
}
bool IsDelimiter(char c) {
  return std::string_view("()<>[]{}/%").find(c) != std::string_view::npos;
}

// One operand of a content stream: a number, a string (bytes) or an array of them.
struct Operand {
  enum Kind { Number, String, Name, ArrayStart, Other } kind = Other;
  double number = 0;
  std::string bytes;
};

// Reads a content stream and writes the text its operators show.
class ContentReader {
 public:
  using Fonts = std::map<std::string, std::shared_ptr<const FontMap>>;
  ContentReader(std::string_view data, const Fonts& fonts, Latin1Writer& out)
      : d_(data), fonts_(fonts), out_(out) {}

  void Run() {
    while (pos_ < d_.size() && !out_.full()) {
      const char c = d_[pos_];
      if (IsWhite(c)) {
        ++pos_;
      } else if (c == '%') {
        while (pos_ < d_.size() && d_[pos_] != '\n' && d_[pos_] != '\r') ++pos_;
      } else if (c == '(') {
        Push(Operand{Operand::String, 0, LiteralString()});
      } else if (c == '<' && pos_ + 1 < d_.size() && d_[pos_ + 1] == '<') {
        pos_ += 2;  // dictionaries (marked content properties) are not text
        Push(Operand{});
      } else if (c == '>' && pos_ + 1 < d_.size() && d_[pos_ + 1] == '>') {
        pos_ += 2;
      } else if (c == '<') {
        Push(Operand{Operand::String, 0, HexString()});
      } else if (c == '[') {
        ++pos_;
        Push(Operand{Operand::ArrayStart, 0, {}});
      } else if (c == ']') {
        ++pos_;
      } else if (c == '/') {
        ++pos_;
        Push(Operand{Operand::Name, 0, std::string(Word())});
      } else if (c == '-' || c == '+' || c == '.' || (c >= '0' && c <= '9')) {
        Push(Operand{Operand::Number, NumberToken(), {}});
      } else if (IsDelimiter(c)) {
        ++pos_;
      } else {
        Operator(Word());
        operands_.clear();
      }
    }
  }

 private:
  void Push(Operand o) {
    // Operators take few operands; a stream that piles them up is not content.
    if (operands_.size() < 4096) operands_.push_back(std::move(o));
  }

  std::string_view Word() {
    const std::size_t start = pos_;
    while (pos_ < d_.size() && !IsWhite(d_[pos_]) && !IsDelimiter(d_[pos_])) ++pos_;
    if (pos_ == start) ++pos_;
    return d_.substr(start, pos_ - start);
  }

  double NumberToken() {
    const std::string_view w = Word();
    double value = 0;
    std::from_chars(w.data() + (w.starts_with('+') ? 1 : 0), w.data() + w.size(), value);
    return std::isfinite(value) ? value : 0;
  }

  std::string LiteralString() {
    std::string s;
    int depth = 0;
    ++pos_;
    while (pos_ < d_.size()) {
      const char c = d_[pos_++];
      if (c == '(') {
        ++depth;
      } else if (c == ')') {
        if (depth-- == 0) break;
      } else if (c == '\\' && pos_ < d_.size()) {
        const char e = d_[pos_++];
        switch (e) {
          case 'n':
            s.push_back('\n');
            continue;
          case 'r':
            s.push_back('\r');
            continue;
          case 't':
            s.push_back('\t');
            continue;
          case 'b':
            s.push_back('\b');
            continue;
          case 'f':
            s.push_back('\f');
            continue;
          case '\r':
            if (pos_ < d_.size() && d_[pos_] == '\n') ++pos_;
            continue;
          case '\n':
            continue;
          default:
            break;
        }
        if (e >= '0' && e <= '7') {
          int value = e - '0';
          for (int i = 0; i < 2 && pos_ < d_.size() && d_[pos_] >= '0' && d_[pos_] <= '7'; ++i)
            value = value * 8 + (d_[pos_++] - '0');
          s.push_back(static_cast<char>(value & 0xFF));
          continue;
        }
        s.push_back(e);
        continue;
      }
      s.push_back(c);
    }
    return s;
  }

  std::string HexString() {
    const std::size_t end = d_.find('>', pos_);
    const std::size_t stop = end == std::string_view::npos ? d_.size() : end;
    std::string s = DecodeAsciiHex(d_.substr(pos_ + 1, stop - pos_ - 1));
    pos_ = stop < d_.size() ? stop + 1 : stop;
    return s;
  }

  void Show(const std::string& bytes) {
    // Without a character map the bytes are WinAnsi characters.
    if (!font_ || font_->empty()) {
      for (unsigned char b : bytes) out_.CodePoint(FromCodePage1252(b));
      return;
    }
    const std::size_t width = font_->codeBytes();
    for (std::size_t i = 0; i + width <= bytes.size(); i += width) {
      std::uint32_t code = 0;
      for (std::size_t k = 0; k < width; ++k)
        code = code << 8 | static_cast<unsigned char>(bytes[i + k]);
      const std::u32string chars = font_->Lookup(code);
      if (chars.empty() && width == 1)
        out_.CodePoint(FromCodePage1252(static_cast<unsigned char>(code)));
      for (char32_t c : chars) out_.CodePoint(c);
    }
  }

  double Number(std::size_t fromEnd) const {
    if (operands_.size() < fromEnd) return 0;
    const Operand& o = operands_[operands_.size() - fromEnd];
    return o.kind == Operand::Number ? o.number : 0;
  }

  // A move of the text position: a new line when the line changes, a space otherwise.
  void MoveTo(double y, bool absolute) {
    const bool newLine = absolute ? std::abs(y - lineY_) > 0.01 : std::abs(y) > 0.01;
    lineY_ = absolute ? y : lineY_ + y;
    if (newLine)
      out_.EndLine();
    else
      out_.Space();
  }

  void Operator(std::string_view op) {
    if (op == "Tf") {
      // The font: its character map, if it has one.
      font_ = nullptr;
      if (operands_.size() >= 2 && operands_[operands_.size() - 2].kind == Operand::Name) {
        const auto it = fonts_.find(operands_[operands_.size() - 2].bytes);
        if (it != fonts_.end()) font_ = it->second.get();
      }
    } else if (op == "BT") {
      lineY_ = 0;
    } else if (op == "ET") {
      out_.EndLine();
    } else if (op == "Td" || op == "TD") {
      MoveTo(Number(1), false);
    } else if (op == "Tm") {
      MoveTo(Number(1), true);
    } else if (op == "T*") {
      out_.EndLine();
    } else if (op == "Tj" || op == "'" || op == "\"") {
      if (op != "Tj") out_.EndLine();
      if (!operands_.empty() && operands_.back().kind == Operand::String)
        Show(operands_.back().bytes);
    } else if (op == "TJ") {
      ShowArray();
    } else if (op == "BI") {
      // An inline image: its data runs from ID to EI.
      const std::size_t end = d_.find("EI", pos_);
      pos_ = end == std::string_view::npos ? d_.size() : end + 2;
    }
  }

  void ShowArray() {
    std::size_t start = operands_.size();
    while (start > 0 && operands_[start - 1].kind != Operand::ArrayStart) --start;
    for (std::size_t i = start; i < operands_.size(); ++i) {
      const Operand& o = operands_[i];
      if (o.kind == Operand::String) Show(o.bytes);
      // A gap of more than a quarter of the font size separates words.
      if (o.kind == Operand::Number && o.number < -250) out_.Space();
    }
  }

  std::string_view d_;
  const Fonts& fonts_;
  const FontMap* font_ = nullptr;
  Latin1Writer& out_;
  std::size_t pos_ = 0;
  std::vector<Operand> operands_;
  double lineY_ = 0;
};

}  // namespace

bool PdfText::Detect(std::string_view data) {
  return data.substr(0, 1024).find("%PDF-") != std::string_view::npos;
}

void PdfText::Extract(std::string_view data, DocumentText& out) {
  // 1. Encrypted files cannot be read without the key.
  if (data.find("/Encrypt") != std::string_view::npos) return;

  // 2. The fonts' character maps, then every stream that may be page content, decoded
  // within a total budget.
  const auto fonts = ReadPdfFonts(data);
  Latin1Writer body = out.Writer();
  std::size_t budget = kMaxInflatedTotal;
  for (const PdfStream& stream : FindPdfStreams(data)) {
    if (body.full() || budget == 0) break;
    if (!MayHoldContent(stream.dictionary)) continue;
    const auto content = DecodePdfStream(stream, std::min(budget, kMaxInflatedBytes));
    if (!content) continue;
    budget -= std::min(budget, content->size());
    // 3. Only streams with text objects are read (character maps are not content).
    if (content->find("BT") == std::string::npos || content->find("begincmap") != std::string::npos)
      continue;
    ContentReader(*content, fonts, body).Run();
    body.EndLine();
  }
  out.Add(PartKind::Body, body.Take());
}

}  // namespace docfilter
