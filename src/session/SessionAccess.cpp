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
#include "frame/ObjectFactory.h"
#include "session/FolderClassRule.h"

namespace kelmsgs {

namespace {

constexpr ULONG kStoreOpenFlags = MDB_NO_MAIL | MDB_TEMPORARY | MAPI_BEST_ACCESS;  // 0xB0

bool IsEmpty(BSTR s) {
  return !s || SysStringLen(s) == 0;
}

// The bytes of an identifier string (8-bit form byte for byte, or through the ANSI code
// page where a member takes it that way).
HRESULT IdBytes(BSTR text, bool ansi, MapiBuffer<BYTE>& bytes, ULONG& size) {
  const std::string narrow = ansi ? AnsiFromBstr(text) : NarrowFromBstr(text);
  return HexToEntryId(narrow.c_str(), bytes, size);
}

LPENTRYID AsEntryId(const MapiBuffer<BYTE>& bytes) {
  return reinterpret_cast<LPENTRYID>(bytes.get());
}

// A message object for a MAPI message.
HRESULT WrapMessage(IUnknown* message, IQMXMessage** out) {
  ComPtr<IQMXMessage> object;
  const HRESULT hr = CreateObject(CLSID_QMXMessage, object);
  if (FAILED(hr)) return hr;
  object->putref_Msg(message, 0);
  *out = object.detach();
  return S_OK;
}

}  // namespace

HRESULT CQMXSession::OpenStore(const BYTE* id, ULONG size, HWND parent, ComPtr<IMsgStore>& store) {
  if (!session_) return MAPI_E_NOT_INITIALIZED;
  return session_->OpenMsgStore(reinterpret_cast<ULONG_PTR>(parent), size,
                                reinterpret_cast<LPENTRYID>(const_cast<BYTE*>(id)), nullptr,
                                kStoreOpenFlags, store.put());
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
  MapiBuffer<BYTE> id;
  ULONG size = 0;
  HRESULT hr = IdBytes(EntryId, false, id, size);
  if (FAILED(hr)) return hr;
  if (!session_) return MAPI_E_NOT_INITIALIZED;
  // 2-3. Opened through the session, or through its store.
  ComPtr<IUnknown> opened;
  ULONG type = 0;
  if (IsEmpty(StoreID)) {
    hr = session_->OpenEntry(size, AsEntryId(id), nullptr, MAPI_BEST_ACCESS, &type, opened.put());
  } else {
    MapiBuffer<BYTE> storeId;
    ULONG storeSize = 0;
    hr = IdBytes(StoreID, false, storeId, storeSize);
    if (FAILED(hr)) return hr;
    ComPtr<IMsgStore> store;
    hr = OpenStore(storeId, storeSize, GetActiveWindow(), store);
    if (FAILED(hr)) return hr;
    hr = store->OpenEntry(size, AsEntryId(id), nullptr, MAPI_BEST_ACCESS, &type, opened.put());
  }
  // 4. Its object.
  if (FAILED(hr)) return hr;
  return WrapMessage(opened.get(), pVal);
}

HRESULT CQMXSession::get_StoreFolder(BSTR EntryId, BSTR StoreID, IQMXStoreFolder** pVal) {
  if (!pVal) return E_POINTER;
  *pVal = nullptr;
  // 1. The folder's identifier; one that is not hexadecimal is refused.
  if (IsEmpty(EntryId)) return E_INVALIDARG;
  MapiBuffer<BYTE> id;
  ULONG size = 0;
  if (FAILED(IdBytes(EntryId, false, id, size))) return E_INVALIDARG;
  if (!session_) return Fail("Failed to open folder.");
  // 2. Neither inbox nor sent items unless found so below.
  bool isInbox = false;
  bool isSent = false;
  ComPtr<IMAPIFolder> folder;
  ULONG type = 0;
  if (!IsEmpty(StoreID)) {
    // 3.1. The store.
    MapiBuffer<BYTE> storeId;
    ULONG storeSize = 0;
    IdBytes(StoreID, false, storeId, storeSize);
    ComPtr<IMsgStore> store;
    HRESULT hr = OpenStore(storeId, storeSize, GetActiveWindow(), store);
    // 3.2. Whether it is the default store, from the store rows.
    bool isDefault = false;
    const SharedRowSet rows = StoreRowsNow();
    if (SUCCEEDED(hr) && rows) {
      for (ULONG i = 0; i < rows.get()->cRows; ++i) {
        const SRow& row = rows.get()->aRow[i];
        if (row.cValues < 1 || row.lpProps[0].ulPropTag != PR_ENTRYID) continue;
        const SBinary& rowId = row.lpProps[0].Value.bin;
        const bool same = SameEntry(storeId.get(), storeSize, rowId.lpb, rowId.cb, &hr);
        if (same) {
          isDefault = row.cValues > 2 && row.lpProps[2].ulPropTag == PR_DEFAULT_STORE &&
                      row.lpProps[2].Value.b;
          break;
        }
      }
    }
    // 3.3. A store that cannot be opened.
    if (FAILED(hr) || !store)
      return ReportMapiError(session_.get(), hr, "Failed to get message store object.");
    // 3.4. The folder.
    hr = store->OpenEntry(size, AsEntryId(id), nullptr, MAPI_BEST_ACCESS, &type,
                          reinterpret_cast<LPUNKNOWN*>(folder.put()));
    // 3.5. In the default store, the receive folder and sent items are recognised.
    if (SUCCEEDED(hr) && isDefault) {
      SESSION_TRACE("get_StoreFolder", "Default store.");
      PropValues own;
      HrGetOneProp(folder.get(), PR_ENTRYID, own.put());
      const BYTE* ownId = own ? own.get()->Value.bin.lpb : id.get();
      const ULONG ownSize = own ? own.get()->Value.bin.cb : size;
      ULONG receiveSize = 0;
      MapiBuffer<ENTRYID> receive;
      if (SUCCEEDED(store->GetReceiveFolder(nullptr, 0, &receiveSize, receive.put(), nullptr)))
        isInbox = SameEntry(ownId, ownSize, reinterpret_cast<BYTE*>(receive.get()), receiveSize);
      PropValues sent;
      if (SUCCEEDED(HrGetOneProp(store.get(), PR_IPM_SENTMAIL_ENTRYID, sent.put())))
        isSent =
            SameEntry(ownId, ownSize, sent.get()->Value.bin.lpb, sent.get()->Value.bin.cb, &hr);
    }
    // 3.6. A folder that cannot be opened.
    if (FAILED(hr) || !folder) return ReportMapiError(store.get(), hr, "Failed to open folder.");
  } else {
    // 4. Through the session.
    const HRESULT hr = session_->OpenEntry(size, AsEntryId(id), nullptr, MAPI_BEST_ACCESS, &type,
                                           reinterpret_cast<LPUNKNOWN*>(folder.put()));
    if (FAILED(hr) || !folder) return ReportMapiError(session_.get(), hr, "Failed to open folder.");
  }
  // 5-6. Its object, named and flagged.
  ComPtr<IQMXStoreFolder> object;
  HRESULT hr = CreateObject(CLSID_QMXStoreFolder, object);
  if (FAILED(hr)) return hr;
  object->putref_MsgStore(folder.get());
  if (const Bstr name = DisplayNameOf(folder.get())) object->put_DisplayName(name.get());
  object->put_IsInbox(isInbox ? VARIANT_TRUE : VARIANT_FALSE);
  object->put_IsSentItems(isSent ? VARIANT_TRUE : VARIANT_FALSE);
  // 7. Handed out.
  *pVal = object.detach();
  return S_OK;
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
  MapiBuffer<BYTE> folderId, storeId;
  ULONG folderSize = 0, storeSize = 0;
  IdBytes(FolderID, true, folderId, folderSize);
  IdBytes(StoreID, true, storeId, storeSize);
  if (!folderSize || !storeSize) return E_FAIL;
  // 3. The message to copy, when one is given.
  ComPtr<IMessage> source;
  if (AttachMessage) {
    ComPtr<IUnknown> unknown;
    AttachMessage->get_MAPIObject(unknown.put());
    if (unknown) unknown->QueryInterface(IID_IMessage, source.put_void());
  }
  // 4. The new message in the folder.
  ComPtr<IMsgStore> store;
  HRESULT hr = OpenStore(storeId, storeSize, nullptr, store);
  if (FAILED(hr)) return hr;
  ComPtr<IMAPIFolder> folder;
  ULONG type = 0;
  hr = store->OpenEntry(folderSize, AsEntryId(folderId), nullptr, MAPI_BEST_ACCESS, &type,
                        reinterpret_cast<LPUNKNOWN*>(folder.put()));
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
  MapiBuffer<BYTE> messageId, folderId, storeId;
  ULONG messageSize = 0, folderSize = 0, storeSize = 0;
  IdBytes(EntryId, true, messageId, messageSize);
  IdBytes(FolderID, true, folderId, folderSize);
  const HRESULT storeConversion = IdBytes(StoreID, true, storeId, storeSize);
  if (!messageSize || !folderSize || !storeSize)
    return FAILED(storeConversion) ? storeConversion : E_INVALIDARG;
  // 3. Store, folder and message.
  ComPtr<IMsgStore> store;
  HRESULT hr = OpenStore(storeId, storeSize, nullptr, store);
  if (FAILED(hr)) return hr;
  ComPtr<IMAPIFolder> folder;
  ULONG type = 0;
  hr = store->OpenEntry(folderSize, AsEntryId(folderId), nullptr, MAPI_BEST_ACCESS, &type,
                        reinterpret_cast<LPUNKNOWN*>(folder.put()));
  store.reset();
  if (FAILED(hr)) return hr;
  ComPtr<IMessage> message;
  hr = folder->OpenEntry(messageSize, AsEntryId(messageId), &IID_IMessage, MAPI_BEST_ACCESS, &type,
                         reinterpret_cast<LPUNKNOWN*>(message.put()));
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
  // 2-3. The folder's contents in the store's own order.
  MapiBuffer<BYTE> folderId, storeId;
  ULONG folderSize = 0, storeSize = 0;
  IdBytes(FolderID, true, folderId, folderSize);
  IdBytes(StoreID, true, storeId, storeSize);
  if (!folderSize || !storeSize) return S_OK;
  ComPtr<IMsgStore> store;
  if (FAILED(OpenStore(storeId, storeSize, nullptr, store))) return S_OK;
  ComPtr<IMAPIFolder> folder;
  ULONG type = 0;
  if (FAILED(store->OpenEntry(folderSize, AsEntryId(folderId), nullptr, MAPI_BEST_ACCESS, &type,
                              reinterpret_cast<LPUNKNOWN*>(folder.put()))))
    return S_OK;
  store.reset();
  ComPtr<IMAPITable> table;
  if (FAILED(folder->GetContentsTable(0, table.put()))) return S_OK;
  auto columns = MakeTags(PR_MESSAGE_DOWNLOAD_TIME, PR_MESSAGE_SIZE);
  table->SetColumns(columns.get(), TBL_BATCH);
  RowSet rows;
  if (FAILED(HrQueryAllRows(table.get(), nullptr, nullptr, nullptr, 0, rows.put()))) return S_OK;
  // 4. The figures of row Index.
  if (static_cast<ULONG>(Index) < rows.get()->cRows) {
    const SRow& row = rows.get()->aRow[Index];
    if (DownloadTime && row.cValues > 0 && row.lpProps[0].ulPropTag == PR_MESSAGE_DOWNLOAD_TIME)
      *DownloadTime = row.lpProps[0].Value.l;
    if (MessageSize && row.cValues > 1 && row.lpProps[1].ulPropTag == PR_MESSAGE_SIZE)
      *MessageSize = row.lpProps[1].Value.l;
  }
  return S_OK;
}

HRESULT CQMXSession::AddDraftsFolder(BSTR EntryId) {
  if (IsEmpty(EntryId)) return S_OK;
  MapiBuffer<BYTE> id;
  ULONG size = 0;
  IdBytes(EntryId, false, id, size);
  draftsId_ = std::move(id);
  draftsIdSize_ = size;
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
  if (draftsId_ && draftsIdSize_ && SameEntry(id.get(), size, draftsId_.get(), draftsIdSize_)) {
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
  MapiBuffer<BYTE> first, second;
  ULONG firstSize = 0, secondSize = 0;
  if (FAILED(HexToEntryId(NarrowFromBstr(EntryId1).c_str(), first, firstSize)) ||
      FAILED(HexToEntryId(NarrowFromBstr(EntryId2).c_str(), second, secondSize)))
    return E_INVALIDARG;
  // 3. MAPI decides; a failing comparison answers "not the same".
  if (SameEntry(first.get(), firstSize, second.get(), secondSize)) *pVal = VARIANT_TRUE;
  return S_OK;
}

HRESULT CQMXSession::get_CompareFolders(IQMXStoreFolder* Comp1, IQMXStoreFolder* Comp2,
                                        VARIANT_BOOL* pVal) {
  if (!pVal) return E_POINTER;
  *pVal = VARIANT_FALSE;
  if (!session_ || !Comp1 || !Comp2) return S_OK;
  MapiBuffer<BYTE> first, second;
  ULONG firstSize = 0, secondSize = 0;
  if (FAILED(Comp1->GetEntryId(first.put(), &firstSize)) ||
      FAILED(Comp2->GetEntryId(second.put(), &secondSize)))
    return S_OK;
  if (SameEntry(first.get(), firstSize, second.get(), secondSize)) *pVal = VARIANT_TRUE;
  return S_OK;
}

}  // namespace kelmsgs
