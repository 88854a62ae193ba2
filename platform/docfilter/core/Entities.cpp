#include "Entities.h"

#include <charconv>
#include <cstdint>

namespace docfilter {

namespace {

struct NamedEntity {
  std::string_view name;
  char32_t value;
};

// The five XML entities, the HTML names of the Latin-1 characters and the typographic
// names that turn up in mail.
constexpr NamedEntity kEntities[] = {
    {"amp", '&'},      {"lt", '<'},       {"gt", '>'},       {"quot", '"'},      {"apos", '\''},
    {"nbsp", 0xA0},    {"iexcl", 0xA1},   {"cent", 0xA2},    {"pound", 0xA3},    {"curren", 0xA4},
    {"yen", 0xA5},     {"brvbar", 0xA6},  {"sect", 0xA7},    {"uml", 0xA8},      {"copy", 0xA9},
    {"ordf", 0xAA},    {"laquo", 0xAB},   {"not", 0xAC},     {"shy", 0xAD},      {"reg", 0xAE},
    {"macr", 0xAF},    {"deg", 0xB0},     {"plusmn", 0xB1},  {"sup2", 0xB2},     {"sup3", 0xB3},
    {"acute", 0xB4},   {"micro", 0xB5},   {"para", 0xB6},    {"middot", 0xB7},   {"cedil", 0xB8},
    {"sup1", 0xB9},    {"ordm", 0xBA},    {"raquo", 0xBB},   {"frac14", 0xBC},   {"frac12", 0xBD},
    {"frac34", 0xBE},  {"iquest", 0xBF},  {"Agrave", 0xC0},  {"Aacute", 0xC1},   {"Acirc", 0xC2},
    {"Atilde", 0xC3},  {"Auml", 0xC4},    {"Aring", 0xC5},   {"AElig", 0xC6},    {"Ccedil", 0xC7},
    {"Egrave", 0xC8},  {"Eacute", 0xC9},  {"Ecirc", 0xCA},   {"Euml", 0xCB},     {"Igrave", 0xCC},
    {"Iacute", 0xCD},  {"Icirc", 0xCE},   {"Iuml", 0xCF},    {"ETH", 0xD0},      {"Ntilde", 0xD1},
    {"Ograve", 0xD2},  {"Oacute", 0xD3},  {"Ocirc", 0xD4},   {"Otilde", 0xD5},   {"Ouml", 0xD6},
    {"times", 0xD7},   {"Oslash", 0xD8},  {"Ugrave", 0xD9},  {"Uacute", 0xDA},   {"Ucirc", 0xDB},
    {"Uuml", 0xDC},    {"Yacute", 0xDD},  {"THORN", 0xDE},   {"szlig", 0xDF},    {"agrave", 0xE0},
    {"aacute", 0xE1},  {"acirc", 0xE2},   {"atilde", 0xE3},  {"auml", 0xE4},     {"aring", 0xE5},
    {"aelig", 0xE6},   {"ccedil", 0xE7},  {"egrave", 0xE8},  {"eacute", 0xE9},   {"ecirc", 0xEA},
    {"euml", 0xEB},    {"igrave", 0xEC},  {"iacute", 0xED},  {"icirc", 0xEE},    {"iuml", 0xEF},
    {"eth", 0xF0},     {"ntilde", 0xF1},  {"ograve", 0xF2},  {"oacute", 0xF3},   {"ocirc", 0xF4},
    {"otilde", 0xF5},  {"ouml", 0xF6},    {"divide", 0xF7},  {"oslash", 0xF8},   {"ugrave", 0xF9},
    {"uacute", 0xFA},  {"ucirc", 0xFB},   {"uuml", 0xFC},    {"yacute", 0xFD},   {"thorn", 0xFE},
    {"yuml", 0xFF},    {"ndash", 0x2013}, {"mdash", 0x2014}, {"lsquo", 0x2018},  {"rsquo", 0x2019},
    {"ldquo", 0x201C}, {"rdquo", 0x201D}, {"bull", 0x2022},  {"hellip", 0x2026}, {"euro", 0x20AC},
    {"trade", 0x2122}, {"ensp", ' '},     {"emsp", ' '},     {"thinsp", ' '},
};

// The value of the reference body between '&' and ';', or 0 when it is not one.
char32_t Resolve(std::string_view body) {
  if (body.size() >= 2 && body[0] == '#') {
    const bool hex = body[1] == 'x' || body[1] == 'X';
    const std::string_view digits = body.substr(hex ? 2 : 1);
    std::uint32_t value = 0;
    const auto [end, ec] =
        std::from_chars(digits.data(), digits.data() + digits.size(), value, hex ? 16 : 10);
    if (ec != std::errc() || end != digits.data() + digits.size() || digits.empty()) return 0;
    return value == 0 || value > 0x10FFFF ? 0xFFFD : value;
  }
  for (const NamedEntity& e : kEntities)
    if (e.name == body) return e.value;
  return 0;
}

}  // namespace

void WriteDecoded(std::string_view text, TextEncoding encoding, Latin1Writer& out) {
  const auto plain = [&](std::string_view run) {
    if (encoding == TextEncoding::Utf8)
      out.Utf8(run);
    else
      out.Latin1(run);
  };
  std::size_t pos = 0;
  while (pos < text.size() && !out.full()) {
    const std::size_t amp = text.find('&', pos);
    if (amp == std::string_view::npos) {
      plain(text.substr(pos));
      return;
    }
    plain(text.substr(pos, amp - pos));
    // A reference is short; a lone '&' stays as it is.
    const std::size_t semi = text.find(';', amp + 1);
    const char32_t value = semi != std::string_view::npos && semi - amp <= 12
                               ? Resolve(text.substr(amp + 1, semi - amp - 1))
                               : 0;
    if (value == 0) {
      out.CodePoint('&');
      pos = amp + 1;
    } else {
      out.CodePoint(value);
      pos = semi + 1;
    }
  }
}

}  // namespace docfilter
