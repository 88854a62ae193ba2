// The profile of platform/mapi/fixture/result-profile.json, copied next to the test program:
// a mailbox with an inbox, the library's result store "Quendrel e-mail Management" with
// three top-level folders (one with a subfolder), and a store whose name differs only in case.
#pragma once

#include <windows.h>

#include <string>

inline std::string ResultStoreProfile() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  const std::string exe = path;
  return exe.substr(0, exe.find_last_of('\\') + 1) + "result-profile.json";
}
