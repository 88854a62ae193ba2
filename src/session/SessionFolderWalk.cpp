// QMXSession: the folder walk. StartGetFolderInfo raises one FolderInfo event for each
// store of the store rows and for each folder below the store's IPM root, depth first
// with siblings by display name, then EndFolderInfo; MsgStoreFolderCount counts the
// folders of one store the same way, without events.
#include <mapiutil.h>

#include <string>
#include <vector>

#include "foundation/AnsiText.h"
#include "foundation/BstrText.h"
#include "foundation/HexId.h"
#include "foundation/PropTags.h"
#include "frame/resource.h"
#include "session/EventQueuePlan.h"
#include "session/FolderClassRule.h"
#include "session/QMXSession.h"

namespace kelmsgs {

// One store row, copied before the walk: a client's event handler may log off or the
// store table may change while the walk is under way, and neither must reach the rows
// being walked.
struct CQMXSession::WalkedStore {
  bool hasId = false;
  std::vector<BYTE> id;
  std::string displayName;
  bool isDefault = false;
};

struct CQMXSession::FolderInfoArgs {
  std::string displayName;  // 8-bit, ANSI code page
  std::string entryId, storeId;
  LONG messageCount = 0;
  LONG indent = 0;
  bool isDefault = false;
  LONG folderType = kFolderNone;
};

namespace {

constexpr ULONG kFolderOpenFlags = MAPI_BEST_ACCESS;

std::string HexOf(const SBinary& bin) {
  const auto text = EntryIdToHex(bin.lpb, bin.cb);
  return text ? std::string(text.get()) : std::string();
}

const char* StringOr(const SPropValue& value, ULONG tag, const char* otherwise) {
  return value.ulPropTag == tag && value.Value.lpszA ? value.Value.lpszA : otherwise;
}

HRESULT OpenFolder(IMsgStore* store, const SBinary& id, ComPtr<IMAPIFolder>& folder) {
  ULONG type = 0;
  return store->OpenEntry(id.cb, reinterpret_cast<LPENTRYID>(id.lpb), nullptr, kFolderOpenFlags,
                          &type, reinterpret_cast<LPUNKNOWN*>(folder.put()));
}

// The identifiers of a folder's subfolders (one column, PR_ENTRYID), by display name when
// asked, else in the store's order.
HRESULT SubfolderRows(IMAPIFolder* folder, bool byName, RowSet& rows) {
  ComPtr<IMAPITable> table;
  HRESULT hr =
      folder->OpenProperty(PR_CONTAINER_HIERARCHY, &IID_IMAPITable, 0, MAPI_DEFERRED_ERRORS,
                           reinterpret_cast<LPUNKNOWN*>(table.put()));
  if (FAILED(hr)) return hr;
  auto columns = MakeTags(PR_ENTRYID);
  hr = table->SetColumns(columns.get(), TBL_BATCH);
  if (FAILED(hr)) return hr;
  SizedSSortOrderSet(1, order) = {1, 0, 0, {{PR_DISPLAY_NAME_A, TABLE_SORT_ASCEND}}};
  return HrQueryAllRows(table.get(), nullptr, nullptr,
                        byName ? reinterpret_cast<LPSSortOrderSet>(&order) : nullptr, 0,
                        rows.put());
}

const SBinary* RowId(const SRow& row) {
  return row.cValues > 0 && row.lpProps[0].ulPropTag == PR_ENTRYID ? &row.lpProps[0].Value.bin
                                                                   : nullptr;
}

// The number of folders below a folder: each subfolder and the folders below it. A
// subfolder that cannot be opened counts itself only; its siblings are still counted.
LONG CountBelow(IMsgStore* store, IMAPIFolder* folder) {
  RowSet rows;
  if (FAILED(SubfolderRows(folder, false, rows))) return 0;
  LONG count = static_cast<LONG>(rows.get()->cRows);
  for (ULONG i = 0; i < rows.get()->cRows; ++i) {
    const SBinary* id = RowId(rows.get()->aRow[i]);
    ComPtr<IMAPIFolder> subfolder;
    if (id && SUCCEEDED(OpenFolder(store, *id, subfolder)))
      count += CountBelow(store, subfolder.get());
  }
  return count;
}

}  // namespace

HRESULT CQMXSession::StartGetFolderInfo(VARIANT_BOOL IgnorePublic) {
  // 1. Nothing to walk, and nothing raised, without store rows.
  const SharedRowSet storeRows = StoreRowsNow();
  if (!storeRows || storeRows.get()->cRows == 0) return S_OK;
  const ULONG rowCount = storeRows.get()->cRows;
  SESSION_TRACE("StartGetFolderInfo", "Message Stores: " + std::to_string(rowCount));
  // 2. The rows as they are now.
  std::vector<WalkedStore> rows(rowCount);
  for (ULONG i = 0; i < rowCount; ++i) {
    const SRow& row = storeRows.get()->aRow[i];
    WalkedStore& copy = rows[i];
    copy.hasId = row.cValues > 0 && row.lpProps[0].ulPropTag == PR_ENTRYID;
    if (copy.hasId) {
      const SBinary& id = row.lpProps[0].Value.bin;
      copy.id.assign(id.lpb, id.lpb + id.cb);
    }
    if (row.cValues > 1) copy.displayName = StringOr(row.lpProps[1], PR_DISPLAY_NAME_A, "");
    copy.isDefault =
        row.cValues > 2 && row.lpProps[2].ulPropTag == PR_DEFAULT_STORE && row.lpProps[2].Value.b;
  }
  // 3. Each store in turn, while the session that the walk began with is still logged on
  // (an event handler may log off); the reference keeps its address from being reused.
  const ComPtr<IMAPISession> walked = session_;
  for (const WalkedStore& row : rows) {
    if (session_.get() != walked.get()) break;
    WalkStore(row, IgnorePublic != VARIANT_FALSE, walked.get());
  }
  // 4. The client learns that the walk is over.
  FireEvent(kEventIdEndFolderInfo, nullptr, 0);
  return S_OK;
}

void CQMXSession::WalkStore(const WalkedStore& row, bool ignorePublic, IMAPISession* walked) {
  // 1-2. The store's identifier and name.
  if (!row.hasId) {
    SESSION_TRACE("StartGetFolderInfo", "Missing StoreId.");
    return;
  }
  SESSION_TRACE("StartGetFolderInfo", row.displayName);
  FolderInfoArgs store;
  store.displayName = row.displayName;
  const auto storeHex = EntryIdToHex(row.id.data(), static_cast<ULONG>(row.id.size()));
  store.storeId = storeHex ? storeHex.get() : "";
  // 3. The store.
  ComPtr<IMsgStore> msgStore;
  if (FAILED(OpenStore(row.id.data(), static_cast<ULONG>(row.id.size()), GetActiveWindow(),
                       msgStore)) ||
      !msgStore) {
    SESSION_TRACE("StartGetFolderInfo", "Failed to open store" + row.displayName);
    return;
  }
  // 4. What it supports and where its IPM root is.
  auto tags = MakeTags(PR_STORE_SUPPORT_MASK, PR_IPM_SUBTREE_ENTRYID);
  ULONG count = 0;
  PropValues values;
  if (FAILED(msgStore->GetProps(tags.get(), 0, &count, values.put())) || count != 2) return;
  const SPropValue* v = values.get();
  // 5. Public folders, when the client does not want them.
  if (ignorePublic && v[0].ulPropTag == PR_STORE_SUPPORT_MASK &&
      (v[0].Value.l & STORE_PUBLIC_FOLDERS)) {
    SESSION_TRACE("StartGetFolderInfo", "Public folders ignored.");
    return;
  }
  // 6. The IPM root.
  if (v[1].ulPropTag != PR_IPM_SUBTREE_ENTRYID) {
    SESSION_TRACE("StartGetFolderInfo", "Failed to get root folder.");
    return;
  }
  store.entryId = HexOf(v[1].Value.bin);
  ComPtr<IMAPIFolder> root;
  if (FAILED(OpenFolder(msgStore.get(), v[1].Value.bin, root))) {
    SESSION_TRACE("StartGetFolderInfo", "Failed to open root folder.");
    return;
  }
  // 7. The store's own event: the root's identifier and message count, at indent 0.
  PropValues contentCount;
  if (SUCCEEDED(HrGetOneProp(root.get(), PR_CONTENT_COUNT, contentCount.put())) &&
      contentCount.get()->ulPropTag == PR_CONTENT_COUNT)
    store.messageCount = contentCount.get()->Value.l;
  store.isDefault = row.isDefault;
  RaiseFolderInfo(store);
  // 8. Its folders, with the store's standard folders at hand.
  StandardFolderTable table;
  table.Build(msgStore.get());
  WalkFolder(msgStore.get(), root.get(), store.storeId, 1, table, walked);
}

void CQMXSession::WalkFolder(IMsgStore* store, IMAPIFolder* folder, const std::string& storeId,
                             LONG level, const StandardFolderTable& table, IMAPISession* walked) {
  // 1. Not once the session the walk began with has gone.
  if (!store || !folder || session_.get() != walked) return;
  // 2. The folder's own event; the root (level 1) was reported as the store.
  if (level > 1) {
    auto tags = MakeTags(PR_DISPLAY_NAME_A, PR_ENTRYID, PR_CONTENT_COUNT, PR_CONTAINER_CLASS_A);
    ULONG count = 0;
    PropValues values;
    if (SUCCEEDED(folder->GetProps(tags.get(), 0, &count, values.put())) && count == 4) {
      const SPropValue* v = values.get();
      FolderInfoArgs args;
      args.displayName = StringOr(v[0], PR_DISPLAY_NAME_A, "");
      SESSION_TRACE("GetFolderInfo", args.displayName);
      const SBinary* id = v[1].ulPropTag == PR_ENTRYID ? &v[1].Value.bin : nullptr;
      if (id) args.entryId = HexOf(*id);
      args.storeId = storeId;
      if (v[2].ulPropTag == PR_CONTENT_COUNT) args.messageCount = v[2].Value.l;
      args.indent = level - 1;
      args.folderType =
          WalkFolderType(id, StringOr(v[3], PR_CONTAINER_CLASS_A, ""), level - 1, table);
      RaiseFolderInfo(args);
    }
  }
  // 3. Its subfolders by name, each with the folders below it. One that cannot be opened
  // is left out; its siblings are still walked.
  RowSet rows;
  if (FAILED(SubfolderRows(folder, true, rows))) return;
  for (ULONG i = 0; i < rows.get()->cRows; ++i) {
    const SBinary* id = RowId(rows.get()->aRow[i]);
    ComPtr<IMAPIFolder> subfolder;
    if (!id || FAILED(OpenFolder(store, *id, subfolder))) continue;
    WalkFolder(store, subfolder.get(), storeId, level + 1, table, walked);
  }
}

LONG CQMXSession::WalkFolderType(const SBinary* id, const char* containerClass, LONG depth,
                                 const StandardFolderTable& table) {
  // 1. Directly below the IPM root, one of the store's standard folders.
  if (depth == 1) {
    if (!session_ || !id) return kFolderNone;
    const auto standard = table.Find(
        [&](const BYTE* bytes, ULONG size) { return SameEntry(id->lpb, id->cb, bytes, size); });
    if (standard) return *standard;
  }
  // 2. Otherwise the container class decides.
  return WalkFolderKindOfClass(containerClass);
}

void CQMXSession::RaiseFolderInfo(const FolderInfoArgs& args) {
  const Bstr displayName = BstrFromAnsi(args.displayName);
  const Bstr entryId(BstrFromNarrow(args.entryId));
  const Bstr storeId(BstrFromNarrow(args.storeId));
  // Raised as DisplayName, EntryId, StoreID, MessageCount, Indent, Default, FolderType:
  // in reverse order on the argument list.
  VARIANTARG argList[7];
  for (auto& arg : argList) VariantInit(&arg);
  V_VT(&argList[0]) = VT_I4;
  V_I4(&argList[0]) = args.folderType;
  V_VT(&argList[1]) = VT_BOOL;
  V_BOOL(&argList[1]) = args.isDefault ? VARIANT_TRUE : VARIANT_FALSE;
  V_VT(&argList[2]) = VT_I4;
  V_I4(&argList[2]) = args.indent;
  V_VT(&argList[3]) = VT_I4;
  V_I4(&argList[3]) = args.messageCount;
  const BSTR strings[3] = {storeId.get(), entryId.get(), displayName.get()};
  for (int i = 0; i < 3; ++i) {
    V_VT(&argList[4 + i]) = VT_BSTR;
    V_BSTR(&argList[4 + i]) = strings[i];
  }
  FireEvent(kEventIdFolderInfo, argList, 7);
}

HRESULT CQMXSession::get_MsgStoreFolderCount(LONG Index, LONG* pVal) {
  if (!pVal) return E_POINTER;
  // 1. A row of the store rows.
  const SharedRowSet storeRows = StoreRowsNow();
  if (!storeRows) return S_OK;
  if (Index < 0 || static_cast<ULONG>(Index) >= storeRows.get()->cRows) return E_INVALIDARG;
  const SRow& row = storeRows.get()->aRow[Index];
  // 2. Its store.
  ComPtr<IMsgStore> store;
  const SBinary* storeId = RowId(row);
  if (!storeId || FAILED(OpenStore(storeId->lpb, storeId->cb, GetActiveWindow(), store)) || !store)
    return Fail(IDS_CANNOT_OPEN_STORE);
  // 3. Its IPM root.
  PropValues rootId;
  ComPtr<IMAPIFolder> root;
  if (FAILED(HrGetOneProp(store.get(), PR_IPM_SUBTREE_ENTRYID, rootId.put())) ||
      rootId.get()->ulPropTag != PR_IPM_SUBTREE_ENTRYID ||
      FAILED(OpenFolder(store.get(), rootId.get()->Value.bin, root)))
    return Fail(IDS_CANNOT_OPEN_ROOTFOLDER);
  // 4. The root and every folder below it.
  *pVal = 1 + CountBelow(store.get(), root.get());
  return S_OK;
}

}  // namespace kelmsgs
