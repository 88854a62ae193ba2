// SCCDA.DLL: document access. Opens documents and archive members, and holds the text
// and content readers that SCCTA.DLL and SCCCA.DLL reach through the DF* entries.
#include <algorithm>
#include <cstring>
#include <string>

#include "DocFilter.h"
#include "DocumentFile.h"
#include "FilterState.h"
#include "TestControls.h"

using docfilter::FilterDocument;
using docfilter::FilterState;
using docfilter::OpenMember;
using docfilter::TestControls;

extern "C" {

DFSTATUS WINAPI DAInit(void) {
  TestControls::Instance().LoadFromEnvironment();
  return DF_OK;
}

DFSTATUS WINAPI DADeInit(void) {
  FilterState::Instance().Clear();
  return DF_OK;
}

DFSTATUS WINAPI DAOpenDocument(DFHANDLE* document, DWORD sourceType, void* source,
                               DWORD /*flags*/) try {
  // 1. Arguments: an out handle and an ANSI path.
  if (!document) return DF_E_BADPARAM;
  *document = 0;
  if (sourceType != DF_SOURCE_ANSIPATH) return DF_E_BADSOURCE;
  if (!source || !*static_cast<const char*>(source)) return DF_E_BADPARAM;

  // 2. The file's bytes, read once.
  std::string bytes;
  const DFSTATUS read = docfilter::ReadDocumentFile(static_cast<const char*>(source), bytes);
  if (read != DF_OK) return read;

  // 3. A document some reader knows, its text extracted.
  std::shared_ptr<const FilterDocument> doc = FilterDocument::Open(std::move(bytes));
  if (!doc) return DF_E_UNKNOWNFORMAT;

  // 4. A handle for it.
  const DFHANDLE handle = FilterState::Instance().documents.Add(std::move(doc));
  if (!handle) return DF_E_FAIL;
  *document = handle;
  return DF_OK;
} catch (...) {  // no exception may cross the entry point
  return DF_E_FAIL;
}

DFSTATUS WINAPI DACloseDocument(DFHANDLE document) {
  return FilterState::Instance().documents.Remove(document) ? DF_OK : DF_E_BADHANDLE;
}

DFSTATUS WINAPI DASetOption(DFHANDLE, DWORD, void*, DWORD) {
  // The filter has no options; accepting them keeps callers that set some working.
  return DF_OK;
}

DFSTATUS WINAPI DAGetTreeCount(DFHANDLE document, LONG* count) {
  if (!count) return DF_E_BADPARAM;
  const auto doc = FilterState::Instance().documents.Get(document);
  if (!doc) return DF_E_BADHANDLE;
  *count = static_cast<LONG>(doc->memberCount());
  return DF_OK;
}

DFSTATUS WINAPI DAGetTreeRecord(DFHANDLE document, DFTREERECORD* record) {
  // 1. A record of the right size for an open document.
  if (!record || record->dwSize != sizeof(DFTREERECORD)) return DF_E_BADPARAM;
  const auto doc = FilterState::Instance().documents.Get(document);
  if (!doc) return DF_E_BADHANDLE;
  if (TestControls::Instance().failTreeRecord()) return DF_E_TESTFAULT;

  // 2. The member at the index.
  const auto member = doc->member(record->dwIndex);
  if (!member) return DF_E_NOMEMBER;

  // 3. Its safe name, cut to the field, and its size.
  const std::size_t n = std::min(member->name.size(), sizeof record->szName - 1);
  std::memcpy(record->szName, member->name.data(), n);
  record->szName[n] = '\0';
  record->dwFileSize = static_cast<DWORD>(std::min<std::uint64_t>(member->size, 0xFFFFFFFFu));
  return DF_OK;
}

DFSTATUS WINAPI DAOpenTreeRecord(DFHANDLE document, DFHANDLE* member, DWORD index) try {
  if (!member) return DF_E_BADPARAM;
  *member = 0;
  auto doc = FilterState::Instance().documents.Get(document);
  if (!doc) return DF_E_BADHANDLE;
  if (index >= doc->memberCount()) return DF_E_NOMEMBER;
  const DFHANDLE handle = FilterState::Instance().members.Add(
      std::make_shared<OpenMember>(OpenMember{std::move(doc), index}));
  if (!handle) return DF_E_FAIL;
  *member = handle;
  return DF_OK;
} catch (...) {  // no exception may cross the entry point
  return DF_E_FAIL;
}

DFSTATUS WINAPI DACloseTreeRecord(DFHANDLE member) {
  return FilterState::Instance().members.Remove(member) ? DF_OK : DF_E_BADHANDLE;
}

DFSTATUS WINAPI DFSetTestControl(DWORD control, DWORD value) {
  return TestControls::Instance().Set(control, value) ? DF_OK : DF_E_BADPARAM;
}

}  // extern "C"
