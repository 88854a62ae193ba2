#include "foundation/AnsiText.h"

#include <oleauto.h>

#include <cstring>

namespace kelmsgs {

std::string AnsiFromWide(const wchar_t* text, std::size_t length) {
  if (!text || length == 0) return {};
  const int wideLength = static_cast<int>(length);
  const int n = WideCharToMultiByte(CP_ACP, 0, text, wideLength, nullptr, 0, nullptr, nullptr);
  if (n <= 0) return {};
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, 0, text, wideLength, out.data(), n, nullptr, nullptr);
  return out;
}

std::string AnsiFromBstr(const wchar_t* bstr) {
  return bstr ? AnsiFromWide(bstr, SysStringLen(const_cast<BSTR>(bstr))) : std::string();
}

std::wstring WideFromAnsi(const char* text, std::size_t length) {
  if (!text || length == 0) return {};
  const int narrowLength = static_cast<int>(length);
  const int n = MultiByteToWideChar(CP_ACP, 0, text, narrowLength, nullptr, 0);
  if (n <= 0) return {};
  std::wstring out(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text, narrowLength, out.data(), n);
  return out;
}

std::wstring WideFromAnsi(const char* text) {
  return WideFromAnsi(text, text ? std::strlen(text) : 0);
}

Bstr BstrFromAnsi(const std::string& text) {
  const std::wstring wide = WideFromAnsi(text.data(), text.size());
  return Bstr(SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size())));
}

}  // namespace kelmsgs
