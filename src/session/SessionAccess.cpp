// QMXSession: messages and folders by identifier string, messages created, deleted and
// wrapped, download times, and the kind of a folder.
#include "session/QMXSession.h"

#include <mapiguid.h>
#include <mapiutil.h>

#include "foundation/AnsiText.h"
#include "foundation/BstrText.h"
#include "foundation/HexId.h"
#include "foundation/MapiProps.h"
#include "foundation/PropTags.h"
#include "foundation/RowColumn.h"
#include "frame/ObjectFactory.h"
#include "message/HeldMapiObject.h"
#include "session/FolderClassRule.h"

namespace kelmsgs {

namespace {

constexpr ULONG kStoreOpenFlags = MDB_NO_MAIL | MDB_TEMPORARY | MAPI_BEST_ACCESS;  // 0xB0

constexpr char kFolderNotOpened[] = "Failed to open folder.";

bool IsEmpty(BSTR s) {
  return !s || SysStringLen(s) == 0;
}

// An identifier string as bytes. Some members take their identifiers through the ANSI
// code page: for the digits of an identifier that is the same as byte for byte, and any
// other character is refused, so one conversion serves them all.
struct IdBytes : EntryIdBuffer {
  HRESULT converted = E_INVALIDARG;

  explicit IdBytes(BSTR text) : converted(EntryIdFromBstr(text, *this)) {}
};

// A message object for a MAPI message.
HRESULT WrapMessage(IUnknown* message, IQMXMessage** out) {
  ComPtr<IQMXMessage> object;
  const HRESULT hr = CreateObject(CLSID_QMXMessage, object);
  if (FAILED(hr)) return hr;
  object->putref_Msg(message, 0);
  *out = object.detach();
  return S_OK;
}

// A folder object for a MAPI folder, named after it and flagged as the session found it.
HRESULT WrapFolder(IMAPIFolder* folder, bool isInbox, bool isSent, IQMXStoreFolder** out) {
  ComPtr<IQMXStoreFolder> object;
  const HRESULT hr = CreateObject(CLSID_QMXStoreFolder, object);
  if (FAILED(hr)) return hr;
  object->putref_MsgStore(folder);
  if (const Bstr name = DisplayNameOf(folder)) object->put_DisplayName(name.get());
  object->put_IsInbox(isInbox ? VARIANT_TRUE : VARIANT_FALSE);
  object->put_IsSentItems(isSent ? VARIANT_TRUE : VARIANT_FALSE);
  *out = object.detach();
  return S_OK;
}

// The columns GetDownloadTime reads from a contents table.
enum class DownloadColumn { Time, Size };

}  // namespace

HRESULT CQMXSession::OpenStore(const BYTE* id, ULONG size, HWND parent, ComPtr<IMsgStore>& store) {
  if (!session_) return MAPI_E_NOT_INITIALIZED;
  return session_->OpenMsgStore(reinterpret_cast<ULONG_PTR>(parent), size,
                                reinterpret_cast<LPENTRYID>(const_cast<BYTE*>(id)), nullptr,
                                kStoreOpenFlags, store.put());
}

HRESULT CQMXSession::OpenStoreFolder(const BYTE* storeId, ULONG storeSize, const BYTE* folderId,
                                     ULONG folderSize, ComPtr<IMAPIFolder>& folder) {
  // 1. The store, without a parent window.
  ComPtr<IMsgStore> store;
  HRESULT hr = OpenStore(storeId, storeSize, nullptr, store);
  if (FAILED(hr)) return hr;
  // 2. The folder, as a folder: the identifier of a message or a store is refused there.
  ULONG type = 0;
  return store->OpenEntry(folderSize, reinterpret_cast<LPENTRYID>(const_cast<BYTE*>(folderId)),
                          &IID_IMAPIFolder, MAPI_BEST_ACCESS, &type,
                          reinterpret_cast<LPUNKNOWN*>(folder.put()));
}

bool CQMXSession::SameEntry(const BYTE* a, ULONG aSize, const BYTE* b, ULONG bSize,
                            HRESULT* result) {
  ULONG same = 0;
  const HRESULT hr = session_ ? session_->CompareEntryIDs(
                                    aSize, reinterpret_cast<LPENTRYID>(const_cast<BYTE*>(a)), bSize,
                                    reinterpret_cast<LPENTRYID>(const_cast<BYTE*>(b)), 0, &same)
                              : MAPI_E_NOT_INITIALIZED;
  if (result) *result = hr;
  return SUCCEEDED(hr) && same;
}

// Error information with the text MAPI gives for the failure, or the member's own.
HRESULT CQMXSession::ReportMapiError(IUnknown* failed, HRESULT hr, const char* ownText) {
  MapiBuffer<MAPIERROR> error;
  ComPtr<IMAPIProp> prop;
  HRESULT got = E_FAIL;
  if (failed == session_.get() && session_)
    got = session_->GetLastError(hr, 0, error.put());
  else if (failed && SUCCEEDED(failed->QueryInterface(IID_IMAPIProp, prop.put_void())))
    got = prop->GetLastError(hr, 0, error.put());
  if (SUCCEEDED(got) && error && error.get()->lpszError && *error.get()->lpszError)
    return Fail(error.get()->lpszError);
  return Fail(ownText);
}

HRESULT CQMXSession::get_Message(BSTR EntryId, BSTR StoreID, IQMXMessage** pVal) {
  if (!pVal) return E_POINTER;
  *pVal = nullptr;
  // 1. The message's identifier.
  if (IsEmpty(EntryId)) return E_INVALIDARG;
  const IdBytes id(EntryId);
  if (FAILED(id.converted)) return id.converted;
  if (!session_) return MAPI_E_NOT_INITIALIZED;
  // 2-3. Opened through the session, or through its store.
  ComPtr<IUnknown> opened;
  ULONG type = 0;
  HRESULT hr = S_OK;
  if (IsEmpty(StoreID)) {
    hr = session_->OpenEntry(id.size, id.entryId(), nullptr, MAPI_BEST_ACCESS, &type, opened.put());
  } else {
    const IdBytes storeId(StoreID);
    if (FAILED(storeId.converted)) return storeId.converted;
    ComPtr<IMsgStore> store;
    hr = OpenStore(storeId.bytes.get(), storeId.size, GetActiveWindow(), store);
    if (FAILED(hr)) return hr;
    hr = store->OpenEntry(id.size, id.entryId(), nullptr, MAPI_BEST_ACCESS, &type, opened.put());
  }
  // 4. Its object.
  if (FAILED(hr)) return hr;
  return WrapMessage(opened.get(), pVal);
}

HRESULT CQMXSession::IsDefaultStore(const BYTE* id, ULONG size, bool& isDefault) {
  // The first store row that names the same store decides; the result of the last
  // comparison made is the step's.
  isDefault = false;
  HRESULT hr = S_OK;
  const SharedRowSet rows = StoreRowsNow();
  for (ULONG i = 0; rows && i < rows.get()->cRows; ++i) {
    const SRow& row = rows.get()->aRow[i];
    const SPropValue* rowId = Column(row, StoreColumn::EntryId, PR_ENTRYID);
    if (!rowId || !SameEntry(id, size, rowId->Value.bin.lpb, rowId->Value.bin.cb, &hr)) continue;
    const SPropValue* flag = Column(row, StoreColumn::DefaultStore, PR_DEFAULT_STORE);
    isDefault = flag && flag->Value.b;
    break;
  }
  return hr;
}

HRESULT CQMXSession::RecogniseStandardFolder(IMsgStore* store, IMAPIFolder* folder, bool& isInbox,
                                             bool& isSent) {
  SESSION_TRACE("get_StoreFolder", "Default store.");
  // 1. The folder's own identifier.
  PropValues own;
  if (FAILED(HrGetOneProp(folder, PR_ENTRYID, own.put()))) return S_OK;
  const SBinary& id = own.get()->Value.bin;
  // 2. The receive folder is the inbox.
  ULONG receiveSize = 0;
  MapiBuffer<ENTRYID> receive;
  if (SUCCEEDED(store->GetReceiveFolder(nullptr, 0, &receiveSize, receive.put(), nullptr)))
    isInbox = SameEntry(id.lpb, id.cb, reinterpret_cast<BYTE*>(receive.get()), receiveSize);
  // 3. Sent items as the store names them; a failed comparison fails the open.
  PropValues sent;
  if (FAILED(HrGetOneProp(store, PR_IPM_SENTMAIL_ENTRYID, sent.put()))) return S_OK;
  HRESULT hr = S_OK;
  isSent = SameEntry(id.lpb, id.cb, sent.get()->Value.bin.lpb, sent.get()->Value.bin.cb, &hr);
  return hr;
}

HRESULT CQMXSession::TakeFolder(IUnknown* opened, ULONG type, ComPtr<IMAPIFolder>& folder) {
  // The identifier of a message or a store opens too; only a folder is one.
  if (type != MAPI_FOLDER || !opened ||
      FAILED(opened->QueryInterface(IID_IMAPIFolder, folder.put_void())))
    return Fail(kFolderNotOpened);
  return S_OK;
}

HRESULT CQMXSession::OpenFolderInStore(BSTR StoreID, const BYTE* id, ULONG size,
                                       ComPtr<IMAPIFolder>& folder, bool& isInbox, bool& isSent) {
  // 1. The store.
  const IdBytes storeId(StoreID);
  ComPtr<IMsgStore> store;
  HRESULT hr = OpenStore(storeId.bytes.get(), storeId.size, GetActiveWindow(), store);
  // 2. Whether it is the default store, from the store rows.
  bool isDefault = false;
  if (SUCCEEDED(hr)) hr = IsDefaultStore(storeId.bytes.get(), storeId.size, isDefault);
  // 3. A store that cannot be opened.
  if (FAILED(hr) || !store)
    return ReportMapiError(session_.get(), hr, "Failed to get message store object.");
  // 4. The folder.
  ComPtr<IUnknown> opened;
  ULONG type = 0;
  hr = store->OpenEntry(size, reinterpret_cast<LPENTRYID>(const_cast<BYTE*>(id)), nullptr,
                        MAPI_BEST_ACCESS, &type, opened.put());
  if (FAILED(hr)) return ReportMapiError(store.get(), hr, kFolderNotOpened);
  hr = TakeFolder(opened.get(), type, folder);
  if (FAILED(hr)) return hr;
  // 5. In the default store, the receive folder and sent items are recognised.
  if (isDefault) hr = RecogniseStandardFolder(store.get(), folder.get(), isInbox, isSent);
  // 6. A folder that cannot be recognised counts as not opened.
  if (FAILED(hr)) return ReportMapiError(store.get(), hr, kFolderNotOpened);
  return S_OK;
}

HRESULT CQMXSession::OpenFolderBySession(const BYTE* id, ULONG size, ComPtr<IMAPIFolder>& folder) {
  ComPtr<IUnknown> opened;
  ULONG type = 0;
  const HRESULT hr = session_->OpenEntry(size, reinterpret_cast<LPENTRYID>(const_cast<BYTE*>(id)),
                                         nullptr, MAPI_BEST_ACCESS, &type, opened.put());
  if (FAILED(hr)) return ReportMapiError(session_.get(), hr, kFolderNotOpened);
  return TakeFolder(opened.get(), type, folder);
}

HRESULT CQMXSession::get_StoreFolder(BSTR EntryId, BSTR StoreID, IQMXStoreFolder** pVal) {
  if (!pVal) return E_POINTER;
  *pVal = nullptr;
  // 1. The folder's identifier; one that is not hexadecimal is refused.
  if (IsEmpty(EntryId)) return E_INVALIDARG;
  const IdBytes id(EntryId);
  if (FAILED(id.converted)) return E_INVALIDARG;
  if (!session_) return Fail(kFolderNotOpened);
  // 2. Neither inbox nor sent items unless found so below.
  bool isInbox = false;
  bool isSent = false;
  // 3-4. The folder, through its store or through the session (failures are reported).
  ComPtr<IMAPIFolder> folder;
  const HRESULT hr = IsEmpty(StoreID) ? OpenFolderBySession(id.bytes.get(), id.size, folder)
                                      : OpenFolderInStore(StoreID, id.bytes.get(), id.size, folder,
                                                          isInbox, isSent);
  if (FAILED(hr)) return hr;
  // 5-7. Its object, named and flagged.
  return WrapFolder(folder.get(), isInbox, isSent, pVal);
}

HRESULT CQMXSession::GetMAPIMessage(IUnknown* MAPIObject, IQMXMessage** pVal) {
  if (!pVal) return E_POINTER;
  *pVal = nullptr;
  if (!MAPIObject) return E_INVALIDARG;
  ComPtr<IMessage> message;
  const HRESULT hr = MAPIObject->QueryInterface(IID_IMessage, message.put_void());
  if (FAILED(hr)) return hr;
  return WrapMessage(message.get(), pVal);
}

HRESULT CQMXSession::GetAttachedMessage(IUnknown* MapiAttach, IQMXMessage** pVal) {
  if (!pVal) return E_POINTER;
  *pVal = nullptr;
  if (!MapiAttach) return E_INVALIDARG;
  // 1. An attachment...
  ComPtr<IAttach> attach;
  if (FAILED(MapiAttach->QueryInterface(IID_IAttachment, attach.put_void()))) return S_OK;
  // 2. ...that holds an embedded message...
  PropValues method;
  if (FAILED(HrGetOneProp(attach.get(), PR_ATTACH_METHOD, method.put())) ||
      method.get()->ulPropTag != PR_ATTACH_METHOD || method.get()->Value.l != ATTACH_EMBEDDED_MSG)
    return S_OK;
  // 3. ...opened for reading...
  ComPtr<IMessage> embedded;
  if (FAILED(attach->OpenProperty(PR_ATTACH_DATA_OBJ, &IID_IMessage, 0, 0,
                                  reinterpret_cast<LPUNKNOWN*>(embedded.put()))))
    return S_OK;
  // 4. ...in its object.
  WrapMessage(embedded.get(), pVal);
  return S_OK;
}

HRESULT CQMXSession::CreateMessage(BSTR FolderID, BSTR StoreID, IQMXMessage* AttachMessage,
                                   IQMXMessage** Message) {
  if (!Message) return E_POINTER;
  *Message = nullptr;
  // 1-2. Both identifiers.
  if (AnsiFromBstr(FolderID).empty() || AnsiFromBstr(StoreID).empty()) return E_INVALIDARG;
  const IdBytes folderId(FolderID), storeId(StoreID);
  if (folderId.empty() || storeId.empty()) return E_FAIL;
  // 3. The message to copy, when one is given.
  const ComPtr<IMessage> source =
      AttachMessage ? HeldMapiObject<IMessage>(AttachMessage, IID_IMessage) : ComPtr<IMessage>();
  // 4. The new message in the folder.
  ComPtr<IMAPIFolder> folder;
  HRESULT hr = OpenStoreFolder(storeId.bytes.get(), storeId.size, folderId.bytes.get(),
                               folderId.size, folder);
  if (FAILED(hr)) return hr;
  ComPtr<IMessage> message;
  hr = folder->CreateMessage(nullptr, 0, message.put());
  if (FAILED(hr)) return hr;
  // 5. A copy of the source, as an ordinary note.
  if (source) {
    auto excluded =
        MakeTags(PR_ACCESS, PR_RTF_SYNC_BODY_COUNT, PR_RTF_SYNC_BODY_CRC, PR_RTF_SYNC_BODY_TAG_A,
                 PR_RTF_SYNC_PREFIX_COUNT, PR_RTF_SYNC_TRAILING_COUNT, PR_MESSAGE_CLASS_A);
    source->CopyTo(0, nullptr, excluded.get(), 0, nullptr, &IID_IMessage, message.get(), 0,
                   nullptr);
    SPropValue messageClass{};
    messageClass.ulPropTag = PR_MESSAGE_CLASS_A;
    messageClass.Value.lpszA = const_cast<LPSTR>("IPM.Note");
    HrSetOneProp(message.get(), &messageClass);
  }
  // 6. Committed.
  message->SaveChanges(KEEP_OPEN_READWRITE);
  // 7. Its object.
  return WrapMessage(message.get(), Message);
}

HRESULT CQMXSession::DeleteMessage(BSTR EntryId, BSTR FolderID, BSTR StoreID) {
  // 1. All three identifiers.
  if (IsEmpty(EntryId) || IsEmpty(FolderID) || IsEmpty(StoreID)) return E_INVALIDARG;
  // 2. As bytes.
  const IdBytes messageId(EntryId), folderId(FolderID), storeId(StoreID);
  if (messageId.empty() || folderId.empty() || storeId.empty())
    return FAILED(storeId.converted) ? storeId.converted : E_INVALIDARG;
  // 3. Store, folder and message.
  ComPtr<IMAPIFolder> folder;
  HRESULT hr = OpenStoreFolder(storeId.bytes.get(), storeId.size, folderId.bytes.get(),
                               folderId.size, folder);
  if (FAILED(hr)) return hr;
  ComPtr<IMessage> message;
  ULONG type = 0;
  hr = folder->OpenEntry(messageId.size, messageId.entryId(), &IID_IMessage, MAPI_BEST_ACCESS,
                         &type, reinterpret_cast<LPUNKNOWN*>(message.put()));
  if (FAILED(hr)) return hr;
  // 4. Deleted by the identifier the message has, not moved to deleted items.
  PropValues own;
  hr = HrGetOneProp(message.get(), PR_ENTRYID, own.put());
  if (SUCCEEDED(hr) && own.get()->ulPropTag == PR_ENTRYID) {
    message.reset();
    ENTRYLIST list{1, &own.get()->Value.bin};
    hr = folder->DeleteMessages(&list, 0, nullptr, 0);
    SESSION_TRACE("DeleteMessage", "Message deleted");
  }
  // 5. The last call's result.
  return hr;
}

HRESULT CQMXSession::GetDownloadTime(BSTR FolderID, BSTR StoreID, LONG Index, LONG* DownloadTime,
                                     LONG* MessageSize) {
  // 1. Arguments.
  if (IsEmpty(FolderID) || IsEmpty(StoreID) || Index < 0) return E_INVALIDARG;
  // 2-3. The folder's contents in the store's own order; whatever fails, S_OK.
  const IdBytes folderId(FolderID), storeId(StoreID);
  if (folderId.empty() || storeId.empty()) return S_OK;
  ComPtr<IMAPIFolder> folder;
  if (FAILED(OpenStoreFolder(storeId.bytes.get(), storeId.size, folderId.bytes.get(), folderId.size,
                             folder)))
    return S_OK;
  ComPtr<IMAPITable> table;
  if (FAILED(folder->GetContentsTable(0, table.put()))) return S_OK;
  auto columns = MakeTags(PR_MESSAGE_DOWNLOAD_TIME, PR_MESSAGE_SIZE);
  table->SetColumns(columns.get(), TBL_BATCH);
  RowSet rows;
  if (FAILED(HrQueryAllRows(table.get(), nullptr, nullptr, nullptr, 0, rows.put()))) return S_OK;
  // 4. The figures of row Index.
  if (static_cast<ULONG>(Index) >= rows.get()->cRows) return S_OK;
  const SRow& row = rows.get()->aRow[Index];
  const SPropValue* time = Column(row, DownloadColumn::Time, PR_MESSAGE_DOWNLOAD_TIME);
  if (DownloadTime && time) *DownloadTime = time->Value.l;
  const SPropValue* size = Column(row, DownloadColumn::Size, PR_MESSAGE_SIZE);
  if (MessageSize && size) *MessageSize = size->Value.l;
  return S_OK;
}

HRESULT CQMXSession::AddDraftsFolder(BSTR EntryId) {
  if (IsEmpty(EntryId)) return S_OK;
  IdBytes id(EntryId);
  draftsId_ = std::move(static_cast<EntryIdBuffer&>(id));
  return S_OK;
}

HRESULT CQMXSession::get_FolderType(IQMXMessageStore* MsgStore, IQMXStoreFolder* Folder,
                                    MAPIFolderTypeConstants* pVal) {
  if (!pVal) return E_POINTER;
  // 1. Both objects.
  if (!MsgStore || !Folder) {
    *pVal = mfldTypeNone;
    return E_INVALIDARG;
  }
  // 2. The folder's identifier.
  MapiBuffer<unsigned char> id;
  ULONG size = 0;
  HRESULT hr = Folder->GetEntryId(id.put(), &size);
  if (FAILED(hr)) return hr;
  // 3. One of the store's standard folders.
  for (int type = mfldTypeInbox; type <= mfldTypeTasks; ++type) {
    MapiBuffer<unsigned char> standard;
    ULONG standardSize = 0;
    if (SUCCEEDED(MsgStore->GetStdFolderId(static_cast<MAPIFolderTypeConstants>(type),
                                           standard.put(), &standardSize)) &&
        SameEntry(id.get(), size, standard.get(), standardSize)) {
      *pVal = static_cast<MAPIFolderTypeConstants>(type);
      return S_OK;
    }
  }
  // 4. The drafts folder the client named.
  if (!draftsId_.empty() && SameEntry(id.get(), size, draftsId_.bytes.get(), draftsId_.size)) {
    *pVal = mfldTypeDrafts;
    return S_OK;
  }
  // 5. Otherwise its container class decides; an entry that is not a folder has no kind.
  ComPtr<IMAPIProp> entry;
  ULONG type = 0;
  if (!session_ || FAILED(session_->OpenEntry(size, reinterpret_cast<LPENTRYID>(id.get()), nullptr,
                                              MAPI_BEST_ACCESS, &type,
                                              reinterpret_cast<LPUNKNOWN*>(entry.put())))) {
    *pVal = mfldTypeNone;
    return S_OK;
  }
  if (type != MAPI_FOLDER) {
    *pVal = mfldTypeNone;
    return S_OK;
  }
  // 6-8. The class.
  PropValues containerClass;
  if (FAILED(HrGetOneProp(entry.get(), PR_CONTAINER_CLASS_A, containerClass.put()))) {
    *pVal = mfldTypeNone;
    return S_OK;
  }
  *pVal = static_cast<MAPIFolderTypeConstants>(FolderKindOfClass(
      containerClass.get()->Value.lpszA ? containerClass.get()->Value.lpszA : ""));
  return S_OK;
}

}  // namespace kelmsgs

