// The messaging stand-in's test controls, reached by name in the mapi32.dll of the process,
// and small file helpers the tests around it share.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace standin {

// The control of that name; the stand-in is loaded where the process has not loaded it yet.
template <class F>
F Control(const char* name) {
  HMODULE mapi = GetModuleHandleA("mapi32.dll");
  if (!mapi) mapi = LoadLibraryA("mapi32.dll");
  return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(mapi, name)));
}

// The lines of the call journal that start with the operation's name (every line for "").
std::vector<std::string> Journal(const std::string& operation = "");
void ClearJournal();
// The calls of an operation that can be made to fail, since the last ClearCalls.
ULONG Calls(const char* operation);
void ClearCalls();
// Waits until the spooler has handed on everything submitted.
HRESULT SpoolerIdle(ULONG milliseconds = 10000);
// The largest property value a single read delivers; longer ones must be read as streams.
void SetSizeLimit(ULONG bytes);

}  // namespace standin

// The bytes of a file (empty where it cannot be read).
std::string ReadFileBytes(const std::string& path);
// The full paths of the files in a directory that match a pattern ("*.eml").
std::vector<std::string> FilesIn(const std::string& dir, const char* pattern);
