#include "attach/SafeFileName.h"

#include <array>

namespace kelmsgs {

namespace {

bool IsSeparator(char c) {
  return c == '\\' || c == '/';
}

bool IsAsciiLetter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

char Upper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool IsForbidden(char c) {
  const auto byte = static_cast<unsigned char>(c);
  if (byte < 32) return true;
  for (char f : std::string_view("<>:\"/\\|?*"))
    if (c == f) return true;
  return false;
}

bool EqualsUpper(std::string_view text, std::string_view upperWord) {
  if (text.size() != upperWord.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i)
    if (Upper(text[i]) != upperWord[i]) return false;
  return true;
}

// Device names are matched on the part before the first dot, without trailing blanks:
// Windows opens the device for "nul.txt" and "NUL .log" alike.
bool IsReservedDevice(std::string_view name) {
  std::string_view base = name.substr(0, name.find('.'));
  while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
  constexpr std::array<std::string_view, 6> kWords = {"CON", "PRN",    "AUX",
                                                      "NUL", "CONIN$", "CONOUT$"};
  for (std::string_view word : kWords)
    if (EqualsUpper(base, word)) return true;
  // COM and LPT with one digit, including the superscript digits of Latin-1.
  if (base.size() != 4) return false;
  if (!EqualsUpper(base.substr(0, 3), "COM") && !EqualsUpper(base.substr(0, 3), "LPT"))
    return false;
  const auto digit = static_cast<unsigned char>(base[3]);
  return (digit >= '0' && digit <= '9') || digit == 0xB9 || digit == 0xB2 || digit == 0xB3;
}

}  // namespace

std::string SafeFileName(std::string_view name) {
  // 1. The last path component, without a drive in front of it.
  std::size_t start = name.size();
  while (start > 0 && !IsSeparator(name[start - 1])) --start;
  std::string_view last = name.substr(start);
  if (last.size() >= 2 && IsAsciiLetter(last[0]) && last[1] == ':') last.remove_prefix(2);

  // 2. Forbidden characters replaced.
  std::string result(last);
  for (char& c : result)
    if (IsForbidden(c)) c = '_';

  // 3. No trailing dots or blanks (Windows would drop them and so reach another name).
  while (!result.empty() && (result.back() == '.' || result.back() == ' ')) result.pop_back();

  // 4. Never a device.
  if (IsReservedDevice(result)) result.insert(result.begin(), '_');

  // 5. Something to call it.
  if (result.empty()) result = kUntitledName;
  return result;
}

}  // namespace kelmsgs
