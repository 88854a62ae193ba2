#include "store/QMXMessageStore.h"

#include <mapiutil.h>

#include "foundation/AutomationOut.h"
#include "foundation/BstrText.h"
#include "foundation/DateConvert.h"
#include "foundation/HexId.h"
#include "foundation/MapiExtraTags.h"
#include "foundation/MapiOwned.h"
#include "foundation/MapiProps.h"
#include "foundation/PropTags.h"
#include "foundation/RowColumn.h"
#include "foundation/VendorKey.h"
#include "frame/ObjectFactory.h"
#include "frame/resource.h"
#include "store/MAPINotify.h"

namespace kelmsgs {

namespace {

constexpr ULONG kStoreEvents = fnevExtended | fnevNewMail | fnevObjectCreated | fnevObjectDeleted |
                               fnevObjectModified | fnevObjectMoved |
                               fnevObjectCopied;  // 0x8000007E

// The store's properties that name its outbox, sent items and deleted items.
enum class StoreProp { ValidFolders, Outbox, SentItems, DeletedItems };

// The properties Message sets on the message object it makes, in the order it reads them.
enum class OpenedProp { Subject, Body, SubmitTime, DeliveryTime, EntryId, ParentId, StoreId };
auto OpenedProps() {
  return MakeTags(PR_SUBJECT_A, PR_BODY_A, PR_CLIENT_SUBMIT_TIME, PR_MESSAGE_DELIVERY_TIME,
                  PR_ENTRYID, PR_PARENT_ENTRYID, PR_STORE_ENTRYID);
}

// Sets what the opened message's properties say on its object, value by value.
void ShowProps(IQMXMessage* object, const SRow& props) {
  const auto text = [&](OpenedProp column, ULONG tag) {
    const SPropValue* v = Column(props, column, tag);
    return v ? Bstr(BstrFromNarrow(v->Value.lpszA)) : Bstr();
  };
  const auto id = [&](OpenedProp column, ULONG tag) {
    const SPropValue* v = Column(props, column, tag);
    return v ? HexBstr(v->Value.bin) : Bstr();
  };
  if (Bstr subject = text(OpenedProp::Subject, PR_SUBJECT_A)) object->put_Subject(subject.get());
  if (Bstr body = text(OpenedProp::Body, PR_BODY_A)) object->put_Body(body.get());
  if (const SPropValue* v = Column(props, OpenedProp::SubmitTime, PR_CLIENT_SUBMIT_TIME))
    object->put_SentTime(FileTimeToDate(v->Value.ft));
  if (const SPropValue* v = Column(props, OpenedProp::DeliveryTime, PR_MESSAGE_DELIVERY_TIME))
    object->put_ReceivedTime(FileTimeToDate(v->Value.ft));
  if (Bstr entry = id(OpenedProp::EntryId, PR_ENTRYID)) object->put_MessageID(entry.get());
  if (Bstr parent = id(OpenedProp::ParentId, PR_PARENT_ENTRYID)) object->put_FolderID(parent.get());
  if (Bstr store = id(OpenedProp::StoreId, PR_STORE_ENTRYID)) object->put_StoreID(store.get());
}

}  // namespace

CQMXMessageStore::CQMXMessageStore() : registryKeyPath_(VendorKeyWithCurrentProfile()) {}

CQMXMessageStore::~CQMXMessageStore() {
  Log("Store destructed.");
  log_.Close();
}

HRESULT CQMXMessageStore::get_DateTimeString(DATE DateTime, BSTR* pVal) {
  const Bstr text(DateToText(DateTime));
  if (!text) return E_OUTOFMEMORY;
  return StringOut(text, pVal);
}

HRESULT CQMXMessageStore::get_Default(VARIANT_BOOL* pVal) {
  return BoolOut(default_, pVal);
}

HRESULT CQMXMessageStore::get_FolderType(IQMXStoreFolder*, MAPIFolderTypeConstants* pVal) {
  if (!pVal) return E_POINTER;
  *pVal = mfldTypeNone;
  return S_OK;
}

HRESULT CQMXMessageStore::putref_MsgStore(IUnknown* newVal) {
  // A store bound earlier is let go with all its folders.
  for (auto& folder : standardFolders_) folder.reset();
  rootFolder_.reset();
  rootDisplayName_.reset();
  supportMask_ = 0;
  // 1. The store.
  store_.reset();
  if (!newVal) return E_INVALIDARG;
  HRESULT hr = newVal->QueryInterface(IID_IMsgStore, store_.put_void());
  if (FAILED(hr)) return hr;
  // 2. The root of the message subtree, and its name.
  PropValues subtree;
  if (SUCCEEDED(HrGetOneProp(store_.get(), PR_IPM_SUBTREE_ENTRYID, subtree.put())) &&
      SUCCEEDED(OpenFolderById(subtree.get(), rootFolder_)))
    rootDisplayName_ = DisplayNameOf(rootFolder_.get());
  // 3. What the store supports.
  PropValues mask;
  if (SUCCEEDED(HrGetOneProp(store_.get(), PR_STORE_SUPPORT_MASK, mask.put())))
    supportMask_ = mask.get()->Value.l;
  // 4. The standard folders it has.
  OpenStandardFolders();
  return S_OK;
}

HRESULT CQMXMessageStore::OpenFolderById(const SPropValue* id, ComPtr<IMAPIFolder>& folder) {
  if (!id) return MAPI_E_NOT_FOUND;
  ULONG type = 0;
  return store_->OpenEntry(id->Value.bin.cb, reinterpret_cast<LPENTRYID>(id->Value.bin.lpb),
                           nullptr, MAPI_BEST_ACCESS, &type,
                           reinterpret_cast<LPUNKNOWN*>(folder.put()));
}

void CQMXMessageStore::OpenStandardFolders() {
  // 1. The inbox is the receive folder of ordinary notes.
  ULONG size = 0;
  MapiBuffer<ENTRYID> inboxId;
  if (SUCCEEDED(store_->GetReceiveFolder(const_cast<LPTSTR>("IPM.Note"), 0, &size, inboxId.put(),
                                         nullptr))) {
    ULONG type = 0;
    store_->OpenEntry(size, inboxId.get(), nullptr, 0, &type,
                      reinterpret_cast<LPUNKNOWN*>(standardFolders_[mfldTypeInbox].put()));
  }
  // 2. Outbox, sent items and deleted items, as far as the store marks them valid.
  auto storeTags = MakeTags(PR_VALID_FOLDER_MASK, PR_IPM_OUTBOX_ENTRYID, PR_IPM_SENTMAIL_ENTRYID,
                            PR_IPM_WASTEBASKET_ENTRYID);
  ULONG count = 0;
  PropValues values;
  if (SUCCEEDED(store_->GetProps(storeTags.get(), 0, &count, values.put())) &&
      count == storeTags.cValues) {
    const SRow props{0, count, values.get()};
    const SPropValue* mask = Column(props, StoreProp::ValidFolders, PR_VALID_FOLDER_MASK);
    const ULONG valid = mask ? mask->Value.l : 0;
    if (valid & FOLDER_IPM_OUTBOX_VALID)
      OpenFolderById(Column(props, StoreProp::Outbox, PR_IPM_OUTBOX_ENTRYID),
                     standardFolders_[mfldTypeOutbox]);
    if (valid & FOLDER_IPM_SENTMAIL_VALID)
      OpenFolderById(Column(props, StoreProp::SentItems, PR_IPM_SENTMAIL_ENTRYID),
                     standardFolders_[mfldTypeSent]);
    if (valid & FOLDER_IPM_WASTEBASKET_VALID)
      OpenFolderById(Column(props, StoreProp::DeletedItems, PR_IPM_WASTEBASKET_ENTRYID),
                     standardFolders_[mfldTypeDeleted]);
  }
  // 3. The inbox names the calendar, contacts, journal, notes and tasks folders, in the
  // order of the folder types.
  if (!standardFolders_[mfldTypeInbox]) return;
  auto inboxTags = MakeTags(PR_IPM_APPOINTMENT_ENTRYID, PR_IPM_CONTACT_ENTRYID,
                            PR_IPM_JOURNAL_ENTRYID, PR_IPM_NOTE_ENTRYID, PR_IPM_TASK_ENTRYID);
  values.reset();
  if (FAILED(standardFolders_[mfldTypeInbox]->GetProps(inboxTags.get(), 0, &count, values.put())) ||
      count != inboxTags.cValues)
    return;
  const SRow props{0, count, values.get()};
  for (ULONG i = 0; i < count; ++i)
    OpenFolderById(Column(props, i, inboxTags.aulPropTag[i]),
                   standardFolders_[mfldTypeCalendar + i]);
}

HRESULT CQMXMessageStore::get_Public(VARIANT_BOOL* pVal) {
  return BoolOut((supportMask_ & STORE_PUBLIC_FOLDERS), pVal);
}

HRESULT CQMXMessageStore::AddProperties(BSTR DisplayName, VARIANT_BOOL Default,
                                        VARIANT_BOOL Subfolders) {
  // The name is appended to what the object already has.
  if (DisplayName) {
    const std::wstring joined = std::wstring(displayName_ ? displayName_.get() : L"",
                                             displayName_ ? SysStringLen(displayName_.get()) : 0) +
                                std::wstring(DisplayName, SysStringLen(DisplayName));
    Bstr name = BstrFromWide(joined);
    if (!name) return E_OUTOFMEMORY;
    displayName_ = std::move(name);
  }
  default_ = Default != VARIANT_FALSE;
  subfolders_ = Subfolders != VARIANT_FALSE;
  return S_OK;
}

HRESULT CQMXMessageStore::WrapFolder(IMAPIFolder* folder, BSTR displayName, IQMXStoreFolder** out) {
  ComPtr<IQMXStoreFolder> object;
  const HRESULT hr = CreateObject(CLSID_QMXStoreFolder, object);
  if (FAILED(hr)) return hr;
  object->putref_MsgStore(folder);
  if (displayName) object->put_DisplayName(displayName);
  *out = object.detach();
  return S_OK;
}

HRESULT CQMXMessageStore::get_RootFolder(IQMXStoreFolder** pVal) {
  if (!pVal) return E_POINTER;
  *pVal = nullptr;
  if (!rootFolder_) return Fail(IDS_CANNOT_OPEN_STORE);
  return WrapFolder(rootFolder_.get(), rootDisplayName_.get(), pVal);
}

HRESULT CQMXMessageStore::GetEntryId(unsigned char** EntryId, ULONG* Size) {
  if (!store_) return E_FAIL;
  return CopyEntryIdOf(store_.get(), EntryId, Size);
}

HRESULT CQMXMessageStore::get_DisplayName(BSTR* pVal) {
  return StringOut(displayName_, pVal);
}

HRESULT CQMXMessageStore::get_StandardFolder(MAPIFolderTypeConstants FolderType,
                                             IQMXStoreFolder** pVal) {
  if (!pVal) return E_POINTER;
  *pVal = nullptr;
  if (FolderType < 0 || FolderType >= kStandardFolders || !standardFolders_[FolderType])
    return S_OK;
  IMAPIFolder* folder = standardFolders_[FolderType].get();
  const Bstr name = DisplayNameOf(folder);
  return WrapFolder(folder, name.get(), pVal);
}

HRESULT CQMXMessageStore::GetStdFolderId(MAPIFolderTypeConstants FolderType,
                                         unsigned char** EntryId, ULONG* Size) {
  if (FolderType < 0 || FolderType >= kStandardFolders || !standardFolders_[FolderType])
    return E_FAIL;
  return CopyEntryIdOf(standardFolders_[FolderType].get(), EntryId, Size);
}

HRESULT CQMXMessageStore::Advise(IQMXSession* Session) {
  // 1. A session to report to; one registration at a time.
  if (!Session) return E_INVALIDARG;
  if (advised_) return S_OK;
  if (!store_) return E_FAIL;
  // 2. The whole store, every message event.
  ComPtr<CMAPINotify> sink = CMAPINotify::Make();
  if (!sink) return E_OUTOFMEMORY;
  const HRESULT hr = store_->Advise(0, nullptr, kStoreEvents, sink.get(), &connection_);
  // 3. A store without notifications.
  if (FAILED(hr)) {
    Log(hr == MAPI_E_NO_SUPPORT ? "no notification support\n" : "other error\n");
    connection_ = 0;
    return hr;
  }
  // 4. Registered.
  sink->SetTarget(this);
  session_ = ComPtr<IQMXSession>(Session);
  advised_ = true;
  Log("supports notification.");
  return hr;
}

HRESULT CQMXMessageStore::Unadvise() {
  HRESULT hr = S_OK;
  if (connection_ && store_) {
    hr = store_->Unadvise(connection_);
    connection_ = 0;
  }
  advised_ = false;
  return hr;
}

HRESULT CQMXMessageStore::get_Advised(VARIANT_BOOL* pVal) {
  return BoolOut(advised_, pVal);
}

HRESULT CQMXMessageStore::get_EntryId(BSTR* pVal) {
  if (!pVal) return E_POINTER;
  MapiBuffer<unsigned char> id;
  ULONG size = 0;
  const HRESULT hr = GetEntryId(id.put(), &size);
  if (FAILED(hr)) return hr;
  return HexStringOut(id.get(), size, pVal);
}

HRESULT CQMXMessageStore::get_LogFile(BSTR* pVal) {
  return log_.get_LogFile(pVal);
}

HRESULT CQMXMessageStore::put_LogFile(BSTR newVal) {
  return log_.put_LogFile(newVal, loggingEnabled_);
}

HRESULT CQMXMessageStore::get_LoggingEnabled(VARIANT_BOOL* pVal) {
  return BoolOut(loggingEnabled_, pVal);
}

HRESULT CQMXMessageStore::put_LoggingEnabled(VARIANT_BOOL newVal) {
  loggingEnabled_ = newVal != VARIANT_FALSE;
  return S_OK;
}

HRESULT CQMXMessageStore::get_Message(BSTR EntryId, IQMXMessage** pVal) {
  if (!pVal) return E_POINTER;
  *pVal = nullptr;
  // 1-2. The identifier.
  if (!EntryId || SysStringLen(EntryId) == 0) return E_INVALIDARG;
  if (!store_) return E_FAIL;
  EntryIdBuffer id;
  HRESULT hr = EntryIdFromBstr(EntryId, id);
  if (FAILED(hr)) return hr;
  // 3. The message.
  ComPtr<IMessage> message;
  ULONG type = 0;
  hr = store_->OpenEntry(id.size, id.entryId(), nullptr, MAPI_BEST_ACCESS, &type,
                         reinterpret_cast<LPUNKNOWN*>(message.put()));
  if (FAILED(hr)) return hr;
  // 4. Its object.
  ComPtr<IQMXMessage> object;
  hr = CreateObject(CLSID_QMXMessage, object);
  if (FAILED(hr)) return hr;
  // 5. The properties the object shows at once; a message that lacks some of them (the
  // warning MAPI_W_ERRORS_RETURNED) has opened all the same.
  auto tags = OpenedProps();
  ULONG count = 0;
  PropValues values;
  const HRESULT props = message->GetProps(tags.get(), 0, &count, values.put());
  if (SUCCEEDED(props) && count == tags.cValues) ShowProps(object.get(), {0, count, values.get()});
  // 6. The MAPI message itself; the object is handed out whatever GetProps said.
  object->putref_Msg(message.get(), VARIANT_FALSE);
  *pVal = object.detach();
  return FAILED(props) ? props : S_OK;
}

HRESULT CQMXMessageStore::get_ReceiveFolder(IQMXStoreFolder** pVal) {
  if (!pVal) return E_POINTER;
  *pVal = nullptr;
  if (!store_) return E_FAIL;
  ULONG size = 0;
  MapiBuffer<ENTRYID> id;
  HRESULT hr = store_->GetReceiveFolder(const_cast<LPTSTR>(""), 0, &size, id.put(), nullptr);
  if (FAILED(hr)) return hr;
  ComPtr<IMAPIFolder> folder;
  ULONG type = 0;
  hr = store_->OpenEntry(size, id.get(), nullptr, 0, &type,
                         reinterpret_cast<LPUNKNOWN*>(folder.put()));
  if (FAILED(hr)) return hr;
  const Bstr name = DisplayNameOf(folder.get());
  return WrapFolder(folder.get(), name.get(), pVal);
}

}  // namespace kelmsgs
