// SCCDA.DLL: the content readers behind SCCCA.DLL's entry points.

#include "DocFilter.h"
#include "FilterState.h"
#include "TestControls.h"

using docfilter::ContentReader;
using docfilter::FilterState;

static_assert(docfilter::kElementText == DF_ELEMENT_TEXT &&
              docfilter::kElementBegin == DF_ELEMENT_BEGIN &&
              docfilter::kElementEnd == DF_ELEMENT_END);
static_assert(docfilter::kSubtypeBodyText == DF_SUBTYPE_TEXT);
static_assert(docfilter::kChunkMore == DF_OK && docfilter::kChunkLast == DF_TEXT_LAST &&
              docfilter::kChunkNone == DF_E_NOMORE && docfilter::kChunkBadArgs == DF_E_BADPARAM);

extern "C" {

DFSTATUS WINAPI DFContentOpen(DFHANDLE member, DFHANDLE* content) try {
  // 1. An open member.
  if (!content) return DF_E_BADPARAM;
  *content = 0;
  const auto open = FilterState::Instance().members.Get(member);
  if (!open) return DF_E_BADHANDLE;
  if (docfilter::TestControls::Instance().failOpenContent()) return DF_E_TESTFAULT;

  // 2. Its text, read now; data that cannot be read fails the open.
  const auto text = open->document->MemberText(open->index);
  if (!text) return DF_E_MEMBERDATA;

  // 3. A reader over its elements.
  const DFHANDLE handle =
      FilterState::Instance().contents.Add(std::make_shared<ContentReader>(std::move(*text)));
  if (!handle) return DF_E_FAIL;
  *content = handle;
  return DF_OK;
} catch (...) {  // no exception may cross the entry point
  return DF_E_FAIL;
}

DFSTATUS WINAPI DFContentClose(DFHANDLE content) {
  return FilterState::Instance().contents.Remove(content) ? DF_OK : DF_E_BADHANDLE;
}

DFSTATUS WINAPI DFContentRead(DFHANDLE content, DWORD first, DFCONTENTELEMENT* element) {
  // 1. A record of the right size and an open reader.
  if (!element || element->dwSize != sizeof(DFCONTENTELEMENT)) return DF_E_BADPARAM;
  if (!element->pBuffer || element->dwBufferSize == 0) return DF_E_BADPARAM;
  const auto reader = FilterState::Instance().contents.Get(content);
  if (!reader) return DF_E_BADHANDLE;

  // 2. The next element into the record and the caller's buffer.
  std::lock_guard guard(reader->lock);
  docfilter::ElementOut out;
  if (!reader->elements.Read(first != 0, static_cast<char*>(element->pBuffer),
                             element->dwBufferSize, out))
    return DF_E_NOMORE;
  element->dwType = out.type;
  element->dwSubType = out.subtype;
  for (DWORD& word : element->dwData) word = 0;
  element->dwData[0] = static_cast<DWORD>(out.textBytes);
  return DF_OK;
}

}  // extern "C"
