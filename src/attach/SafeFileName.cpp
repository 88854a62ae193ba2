#include "attach/SafeFileName.h"

#include <array>

namespace kelmsgs {

namespace {

// The rules below hold for 8-bit names (Latin-1 bytes) and UTF-16 names alike: every
// character they look at has the same value in both.
template <class Char>
bool IsSeparator(Char c) {
  return c == '\\' || c == '/';
}

template <class Char>
bool IsAsciiLetter(Char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

template <class Char>
Char Upper(Char c) {
  return c >= 'a' && c <= 'z' ? static_cast<Char>(c - 'a' + 'A') : c;
}

template <class Char>
unsigned long CodeOf(Char c) {
  return static_cast<std::make_unsigned_t<Char>>(c);
}

template <class Char>
bool IsForbidden(Char c) {
  if (CodeOf(c) < 32) return true;
  for (char f : std::string_view("<>:\"/\\|?*"))
    if (CodeOf(c) == static_cast<unsigned long>(f)) return true;
  return false;
}

template <class Char>
bool EqualsUpper(std::basic_string_view<Char> text, std::string_view upperWord) {
  if (text.size() != upperWord.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i)
    if (CodeOf(Upper(text[i])) != static_cast<unsigned long>(upperWord[i])) return false;
  return true;
}

// Device names are matched on the part before the first dot, without trailing blanks:
// Windows opens the device for "nul.txt" and "NUL .log" alike.
template <class Char>
bool IsReservedDevice(std::basic_string_view<Char> name) {
  std::basic_string_view<Char> base = name.substr(0, name.find('.'));
  while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
  constexpr std::array<std::string_view, 6> kWords = {"CON", "PRN",    "AUX",
                                                      "NUL", "CONIN$", "CONOUT$"};
  for (std::string_view word : kWords)
    if (EqualsUpper(base, word)) return true;
  // COM and LPT with one digit, including the superscript digits of Latin-1.
  if (base.size() != 4) return false;
  if (!EqualsUpper(base.substr(0, 3), "COM") && !EqualsUpper(base.substr(0, 3), "LPT"))
    return false;
  const unsigned long digit = CodeOf(base[3]);
  return (digit >= '0' && digit <= '9') || digit == 0xB9 || digit == 0xB2 || digit == 0xB3;
}

template <class Char>
std::basic_string<Char> SafeName(std::basic_string_view<Char> name) {
  // 1. The last path component, without a drive in front of it.
  std::size_t start = name.size();
  while (start > 0 && !IsSeparator(name[start - 1])) --start;
  std::basic_string_view<Char> last = name.substr(start);
  if (last.size() >= 2 && IsAsciiLetter(last[0]) && last[1] == ':') last.remove_prefix(2);

  // 2. Forbidden characters replaced.
  std::basic_string<Char> result(last);
  for (Char& c : result)
    if (IsForbidden(c)) c = '_';

  // 3. No trailing dots or blanks (Windows would drop them and so reach another name).
  while (!result.empty() && (result.back() == '.' || result.back() == ' ')) result.pop_back();

  // 4. Never a device.
  if (IsReservedDevice(std::basic_string_view<Char>(result))) result.insert(result.begin(), '_');

  // 5. Something to call it.
  if (result.empty()) result.assign(kUntitledName.begin(), kUntitledName.end());
  return result;
}

}  // namespace

std::string SafeFileName(std::string_view name) {
  return SafeName(name);
}

std::wstring SafeFileName(std::wstring_view name) {
  return SafeName(name);
}

}  // namespace kelmsgs