// Comparison of identifiers and folders, answered by the MAPI session.
namespace kelmsgs {

HRESULT CQMXSession::IsSameAs(BSTR EntryId1, BSTR EntryId2, VARIANT_BOOL* pVal) {
  if (!pVal) return E_POINTER;
  *pVal = VARIANT_FALSE;
  // 1. Nothing compares without a session.
  if (!session_) return S_OK;
  // 2. Both identifiers.
  if (!EntryId1 || !EntryId2 || SysStringLen(EntryId1) == 0 || SysStringLen(EntryId2) == 0)
    return E_INVALIDARG;
  EntryIdBuffer first, second;
  if (FAILED(EntryIdFromBstr(EntryId1, first)) || FAILED(EntryIdFromBstr(EntryId2, second)))
    return E_INVALIDARG;
  // 3. MAPI decides; a failing comparison answers "not the same".
  if (SameEntry(first.bytes.get(), first.size, second.bytes.get(), second.size))
    *pVal = VARIANT_TRUE;
  return S_OK;
}

HRESULT CQMXSession::get_CompareFolders(IQMXStoreFolder* Comp1, IQMXStoreFolder* Comp2,
                                        VARIANT_BOOL* pVal) {
  if (!pVal) return E_POINTER;
  *pVal = VARIANT_FALSE;
  if (!session_ || !Comp1 || !Comp2) return S_OK;
  EntryIdBuffer first, second;
  if (FAILED(Comp1->GetEntryId(first.bytes.put(), &first.size)) ||
      FAILED(Comp2->GetEntryId(second.bytes.put(), &second.size)))
    return S_OK;
  if (SameEntry(first.bytes.get(), first.size, second.bytes.get(), second.size))
    *pVal = VARIANT_TRUE;
  return S_OK;
}

}  // namespace kelmsgs
