// enum-help-strings IDL IN.tlb OUT.tlb
//
// Build tool, run on the build machine. widl refuses the helpstring attribute on
// enumeration values, so the IDL marks them with ENUMHELP("text") (an empty macro for
// widl) and the type library widl writes has no help strings for them. This tool reads
// those texts from the IDL and writes them into the type library: each value of an
// enumeration that has one gets a variable record long enough to carry a help-string
// offset, and the texts go into the library's string table. Everything else in the file
// stays as widl wrote it; the file offsets that point past a grown part move with it.
//
// The type library is in the "MSFT" format of OLE Automation: a header, a table of
// typeinfo offsets, a directory of 15 segments (typeinfos, names, strings, ...), then the
// data blocks of the typeinfos' members. Only the parts named below are read or changed.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <regex>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;
// Enumeration name -> value name -> help string.
using HelpTable = std::map<std::string, std::map<std::string, std::string>>;

constexpr std::size_t kHeaderSize = 0x54;
constexpr std::uint32_t kHelpDllFlag = 0x100;
constexpr int kSegments = 15;
constexpr int kSegTypeInfos = 0;
constexpr int kSegNames = 7;
constexpr int kSegStrings = 8;
constexpr std::size_t kTypeInfoSize = 0x64;
constexpr int kTkindEnum = 0;
// A variable record: Info (size | index << 16), DataType, Flags, VarKind/size, OffsValue,
// then optional HelpContext and oHelpString.
constexpr std::size_t kVarHelpContext = 20;
constexpr std::size_t kVarHelpString = 24;
constexpr std::size_t kVarWithHelp = 28;

[[noreturn]] void Fail(const std::string& what) {
  throw std::runtime_error(what);
}

