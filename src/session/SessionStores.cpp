// QMXSession: the message-store table, the store objects made from it and the members
// that look stores up.
#include <mapiutil.h>

#include "foundation/BstrText.h"
#include "foundation/HexId.h"
#include "foundation/PropTags.h"
#include "foundation/RowColumn.h"
#include "frame/ObjectFactory.h"
#include "session/MAPISessionNotify.h"
#include "session/QMXSession.h"

namespace kelmsgs {

namespace {

// Stores are opened for reading what they hold, without mail or dialogs of their own.
constexpr ULONG kStoreOpenFlags = MDB_NO_MAIL | MDB_TEMPORARY | MAPI_BEST_ACCESS;  // 0xB0

// Columns and order of every query of the store table.
auto StoreColumns() {
  return MakeTags(PR_ENTRYID, PR_DISPLAY_NAME_A, PR_DEFAULT_STORE, PR_SUBFOLDERS);
}
struct StoreSortOrder {
  ULONG cSorts = 1, cCategories = 0, cExpanded = 0;
  SSortOrder aSort[1] = {{PR_DISPLAY_NAME_A, TABLE_SORT_ASCEND}};
  LPSSortOrderSet get() { return reinterpret_cast<LPSSortOrderSet>(this); }
};

// The display-name look-up's own columns.
enum class NamedStoreColumn { DisplayName, EntryId };

template <class Position>
bool IsTrue(const SRow& row, Position column, ULONG tag) {
  const SPropValue* value = Column(row, column, tag);
  return value && value->Value.b;
}

template <class Position>
const char* TextOf(const SRow& row, Position column) {
  const SPropValue* value = Column(row, column, PR_DISPLAY_NAME_A);
  return value && value->Value.lpszA ? value->Value.lpszA : "";
}

std::string HexOf(const SBinary& bin) {
  const auto text = EntryIdToHex(bin.lpb, bin.cb);
  return text ? std::string(text.get()) : std::string();
}

// A store object bound to an opened store and named.
HRESULT WrapStore(IMsgStore* store, const char* name, bool isDefault, bool subfolders,
                  ComPtr<IQMXMessageStore>& out) {
  HRESULT hr = CreateObject(CLSID_QMXMessageStore, out);
  if (FAILED(hr)) return hr;
  out->putref_MsgStore(store);
  Bstr displayName(BstrFromNarrow(name ? name : ""));
  out->AddProperties(displayName.get(), isDefault ? VARIANT_TRUE : VARIANT_FALSE,
                     subfolders ? VARIANT_TRUE : VARIANT_FALSE);
  return S_OK;
}

}  // namespace

namespace {

// Every row of the store table, in the columns and order of every query of it.
HRESULT QueryStoreRows(IMAPITable* table, RowSet& rows) {
  auto columns = StoreColumns();
  StoreSortOrder order;
  return HrQueryAllRows(table, columns.get(), nullptr, order.get(), 0, rows.put());
}

}  // namespace

SharedRowSet CQMXSession::StoreRowsNow() const {
  std::lock_guard guard(tableLock_);
  return storeRows_;
}

HRESULT CQMXSession::BuildStoreTable() {
  // 1. A fresh table.
  {
    std::lock_guard guard(tableLock_);
    storeTable_.reset();
  }
  SESSION_TRACE("GetMsgStoresTable", "Function started.");
  // 2. The session's store table.
  ComPtr<IMAPITable> table;
  HRESULT hr = session_->GetMsgStoresTable(0, table.put());
  if (FAILED(hr)) return hr;
  // 3. All rows, by display name; the table and rows are shared with the table's sink.
  RowSet queried;
  const HRESULT queryResult = QueryStoreRows(table.get(), queried);
  const SharedRowSet rows =
      SUCCEEDED(queryResult) ? SharedRowSet(std::move(queried)) : SharedRowSet();
  {
    std::lock_guard guard(tableLock_);
    storeTable_ = table;
    storeRows_ = rows;
    if (rows) storeCount_ = static_cast<LONG>(rows.get()->cRows);
  }
  if (rows) {
    // 4. New store objects for the new rows.
    stores_.clear();
    // 5. Each store that opens is wrapped; one that does not is left out.
    for (ULONG i = 0; i < rows.get()->cRows; ++i) {
      const SRow& row = rows.get()->aRow[i];
      ComPtr<IMsgStore> store;
      const SPropValue* id = Column(row, StoreColumn::EntryId, PR_ENTRYID);
      if (!id || FAILED(session_->OpenMsgStore(reinterpret_cast<ULONG_PTR>(GetActiveWindow()),
                                               id->Value.bin.cb,
                                               reinterpret_cast<LPENTRYID>(id->Value.bin.lpb),
                                               nullptr, kStoreOpenFlags, store.put()))) {
        SESSION_TRACE("GetMsgStoresTable", "Init store failed.");
        continue;
      }
      const char* name = TextOf(row, StoreColumn::DisplayName);
      ComPtr<IQMXMessageStore> object;
      const bool wrapped = SUCCEEDED(
          WrapStore(store.get(), name, IsTrue(row, StoreColumn::DefaultStore, PR_DEFAULT_STORE),
                    IsTrue(row, StoreColumn::Subfolders, PR_SUBFOLDERS), object));
      if (wrapped) stores_.push_back(std::move(object));
      SESSION_TRACE("GetMsgStoresTable", std::string("Init store: ") + (wrapped ? name : ""));
    }
  }
  // 6. Changes of the table reach the session from here on. The sink knows the session
  //    before MAPI knows the sink, so no early change is lost.
  const ComPtr<CMAPISessionNotify> sink = CMAPISessionNotify::Make();
  if (!sink) return E_OUTOFMEMORY;
  sink->SetTarget(this);
  ULONG connection = 0;
  hr = table->Advise(fnevTableModified, sink.get(), &connection);
  {
    std::lock_guard guard(tableLock_);
    tableAdvised_ = SUCCEEDED(hr);
    tableConnection_ = tableAdvised_ ? connection : 0;
  }
  if (SUCCEEDED(hr)) {
    SESSION_TRACE("GetMsgStoresTable", "Table notification succeeded.\r\n");
  } else {
    sink->SetTarget(nullptr);
    SESSION_TRACE("GetMsgStoresTable", "Table notification failed.\r\n");
  }
  return hr;
}

HRESULT CQMXSession::ReloadStoreTable() {
  SESSION_TRACE("ReloadMsgStoresTable", "Function started.");
  // The table is queried outside the lock (the client's thread goes on reading the rows
  // it holds); the new rows replace the old only while the table is still this session's.
  ComPtr<IMAPITable> table;
  {
    std::lock_guard guard(tableLock_);
    table = storeTable_;
  }
  if (!table) return E_FAIL;
  RowSet queried;
  const HRESULT hr = QueryStoreRows(table.get(), queried);
  if (FAILED(hr)) return hr;
  std::lock_guard guard(tableLock_);
  if (storeTable_.get() != table.get()) return S_OK;  // logged off or on again meanwhile
  storeRows_ = SharedRowSet(std::move(queried));
  storeCount_ = static_cast<LONG>(storeRows_.get()->cRows);
  return hr;
}

void CQMXSession::TraceRow(const SRow& row) {
  for (ULONG i = 0; i < row.cValues; ++i) {
    const SPropValue& value = row.lpProps[i];
    if (value.ulPropTag == PR_DISPLAY_NAME_A && value.Value.lpszA)
      SESSION_TRACE("OnNotify", value.Value.lpszA);
    else if (value.ulPropTag == PR_ENTRYID)
      SESSION_TRACE("OnNotify", HexOf(value.Value.bin));
  }
}

void CQMXSession::OnTableNotify(ULONG count, const NOTIFICATION* notifications) {
  // 1-2. Each table change; added, deleted and modified rows reload the rows.
  SESSION_TRACE("OnNotify", "Table Notification.");
  for (ULONG i = 0; i < count; ++i) {
    if (notifications[i].ulEventType != fnevTableModified) continue;
    const TABLE_NOTIFICATION& table = notifications[i].info.tab;
    const char* what = nullptr;
    switch (table.ulTableEvent) {
      case TABLE_CHANGED:
        SESSION_TRACE("OnNotify", "TABLE_CHANGED");
        continue;
      case TABLE_ROW_ADDED:
        what = "TABLE_ROW_ADDED";
        break;
      case TABLE_ROW_DELETED:
        what = "TABLE_ROW_DELETED";
        break;
      case TABLE_ROW_MODIFIED:
        what = "TABLE_ROW_MODIFIED";
        break;
      default:
        SESSION_TRACE("OnNotify", "Something else happened...");
        continue;
    }
    SESSION_TRACE("OnNotify", what);
    TraceRow(table.row);
    ReloadStoreTable();
  }
}

HRESULT CQMXSession::get_StoreCount(LONG* pVal) {
  if (!pVal) return E_POINTER;
  std::lock_guard guard(tableLock_);
  *pVal = storeCount_;
  return S_OK;
}

HRESULT CQMXSession::get_MsgStore(LONG Index, IQMXMessageStore** pVal) {
  if (!pVal) return E_POINTER;
  // 1. Stores opened at logon only.
  if (Index < 0 || static_cast<std::size_t>(Index) >= stores_.size()) {
    SESSION_TRACE("get_MsgStore", "Invalid index.");
    return E_INVALIDARG;
  }
  // 2. The object, with a reference for the caller.
  const auto& store = stores_[static_cast<std::size_t>(Index)];
  store.copy_to(pVal);
  Bstr name;
  store->get_DisplayName(name.put());
  SESSION_TRACE("get_MsgStore", NarrowFromBstr(name.get()));
  return S_OK;
}

HRESULT CQMXSession::get_MsgStoreByStoreId(BSTR StoreID, IQMXMessageStore** pVal) {
  if (!pVal) return E_POINTER;
  *pVal = nullptr;
  // 1-2. The identifier.
  if (!StoreID || SysStringLen(StoreID) == 0) return E_INVALIDARG;
  // Like every store member, nothing to do while logged off.
  if (!session_) return S_OK;
  EntryIdBuffer id;
  HRESULT hr = EntryIdFromBstr(StoreID, id);
  if (FAILED(hr)) return hr;
  // 3. The store.
  ComPtr<IMsgStore> store;
  hr = session_->OpenMsgStore(reinterpret_cast<ULONG_PTR>(GetActiveWindow()), id.size, id.entryId(),
                              nullptr, kStoreOpenFlags, store.put());
  id.reset();
  if (FAILED(hr)) return hr;
  // 4-5. A new object for it, named by the store itself.
  PropValues name;
  const HRESULT nameResult = HrGetOneProp(store.get(), PR_DISPLAY_NAME_A, name.put());
  ComPtr<IQMXMessageStore> object;
  hr = WrapStore(store.get(), SUCCEEDED(nameResult) ? name.get()->Value.lpszA : "", false, true,
                 object);
  if (FAILED(hr)) return hr;
  *pVal = object.detach();
  return nameResult;
}

HRESULT CQMXSession::get_MsgStoreDisplayName(LONG Index, BSTR* pVal) {
  if (!pVal) return E_POINTER;
  *pVal = nullptr;
  const SharedRowSet rows = StoreRowsNow();
  if (!rows) return S_OK;
  if (Index < 0 || static_cast<ULONG>(Index) >= rows.get()->cRows) return E_INVALIDARG;
  return NarrowStringOut(TextOf(rows.get()->aRow[Index], StoreColumn::DisplayName), pVal);
}

HRESULT CQMXSession::get_MsgStoreId(LONG Index, BSTR* pVal) {
  if (!pVal) return E_POINTER;
  *pVal = nullptr;
  const SharedRowSet rows = StoreRowsNow();
  if (!rows) return S_OK;
  if (Index < 0 || static_cast<ULONG>(Index) >= rows.get()->cRows) return E_INVALIDARG;
  const SPropValue* id = Column(rows.get()->aRow[Index], StoreColumn::EntryId, PR_ENTRYID);
  if (!id) return E_FAIL;
  return HexStringOut(id->Value.bin.lpb, id->Value.bin.cb, pVal);
}

HRESULT CQMXSession::GetStoreIdFromDisplayName(const std::string& displayName,
                                               std::string& storeId) {
  storeId.clear();
  if (!session_) return E_FAIL;
  // 1. The rows whose display name is exactly this one, from a store table of the lookup's
  //    own: restricting the session's table would hide every other store from it.
  ComPtr<IMAPITable> table;
  HRESULT hr = session_->GetMsgStoresTable(0, table.put());
  if (FAILED(hr)) return hr;
  auto columns = MakeTags(PR_DISPLAY_NAME_A, PR_ENTRYID);
  SPropValue name{};
  name.ulPropTag = PR_DISPLAY_NAME_A;
  name.Value.lpszA = const_cast<LPSTR>(displayName.c_str());
  SRestriction restriction{};
  restriction.rt = RES_CONTENT;
  restriction.res.resContent = {FL_FULLSTRING, PR_DISPLAY_NAME_A, &name};
  RowSet rows;
  hr = HrQueryAllRows(table.get(), columns.get(), &restriction, nullptr, 0, rows.put());
  table.reset();
  // 2. The identifier the opened store gives itself.
  const SPropValue* found = SUCCEEDED(hr) && rows.get()->cRows > 0
                                ? Column(rows.get()->aRow[0], NamedStoreColumn::EntryId, PR_ENTRYID)
                                : nullptr;
  if (found) {
    const SBinary& id = found->Value.bin;
    ComPtr<IMsgStore> store;
    if (SUCCEEDED(session_->OpenMsgStore(0, id.cb, reinterpret_cast<LPENTRYID>(id.lpb), nullptr,
                                         kStoreOpenFlags, store.put()))) {
      PropValues own;
      if (SUCCEEDED(HrGetOneProp(store.get(), PR_ENTRYID, own.put())))
        storeId = HexOf(own.get()->Value.bin);
    }
    SESSION_TRACE("GetStoreIdFromDisplayName", displayName);
    SESSION_TRACE("GetStoreIdFromDisplayName", storeId);
    return S_OK;
  }
  // 3. None.
  SESSION_TRACE("GetStoreIdFromDisplayName", "Failed to get StoreId from " + displayName + ".");
  return hr;
}

}  // namespace kelmsgs
