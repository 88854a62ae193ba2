// Utility functions of the messaging subsystem.
#include <mapiutil.h>

#include <cstring>

#include "HexCore.h"
#include "core/ConversationIndex.h"
#include "control/Control.h"
#include "util/FileStream.h"
#include "util/Owners.h"
#include "util/PropConvert.h"

using namespace mapistandin;

extern "C" void STDAPICALLTYPE HexFromBin(LPBYTE bytes, int count, LPTSTR out) {
  if (!out) return;
  if (!bytes || count < 0) count = 0;
  mapistandin::BytesToHex(bytes, static_cast<std::size_t>(count), out);
}

extern "C" WINBOOL STDAPICALLTYPE FBinFromHex(LPTSTR hex, LPBYTE out) {
  if (!hex || !out) return FALSE;
  return mapistandin::HexToBytes(hex, out) ? TRUE : FALSE;
}

extern "C" HRESULT STDAPICALLTYPE HrGetOneProp(LPMAPIPROP object, ULONG tag, LPSPropValue* out) {
  // 1. Arguments.
  if (!object || !out) return MAPI_E_INVALID_PARAMETER;
  *out = nullptr;
  // 2. GetProps of the one tag.
  SizedSPropTagArray(1, tags) = {1, {tag}};
  ULONG count = 0;
  MapiBuffer<SPropValue> values;
  HRESULT hr = object->GetProps(reinterpret_cast<LPSPropTagArray>(&tags), 0, &count, values.put());
  if (FAILED(hr)) return hr;
  // 3. An error value is the call's error.
  if (hr == MAPI_W_ERRORS_RETURNED || !values || count != 1 ||
      PROP_TYPE(values->ulPropTag) == PT_ERROR) {
    return values && count == 1 && PROP_TYPE(values->ulPropTag) == PT_ERROR ? values->Value.err
                                                                            : MAPI_E_NOT_FOUND;
  }
  *out = values.release();
  return S_OK;
}

extern "C" HRESULT STDAPICALLTYPE HrSetOneProp(LPMAPIPROP object, LPSPropValue value) {
  if (!object || !value) return MAPI_E_INVALID_PARAMETER;
  MapiBuffer<SPropProblemArray> problems;
  HRESULT hr = object->SetProps(1, value, problems.put());
  if (FAILED(hr)) return hr;
  if (problems && problems->cProblem > 0) return problems->aProblem[0].scode;
  return S_OK;
}

extern "C" WINBOOL STDAPICALLTYPE FPropExists(LPMAPIPROP object, ULONG tag) {
  MapiBuffer<SPropValue> value;
  return object && SUCCEEDED(HrGetOneProp(object, tag, value.put()));
}

extern "C" LPSPropValue STDAPICALLTYPE PpropFindProp(LPSPropValue values, ULONG count, ULONG tag) {
  for (ULONG i = 0; i < count && values; ++i) {
    const ULONG t = values[i].ulPropTag;
    if (PROP_ID(t) == PROP_ID(tag) && (PROP_TYPE(tag) == PT_UNSPECIFIED || t == tag))
      return &values[i];
  }
  return nullptr;
}

extern "C" SCODE STDAPICALLTYPE PropCopyMore(LPSPropValue dest, LPSPropValue src,
                                             ALLOCATEMORE* allocMore, LPVOID base) {
  if (!dest || !src || !base) return MAPI_E_INVALID_PARAMETER;
  // The stand-in's values are always chained with its own MAPIAllocateMore.
  (void)allocMore;
  return ToSPropValue(FromSPropValue(*src), *dest, base);
}

extern "C" void STDAPICALLTYPE FreeProws(LPSRowSet rows) {
  if (!rows) return;
  for (ULONG i = 0; i < rows->cRows; ++i) MAPIFreeBuffer(rows->aRow[i].lpProps);
  MAPIFreeBuffer(rows);
}

extern "C" void STDAPICALLTYPE FreePadrlist(LPADRLIST list) {
  if (!list) return;
  for (ULONG i = 0; i < list->cEntries; ++i) MAPIFreeBuffer(list->aEntries[i].rgPropVals);
  MAPIFreeBuffer(list);
}

