// Clipboard data and the global memory that carries it.
#pragma once

#include <windows.h>

#include <string>

#include "foundation/Owned.h"

namespace kelmsgs {

// One format the clipboard monitor keeps: 8-bit formats as their bytes, Unicode text as
// UTF-16, each without its terminating zero.
struct ClipboardFormat {
  UINT format = 0;
  std::string name;
  std::string bytes;
  std::wstring text;
  bool wide = false;
};

// The data of a format of the open clipboard up to its first zero and never past the
// memory's size; empty when the format is missing or its memory cannot be locked.
std::string ReadClipboardBytes(UINT format);
std::wstring ReadClipboardText(UINT format);

// Movable global memory holding the format's data and a terminating zero; null when the
// allocation fails.
GlobalMemory ClipboardMemoryOf(const ClipboardFormat& data);

}  // namespace kelmsgs
