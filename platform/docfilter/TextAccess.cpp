// SCCTA.DLL: text access. The text readers live in SCCDA.DLL with the documents they
// read; these entry points pass the calls on.
#include "DocFilter.h"
#include "FilterLink.h"

using docfilter::FilterLink;

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    FilterLink::SetOwnModule(instance);
    DisableThreadLibraryCalls(instance);
  }
  return TRUE;
}

extern "C" {

DFSTATUS WINAPI TAOpenText(DFHANDLE document, DFHANDLE* text) {
  const auto open = FilterLink::Get<docfilter::DFPROC_TextOpen>("DFTextOpen");
  return open ? open(document, text) : DF_E_FAIL;
}

DFSTATUS WINAPI TACloseText(DFHANDLE text) {
  const auto close = FilterLink::Get<docfilter::DFPROC_Close>("DFTextClose");
  return close ? close(text) : DF_E_FAIL;
}

DFSTATUS WINAPI TAReadFirst(DFHANDLE text, BYTE* buffer, DWORD capacity, DWORD* count) {
  const auto read = FilterLink::Get<docfilter::DFPROC_TextRead>("DFTextRead");
  return read ? read(text, TRUE, buffer, capacity, count) : DF_E_FAIL;
}

DFSTATUS WINAPI TAReadNext(DFHANDLE text, BYTE* buffer, DWORD capacity, DWORD* count) {
  const auto read = FilterLink::Get<docfilter::DFPROC_TextRead>("DFTextRead");
  return read ? read(text, FALSE, buffer, capacity, count) : DF_E_FAIL;
}

}  // extern "C"
