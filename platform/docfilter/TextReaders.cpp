// SCCDA.DLL: the text readers behind SCCTA.DLL's entry points.

#include "DocFilter.h"
#include "FilterState.h"
#include "TestControls.h"

using docfilter::FilterState;
using docfilter::TextReader;

extern "C" {

DFSTATUS WINAPI DFTextOpen(DFHANDLE document, DFHANDLE* text) try {
  if (!text) return DF_E_BADPARAM;
  *text = 0;
  const auto doc = FilterState::Instance().documents.Get(document);
  if (!doc) return DF_E_BADHANDLE;
  const DFHANDLE handle = FilterState::Instance().texts.Add(std::make_shared<TextReader>(doc));
  if (!handle) return DF_E_FAIL;
  *text = handle;
  return DF_OK;
} catch (...) {  // no exception may cross the entry point
  return DF_E_FAIL;
}

DFSTATUS WINAPI DFTextClose(DFHANDLE text) {
  return FilterState::Instance().texts.Remove(text) ? DF_OK : DF_E_BADHANDLE;
}

DFSTATUS WINAPI DFTextRead(DFHANDLE text, DWORD first, BYTE* buffer, DWORD capacity, DWORD* count) {
  // 1. An open reader.
  if (count) *count = 0;
  const auto reader = FilterState::Instance().texts.Get(text);
  if (!reader) return DF_E_BADHANDLE;

  // 2. The test delay comes before any lock is taken, so a reader thread that is ended
  // while it waits leaves nothing locked behind.
  const DWORD delay = docfilter::TestControls::Instance().slowFirstReadMs();
  if (first && delay) Sleep(delay);

  // 3. The chunk.
  std::lock_guard guard(reader->lock);
  std::size_t n = 0;
  const auto status =
      reader->chunker.Read(first != 0, reinterpret_cast<char*>(buffer), capacity, &n);
  if (count) *count = static_cast<DWORD>(n);
  return status;
}

}  // extern "C"
