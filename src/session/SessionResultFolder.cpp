// QMXSession: the diagnostic look at the library's result store, the message store named
// "Quendrel e-mail Management": its top-level folders go to the session's log.
#include <mapiutil.h>

#include <cstring>

#include "foundation/PropTags.h"
#include "foundation/RowColumn.h"
#include "session/QMXSession.h"

namespace kelmsgs {

namespace {

constexpr char kResultStoreName[] = "Quendrel e-mail Management";
constexpr char kOperation[] = "GetResultFolder2";
// The columns of both tables read here.
enum class IdName { EntryId, DisplayName };

HRESULT QueryIdsAndNames(IMAPITable* table, RowSet& rows) {
  auto columns = MakeTags(PR_ENTRYID, PR_DISPLAY_NAME_A);
  return HrQueryAllRows(table, columns.get(), nullptr, nullptr, 0, rows.put());
}

HRESULT OpenFolder(IMsgStore* store, const SBinary& id, ComPtr<IMAPIFolder>& folder) {
  ULONG type = 0;
  return store->OpenEntry(id.cb, reinterpret_cast<LPENTRYID>(id.lpb), nullptr, MAPI_BEST_ACCESS,
                          &type, reinterpret_cast<LPUNKNOWN*>(folder.put()));
}

// The result store's row: the first whose name is the result store's, byte for byte.
const SBinary* ResultStoreId(const SRowSet& rows) {
  for (ULONG i = 0; i < rows.cRows; ++i) {
    const SPropValue* name = Column(rows.aRow[i], IdName::DisplayName, PR_DISPLAY_NAME_A);
    if (!name || !name->Value.lpszA || std::strcmp(name->Value.lpszA, kResultStoreName) != 0)
      continue;
    const SPropValue* id = Column(rows.aRow[i], IdName::EntryId, PR_ENTRYID);
    return id ? &id->Value.bin : nullptr;
  }
  return nullptr;
}

}  // namespace

HRESULT CQMXSession::GetResultFolderTest() {
  // A session that is not logged on has no stores to look at.
  if (!session_) return S_OK;
  // 1. The store table.
  ComPtr<IMAPITable> table;
  HRESULT hr = session_->GetMsgStoresTable(0, table.put());
  if (FAILED(hr)) return hr;
  // 2. The result store.
  RowSet stores;
  if (FAILED(QueryIdsAndNames(table.get(), stores))) return S_OK;
  const SBinary* storeId = ResultStoreId(*stores.get());
  if (!storeId) return S_OK;
  ComPtr<IMsgStore> store;
  hr = session_->OpenMsgStore(reinterpret_cast<ULONG_PTR>(GetActiveWindow()), storeId->cb,
                              reinterpret_cast<LPENTRYID>(storeId->lpb), nullptr, MAPI_BEST_ACCESS,
                              store.put());
  if (FAILED(hr)) return S_OK;
  // 3-6. Its top-level folders.
  TraceResultFolders(store.get());
  return S_OK;
}

void CQMXSession::TraceResultFolders(IMsgStore* store) {
  // 3. The root of the store's folders.
  PropValues rootId;
  ComPtr<IMAPIFolder> root;
  if (FAILED(HrGetOneProp(store, PR_IPM_SUBTREE_ENTRYID, rootId.put())) ||
      rootId.get()->ulPropTag != PR_IPM_SUBTREE_ENTRYID ||
      FAILED(OpenFolder(store, rootId.get()->Value.bin, root))) {
    SESSION_TRACE(kOperation, "Failed to open root folder.");
    return;
  }
  // 4. Whether it has subfolders.
  PropValues subfolders;
  if (SUCCEEDED(HrGetOneProp(root.get(), PR_SUBFOLDERS, subfolders.put())) &&
      subfolders.get()->ulPropTag == PR_SUBFOLDERS)
    SESSION_TRACE(kOperation,
                  subfolders.get()->Value.b ? "Has subfolder(s)." : "Has no subfolders.");
  // 5. Its hierarchy table.
  ComPtr<IMAPITable> hierarchy;
  RowSet rows;
  if (FAILED(root->OpenProperty(PR_CONTAINER_HIERARCHY, &IID_IMAPITable, 0, MAPI_DEFERRED_ERRORS,
                                reinterpret_cast<LPUNKNOWN*>(hierarchy.put()))) ||
      FAILED(QueryIdsAndNames(hierarchy.get(), rows)))
    return;
  // 6. Each folder, in table order.
  for (ULONG i = 0; i < rows.get()->cRows; ++i) TraceFolderRow(store, rows.get()->aRow[i]);
}

void CQMXSession::TraceFolderRow(IMsgStore* store, const SRow& row) {
  // 1. The folder's own name and its identifier; a folder that cannot be opened is skipped.
  if (const SPropValue* id = Column(row, IdName::EntryId, PR_ENTRYID)) {
    ComPtr<IMAPIFolder> folder;
    if (FAILED(OpenFolder(store, id->Value.bin, folder))) return;
    PropValues name;
    if (SUCCEEDED(HrGetOneProp(folder.get(), PR_DISPLAY_NAME_A, name.put())) &&
        name.get()->ulPropTag == PR_DISPLAY_NAME_A && name.get()->Value.lpszA)
      SESSION_TRACE(kOperation, name.get()->Value.lpszA);
    folder.reset();
    const auto hex = EntryIdToHex(id->Value.bin.lpb, id->Value.bin.cb);
    if (hex) SESSION_TRACE(kOperation, hex.get());
  }
  // 2. The name the table gives.
  if (const SPropValue* name = Column(row, IdName::DisplayName, PR_DISPLAY_NAME_A))
    if (name->Value.lpszA) SESSION_TRACE(kOperation, name->Value.lpszA);
}

}  // namespace kelmsgs