extern "C" HRESULT STDAPICALLTYPE HrQueryAllRows(LPMAPITABLE table, LPSPropTagArray tags,
                                                 LPSRestriction restriction,
                                                 LPSSortOrderSet sortOrder, LONG maxRows,
                                                 LPSRowSet* out) {
  // 1. Arguments.
  if (!table || !out) return MAPI_E_INVALID_PARAMETER;
  *out = nullptr;
  control::Journal("HrQueryAllRows", static_cast<ULONG>(maxRows),
                   tags ? std::vector<ULONG>(tags->aulPropTag, tags->aulPropTag + tags->cValues)
                        : std::vector<ULONG>{});
  if (HRESULT hr = control::Fault("HrQueryAllRows"); FAILED(hr)) return hr;
  // 2. Columns, restriction and sort order, each only when given.
  HRESULT hr = S_OK;
  if (tags && FAILED(hr = table->SetColumns(tags, TBL_BATCH))) return hr;
  if (restriction && FAILED(hr = table->Restrict(restriction, TBL_BATCH))) return hr;
  if (sortOrder && FAILED(hr = table->SortTable(sortOrder, TBL_BATCH))) return hr;
  // 3. From the first row, all rows; more than maxRows (when not 0) is an error.
  if (FAILED(hr = table->SeekRow(BOOKMARK_BEGINNING, 0, nullptr))) return hr;
  ULONG count = 0;
  if (FAILED(hr = table->GetRowCount(0, &count))) return hr;
  if (maxRows > 0 && count > static_cast<ULONG>(maxRows)) return MAPI_E_TABLE_TOO_BIG;
  return table->QueryRows(count ? static_cast<LONG>(count) : 1, 0, out);
}

extern "C" HRESULT STDAPICALLTYPE OpenStreamOnFile(LPALLOCATEBUFFER, LPFREEBUFFER, ULONG flags,
                                                   LPTSTR fileName, LPTSTR prefix, LPSTREAM* out) {
  // 1. Arguments.
  if (!out) return MAPI_E_INVALID_PARAMETER;
  *out = nullptr;
  control::Journal("OpenStreamOnFile", flags, {}, fileName ? fileName : "");
  if (HRESULT hr = control::Fault("OpenStreamOnFile"); FAILED(hr)) return hr;
  // 2. The file name: given, or a new unique one in the given directory.
  char unique[MAX_PATH];
  const char* path = fileName;
  if (flags & SOF_UNIQUEFILENAME) {
    char dir[MAX_PATH];
    if (fileName && *fileName) {
      lstrcpynA(dir, fileName, MAX_PATH);
    } else if (!GetTempPathA(MAX_PATH, dir)) {
      return MAPI_E_CALL_FAILED;
    }
    if (!GetTempFileNameA(dir, prefix && *prefix ? prefix : "SOF", 0, unique))
      return MAPI_E_CALL_FAILED;
    path = unique;
  }
  if (!path || !*path) return MAPI_E_INVALID_PARAMETER;
  // 3. Open: STGM_CREATE makes or empties the file; otherwise it must exist.
  const bool writable = (flags & (STGM_WRITE | STGM_READWRITE)) != 0;
  const DWORD access = GENERIC_READ | (writable ? GENERIC_WRITE : 0);
  const DWORD disposition =
      (flags & STGM_CREATE) || (flags & SOF_UNIQUEFILENAME) ? CREATE_ALWAYS : OPEN_EXISTING;
  HANDLE file = CreateFileA(
      path, access, FILE_SHARE_READ | (writable ? 0 : FILE_SHARE_WRITE), nullptr, disposition,
      FILE_ATTRIBUTE_NORMAL | ((flags & STGM_DELETEONRELEASE) ? FILE_FLAG_DELETE_ON_CLOSE : 0),
      nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return MAPI_E_NOT_FOUND;
    if (error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION) return MAPI_E_NO_ACCESS;
    return MAPI_E_CALL_FAILED;
  }
  *out = new FileStream(file, writable);
  return S_OK;
}

extern "C" SCODE STDAPICALLTYPE ScCreateConversationIndex(ULONG cbParent, LPBYTE parent,
                                                          ULONG* size, LPBYTE* index) {
  // 1. Arguments.
  if (!size || !index || (cbParent && !parent)) return MAPI_E_INVALID_PARAMETER;
  *size = 0;
  *index = nullptr;
  control::Journal("ScCreateConversationIndex", 0, {}, cbParent ? "child" : "new");
  if (HRESULT hr = control::Fault("ScCreateConversationIndex"); FAILED(hr)) return hr;
  // 2. The index for now, with a new conversation GUID or below the parent.
  FILETIME now{};
  GetSystemTimeAsFileTime(&now);
  GUID guid{};
  if (FAILED(CoCreateGuid(&guid))) return MAPI_E_CALL_FAILED;
  const std::string bytes = MakeConversationIndex(
      cbParent ? std::string(reinterpret_cast<const char*>(parent), cbParent) : std::string(),
      std::uint64_t{now.dwHighDateTime} << 32 | now.dwLowDateTime,
      std::string(reinterpret_cast<const char*>(&guid), sizeof guid),
      static_cast<std::uint8_t>(guid.Data4[7]));
  if (bytes.empty()) return MAPI_E_INVALID_PARAMETER;
  // 3. In one MAPI block that the caller frees.
  void* block = nullptr;
  if (HRESULT hr = MAPIAllocateBuffer(static_cast<ULONG>(bytes.size()), &block); FAILED(hr))
    return hr;
  std::memcpy(block, bytes.data(), bytes.size());
  *size = static_cast<ULONG>(bytes.size());
  *index = static_cast<LPBYTE>(block);
  return S_OK;
}
