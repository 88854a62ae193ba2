#include "store/StoreNotify.h"

namespace mapistandin {

namespace {

ULONG EventType(StoreEventKind kind) {
  switch (kind) {
    case StoreEventKind::NewMail:
      return fnevNewMail;
    case StoreEventKind::Created:
      return fnevObjectCreated;
    case StoreEventKind::Deleted:
      return fnevObjectDeleted;
    case StoreEventKind::Modified:
      return fnevObjectModified;
    case StoreEventKind::Moved:
      return fnevObjectMoved;
    case StoreEventKind::Copied:
      return fnevObjectCopied;
    case StoreEventKind::Extended:
      return fnevExtended;
  }
  return 0;
}

bool Passes(const StoreAdviseFilter& f, const StoreEvent& e) {
  if (!(f.mask & EventType(e.kind))) return false;
  if (f.wholeStore || e.kind == StoreEventKind::Extended) return true;
  return e.id == f.object || e.parent == f.object || (e.oldParent && e.oldParent == f.object);
}

std::string NotifyId(const StoreIdentity& who, EntryKind kind, std::uint64_t id) {
  if (!id) return {};
  EntryRef ref;
  ref.longFlavour = who.longFlavour;
  ref.shortTerm = who.longFlavour;
  ref.kind = kind;
  ref.storeUid = who.uid;
  ref.object = id;
  return MakeEntryId(ref);
}

bool Fill(NotificationBlock& block, NOTIFICATION& n, const StoreIdentity& who,
          const StoreEvent& e) {
  n.ulEventType = EventType(e.kind);
  const EntryKind kind = e.isFolder ? EntryKind::Folder : EntryKind::Message;
  switch (e.kind) {
    case StoreEventKind::Extended:
      n.info.ext.ulEvent = e.extendedEvent;
      return block.CopyBytes(e.extendedData, n.info.ext.cb, n.info.ext.pbEventParameters);
    case StoreEventKind::NewMail: {
      NEWMAIL_NOTIFICATION& m = n.info.newmail;
      m.ulFlags = 0;  // 8-bit message class
      m.ulMessageFlags = e.messageFlags;
      LPSTR cls = nullptr;
      const bool ok =
          block.CopyId(NotifyId(who, kind, e.id), m.cbEntryID, m.lpEntryID) &&
          block.CopyId(NotifyId(who, EntryKind::Folder, e.parent), m.cbParentID, m.lpParentID) &&
          block.CopyString(e.messageClass, cls);
      m.lpszMessageClass = reinterpret_cast<LPTSTR>(cls);
      return ok;
    }
    default: {
      OBJECT_NOTIFICATION& o = n.info.obj;
      o.ulObjType = e.isFolder ? MAPI_FOLDER : MAPI_MESSAGE;
      o.lpPropTagArray = nullptr;
      return block.CopyId(NotifyId(who, kind, e.id), o.cbEntryID, o.lpEntryID) &&
             block.CopyId(NotifyId(who, EntryKind::Folder, e.parent), o.cbParentID, o.lpParentID) &&
             block.CopyId(NotifyId(who, kind, e.oldId), o.cbOldID, o.lpOldID) &&
             block.CopyId(NotifyId(who, EntryKind::Folder, e.oldParent), o.cbOldParentID,
                          o.lpOldParentID);
    }
  }
}

}  // namespace

NotificationBlock MakeStoreBatch(const StoreIdentity& who, const StoreAdviseFilter& filter,
                                 const std::vector<StoreEvent>& events) {
  std::vector<const StoreEvent*> picked;
  for (const StoreEvent& e : events) {
    if (Passes(filter, e)) picked.push_back(&e);
  }
  if (picked.empty()) return NotificationBlock(0);
  NotificationBlock block(static_cast<ULONG>(picked.size()));
  for (ULONG i = 0; i < block.count(); ++i) {
    if (!Fill(block, *block.at(i), who, *picked[i])) return NotificationBlock(0);
  }
  return block;
}

}  // namespace mapistandin
