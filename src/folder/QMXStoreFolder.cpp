#include "folder/QMXStoreFolder.h"

#include <mapiutil.h>

#include <string>

#include "foundation/AnsiText.h"
#include "foundation/AutomationOut.h"
#include "foundation/BstrText.h"
#include "foundation/DateConvert.h"
#include "foundation/HexId.h"
#include "foundation/MapiProps.h"
#include "foundation/PropTags.h"
#include "foundation/RowColumn.h"
#include "frame/ObjectFactory.h"

namespace kelmsgs {

namespace {

// One sort key, ascending.
struct SortByOne {
  ULONG cSorts = 1, cCategories = 0, cExpanded = 0;
  SSortOrder aSort[1];
  explicit SortByOne(ULONG tag) : aSort{{tag, TABLE_SORT_ASCEND}} {}
  LPSSortOrderSet get() { return reinterpret_cast<LPSSortOrderSet>(this); }
};

// The columns of the hierarchy rows and of the contents rows, in the order of their sets.
enum class HierarchyColumn { EntryId, DisplayName };
auto HierarchyColumns() {
  return MakeTags(PR_ENTRYID, PR_DISPLAY_NAME_A);
}
// The columns of the contents rows, in the order ContentsSnapshot holds them.
auto ContentsColumns() {
  return MakeTags(PR_ENTRYID, PR_HASATTACH, PR_SUBJECT_A, PR_MESSAGE_DELIVERY_TIME,
                  PR_CLIENT_SUBMIT_TIME);
}

// The identifier properties and counts of the folder itself.
enum class FolderProp { EntryId, ParentId, StoreId, Subfolders, ContentCount };

// A fresh VARIANT of type vt; the value is the caller's to set.
VARIANT* FreshVariant(VARIANT* out, VARTYPE vt) {
  *out = VARIANT{};
  V_VT(out) = vt;
  return out;
}

// A string value (the 8-bit text widened, or an identifier string) in a fresh VARIANT.
HRESULT TextVariant(const char* text, VARIANT* out) {
  BSTR made = nullptr;
  const HRESULT hr = NarrowStringOut(text, &made);
  if (FAILED(hr)) return hr;
  V_BSTR(FreshVariant(out, VT_BSTR)) = made;
  return S_OK;
}
HRESULT IdVariant(const SBinary& id, VARIANT* out) {
  BSTR made = nullptr;
  const HRESULT hr = HexStringOut(id.lpb, id.cb, &made);
  if (FAILED(hr)) return hr;
  V_BSTR(FreshVariant(out, VT_BSTR)) = made;
  return S_OK;
}

}  // namespace

CQMXStoreFolder::~CQMXStoreFolder() {
  log_.Write("Folder destructed.");
  log_.Close();
}

HRESULT CQMXStoreFolder::get_DisplayName(BSTR* pVal) {
  return StringOut(displayName_, pVal);
}

HRESULT CQMXStoreFolder::put_DisplayName(BSTR newVal) {
  displayName_ = BstrCopy(newVal);
  return S_OK;
}

void CQMXStoreFolder::ReadIdentity() {
  auto tags =
      MakeTags(PR_ENTRYID, PR_PARENT_ENTRYID, PR_STORE_ENTRYID, PR_SUBFOLDERS, PR_CONTENT_COUNT);
  ULONG count = 0;
  PropValues values;
  if (FAILED(folder_->GetProps(tags.get(), 0, &count, values.put())) || count != 5) return;
  const SRow props{0, count, values.get()};
  // 4. The identifiers that could be read.
  if (const SPropValue* v = Column(props, FolderProp::EntryId, PR_ENTRYID))
    folderId_ = HexBstr(v->Value.bin);
  if (const SPropValue* v = Column(props, FolderProp::ParentId, PR_PARENT_ENTRYID))
    parentId_ = HexBstr(v->Value.bin);
  if (const SPropValue* v = Column(props, FolderProp::StoreId, PR_STORE_ENTRYID))
    storeId_ = HexBstr(v->Value.bin);
  // 5-6. Whether there are subfolders and messages.
  if (const SPropValue* v = Column(props, FolderProp::Subfolders, PR_SUBFOLDERS))
    hasSubfolders_ = v->Value.b != 0;
  if (const SPropValue* v = Column(props, FolderProp::ContentCount, PR_CONTENT_COUNT)) {
    messageCount_ = v->Value.l;
    hasMessages_ = v->Value.l > 0;
  }
}

HRESULT CQMXStoreFolder::ReadRows(ULONG containerTag, LPSPropTagArray columns,
                                  LPSSortOrderSet order, RowSet& rows) {
  ComPtr<IMAPITable> table;
  HRESULT hr = folder_->OpenProperty(containerTag, &IID_IMAPITable, 0, 0,
                                     reinterpret_cast<LPUNKNOWN*>(table.put()));
  if (FAILED(hr)) return hr;
  table->SetColumns(columns, TBL_BATCH);
  RowSet read;
  hr = HrQueryAllRows(table.get(), columns, nullptr, order, 0, read.put());
  if (FAILED(hr)) return hr;
  rows = std::move(read);
  return S_OK;
}

void CQMXStoreFolder::ClearSnapshot() {
  displayName_.reset();
  hierarchy_.reset();
  contents_.clear();
  folderId_.reset();
  parentId_.reset();
  storeId_.reset();
  hasSubfolders_ = hasMessages_ = false;
  subfolderCount_ = messageCount_ = 0;
}

HRESULT CQMXStoreFolder::putref_MsgStore(IUnknown* newVal) {
  // 1. The folder. Anything that is not a MAPI folder is refused rather than used as one,
  // and the snapshot of the folder held before goes with it.
  folder_.reset();
  if (!newVal) return S_OK;
  ComPtr<IMAPIFolder> folder;
  const HRESULT hr = newVal->QueryInterface(IID_IMAPIFolder, folder.put_void());
  // 2. A new snapshot starts without a name, and without anything of an earlier folder.
  ClearSnapshot();
  if (FAILED(hr)) return hr;
  folder_ = std::move(folder);
  // 3-6. Identifiers and counts.
  ReadIdentity();
  // 7. The subfolders, by name.
  if (hasSubfolders_) {
    auto columns = HierarchyColumns();
    SortByOne order(PR_DISPLAY_NAME_A);
    if (SUCCEEDED(ReadRows(PR_CONTAINER_HIERARCHY, columns.get(), order.get(), hierarchy_)))
      subfolderCount_ = static_cast<LONG>(hierarchy_.get()->cRows);
  }
  // 8. The messages, by submit time.
  if (hasMessages_) {
    auto columns = ContentsColumns();
    SortByOne order(PR_CLIENT_SUBMIT_TIME);
    RowSet rows;
    if (SUCCEEDED(ReadRows(PR_CONTAINER_CONTENTS, columns.get(), order.get(), rows)) &&
        SUCCEEDED(contents_.Assign(*rows.get())))
      messageCount_ = static_cast<LONG>(contents_.size());
  }
  // 9. Whatever could be read.
  return S_OK;
}

HRESULT CQMXStoreFolder::get_Subfolders(VARIANT_BOOL* pVal) {
  return BoolOut(hasSubfolders_, pVal);
}

HRESULT CQMXStoreFolder::get_SubfolderCount(LONG* pVal) {
  if (!pVal) return E_POINTER;
  *pVal = subfolderCount_;
  return S_OK;
}

HRESULT CQMXStoreFolder::get_Messages(VARIANT_BOOL* pVal) {
  return BoolOut(hasMessages_, pVal);
}

HRESULT CQMXStoreFolder::get_MessageCount(LONG* pVal) {
  if (!pVal) return E_POINTER;
  *pVal = messageCount_;
  return S_OK;
}

HRESULT CQMXStoreFolder::get_Folder(LONG Index, IQMXStoreFolder** pVal) {
  if (!pVal) return E_POINTER;
  // 1-2. A row of the snapshot.
  if (Index < 0 || Index >= subfolderCount_) return E_INVALIDARG;
  if (!hierarchy_ || static_cast<ULONG>(Index) >= hierarchy_.get()->cRows) return S_OK;
  if (!folder_) return E_FAIL;
  const SPropValue* id =
      Column(hierarchy_.get()->aRow[Index], HierarchyColumn::EntryId, PR_ENTRYID);
  if (!id) return MAPI_E_NOT_FOUND;
  // 3. The subfolder.
  ComPtr<IMAPIFolder> sub;
  ULONG type = 0;
  HRESULT hr =
      folder_->OpenEntry(id->Value.bin.cb, reinterpret_cast<LPENTRYID>(id->Value.bin.lpb), nullptr,
                         MAPI_BEST_ACCESS, &type, reinterpret_cast<LPUNKNOWN*>(sub.put()));
  if (FAILED(hr)) return hr;
  // 4-5. Its object, in this folder's store.
  ComPtr<IQMXStoreFolder> object;
  hr = CreateObject(CLSID_QMXStoreFolder, object);
  if (FAILED(hr)) return hr;
  object->putref_MsgStore(sub.get());
  object->put_InternalStoreIndex(internalStoreIndex_);
  // 6. Its name, byte for byte.
  PropValues name;
  hr = HrGetOneProp(sub.get(), PR_DISPLAY_NAME_A, name.put());
  if (SUCCEEDED(hr)) {
    const Bstr display(BstrFromNarrow(name.get()->Value.lpszA));
    object->put_DisplayName(display.get());
  }
  // 7. Handed out even when the name could not be read.
  *pVal = object.detach();
  return hr;
}

HRESULT CQMXStoreFolder::get_FolderID(BSTR* pVal) {
  return StringOut(folderId_, pVal);
}
HRESULT CQMXStoreFolder::get_ParentId(BSTR* pVal) {
  return StringOut(parentId_, pVal);
}
HRESULT CQMXStoreFolder::get_StoreID(BSTR* pVal) {
  return StringOut(storeId_, pVal);
}

HRESULT CQMXStoreFolder::get_Message(LONG Index, IQMXMessage** pVal) {
  if (!pVal) return E_POINTER;
  // 1. A row of the snapshot.
  if (Index < 0 || Index >= messageCount_) {
    log_.Write(("Index out of bounds " + std::to_string(Index)).c_str());
    return E_INVALIDARG;
  }
  // 2. No rows were read.
  if (static_cast<ULONG>(Index) >= contents_.size()) return S_OK;
  // 3-5. The message in its object; failures hand out nothing.
  SBinary id{};
  const bool hasId = contents_.EntryId(static_cast<ULONG>(Index), id);
  ComPtr<IQMXMessage> object;
  if (folder_ && hasId && SUCCEEDED(CreateObject(CLSID_QMXMessage, object))) {
    ComPtr<IUnknown> opened;
    ULONG type = 0;
    if (SUCCEEDED(folder_->OpenEntry(id.cb, reinterpret_cast<LPENTRYID>(id.lpb), nullptr,
                                     MAPI_BEST_ACCESS, &type, opened.put())) &&
        type == MAPI_MESSAGE) {
      object->putref_Msg(opened.get(), VARIANT_FALSE);
      *pVal = object.detach();
    }
  }
  // 6. Logged whatever came of it.
  log_.Write(("get_Message succeeded " + std::to_string(Index)).c_str());
  return S_OK;
}

HRESULT CQMXStoreFolder::get_InternalStoreIndex(LONG* pVal) {
  if (!pVal) return E_POINTER;
  *pVal = internalStoreIndex_;
  return S_OK;
}

HRESULT CQMXStoreFolder::put_InternalStoreIndex(LONG newVal) {
  internalStoreIndex_ = newVal;
  return S_OK;
}

HRESULT CQMXStoreFolder::GetEntryId(unsigned char** EntryId, ULONG* Size) {
  return CopyEntryIdOf(folder_.get(), EntryId, Size);
}

HRESULT CQMXStoreFolder::get_MAPIObject(IUnknown** pVal) {
  if (!pVal) return E_POINTER;
  folder_.copy_to(pVal);
  return S_OK;
}

HRESULT CQMXStoreFolder::Clear() {
  if (!folder_) return E_FAIL;
  folder_->EmptyFolder(reinterpret_cast<ULONG_PTR>(GetActiveWindow()), nullptr, FOLDER_DIALOG);
  return S_OK;
}

HRESULT CQMXStoreFolder::get_MessageProperty(LONG Index, MessagePropertyConstants Property,
                                             VARIANT* pVal) {
  if (!pVal) return E_POINTER;
  // 1-2. A row of the snapshot.
  if (Index < 0 || Index >= messageCount_) return E_INVALIDARG;
  const ULONG row = static_cast<ULONG>(Index);
  if (row >= contents_.size()) return S_OK;
  // 3. The value asked for.
  switch (Property) {
    case mpMessageID: {
      SBinary id{};
      return contents_.EntryId(row, id) ? IdVariant(id, pVal) : S_OK;
    }
    case mpAttachments:
      V_BOOL(FreshVariant(pVal, VT_BOOL)) = contents_.HasAttach(row) ? VARIANT_TRUE : VARIANT_FALSE;
      return S_OK;
    case mpSubject:
      return TextVariant(contents_.Subject(row), pVal);
    case mpDeliveryTime:
    case mpClientSubmitTime: {
      const FILETIME* time =
          Property == mpDeliveryTime ? contents_.DeliveryTime(row) : contents_.SubmitTime(row);
      if (time) V_DATE(FreshVariant(pVal, VT_DATE)) = FileTimeToDate(*time);
      return S_OK;
    }
    default:
      return S_OK;
  }
}

HRESULT CQMXStoreFolder::get_LogFile(BSTR* pVal) {
  return log_.get_LogFile(pVal);
}
HRESULT CQMXStoreFolder::put_LogFile(BSTR newVal) {
  return log_.put_LogFile(newVal, true);
}

HRESULT CQMXStoreFolder::get_SubfolderName(LONG Index, BSTR* pVal) {
  if (!pVal) return E_POINTER;
  // No rows, also when the folder said it had subfolders: nothing to name.
  if (!hierarchy_ || hierarchy_.get()->cRows == 0) return S_OK;
  if (Index < 0 || static_cast<ULONG>(Index) >= hierarchy_.get()->cRows) return E_INVALIDARG;
  const SPropValue* name =
      Column(hierarchy_.get()->aRow[Index], HierarchyColumn::DisplayName, PR_DISPLAY_NAME_A);
  return StringOut(WideFromAnsi(name ? name->Value.lpszA : ""), pVal);
}

HRESULT CQMXStoreFolder::get_IsInbox(VARIANT_BOOL* pVal) {
  if (!pVal) return E_POINTER;
  *pVal = isInbox_;
  return S_OK;
}
HRESULT CQMXStoreFolder::put_IsInbox(VARIANT_BOOL newVal) {
  isInbox_ = newVal;
  return S_OK;
}
HRESULT CQMXStoreFolder::get_IsSentItems(VARIANT_BOOL* pVal) {
  if (!pVal) return E_POINTER;
  *pVal = isSentItems_;
  return S_OK;
}
HRESULT CQMXStoreFolder::put_IsSentItems(VARIANT_BOOL newVal) {
  isSentItems_ = newVal;
  return S_OK;
}

}  // namespace kelmsgs
