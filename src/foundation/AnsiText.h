// Conversions between 16-bit strings and 8-bit strings of the process's ANSI code page,
// for the Win32 calls that take 8-bit text (registry, file names of the trace log).
#pragma once

#include <windows.h>

#include <string>

namespace kelmsgs {

std::string AnsiFromWide(const wchar_t* text, std::size_t length);
// A BSTR (null reads as empty).
std::string AnsiFromBstr(const wchar_t* bstr);
std::wstring WideFromAnsi(const char* text, std::size_t length);
std::wstring WideFromAnsi(const char* text);

}  // namespace kelmsgs
