#include "content/DocumentPath.h"

#include <vector>

#include "foundation/AnsiText.h"

namespace kelmsgs {

namespace {

// The ANSI form of path when it converts back to the same text; empty otherwise.
std::string LosslessAnsi(std::wstring_view path) {
  std::string ansi = AnsiFromWide(path.data(), path.size());
  if (ansi.empty() || WideFromAnsi(ansi.data(), ansi.size()) != path) return {};
  return ansi;
}

std::wstring ShortForm(const std::wstring& path) {
  std::vector<wchar_t> buffer(MAX_PATH + 1);
  DWORD length = GetShortPathNameW(path.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
  if (length >= buffer.size()) {
    buffer.resize(length + 1);
    length = GetShortPathNameW(path.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
  }
  return length > 0 && length < buffer.size() ? std::wstring(buffer.data(), length)
                                              : std::wstring();
}

}  // namespace

std::string FilterDocumentPath(std::wstring_view path) {
  // 1. The path as the code page writes it.
  if (std::string ansi = LosslessAnsi(path); !ansi.empty()) return ansi;
  // 2. Else its short form, if the file system gives one the code page holds.
  const std::wstring shortPath = ShortForm(std::wstring(path));
  return shortPath.empty() ? std::string() : LosslessAnsi(shortPath);
}

}  // namespace kelmsgs
