// SCCCA.DLL: content access. The content readers live in SCCDA.DLL with the archive
// members they read; these entry points pass the calls on.
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

DFSTATUS WINAPI CAOpenContent(DFHANDLE member, DFHANDLE* content) {
  const auto open = FilterLink::Get<docfilter::DFPROC_ContentOpen>("DFContentOpen");
  return open ? open(member, content) : DF_E_FAIL;
}

DFSTATUS WINAPI CACloseContent(DFHANDLE content) {
  const auto close = FilterLink::Get<docfilter::DFPROC_Close>("DFContentClose");
  return close ? close(content) : DF_E_FAIL;
}

DFSTATUS WINAPI CAReadFirst(DFHANDLE content, DFCONTENTELEMENT* element) {
  const auto read = FilterLink::Get<docfilter::DFPROC_ContentRead>("DFContentRead");
  return read ? read(content, TRUE, element) : DF_E_FAIL;
}

DFSTATUS WINAPI CAReadNext(DFHANDLE content, DFCONTENTELEMENT* element) {
  const auto read = FilterLink::Get<docfilter::DFPROC_ContentRead>("DFContentRead");
  return read ? read(content, FALSE, element) : DF_E_FAIL;
}

}  // extern "C"
