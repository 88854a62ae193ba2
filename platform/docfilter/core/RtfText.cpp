#include "RtfText.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace docfilter {

namespace {

constexpr char32_t k1252High[32] = {0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD,
                                    0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};

// Where the text of a group goes; Skip drops it.
enum class Sink {
  Body,
  Properties,
  Header,
  Footer,
  Footnote,
  Endnote,
  Comment,
  Hidden,
  Field,
  Skip
};
constexpr std::size_t kSinkCount = 9;

struct GroupState {
  Sink sink = Sink::Body;
  int unicodeSkip = 1;  // characters that stand in for each \uN
  bool hidden = false;
};

// Destinations whose content is not text.
constexpr std::string_view kSkipped[] = {"fonttbl",
                                         "colortbl",
                                         "stylesheet",
                                         "pict",
                                         "object",
                                         "themedata",
                                         "colorschememapping",
                                         "latentstyles",
                                         "datastore",
                                         "listtable",
                                         "listoverridetable",
                                         "rsidtbl",
                                         "generator",
                                         "xmlnstbl",
                                         "bkmkstart",
                                         "bkmkend",
                                         "filetbl",
                                         "revtbl",
                                         "pgdsctbl",
                                         "mmathPr",
                                         "wgrffmtfilter",
                                         "nonshppict",
                                         "sp",
                                         "sn",
                                         "sv",
                                         "shpinst",
                                         "blipuid",
                                         "objdata",
                                         "pntext",
                                         "pntxta",
                                         "pntxtb",
                                         "listtext",
                                         "template",
                                         "fchars",
                                         "lchars",
                                         "atnid",
                                         "atnauthor",
                                         "atndate",
                                         "atnref",
                                         "xe",
                                         "tc",
                                         "private",
                                         "userprops",
                                         "docvar",
                                         "passwordhash",
                                         "protusertbl",
                                         "ftnsep",
                                         "ftnsepc",
                                         "aftnsep",
                                         "aftnsepc",
                                         "fldtype"};

// Destinations read even when marked ignorable ("{\\*\\footnote ...}").
constexpr std::string_view kKnownDestinations[] = {"footnote", "header",     "headerl", "headerr",
                                                   "headerf",  "footer",     "footerl", "footerr",
                                                   "footerf",  "annotation", "fldinst", "info"};

std::string_view ReadWord(std::string_view d, std::size_t& pos) {
  const std::size_t start = pos;
  while (pos < d.size() && std::isalpha(static_cast<unsigned char>(d[pos]))) ++pos;
  return d.substr(start, pos - start);
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

class RtfReader {
 public:
  RtfReader(std::string_view data, DocumentText& out) : d_(data), out_(out) {
    for (std::size_t i = 0; i < kSinkCount; ++i) writers_.push_back(out.Writer());
  }

  void Run() {
    while (pos_ < d_.size() && !writers_[0].full()) {
      const char c = d_[pos_++];
      if (c == '{') {
        Push();
      } else if (c == '}') {
        Pop();
      } else if (c == '\\') {
        Control();
      } else if (c == '\r' || c == '\n') {
        // Line ends in RTF source are not text.
      } else {
        Char(static_cast<unsigned char>(c));
      }
    }
    constexpr PartKind kKinds[kSinkCount] = {
        PartKind::Body,    PartKind::Properties, PartKind::Header,
        PartKind::Footer,  PartKind::Footnote,   PartKind::Endnote,
        PartKind::Comment, PartKind::Hidden,     PartKind::Field};
    for (std::size_t i = 0; i < kSinkCount; ++i) out_.Add(kKinds[i], writers_[i].Take());
  }

 private:
  GroupState& state() { return stack_.back(); }

  void Push() {
    if (stack_.size() >= kMaxRtfDepth) {
      ++overflow_;
      // Content nested too deep is dropped.
      if (overflow_ == 1) saved_ = state().sink;
      state().sink = Sink::Skip;
      return;
    }
    stack_.push_back(stack_.back());
    pendingDestination_ = true;
  }

  void Pop() {
    if (overflow_ > 0) {
      if (--overflow_ == 0) state().sink = saved_;
      return;
    }
    if (stack_.size() > 1) stack_.pop_back();
  }

  Latin1Writer* Target() {
    const Sink sink = state().hidden && state().sink == Sink::Body ? Sink::Hidden : state().sink;
    if (sink == Sink::Skip) return nullptr;
    return &writers_[static_cast<std::size_t>(sink)];
  }

  void Emit(char32_t c) {
    pendingDestination_ = false;
    if (skipChars_ > 0) {
      --skipChars_;
      return;
    }
    if (Latin1Writer* w = Target()) w->CodePoint(c);
  }

  void Char(unsigned char c) { Emit(c >= 0x80 ? FromCodePage1252(c) : c); }

  void Break() {
    pendingDestination_ = false;
    skipChars_ = 0;
    if (Latin1Writer* w = Target()) w->LineBreak();
  }

  void SetDestination(Sink sink) { state().sink = state().sink == Sink::Skip ? Sink::Skip : sink; }

  void Control() {
    if (pos_ >= d_.size()) return;
    const char c = d_[pos_];
    // 1. Control symbols.
    if (!std::isalpha(static_cast<unsigned char>(c))) {
      ++pos_;
      switch (c) {
        case '\'': {
          const int hi = pos_ < d_.size() ? HexValue(d_[pos_]) : -1;
          const int lo = pos_ + 1 < d_.size() ? HexValue(d_[pos_ + 1]) : -1;
          if (hi < 0 || lo < 0) return;
          pos_ += 2;
          Char(static_cast<unsigned char>(hi * 16 + lo));
          return;
        }
        case '*':
          // An ignorable destination: dropped unless its control word is one we know.
          ignorable_ = pendingDestination_;
          return;
        case '~':
          Emit(0xA0);
          return;
        case '_':
          Emit('-');
          return;
        case '-':
          return;
        case '\r':
        case '\n':
          Break();
          return;
        case '\\':
        case '{':
        case '}':
          Emit(static_cast<unsigned char>(c));
          return;
        default:
          return;
      }
    }
    // 2. A control word with an optional signed parameter and one delimiting space.
    const std::string_view word = ReadWord(d_, pos_);
    bool hasParam = false;
    bool negative = false;
    std::int64_t param = 0;
    if (pos_ < d_.size() && d_[pos_] == '-') negative = true, ++pos_;
    while (pos_ < d_.size() && std::isdigit(static_cast<unsigned char>(d_[pos_]))) {
      hasParam = true;
      param = std::min<std::int64_t>(param * 10 + (d_[pos_++] - '0'), 0x7FFFFFFF);
    }
    if (negative) param = -param;
    if (pos_ < d_.size() && d_[pos_] == ' ') ++pos_;
    Word(word, hasParam, param);
  }

  void Word(std::string_view w, bool hasParam, std::int64_t param) {
    pendingDestination_ = false;
    if (std::exchange(ignorable_, false) &&
        std::find(std::begin(kKnownDestinations), std::end(kKnownDestinations), w) ==
            std::end(kKnownDestinations)) {
      state().sink = Sink::Skip;
      return;
    }
    if (std::find(std::begin(kSkipped), std::end(kSkipped), w) != std::end(kSkipped)) {
      state().sink = Sink::Skip;
    } else if (w == "info") {
      SetDestination(Sink::Properties);
    } else if (w == "header" || w == "headerl" || w == "headerr" || w == "headerf") {
      SetDestination(Sink::Header);
    } else if (w == "footer" || w == "footerl" || w == "footerr" || w == "footerf") {
      SetDestination(Sink::Footer);
    } else if (w == "footnote") {
      SetDestination(Sink::Footnote);
    } else if (w == "ftnalt" && state().sink == Sink::Footnote) {
      state().sink = Sink::Endnote;
    } else if (w == "annotation") {
      SetDestination(Sink::Comment);
    } else if (w == "fldinst") {
      SetDestination(Sink::Field);
    } else if (w == "par" || w == "line" || w == "row" || w == "sect" || w == "page") {
      Break();
    } else if (w == "tab" || w == "cell") {
      Emit('\t');
    } else if (w == "u" && hasParam) {
      // The character, then the stand-in characters for readers without Unicode.
      const auto unit = static_cast<char32_t>(param < 0 ? param + 65536 : param);
      Emit(unit);
      skipChars_ = state().unicodeSkip;
    } else if (w == "uc" && hasParam) {
      state().unicodeSkip = static_cast<int>(std::clamp<std::int64_t>(param, 0, 8));
    } else if (w == "v") {
      state().hidden = !hasParam || param != 0;
    } else if (w == "bin" && hasParam && param > 0) {
      pos_ += std::min<std::size_t>(static_cast<std::size_t>(param), d_.size() - pos_);
    } else if (w == "emdash") {
      Emit(0x2014);
    } else if (w == "endash") {
      Emit(0x2013);
    } else if (w == "bullet") {
      Emit(0x2022);
    } else if (w == "lquote" || w == "rquote") {
      Emit(w == "lquote" ? 0x2018 : 0x2019);
    } else if (w == "ldblquote" || w == "rdblquote") {
      Emit(w == "ldblquote" ? 0x201C : 0x201D);
    }
  }

  std::string_view d_;
  DocumentText& out_;
  std::vector<Latin1Writer> writers_;
  std::vector<GroupState> stack_{GroupState{}};
  std::size_t pos_ = 0;
  std::size_t overflow_ = 0;
  Sink saved_ = Sink::Body;
  int skipChars_ = 0;
  bool pendingDestination_ = false;
  bool ignorable_ = false;
};

}  // namespace

char32_t FromCodePage1252(unsigned char byte) {
  return byte >= 0x80 && byte < 0xA0 ? k1252High[byte - 0x80] : byte;
}

void RtfText::Extract(std::string_view data, DocumentText& out) {
  RtfReader(data, out).Run();
}

}  // namespace docfilter