std::string ReadText(const char* path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) Fail(std::string("cannot read ") + path);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// The ENUMHELP texts of every "enum Name { ... }" of the IDL.
HelpTable ReadHelpStrings(const std::string& idl) {
  HelpTable table;
  const std::regex enumBlock(R"re(\benum\s+(\w+)\s*\{([^}]*)\})re");
  const std::regex value(R"re(ENUMHELP\s*\(\s*"((?:[^"\\]|\\.)*)"\s*\)\s*(\w+))re");
  for (std::sregex_iterator e(idl.begin(), idl.end(), enumBlock), end; e != end; ++e) {
    const std::string body = (*e)[2];
    for (std::sregex_iterator v(body.begin(), body.end(), value); v != end; ++v)
      table[(*e)[1]][(*v)[2]] = (*v)[1];
  }
  return table;
}

class TypeLibrary {
 public:
  explicit TypeLibrary(Bytes bytes) : b_(std::move(bytes)) {
    if (b_.size() < kHeaderSize || std::memcmp(b_.data(), "MSFT", 4) != 0)
      Fail("not an MSFT type library");
    const std::size_t typeInfos = Word(0x20);
    segDir_ = kHeaderSize + ((Word(0x14) & kHelpDllFlag) ? 4 : 0) + 4 * typeInfos;
    if (segDir_ + kSegments * 16 > b_.size()) Fail("truncated segment directory");
    typeInfoCount_ = typeInfos;
  }

  const Bytes& bytes() const { return b_; }

  // Writes the help strings of table into the enumerations; every entry must be used.
  void AddEnumHelp(const HelpTable& table) {
    std::size_t applied = 0;
    for (std::size_t i = 0; i < typeInfoCount_; ++i) {
      const std::size_t info = TypeInfo(i);
      if ((Word(info) & 0xF) != kTkindEnum) continue;
      const auto found = table.find(Name(Word(info + 0x34)));
      if (found == table.end()) continue;
      applied += AddHelp(i, found->second);
    }
    std::size_t wanted = 0;
    for (const auto& [name, values] : table) wanted += values.size();
    if (applied != wanted) Fail("some help strings name no enumeration value of the library");
  }

 private:
  std::uint32_t Word(std::size_t at) const {
    if (at + 4 > b_.size()) Fail("offset outside the file");
    std::uint32_t w;
    std::memcpy(&w, b_.data() + at, 4);
    return w;  // little-endian file, little-endian host
  }
  void SetWord(std::size_t at, std::uint32_t w) { std::memcpy(b_.data() + at, &w, 4); }
  static void Put(Bytes& out, std::uint32_t w) {
    const auto* p = reinterpret_cast<const std::uint8_t*>(&w);
    out.insert(out.end(), p, p + 4);
  }

  std::size_t SegOffset(int seg) const { return segDir_ + 16 * static_cast<std::size_t>(seg); }
  bool SegPresent(int seg) const { return Word(SegOffset(seg)) != 0xFFFFFFFFu; }
  std::size_t SegStart(int seg) const { return Word(SegOffset(seg)); }
  std::size_t SegLength(int seg) const { return Word(SegOffset(seg) + 4); }
  std::size_t TypeInfo(std::size_t i) const { return SegStart(kSegTypeInfos) + i * kTypeInfoSize; }

  // A name of the name table: 12 bytes of introduction, the length in its low byte.
  std::string Name(std::uint32_t offset) const {
    const std::size_t at = SegStart(kSegNames) + offset;
    const std::size_t length = Word(at + 8) & 0xFF;
    if (at + 12 + length > b_.size()) Fail("name outside the file");
    return std::string(reinterpret_cast<const char*>(b_.data() + at + 12), length);
  }

  // Replaces length bytes at pos by replacement; every segment and member block that
  // lay behind them moves by the difference.
  void Splice(std::size_t pos, std::size_t length, const Bytes& replacement) {
    const auto delta =
        static_cast<std::int64_t>(replacement.size()) - static_cast<std::int64_t>(length);
    const std::size_t behind = pos + length;
    const auto shift = [&](std::size_t at) {
      const std::uint32_t offset = Word(at);
      if (offset != 0xFFFFFFFFu && offset >= behind)
        SetWord(at, static_cast<std::uint32_t>(offset + delta));
    };
    for (std::size_t i = 0; i < typeInfoCount_; ++i) shift(TypeInfo(i) + 4);  // memoffset
    for (int seg = 0; seg < kSegments; ++seg) shift(SegOffset(seg));
    b_.erase(b_.begin() + static_cast<std::ptrdiff_t>(pos),
             b_.begin() + static_cast<std::ptrdiff_t>(behind));
    b_.insert(b_.begin() + static_cast<std::ptrdiff_t>(pos), replacement.begin(),
              replacement.end());
  }

  // Appends a text to the string table (creating the table when the library has none)
  // and answers its offset there: a 16-bit length, the text, padding to 4 bytes.
  std::uint32_t AddString(const std::string& text) {
    if (text.size() > 0xFFFF) Fail("help string too long");
    Bytes entry{static_cast<std::uint8_t>(text.size() & 0xFF),
                static_cast<std::uint8_t>(text.size() >> 8)};
    entry.insert(entry.end(), text.begin(), text.end());
    while (entry.size() % 4) entry.push_back(0x57);
    if (!SegPresent(kSegStrings)) {
      // Placed where the next present segment starts, or after the last one.
      std::size_t pos = 0;
      for (int seg = kSegStrings + 1; seg < kSegments && !pos; ++seg)
        if (SegPresent(seg)) pos = SegStart(seg);
      for (int seg = 0; seg < kSegments && !pos; ++seg)
        if (SegPresent(seg)) pos = std::max(pos, SegStart(seg) + SegLength(seg));
      Splice(pos, 0, entry);
      SetWord(SegOffset(kSegStrings), static_cast<std::uint32_t>(pos));
      SetWord(SegOffset(kSegStrings) + 4, static_cast<std::uint32_t>(entry.size()));
      return 0;
    }
    const std::size_t length = SegLength(kSegStrings);
    Splice(SegStart(kSegStrings) + length, 0, entry);
    SetWord(SegOffset(kSegStrings) + 4, static_cast<std::uint32_t>(length + entry.size()));
    return static_cast<std::uint32_t>(length);
  }

  // Rewrites the member block of one enumeration with help strings; the number written.
  std::size_t AddHelp(std::size_t index, const std::map<std::string, std::string>& help) {
    const std::uint32_t elements = Word(TypeInfo(index) + 0x18);
    const std::size_t funcs = elements & 0xFFFF, vars = elements >> 16, n = funcs + vars;
    if (funcs != 0) Fail("enumeration with functions");
    // The block: records' size, records, member ids, name offsets, record offsets.
    const std::size_t block = Word(TypeInfo(index) + 4);
    const std::size_t recordsSize = Word(block);
    const std::size_t ids = block + 4 + recordsSize;
    const std::size_t names = ids + 4 * n, offsets = names + 4 * n;
    const std::size_t blockSize = offsets + 4 * n - block;

    // Strings first: they lie before the member blocks, so adding them moves the block.
    std::vector<std::string> valueNames;
    for (std::size_t i = 0; i < n; ++i) valueNames.push_back(Name(Word(names + 4 * i)));
    std::vector<std::uint32_t> helpOffsets(n, 0xFFFFFFFFu);
    std::size_t written = 0;
    for (std::size_t i = 0; i < n; ++i) {
      const auto found = help.find(valueNames[i]);
      if (found == help.end()) continue;
      helpOffsets[i] = AddString(found->second);
      ++written;
    }
    const std::size_t moved = Word(TypeInfo(index) + 4);
    const auto at = [&](std::size_t old) { return old - block + moved; };

    // Each record at least long enough for a help string.
    Bytes records, recordOffsets;
    for (std::size_t i = 0; i < n; ++i) {
      const std::size_t start = at(block + 4 + Word(at(offsets) + 4 * i));
      const std::uint32_t infoWord = Word(start);
      const std::size_t size = infoWord & 0xFFFF;
      Bytes record(b_.begin() + static_cast<std::ptrdiff_t>(start),
                   b_.begin() + static_cast<std::ptrdiff_t>(start + size));
      if (size < kVarHelpString + 4) {
        record.resize(kVarWithHelp, 0);
        std::uint32_t grown = (infoWord & 0xFFFF0000u) | kVarWithHelp;
        std::memcpy(record.data(), &grown, 4);
        if (size <= kVarHelpContext) std::memset(record.data() + kVarHelpContext, 0, 4);
        std::uint32_t none = 0xFFFFFFFFu;
        std::memcpy(record.data() + kVarHelpString, &none, 4);
      }
      if (helpOffsets[i] != 0xFFFFFFFFu)
        std::memcpy(record.data() + kVarHelpString, &helpOffsets[i], 4);
      Put(recordOffsets, static_cast<std::uint32_t>(records.size()));
      records.insert(records.end(), record.begin(), record.end());
    }
    Bytes replacement;
    Put(replacement, static_cast<std::uint32_t>(records.size()));
    replacement.insert(replacement.end(), records.begin(), records.end());
    replacement.insert(replacement.end(), b_.begin() + static_cast<std::ptrdiff_t>(at(ids)),
                       b_.begin() + static_cast<std::ptrdiff_t>(at(offsets)));
    replacement.insert(replacement.end(), recordOffsets.begin(), recordOffsets.end());
    Splice(moved, blockSize, replacement);
    return written;
  }

  Bytes b_;
  std::size_t segDir_ = 0;
  std::size_t typeInfoCount_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: %s IDL IN.tlb OUT.tlb\n", argv[0]);
    return 2;
  }
  try {
    const std::string tlb = ReadText(argv[2]);
    TypeLibrary library(Bytes(tlb.begin(), tlb.end()));
    library.AddEnumHelp(ReadHelpStrings(ReadText(argv[1])));
    std::ofstream out(argv[3], std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(library.bytes().data()),
              static_cast<std::streamsize>(library.bytes().size()));
    if (!out) Fail(std::string("cannot write ") + argv[3]);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s: %s\n", argv[0], e.what());
    std::remove(argv[3]);
    return 1;
  }
  return 0;
}
