#include "FilterLink.h"

#include <mutex>
#include <string>

namespace docfilter {

namespace {

HMODULE g_ownModule = nullptr;

HMODULE DocumentAccessModule() {
  static HMODULE module = nullptr;
  static std::once_flag once;
  std::call_once(once, [] {
    // 1. The full path of SCCDA.DLL beside this library.
    wchar_t path[MAX_PATH * 2];
    const DWORD n = GetModuleFileNameW(g_ownModule, path, MAX_PATH * 2);
    if (n == 0 || n >= MAX_PATH * 2) return;
    std::wstring file(path, n);
    const std::size_t slash = file.find_last_of(L"\\/");
    file =
        (slash == std::wstring::npos ? std::wstring() : file.substr(0, slash + 1)) + L"SCCDA.DLL";
    // 2. The module already loaded from that path (the usual case: the caller loads all
    // three libraries), else loaded now and kept for the life of the process.
    module = GetModuleHandleW(file.c_str());
    if (!module) module = LoadLibraryW(file.c_str());
  });
  return module;
}

}  // namespace

void FilterLink::SetOwnModule(HMODULE module) {
  g_ownModule = module;
}

FARPROC FilterLink::Entry(const char* name) {
  const HMODULE module = DocumentAccessModule();
  return module ? GetProcAddress(module, name) : nullptr;
}

}  // namespace docfilter
