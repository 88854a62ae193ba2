#include "RawClient.h"

#include <cstring>

#include "foundation/ComPtr.h"

namespace rawclient {

namespace {

constexpr ULONG kBatch = 1000;

std::size_t SubjectLength(const SPropValue& value) {
  return PROP_TYPE(value.ulPropTag) == PT_STRING8 && value.Value.lpszA
             ? std::strlen(value.Value.lpszA)
             : 0;
}

// Reads the one column `tag` of the table in batches, handing each row's value to onValue
// (which answers an HRESULT; a failure stops the reading).
template <class F>
HRESULT ForEachValue(IMAPITable* table, ULONG tag, F onValue) {
  SizedSPropTagArray(1, columns) = {1, {tag}};
  HRESULT hr = table->SetColumns(reinterpret_cast<LPSPropTagArray>(&columns), 0);
  if (FAILED(hr)) return hr;
  for (;;) {
    kelmsgs::RowSet batch;
    hr = table->QueryRows(kBatch, 0, batch.put());
    if (FAILED(hr)) return hr;
    if (batch.get()->cRows == 0) return S_OK;
    for (ULONG i = 0; i < batch.get()->cRows; ++i) {
      hr = onValue(batch.get()->aRow[i].lpProps[0]);
      if (FAILED(hr)) return hr;
    }
  }
}

}  // namespace

HRESULT AllRows(IMAPIFolder* folder, const SPropTagArray* columns, kelmsgs::RowSet& rows) {
  kelmsgs::ComPtr<IMAPITable> table;
  HRESULT hr = folder->GetContentsTable(0, table.put());
  if (FAILED(hr)) return hr;
  return HrQueryAllRows(table.get(), const_cast<LPSPropTagArray>(columns), nullptr, nullptr, 0,
                        rows.put());
}

// Opens the folder with that identifier below parent, and its contents table.
HRESULT OpenContents(IMAPIContainer* parent, const SBinary& folderId,
                     kelmsgs::ComPtr<IMAPITable>& table) {
  kelmsgs::ComPtr<IMAPIFolder> folder;
  ULONG type = 0;
  HRESULT hr =
      parent->OpenEntry(folderId.cb, reinterpret_cast<LPENTRYID>(folderId.lpb), nullptr,
                        MAPI_BEST_ACCESS, &type, reinterpret_cast<LPUNKNOWN*>(folder.put()));
  if (FAILED(hr)) return hr;
  return folder->GetContentsTable(0, table.put());
}

HRESULT ReadSubjects(IMAPIContainer* parent, const SBinary& folderId, std::size_t& rows,
                     std::size_t& chars) {
  // 1. The folder's contents table.
  kelmsgs::ComPtr<IMAPITable> table;
  if (HRESULT hr = OpenContents(parent, folderId, table); FAILED(hr)) return hr;
  // 2. The subject column, batch by batch.
  return ForEachValue(table.get(), PR_SUBJECT_A, [&](const SPropValue& value) {
    chars += SubjectLength(value);
    ++rows;
    return S_OK;
  });
}

namespace {

// The five columns of a folder snapshot, sorted by submit time.
HRESULT AskSnapshotColumns(IMAPITable* table) {
  SizedSPropTagArray(5, columns) = {
      5, {PR_ENTRYID, PR_HASATTACH, PR_SUBJECT_A, PR_MESSAGE_DELIVERY_TIME, PR_CLIENT_SUBMIT_TIME}};
  SizedSSortOrderSet(1, order) = {1, 0, 0, {{PR_CLIENT_SUBMIT_TIME, TABLE_SORT_ASCEND}}};
  HRESULT hr = table->SetColumns(reinterpret_cast<LPSPropTagArray>(&columns), 0);
  if (FAILED(hr)) return hr;
  return table->SortTable(reinterpret_cast<LPSSortOrderSet>(&order), 0);
}

}  // namespace

HRESULT SnapshotRows(IMAPIFolder* folder, kelmsgs::RowSet& rows) {
  kelmsgs::ComPtr<IMAPITable> table;
  HRESULT hr = folder->GetContentsTable(0, table.put());
  if (FAILED(hr) || FAILED(hr = AskSnapshotColumns(table.get()))) return hr;
  return HrQueryAllRows(table.get(), nullptr, nullptr, nullptr, 0, rows.put());
}

HRESULT ReadSnapshotColumns(IMAPIContainer* parent, const SBinary& folderId, std::size_t& rows,
                            std::size_t& chars) {
  // 1. The folder's contents table.
  kelmsgs::ComPtr<IMAPITable> table;
  HRESULT hr = OpenContents(parent, folderId, table);
  if (FAILED(hr)) return hr;
  // 2. The five columns, sorted by submit time.
  if (FAILED(hr = AskSnapshotColumns(table.get()))) return hr;
  // 3. The rows in batches.
  for (;;) {
    kelmsgs::RowSet batch;
    hr = table->QueryRows(kBatch, 0, batch.put());
    if (FAILED(hr)) return hr;
    if (batch.get()->cRows == 0) return S_OK;
    for (ULONG i = 0; i < batch.get()->cRows; ++i)
      chars += SubjectLength(batch.get()->aRow[i].lpProps[2]);
    rows += batch.get()->cRows;
  }
}

HRESULT OpenAndReadSubjects(IMAPIFolder* folder, const SRowSet* ids, ULONG count, ULONG step,
                            std::size_t& chars) {
  SizedSPropTagArray(1, wanted) = {1, {PR_SUBJECT_A}};
  for (ULONG n = 0, i = 0; n < count && i < ids->cRows; ++n, i += step) {
    // 1. The message.
    const SBinary& id = ids->aRow[i].lpProps[0].Value.bin;
    kelmsgs::ComPtr<IMessage> message;
    ULONG type = 0;
    HRESULT hr =
        folder->OpenEntry(id.cb, reinterpret_cast<LPENTRYID>(id.lpb), nullptr, MAPI_BEST_ACCESS,
                          &type, reinterpret_cast<LPUNKNOWN*>(message.put()));
    if (FAILED(hr)) return hr;
    // 2. Its subject.
    kelmsgs::PropValues values;
    ULONG got = 0;
    hr = message->GetProps(reinterpret_cast<LPSPropTagArray>(&wanted), 0, &got, values.put());
    if (FAILED(hr)) return hr;
    chars += SubjectLength(values.get()[0]);
  }
  return S_OK;
}

HRESULT WalkHierarchy(IMAPIContainer* folder, long& visited) {
  // 1. The hierarchy table.
  kelmsgs::ComPtr<IMAPITable> table;
  HRESULT hr = folder->GetHierarchyTable(0, table.put());
  if (FAILED(hr)) return hr;
  // 2. Each subfolder by its identifier, and its own subfolders.
  return ForEachValue(table.get(), PR_ENTRYID, [&](const SPropValue& value) {
    const SBinary& id = value.Value.bin;
    kelmsgs::ComPtr<IMAPIFolder> sub;
    ULONG type = 0;
    const HRESULT opened =
        folder->OpenEntry(id.cb, reinterpret_cast<LPENTRYID>(id.lpb), nullptr, MAPI_BEST_ACCESS,
                          &type, reinterpret_cast<LPUNKNOWN*>(sub.put()));
    if (FAILED(opened)) return opened;
    ++visited;
    return WalkHierarchy(sub.get(), visited);
  });
}

}  // namespace rawclient
