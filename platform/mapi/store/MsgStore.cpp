#include "store/MsgStore.h"

#include <cstring>

#include "store/EntryId.h"
#include "store/Folder.h"
#include "store/Attach.h"
#include "store/Message.h"
#include "store/StoreNotify.h"
#include "store/StoreTags.h"
#include "notify/Delivery.h"
#include "table/Table.h"

namespace mapistandin {

namespace {

constexpr ULONG kStoreHtmlOk = 0x00010000;  // STORE_HTML_OK, missing from the SDK headers

std::uint64_t InfoValue(const StoreImage& image, ULONG tag) {
  const Prop* p = FindProp(image.info, tag);
  return p ? static_cast<std::uint64_t>(p->integer) : 0;
}

}  // namespace

ULONG StoreSupportMask(const StoreImage& image, bool writable) {
  // The usual abilities, plus what the store was configured with.
  ULONG mask = STORE_ENTRYID_UNIQUE | STORE_MODIFY_OK | STORE_CREATE_OK | STORE_ATTACH_OK |
               STORE_OLE_OK | STORE_RTF_OK | kStoreHtmlOk | STORE_MV_PROPS_OK |
               STORE_CATEGORIZE_OK | STORE_RESTRICTION_OK | STORE_SORT_OK;
  if (InfoValue(image, kInfoNoNotify) == 0) mask |= STORE_NOTIFY_OK;
  mask |= static_cast<ULONG>(InfoValue(image, kInfoSupportMask));
  if (InfoValue(image, kInfoPublic) != 0) mask |= STORE_PUBLIC_FOLDERS;
  if (!writable) mask |= STORE_READONLY;
  return mask;
}

namespace {

// The receive folder of a class: the entry for the longest matching prefix at a dot
// boundary, falling back to the default (empty) class.
bool FindReceiveFolder(const StoreImage& image, const std::string& cls, std::uint64_t& folder,
                       std::string& matched) {
  const Prop* classes = FindProp(image.info, kInfoReceiveClasses);
  const Prop* folders = FindProp(image.info, kInfoReceiveFolders);
  if (!classes || !folders) return false;
  std::size_t bestLength = 0;
  bool found = false;
  for (std::size_t i = 0; i < classes->multi.size() && i < folders->multi.size(); ++i) {
    const std::string& c = classes->multi[i];
    const bool prefix = c.empty() || (_strnicmp(cls.c_str(), c.c_str(), c.size()) == 0 &&
                                      (cls.size() == c.size() || cls[c.size()] == '.'));
    if (!prefix || (found && c.size() < bestLength)) continue;
    std::uint64_t id = 0;
    std::memcpy(&id, folders->multi[i].data(), std::min<std::size_t>(8, folders->multi[i].size()));
    if (!image.folders.count(id)) continue;
    folder = id;
    matched = c;
    bestLength = c.size();
    found = true;
  }
  return found;
}

HRESULT CopyOutBinary(const std::string& bytes, ULONG* cb, LPENTRYID* out) {
  void* block = nullptr;
  HRESULT hr = MAPIAllocateBuffer(static_cast<ULONG>(bytes.size()), &block);
  if (FAILED(hr)) return hr;
  std::memcpy(block, bytes.data(), bytes.size());
  *cb = static_cast<ULONG>(bytes.size());
  *out = static_cast<LPENTRYID>(block);
  return S_OK;
}

}  // namespace

const std::string& PrivateStoreProvider() {
  static const std::string uid("\x4B\x4D\x50\x52\x49\x56\x41\x54\x8A\x31\x10\x1B\x9C\x02\x00\xAA",
                               16);
  return uid;
}

const std::string& PublicStoreProvider() {
  static const std::string uid("\x4B\x4D\x50\x55\x42\x4C\x49\x43\x8A\x31\x10\x1B\x9C\x02\x00\xAA",
                               16);
  return uid;
}

MsgStore::MsgStore(std::shared_ptr<StoreEngine> engine, bool writable, ULONG openFlags)
    : engine_(std::move(engine)), who_(StoreIdentity::Of(*engine_)), openFlags_(openFlags) {
  writable_ = writable;
  namesAlwaysWritable_ = true;
}

void* MsgStore::FindInterface(REFIID iid) {
  if (iid == IID_IUnknown || iid == IID_IMAPIProp || iid == IID_IMsgStore)
    return static_cast<IMsgStore*>(this);
  if (iid == kIidStandinStore) return this;
  return nullptr;
}

Row MsgStore::AllProps() {
  return engine_->Read([&](const StoreImage& image) {
    Row row;
    const Prop* name = FindProp(image.info, PR_DISPLAY_NAME_A);
    const bool isPublic = InfoValue(image, kInfoPublic) != 0;
    row.push_back(MakeBinary(PR_ENTRYID, who_.StoreId()));
    row.push_back(MakeBinary(PR_RECORD_KEY, who_.uid));
    row.push_back(MakeBinary(PR_STORE_ENTRYID, who_.StoreId()));
    row.push_back(MakeBinary(PR_STORE_RECORD_KEY, who_.uid));
    row.push_back(MakeString(PR_DISPLAY_NAME_A, name ? name->bytes : std::string()));
    row.push_back(MakeLong(PR_OBJECT_TYPE, MAPI_STORE));
    row.push_back(
        MakeBinary(PR_MDB_PROVIDER, isPublic ? PublicStoreProvider() : PrivateStoreProvider()));
    row.push_back(MakeLong(PR_STORE_SUPPORT_MASK, StoreSupportMask(image, writable_)));
    row.push_back(MakeLong(PR_STORE_STATE, 0));
    // The standard folders that exist, and the mask that says which are valid.
    ULONG valid = 0;
    const struct {
      ULONG info, tag, bit;
    } standard[] = {{kInfoSubtree, PR_IPM_SUBTREE_ENTRYID, FOLDER_IPM_SUBTREE_VALID},
                    {kInfoOutbox, PR_IPM_OUTBOX_ENTRYID, FOLDER_IPM_OUTBOX_VALID},
                    {kInfoSent, PR_IPM_SENTMAIL_ENTRYID, FOLDER_IPM_SENTMAIL_VALID},
                    {kInfoWastebasket, PR_IPM_WASTEBASKET_ENTRYID, FOLDER_IPM_WASTEBASKET_VALID},
                    {kInfoInbox, 0, FOLDER_IPM_INBOX_VALID}};
    for (const auto& s : standard) {
      const std::uint64_t id = InfoValue(image, s.info);
      if (!id || !image.folders.count(id)) continue;
      valid |= s.bit;
      if (s.tag) row.push_back(MakeBinary(s.tag, who_.FolderId(id)));
    }
    if (isPublic) {
      const std::uint64_t subtree = InfoValue(image, kInfoSubtree);
      row.push_back(
          MakeBinary(PROP_TAG(PT_BINARY, 0x6631), who_.FolderId(subtree)));  // public folders root
    }
    row.push_back(MakeLong(PR_VALID_FOLDER_MASK, valid));
    for (const Prop& p : image.info) {
      if (PROP_ID(p.tag) < kPrivateFirst && !FindPropById(row, IdOf(p.tag))) row.push_back(p);
    }
    return row;
  });
}

bool MsgStore::AcceptsTag(ULONG tag) const {
  return PROP_ID(tag) != PROP_ID(PR_MDB_PROVIDER);
}

HRESULT MsgStore::PutProps(const Row& values) {
  StoreOp op;
  op.kind = StoreOpKind::StoreInfo;
  op.props = engine_->Read([](const StoreImage& image) { return image.info; });
  for (const Prop& p : values) PutProp(op.props, p);
  return engine_->Commit({op});
}

HRESULT MsgStore::OpenProp(ULONG, REFIID, ULONG, ULONG, LPUNKNOWN*) {
  return MAPI_E_NO_SUPPORT;
}

STDMETHODIMP MsgStore::Advise(ULONG cb, LPENTRYID id, ULONG mask, LPMAPIADVISESINK sink,
                              ULONG* connection) {
  // 1. Arguments.
  control::Journal("IMsgStore::Advise", mask);
  if (!sink || !connection) return MAPI_E_INVALID_PARAMETER;
  if (HRESULT hr = control::Fault("Advise"); FAILED(hr)) return hr;
  // 2. A store configured without notifications has none to offer.
  if (!engine_->Read([](const StoreImage& image) { return InfoValue(image, kInfoNoNotify) == 0; }))
    return MAPI_E_NO_SUPPORT;
  // 3. The whole store, or one object of it.
  StoreAdviseFilter filter;
  filter.mask = mask;
  if (id && cb) {
    auto ref = ParseEntryId(id, cb);
    if (!ref || ref->storeUid != who_.uid) return MAPI_E_INVALID_ENTRYID;
    filter.wholeStore = ref->kind == EntryKind::Store;
    filter.object = ref->object;
  }
  // 4. The connection, fed by the store's commits.
  const ULONG c = delivery::Subscribe(sink);
  if (!c) return MAPI_E_CALL_FAILED;
  const std::uint64_t token =
      engine_->Listen([who = who_, filter, c](const std::vector<StoreEvent>& events) {
        NotificationBlock batch = MakeStoreBatch(who, filter, events);
        if (!batch.empty()) delivery::Post(c, std::move(batch));
      });
  std::lock_guard guard(advisesLock_);
  advises_[c] = token;
  *connection = c;
  return S_OK;
}

STDMETHODIMP MsgStore::Unadvise(ULONG connection) {
  control::Journal("IMsgStore::Unadvise", connection);
  std::uint64_t token = 0;
  {
    std::lock_guard guard(advisesLock_);
    auto it = advises_.find(connection);
    if (it == advises_.end()) return MAPI_E_NOT_FOUND;
    token = it->second;
    advises_.erase(it);
  }
  engine_->StopListening(token);
  delivery::Unsubscribe(connection);
  return S_OK;
}

MsgStore::~MsgStore() {
  // Connections end with the store that made them.
  for (auto& [connection, token] : advises_) {
    engine_->StopListening(token);
    delivery::Unsubscribe(connection);
  }
}

STDMETHODIMP MsgStore::CompareEntryIDs(ULONG cb1, LPENTRYID id1, ULONG cb2, LPENTRYID id2,
                                       ULONG flags, ULONG* result) {
  control::Journal("IMsgStore::CompareEntryIDs", flags);
  if (!result || !id1 || !id2) return MAPI_E_INVALID_PARAMETER;
  auto a = ParseEntryId(id1, cb1);
  auto b = ParseEntryId(id2, cb2);
  if (!a || !b) return MAPI_E_UNKNOWN_ENTRYID;
  *result = SameEntry(*a, *b) ? TRUE : FALSE;
  return S_OK;
}

STDMETHODIMP MsgStore::OpenEntry(ULONG cb, LPENTRYID id, LPCIID iid, ULONG flags, ULONG* type,
                                 LPUNKNOWN* out) {
  // 1. Arguments.
  if (!type || !out) return MAPI_E_INVALID_PARAMETER;
  *out = nullptr;
  control::Journal("IMsgStore::OpenEntry", flags);
  // An entry can be made to fail for one identifier (in the form it is asked for).
  std::string hex(id ? cb * 2 + 1 : 1, '\0');
  if (id) HexFromBin(reinterpret_cast<LPBYTE>(id), static_cast<int>(cb), hex.data());
  hex.pop_back();
  if (HRESULT hr = control::Fault("OpenEntry", hex); FAILED(hr)) return hr;
  engine_->Refresh();
  // 2. No identifier: the root folder. Otherwise an identifier of this store.
  EntryRef ref;
  if (!id || cb == 0) {
    ref.kind = EntryKind::Folder;
    ref.storeUid = who_.uid;
    ref.object = engine_->InfoId(kInfoRoot);
  } else {
    auto parsed = ParseEntryId(id, cb);
    if (!parsed) return MAPI_E_INVALID_ENTRYID;
    ref = *parsed;
    if (ref.storeUid != who_.uid) return MAPI_E_INVALID_ENTRYID;
  }
  // 3. Access: MAPI_MODIFY asks for it; MAPI_BEST_ACCESS takes what the store gives.
  if ((flags & MAPI_MODIFY) && !writable_) return MAPI_E_NO_ACCESS;
  const bool write = writable_ && (flags & (MAPI_MODIFY | MAPI_BEST_ACCESS));
  Ref<IUnknown> object;
  switch (ref.kind) {
    case EntryKind::Store:
      object = Ref<IUnknown>(static_cast<IMsgStore*>(this));
      *type = MAPI_STORE;
      break;
    case EntryKind::Folder: {
      const bool exists = engine_->Read(
          [&](const StoreImage& image) { return image.folders.count(ref.object) > 0; });
      if (!exists) return MAPI_E_NOT_FOUND;
      object = Ref<IUnknown>::adopt(
          static_cast<IMAPIFolder*>(new Folder(Ref<MsgStore>(this), engine_, ref.object, write)));
      *type = MAPI_FOLDER;
      break;
    }
    case EntryKind::Message: {
      std::uint64_t parent = 0;
      MessageData data;
      const bool exists = engine_->Read([&](const StoreImage& image) {
        auto it = image.messages.find(ref.object);
        if (it == image.messages.end()) return false;
        parent = it->second.parent;
        data = it->second.data;
        return true;
      });
      if (!exists) return MAPI_E_NOT_FOUND;
      object = Ref<IUnknown>::adopt(static_cast<IMessage*>(
          new Message(engine_, ref.object, parent, std::move(data), write, false)));
      *type = MAPI_MESSAGE;
      break;
    }
  }
  // 4. The interface asked for, or the object's own.
  if (!iid) {
    *out = object.detach();
    return S_OK;
  }
  if (FAILED(object->QueryInterface(*iid, reinterpret_cast<void**>(out))))
    return MAPI_E_INTERFACE_NOT_SUPPORTED;
  return S_OK;
}

STDMETHODIMP MsgStore::SetReceiveFolder(LPTSTR cls, ULONG flags, ULONG cb, LPENTRYID id) {
  control::Journal("IMsgStore::SetReceiveFolder", flags, {}, cls ? cls : "");
  if (flags & MAPI_UNICODE) return MAPI_E_BAD_CHARWIDTH;
  const std::string wanted = cls ? cls : "";
  StoreOp op;
  op.kind = StoreOpKind::StoreInfo;
  op.props = engine_->Read([](const StoreImage& image) { return image.info; });
  Prop classes, folders;
  classes.tag = kInfoReceiveClasses;
  folders.tag = kInfoReceiveFolders;
  if (const Prop* p = FindProp(op.props, kInfoReceiveClasses)) classes = *p;
  if (const Prop* p = FindProp(op.props, kInfoReceiveFolders)) folders = *p;
  for (std::size_t i = 0; i < classes.multi.size(); ++i) {
    if (_stricmp(classes.multi[i].c_str(), wanted.c_str()) == 0) {
      classes.multi.erase(classes.multi.begin() + static_cast<long>(i));
      folders.multi.erase(folders.multi.begin() + static_cast<long>(i));
      break;
    }
  }
  if (id && cb) {
    auto ref = ParseEntryId(id, cb);
    if (!ref || ref->kind != EntryKind::Folder || ref->storeUid != who_.uid)
      return MAPI_E_INVALID_ENTRYID;
    classes.multi.push_back(wanted);
    folders.multi.emplace_back(reinterpret_cast<const char*>(&ref->object), 8);
  }
  PutProp(op.props, classes);
  PutProp(op.props, folders);
  return engine_->Commit({op});
}

STDMETHODIMP MsgStore::GetReceiveFolder(LPTSTR cls, ULONG flags, ULONG* cb, LPENTRYID* id,
                                        LPTSTR* explicitClass) {
  // 1. Arguments.
  if (!cb || !id) return MAPI_E_INVALID_PARAMETER;
  *cb = 0;
  *id = nullptr;
  if (explicitClass) *explicitClass = nullptr;
  control::Journal("IMsgStore::GetReceiveFolder", flags, {}, cls ? cls : "");
  if (HRESULT hr = control::Fault("GetReceiveFolder"); FAILED(hr)) return hr;
  if (flags & MAPI_UNICODE) return MAPI_E_BAD_CHARWIDTH;
  // 2. The folder of the class (or of its nearest parent class, or the default).
  std::uint64_t folder = 0;
  std::string matched;
  const bool found = engine_->Read([&](const StoreImage& image) {
    return FindReceiveFolder(image, cls ? cls : "", folder, matched);
  });
  if (!found) return MAPI_E_NOT_FOUND;
  // 3. The identifier and the class that matched, in MAPI memory.
  if (HRESULT hr = CopyOutBinary(who_.FolderId(folder), cb, id); FAILED(hr)) return hr;
  if (explicitClass) {
    void* text = nullptr;
    if (HRESULT hr = MAPIAllocateBuffer(static_cast<ULONG>(matched.size() + 1), &text);
        FAILED(hr)) {
      MAPIFreeBuffer(*id);
      *id = nullptr;
      *cb = 0;
      return hr;
    }
    std::memcpy(text, matched.c_str(), matched.size() + 1);
    *explicitClass = static_cast<LPTSTR>(text);
  }
  return S_OK;
}

STDMETHODIMP MsgStore::GetReceiveFolderTable(ULONG flags, LPMAPITABLE* table) {
  if (!table) return MAPI_E_INVALID_PARAMETER;
  control::Journal("IMsgStore::GetReceiveFolderTable", flags);
  std::vector<Row> rows = engine_->Read([&](const StoreImage& image) {
    std::vector<Row> out;
    const Prop* classes = FindProp(image.info, kInfoReceiveClasses);
    const Prop* folders = FindProp(image.info, kInfoReceiveFolders);
    for (std::size_t i = 0;
         classes && folders && i < classes->multi.size() && i < folders->multi.size(); ++i) {
      std::uint64_t id = 0;
      std::memcpy(&id, folders->multi[i].data(),
                  std::min<std::size_t>(8, folders->multi[i].size()));
      out.push_back({MakeString(PR_MESSAGE_CLASS_A, classes->multi[i]),
                     MakeBinary(PR_ENTRYID, who_.FolderId(id)),
                     MakeBinary(PR_INSTANCE_KEY, std::to_string(i))});
    }
    return out;
  });
  *table = new Table("receivefolders", std::move(rows),
                     {PR_MESSAGE_CLASS_A, PR_ENTRYID, PR_INSTANCE_KEY});
  return S_OK;
}

STDMETHODIMP MsgStore::StoreLogoff(ULONG* flags) {
  if (!flags) return MAPI_E_INVALID_PARAMETER;
  *flags = 0;
  return S_OK;
}

STDMETHODIMP MsgStore::GetOutgoingQueue(ULONG, LPMAPITABLE* table) {
  if (!table) return MAPI_E_INVALID_PARAMETER;
  *table = new Table("outgoing", {}, {PR_ENTRYID});
  return S_OK;
}

}  // namespace mapistandin
