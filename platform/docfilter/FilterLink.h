// How SCCTA.DLL and SCCCA.DLL reach the document access library that holds the open
// documents: the SCCDA.DLL in their own directory, found by full path, so a copy of it
// elsewhere on the search path can never split the filter's state in two.
#pragma once

#include <windows.h>

#include "DocFilter.h"

namespace docfilter {

using DFPROC_TextOpen = DFSTATUS(WINAPI*)(DFHANDLE, DFHANDLE*);
using DFPROC_Close = DFSTATUS(WINAPI*)(DFHANDLE);
using DFPROC_TextRead = DFSTATUS(WINAPI*)(DFHANDLE, DWORD, BYTE*, DWORD, DWORD*);
using DFPROC_ContentOpen = DFSTATUS(WINAPI*)(DFHANDLE, DFHANDLE*);
using DFPROC_ContentRead = DFSTATUS(WINAPI*)(DFHANDLE, DWORD, DFCONTENTELEMENT*);

class FilterLink {
 public:
  // Remembers the module the link belongs to (from DllMain).
  static void SetOwnModule(HMODULE module);
  // The entry of SCCDA.DLL, or null when the library or the entry is missing.
  static FARPROC Entry(const char* name);

  template <class F>
  static F Get(const char* name) {
    return reinterpret_cast<F>(reinterpret_cast<void*>(Entry(name)));
  }
};

}  // namespace docfilter
