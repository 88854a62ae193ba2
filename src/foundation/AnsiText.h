// Conversions between 16-bit strings and 8-bit strings of the process's ANSI code page,
// for the Win32 calls that take 8-bit text (registry, file names of the trace log).
#pragma once

#include <windows.h>

#include <string>

#include "foundation/Owned.h"

namespace kelmsgs {

std::string AnsiFromWide(const wchar_t* text, std::size_t length);
// A BSTR (null reads as empty).
std::string AnsiFromBstr(const wchar_t* bstr);
std::wstring WideFromAnsi(const char* text, std::size_t length);
std::wstring WideFromAnsi(const char* text);
// A new BSTR of 8-bit text of the ANSI code page; null only when memory runs out.
Bstr BstrFromAnsi(const std::string& text);

}  // namespace kelmsgs
