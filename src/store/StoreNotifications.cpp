// QMXMessageStore: the store's notifications. Each one is resolved to the identifiers
// clients know (a server store notifies short-term identifiers; the object's own
// PR_ENTRYID is what the rest of the library hands out) and forwarded to the session that
// advised the store. Identifiers that differ are recorded in the identifier map, so a
// consumer of the event queue can relate the two.
#include "store/QMXMessageStore.h"

#include <mapiguid.h>
#include <mapiutil.h>

#include <cstring>

#include "foundation/HexId.h"
#include "foundation/MapiOwned.h"
#include "foundation/MapiProps.h"
#include "foundation/PropTags.h"
#include "foundation/UserValues.h"
#include "session/EventQueuePlan.h"

namespace kelmsgs {

// Identifiers are mapped when the object's own one is longer than this.
constexpr ULONG kShortIdentifierLimit = 50;

// An identifier the handler passes on, owned elsewhere; null when unknown.
struct CQMXMessageStore::IdRef {
  const BYTE* bytes = nullptr;
  ULONG size = 0;

  IdRef() = default;
  IdRef(ULONG cb, const ENTRYID* id)
      : bytes(reinterpret_cast<const BYTE*>(id)), size(id ? cb : 0) {}
  explicit IdRef(const SPropValue& value) {
    if (IsErrorValue(value) || PROP_TYPE(value.ulPropTag) != PT_BINARY) return;
    bytes = value.Value.bin.lpb;
    size = value.Value.bin.cb;
  }
  explicit operator bool() const { return bytes != nullptr; }
  std::string Hex() const {
    const auto text = EntryIdToHex(bytes, size);
    return text ? std::string(text.get()) : std::string();
  }
};

// The identifiers of one forwarded event.
struct CQMXMessageStore::ForwardIds {
  IdRef message, parent, oldMessage, oldParent;
};

namespace {

// A copy in a MAPI buffer of its own, for the session to free; nothing for an unknown one.
MapiBuffer<BYTE> CopyId(const BYTE* bytes, ULONG size) {
  MapiBuffer<BYTE> copy;
  if (!bytes || FAILED(MAPIAllocateBuffer(size ? size : 1, reinterpret_cast<void**>(copy.put()))))
    return copy;
  if (size) std::memcpy(copy.get(), bytes, size);
  return copy;
}

// PR_ENTRYID and PR_PARENT_ENTRYID of an object (each an error value when unreadable).
HRESULT ReadIdentity(IMAPIProp* object, PropValues& values) {
  auto tags = MakeTags(PR_ENTRYID, PR_PARENT_ENTRYID);
  ULONG count = 0;
  const HRESULT hr = object->GetProps(tags.get(), 0, &count, values.put());
  if (SUCCEEDED(hr) && count != 2) return MAPI_E_CALL_FAILED;
  return hr;
}

}  // namespace

void CQMXMessageStore::OnStoreNotify(ULONG count, const NOTIFICATION* notifications) {
  for (ULONG i = 0; i < count; ++i) {
    const NOTIFICATION& n = notifications[i];
    switch (n.ulEventType) {
      case fnevNewMail:
        OnNewMail(n.info.newmail);
        break;
      case fnevObjectCreated:
        if (n.info.obj.ulObjType == MAPI_FOLDER)
          OnFolderCreated(n.info.obj);
        else
          OnObjectCreated(n.info.obj);
        break;
      case fnevObjectModified:
        if (n.info.obj.ulObjType == MAPI_STORE) Log("Store modified.");
        if (n.info.obj.ulObjType == MAPI_FOLDER) Log("Folder modified.");
        OnObjectChanged(n.ulEventType, n.info.obj);
        break;
      case fnevObjectDeleted:
      case fnevObjectMoved:
      case fnevObjectCopied:
        OnObjectChanged(n.ulEventType, n.info.obj);
        break;
      default:
        Log("Something else happened.");
        LogObjectType(n.info.obj.ulObjType);
        break;
    }
  }
}

void CQMXMessageStore::LogObjectType(ULONG objectType) {
  switch (objectType) {
    case MAPI_STORE:
      Log("Object type: Store.");
      break;
    case MAPI_FOLDER:
      Log("Object type: Folder.");
      break;
    case MAPI_SESSION:
      Log("Object type: Session.");
      break;
    case MAPI_MESSAGE:
      Log("Object type: Message.");
      break;
    default:
      break;
  }
}

HRESULT CQMXMessageStore::OpenNotified(IdRef id, ComPtr<IMAPIProp>& object) {
  if (!id || !store_) return MAPI_E_NOT_FOUND;
  ULONG type = 0;
  return store_->OpenEntry(id.size, reinterpret_cast<LPENTRYID>(const_cast<BYTE*>(id.bytes)),
                           nullptr, MAPI_BEST_ACCESS, &type,
                           reinterpret_cast<LPUNKNOWN*>(object.put()));
}

CQMXMessageStore::IdRef CQMXMessageStore::OwnEntryId(IdRef id, PropValues& holder) {
  ComPtr<IMAPIProp> object;
  if (FAILED(OpenNotified(id, object)) ||
      FAILED(HrGetOneProp(object.get(), PR_ENTRYID, holder.put())))
    return {};
  return IdRef(*holder.get());
}

bool CQMXMessageStore::IsReceiveFolder(IdRef id) {
  ULONG size = 0;
  MapiBuffer<ENTRYID> receive;
  if (!id ||
      FAILED(store_->GetReceiveFolder(const_cast<LPTSTR>(""), 0, &size, receive.put(), nullptr)))
    return false;
  ULONG same = FALSE;
  return SUCCEEDED(store_->CompareEntryIDs(id.size,
                                           reinterpret_cast<LPENTRYID>(const_cast<BYTE*>(id.bytes)),
                                           size, receive.get(), 0, &same)) &&
         same;
}

void CQMXMessageStore::MapIdentifier(IdRef notified, IdRef own) {
  if (!notified || !own || own.size <= kShortIdentifierLimit) return;
  WriteUserString(registryKeyPath_ + "\\AutoUpdate\\EntryIdMap", notified.Hex(), own.Hex());
}

void CQMXMessageStore::Forward(const ForwardIds& ids, ULONG eventType, ULONG objectType,
                               bool isResult) {
  if (!session_) return;
  // 1. The store's own identifier.
  MapiBuffer<unsigned char> storeId;
  ULONG storeSize = 0;
  if (FAILED(GetEntryId(storeId.put(), &storeSize))) storeSize = 0;
  // 2. A buffer of its own for each identifier; the session takes them all over.
  auto message = CopyId(ids.message.bytes, ids.message.size);
  auto parent = CopyId(ids.parent.bytes, ids.parent.size);
  auto oldMessage = CopyId(ids.oldMessage.bytes, ids.oldMessage.size);
  auto oldParent = CopyId(ids.oldParent.bytes, ids.oldParent.size);
  const auto sizeOf = [](const MapiBuffer<BYTE>& copy, const IdRef& id) {
    return copy ? id.size : 0;
  };
  const ULONG sizes[] = {sizeOf(message, ids.message), sizeOf(parent, ids.parent),
                         sizeOf(oldMessage, ids.oldMessage), sizeOf(oldParent, ids.oldParent)};
  session_->MessageNotification(storeId.release(), storeSize, message.release(), sizes[0],
                                parent.release(), sizes[1], oldMessage.release(), sizes[2],
                                oldParent.release(), sizes[3], eventType, objectType,
                                isResult ? VARIANT_TRUE : VARIANT_FALSE);
}

void CQMXMessageStore::OnNewMail(const NEWMAIL_NOTIFICATION& mail) {
  // 1. Logged.
  Log("New mail.");
  // 2. The message's own identifiers.
  const IdRef notified(mail.cbEntryID, mail.lpEntryID);
  ComPtr<IMAPIProp> message;
  PropValues identity;
  if (FAILED(OpenNotified(notified, message)) || FAILED(ReadIdentity(message.get(), identity)))
    return;
  const IdRef own(identity.get()[0]), parent(identity.get()[1]);
  if (!own || !parent) return;
  // 3. Mapped when they differ in kind, and reported whatever the store's flavour.
  MapIdentifier(notified, own);
  Forward({own, parent, {}, {}}, fnevNewMail, MAPI_MESSAGE, false);
}

void CQMXMessageStore::OnFolderCreated(const OBJECT_NOTIFICATION& object) {
  // The folder's and its parent's own identifiers, each where it can be read.
  PropValues folderId, parentId;
  const IdRef folder = OwnEntryId(IdRef(object.cbEntryID, object.lpEntryID), folderId);
  const IdRef parent = OwnEntryId(IdRef(object.cbParentID, object.lpParentID), parentId);
  Forward({folder, parent, {}, {}}, fnevObjectCreated, MAPI_FOLDER, false);
}

void CQMXMessageStore::OnObjectCreated(const OBJECT_NOTIFICATION& object) {
  // 1. The new object.
  const IdRef notified(object.cbEntryID, object.lpEntryID);
  ComPtr<IMAPIProp> created;
  if (FAILED(OpenNotified(notified, created))) return;
  // 2. A result of the search engine carries its document number.
  const bool isResult = CarriesResultMark(created.get());
  // 3. Its own identifiers.
  PropValues identity;
  if (FAILED(ReadIdentity(created.get(), identity))) return;
  const IdRef own(identity.get()[0]), parent(identity.get()[1]);
  // 4. Mail arriving in the receive folder is mapped by its new-mail notification.
  if (!IsReceiveFolder(IdRef(object.cbParentID, object.lpParentID))) MapIdentifier(notified, own);
  // 5. Reported.
  Forward({own, parent, {}, {}}, fnevObjectCreated, object.ulObjType, isResult);
}

bool CQMXMessageStore::CarriesResultMark(IMAPIProp* object) {
  MAPINAMEID name{};
  name.lpguid = const_cast<LPGUID>(&PS_PUBLIC_STRINGS);
  name.ulKind = MNID_STRING;
  name.Kind.lpwstrName = const_cast<LPWSTR>(L"QNDDocID");
  LPMAPINAMEID names[] = {&name};
  MapiBuffer<SPropTagArray> tags;
  if (FAILED(object->GetIDsFromNames(1, names, 0, tags.put())) || !tags ||
      tags.get()->cValues < 1 || PROP_TYPE(tags.get()->aulPropTag[0]) == PT_ERROR)
    return false;
  PropValues value;
  return SUCCEEDED(HrGetOneProp(object, CHANGE_PROP_TYPE(tags.get()->aulPropTag[0], PT_UNSPECIFIED),
                                value.put()));
}

void CQMXMessageStore::OnObjectChanged(ULONG eventType, const OBJECT_NOTIFICATION& object) {
  LogObjectType(object.ulObjType);
  if (object.ulObjType != MAPI_MESSAGE) return;
  // 1-2. The message, unless it is gone.
  const IdRef notified(object.cbEntryID, object.lpEntryID);
  PropValues identity;
  IdRef own;
  ComPtr<IMAPIProp> message;
  if (SUCCEEDED(OpenNotified(notified, message))) {
    // 3. Changes of mail and posts are not reported.
    if (eventType == fnevObjectModified) {
      PropValues messageClass;
      if (SUCCEEDED(HrGetOneProp(message.get(), PR_MESSAGE_CLASS_A, messageClass.put())) &&
          messageClass.get()->Value.lpszA && IsQuietOnModify(messageClass.get()->Value.lpszA))
        return;
    }
    // 4. Its own identifier, mapped when long.
    if (SUCCEEDED(ReadIdentity(message.get(), identity))) own = IdRef(identity.get()[0]);
    MapIdentifier(notified, own);
    message.reset();
  }
  // 5-7. Message, parent and former parent: their own identifiers where they open,
  // otherwise as notified.
  const IdRef notifiedParent(object.cbParentID, object.lpParentID);
  const IdRef notifiedOldParent(object.cbOldParentID, object.lpOldParentID);
  PropValues parentId, oldParentId;
  IdRef parent = OwnEntryId(notifiedParent, parentId);
  if (!parent) parent = notifiedParent;
  IdRef oldParent;
  if (notifiedOldParent) {
    oldParent = OwnEntryId(notifiedOldParent, oldParentId);
    if (!oldParent) oldParent = notifiedOldParent;
  }
  // 8. Reported.
  Forward({own ? own : notified, parent, IdRef(object.cbOldID, object.lpOldID), oldParent},
          eventType, object.ulObjType, false);
}

}  // namespace kelmsgs
