#include "store/Folder.h"

#include <algorithm>

#include "HexCore.h"
#include "store/EntryId.h"
#include "store/Attach.h"
#include "store/Message.h"
#include "store/MsgStore.h"
#include "store/TableFeed.h"
#include "table/Table.h"

namespace mapistandin {

namespace {

const std::vector<ULONG> kHierarchyColumns = {PR_ENTRYID,    PR_DISPLAY_NAME_A,    PR_CONTENT_COUNT,
                                              PR_SUBFOLDERS, PR_CONTAINER_CLASS_A, PR_INSTANCE_KEY};
const std::vector<ULONG> kContentsColumns = {
    PR_ENTRYID,      PR_INSTANCE_KEY,  PR_SUBJECT_A, PR_MESSAGE_CLASS_A, PR_MESSAGE_DELIVERY_TIME,
    PR_MESSAGE_SIZE, PR_MESSAGE_FLAGS, PR_HASATTACH};

std::string Le64(std::uint64_t v) {
  return std::string(reinterpret_cast<const char*>(&v), 8);
}

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

std::string NameOf(const Row& props) {
  const Prop* p = FindPropById(props, PROP_ID(PR_DISPLAY_NAME));
  return p && PROP_TYPE(p->tag) == PT_STRING8 ? p->bytes : std::string();
}

}  // namespace

Folder::Folder(Ref<MsgStore> store, std::shared_ptr<StoreEngine> engine, std::uint64_t id,
               bool writable)
    : store_(std::move(store)),
      engine_(std::move(engine)),
      who_(StoreIdentity::Of(*engine_)),
      id_(id) {
  writable_ = writable;
  namesAlwaysWritable_ = true;
}

void* Folder::FindInterface(REFIID iid) {
  if (iid == IID_IUnknown || iid == IID_IMAPIProp || iid == IID_IMAPIContainer ||
      iid == IID_IMAPIFolder) {
    return static_cast<IMAPIFolder*>(this);
  }
  if (iid == kIidStandinFolder) return this;
  return nullptr;
}

std::string Folder::ObjectHex() const {
  const std::string id = who_.FolderId(id_);
  std::string hex(id.size() * 2 + 1, '\0');
  BytesToHex(reinterpret_cast<const std::uint8_t*>(id.data()), id.size(), hex.data());
  hex.pop_back();
  return hex;
}

Row Folder::AllProps() {
  return engine_->Read([&](const StoreImage& image) {
    return image.folders.count(id_) ? FolderProps(who_, image, id_, writable_) : Row{};
  });
}

HRESULT Folder::WriteFolderProps(Row props) {
  const auto parent = engine_->Read([&](const StoreImage& image) -> std::optional<std::uint64_t> {
    auto it = image.folders.find(id_);
    if (it == image.folders.end()) return std::nullopt;
    return it->second.parent;
  });
  if (!parent) return MAPI_E_OBJECT_DELETED;
  StoreOp op;
  op.kind = StoreOpKind::PutFolder;
  op.id = id_;
  op.parent = *parent;
  op.props = std::move(props);
  return engine_->Commit({op});
}

HRESULT Folder::PutProps(const Row& values) {
  Row props = engine_->Read([&](const StoreImage& image) {
    auto it = image.folders.find(id_);
    return it == image.folders.end() ? Row{} : it->second.props;
  });
  for (const Prop& p : values) PutProp(props, p);
  return WriteFolderProps(std::move(props));
}

HRESULT Folder::RemoveProps(const std::vector<std::uint16_t>& ids) {
  Row props = engine_->Read([&](const StoreImage& image) {
    auto it = image.folders.find(id_);
    return it == image.folders.end() ? Row{} : it->second.props;
  });
  for (std::uint16_t id : ids) DropProp(props, id);
  return WriteFolderProps(std::move(props));
}

HRESULT Folder::OpenProp(ULONG tag, REFIID iid, ULONG, ULONG flags, LPUNKNOWN* out) {
  // The hierarchy and contents tables also open as properties.
  if (PROP_ID(tag) == PROP_ID(PR_CONTAINER_HIERARCHY) ||
      PROP_ID(tag) == PROP_ID(PR_CONTAINER_CONTENTS) ||
      PROP_ID(tag) == PROP_ID(PR_FOLDER_ASSOCIATED_CONTENTS)) {
    if (iid != IID_IMAPITable) return MAPI_E_INTERFACE_NOT_SUPPORTED;
    LPMAPITABLE table = nullptr;
    const ULONG tableFlags = flags & (MAPI_DEFERRED_ERRORS | MAPI_UNICODE);
    HRESULT hr =
        PROP_ID(tag) == PROP_ID(PR_CONTAINER_HIERARCHY)
            ? GetHierarchyTable(tableFlags, &table)
            : GetContentsTable(tableFlags | (PROP_ID(tag) == PROP_ID(PR_FOLDER_ASSOCIATED_CONTENTS)
                                                 ? MAPI_ASSOCIATED
                                                 : 0),
                               &table);
    *out = table;
    return hr;
  }
  return MAPI_E_NO_SUPPORT;
}

HRESULT Folder::CopyInto(REFIID, IUnknown*, const std::vector<ULONG>&, ULONG) {
  return MAPI_E_NO_SUPPORT;
}

namespace {

// The subfolders of a folder; with CONVENIENT_DEPTH all descendants, depth first, with
// PR_DEPTH.
std::vector<Row> HierarchyRows(const StoreIdentity& who, const StoreImage& image, std::uint64_t id,
                               ULONG flags) {
  std::vector<Row> rows;
  std::vector<std::pair<std::uint64_t, int>> stack;
  const auto& top = image.folders.at(id).children;
  for (auto it = top.rbegin(); it != top.rend(); ++it) stack.push_back({*it, 1});
  while (!stack.empty()) {
    auto [f, depth] = stack.back();
    stack.pop_back();
    if (!image.folders.count(f)) continue;
    Row row = FolderProps(who, image, f, false);
    row.push_back(MakeLong(PR_DEPTH, depth));
    row.push_back(MakeBinary(PR_INSTANCE_KEY, Le64(f)));
    rows.push_back(std::move(row));
    if (flags & CONVENIENT_DEPTH) {
      const auto& kids = image.folders.at(f).children;
      for (auto it = kids.rbegin(); it != kids.rend(); ++it) stack.push_back({*it, depth + 1});
    }
  }
  return rows;
}

}  // namespace

STDMETHODIMP Folder::GetContentsTable(ULONG flags, LPMAPITABLE* table) {
  // 1. Arguments.
  if (!table) return MAPI_E_INVALID_PARAMETER;
  *table = nullptr;
  control::Journal("IMAPIFolder::GetContentsTable", flags, {}, ObjectHex());
  if (HRESULT hr = control::Fault("GetContentsTable", ObjectHex()); FAILED(hr)) return hr;
  if (flags & ~(MAPI_DEFERRED_ERRORS | MAPI_ASSOCIATED | MAPI_UNICODE)) {
    return MAPI_E_UNKNOWN_FLAGS;
  }
  engine_->Refresh();
  // 2. One row per message, in the order they were filed; associated contents are empty.
  RowSource source = [engine = engine_, who = who_, id = id_, flags] {
    return engine->Read([&](const StoreImage& image) -> std::optional<std::vector<Row>> {
      auto it = image.folders.find(id);
      if (it == image.folders.end()) return std::nullopt;
      std::vector<Row> rows;
      if (flags & MAPI_ASSOCIATED) return rows;
      rows.reserve(it->second.messages.size());
      for (std::uint64_t m : it->second.messages) {
        rows.push_back(MessageTableRow(who, m, id, image.messages.at(m).data));
      }
      return rows;
    });
  };
  auto rows = source();
  if (!rows) return MAPI_E_OBJECT_DELETED;
  // 3. The table follows the folder's messages while it is held.
  auto* created = new Table("contents", std::move(*rows), kContentsColumns);
  if (!(flags & MAPI_ASSOCIATED)) {
    FollowStore(
        *created, engine_, [id = id_](const StoreEvent& e) { return TouchesContents(e, id); },
        std::move(source));
  }
  *table = created;
  return S_OK;
}

STDMETHODIMP Folder::GetHierarchyTable(ULONG flags, LPMAPITABLE* table) {
  if (!table) return MAPI_E_INVALID_PARAMETER;
  *table = nullptr;
  control::Journal("IMAPIFolder::GetHierarchyTable", flags, {}, ObjectHex());
  if (HRESULT hr = control::Fault("GetHierarchyTable", ObjectHex()); FAILED(hr)) return hr;
  engine_->Refresh();
  // The subfolders (and with CONVENIENT_DEPTH their descendants).
  RowSource source = [engine = engine_, who = who_, id = id_, flags] {
    return engine->Read([&](const StoreImage& image) -> std::optional<std::vector<Row>> {
      if (!image.folders.count(id)) return std::nullopt;
      return HierarchyRows(who, image, id, flags);
    });
  };
  auto rows = source();
  if (!rows) return MAPI_E_OBJECT_DELETED;
  // The table follows the folders below while it is held.
  auto* created = new Table("hierarchy", std::move(*rows), kHierarchyColumns);
  FollowStore(*created, engine_, TouchesHierarchy, std::move(source));
  *table = created;
  return S_OK;
}

STDMETHODIMP Folder::OpenEntry(ULONG cb, LPENTRYID id, LPCIID iid, ULONG flags, ULONG* type,
                               LPUNKNOWN* out) {
  return store_->OpenEntry(cb, id, iid, flags, type, out);
}

STDMETHODIMP Folder::CreateMessage(LPCIID iid, ULONG flags, LPMESSAGE* message) {
  // 1. Arguments and access.
  if (!message) return MAPI_E_INVALID_PARAMETER;
  *message = nullptr;
  control::Journal("IMAPIFolder::CreateMessage", flags, {}, ObjectHex());
  if (HRESULT hr = control::Fault("CreateMessage", ObjectHex()); FAILED(hr)) return hr;
  if (iid && *iid != IID_IMessage && *iid != IID_IMAPIProp) return MAPI_E_INTERFACE_NOT_SUPPORTED;
  if (!writable_) return MAPI_E_NO_ACCESS;
  // 2. A new message number; the message exists in the store after its first SaveChanges.
  std::uint64_t id = 0;
  if (HRESULT hr = engine_->NewId(id); FAILED(hr)) return hr;
  *message = new Message(engine_, id, id_, MessageData{}, true, true);
  return S_OK;
}

bool Folder::MessagesInList(const SBinaryArray& list, std::vector<std::uint64_t>& ids) {
  bool all = true;
  const std::string uid = who_.uid;
  engine_->Read([&](const StoreImage& image) {
    for (ULONG i = 0; i < list.cValues; ++i) {
      auto ref =
          ParseEntryId(list.lpbin ? list.lpbin[i].lpb : nullptr, list.lpbin ? list.lpbin[i].cb : 0);
      if (!ref || ref->kind != EntryKind::Message || ref->storeUid != uid) {
        all = false;
        continue;
      }
      auto it = image.messages.find(ref->object);
      if (it == image.messages.end() || it->second.parent != id_) {
        all = false;
        continue;
      }
      ids.push_back(ref->object);
    }
    return 0;
  });
  return all;
}

STDMETHODIMP Folder::CopyMessages(LPENTRYLIST list, LPCIID, LPVOID dest, ULONG, LPMAPIPROGRESS,
                                  ULONG flags) {
  // 1. Arguments: the destination must be one of the stand-in's folders.
  control::Journal("IMAPIFolder::CopyMessages", flags, {}, ObjectHex());
  if (HRESULT hr = control::Fault("CopyMessages", ObjectHex()); FAILED(hr)) return hr;
  if (!list || !dest) return MAPI_E_INVALID_PARAMETER;
  Folder* target = nullptr;
  if (FAILED(static_cast<IUnknown*>(dest)->QueryInterface(kIidStandinFolder,
                                                          reinterpret_cast<void**>(&target)))) {
    return MAPI_E_INVALID_PARAMETER;
  }
  Ref<Folder> hold = Ref<Folder>::adopt(target);
  if (!target->writable_ || ((flags & MESSAGE_MOVE) && !writable_)) return MAPI_E_NO_ACCESS;
  // 2. The messages of this folder; ones that are not here make a partial completion.
  std::vector<std::uint64_t> ids;
  const bool all = MessagesInList(*list, ids);
  // 3. Within a store a move re-files the message; a copy (or any cross-store transfer)
  //    gets a new message in the target's store.
  const bool sameStore = target->engine_ == engine_;
  std::vector<StoreOp> targetOps, sourceOps;
  CommitHints hints;  // copies within one store are reported as copies of their source
  for (std::uint64_t m : ids) {
    MessageData data =
        engine_->Read([&](const StoreImage& image) { return image.messages.at(m).data; });
    StoreOp put;
    put.kind = StoreOpKind::PutMessage;
    put.parent = target->id_;
    put.message = std::move(data);
    if ((flags & MESSAGE_MOVE) && sameStore) {
      put.id = m;
    } else if (HRESULT hr = target->engine_->NewId(put.id); FAILED(hr)) {
      return hr;
    } else if (sameStore) {
      hints.copiedFrom[put.id] = m;
    }
    targetOps.push_back(std::move(put));
    if ((flags & MESSAGE_MOVE) && !sameStore) {
      StoreOp del;
      del.kind = StoreOpKind::Delete;
      del.id = m;
      sourceOps.push_back(del);
    }
  }
  if (!targetOps.empty()) {
    if (HRESULT hr = target->engine_->Commit(std::move(targetOps), hints); FAILED(hr)) return hr;
  }
  if (!sourceOps.empty()) {
    if (HRESULT hr = engine_->Commit(std::move(sourceOps)); FAILED(hr)) return hr;
  }
  return all ? S_OK : MAPI_W_PARTIAL_COMPLETION;
}

STDMETHODIMP Folder::DeleteMessages(LPENTRYLIST list, ULONG, LPMAPIPROGRESS, ULONG flags) {
  control::Journal("IMAPIFolder::DeleteMessages", flags, {}, ObjectHex());
  if (HRESULT hr = control::Fault("DeleteMessages", ObjectHex()); FAILED(hr)) return hr;
  if (!list) return MAPI_E_INVALID_PARAMETER;
  if (!writable_) return MAPI_E_NO_ACCESS;
  std::vector<std::uint64_t> ids;
  const bool all = MessagesInList(*list, ids);
  std::vector<StoreOp> ops;
  for (std::uint64_t m : ids) {
    StoreOp del;
    del.kind = StoreOpKind::Delete;
    del.id = m;
    ops.push_back(del);
  }
  if (!ops.empty()) {
    if (HRESULT hr = engine_->Commit(std::move(ops)); FAILED(hr)) return hr;
  }
  return all ? S_OK : MAPI_W_PARTIAL_COMPLETION;
}

STDMETHODIMP Folder::CreateFolder(ULONG type, LPTSTR name, LPTSTR comment, LPCIID iid, ULONG flags,
                                  LPMAPIFOLDER* folder) {
  // 1. Arguments and access.
  if (!folder || !name || !*name) return MAPI_E_INVALID_PARAMETER;
  *folder = nullptr;
  control::Journal("IMAPIFolder::CreateFolder", flags, {type}, name);
  if (HRESULT hr = control::Fault("CreateFolder", ObjectHex()); FAILED(hr)) return hr;
  if (flags & MAPI_UNICODE) return MAPI_E_BAD_CHARWIDTH;
  if (type == FOLDER_SEARCH) return MAPI_E_NO_SUPPORT;
  if (type != FOLDER_GENERIC) return MAPI_E_INVALID_PARAMETER;
  if (iid && *iid != IID_IMAPIFolder && *iid != IID_IMAPIProp && *iid != IID_IMAPIContainer) {
    return MAPI_E_INTERFACE_NOT_SUPPORTED;
  }
  if (!writable_) return MAPI_E_NO_ACCESS;
  // 2. Subfolder names are unique without regard to case.
  const std::string wanted = Lower(name);
  const std::uint64_t existing = engine_->Read([&](const StoreImage& image) -> std::uint64_t {
    auto it = image.folders.find(id_);
    if (it == image.folders.end()) return 0;
    for (std::uint64_t c : it->second.children) {
      if (Lower(NameOf(image.folders.at(c).props)) == wanted) return c;
    }
    return 0;
  });
  std::uint64_t id = existing;
  if (existing && !(flags & OPEN_IF_EXISTS)) return MAPI_E_COLLISION;
  // 3. A new folder, committed at once.
  if (!existing) {
    if (HRESULT hr = engine_->NewId(id); FAILED(hr)) return hr;
    StoreOp op;
    op.kind = StoreOpKind::PutFolder;
    op.id = id;
    op.parent = id_;
    op.props.push_back(MakeString(PR_DISPLAY_NAME_A, name));
    if (comment && *comment) op.props.push_back(MakeString(PR_COMMENT_A, comment));
    if (HRESULT hr = engine_->Commit({op}); FAILED(hr)) return hr;
  }
  *folder = new Folder(store_, engine_, id, true);
  return S_OK;
}

STDMETHODIMP Folder::CopyFolder(ULONG cb, LPENTRYID entry, LPCIID, LPVOID dest, LPTSTR newName,
                                ULONG, LPMAPIPROGRESS, ULONG flags) {
  control::Journal("IMAPIFolder::CopyFolder", flags, {}, ObjectHex());
  if (!entry || !dest) return MAPI_E_INVALID_PARAMETER;
  if (!(flags & FOLDER_MOVE)) return MAPI_E_NO_SUPPORT;  // copies of whole trees are not offered
  Folder* target = nullptr;
  if (FAILED(static_cast<IUnknown*>(dest)->QueryInterface(kIidStandinFolder,
                                                          reinterpret_cast<void**>(&target)))) {
    return MAPI_E_INVALID_PARAMETER;
  }
  Ref<Folder> hold = Ref<Folder>::adopt(target);
  if (target->engine_ != engine_) return MAPI_E_NO_SUPPORT;
  auto ref = ParseEntryId(entry, cb);
  if (!ref || ref->kind != EntryKind::Folder || ref->storeUid != who_.uid)
    return MAPI_E_INVALID_ENTRYID;
  // A folder cannot move below itself.
  const bool ok = engine_->Read([&](const StoreImage& image) {
    auto it = image.folders.find(ref->object);
    if (it == image.folders.end() || it->second.parent != id_) return false;
    for (std::uint64_t f = target->id_; image.folders.count(f); f = image.folders.at(f).parent) {
      if (f == ref->object) return false;
      if (image.folders.at(f).parent == f) break;
    }
    return true;
  });
  if (!ok) return MAPI_E_NOT_FOUND;
  StoreOp op;
  op.kind = StoreOpKind::PutFolder;
  op.id = ref->object;
  op.parent = target->id_;
  op.props =
      engine_->Read([&](const StoreImage& image) { return image.folders.at(ref->object).props; });
  if (newName && *newName) PutProp(op.props, MakeString(PR_DISPLAY_NAME_A, newName));
  return engine_->Commit({op});
}

STDMETHODIMP Folder::DeleteFolder(ULONG cb, LPENTRYID entry, ULONG, LPMAPIPROGRESS, ULONG flags) {
  control::Journal("IMAPIFolder::DeleteFolder", flags, {}, ObjectHex());
  if (HRESULT hr = control::Fault("DeleteFolder", ObjectHex()); FAILED(hr)) return hr;
  if (!entry) return MAPI_E_INVALID_PARAMETER;
  if (!writable_) return MAPI_E_NO_ACCESS;
  auto ref = ParseEntryId(entry, cb);
  if (!ref || ref->kind != EntryKind::Folder || ref->storeUid != who_.uid)
    return MAPI_E_INVALID_ENTRYID;
  // Subfolders and messages go only when the flags say so.
  const HRESULT check = engine_->Read([&](const StoreImage& image) -> HRESULT {
    auto it = image.folders.find(ref->object);
    if (it == image.folders.end() || it->second.parent != id_) return MAPI_E_NOT_FOUND;
    if (!it->second.children.empty() && !(flags & DEL_FOLDERS)) return MAPI_E_HAS_FOLDERS;
    if (!it->second.messages.empty() && !(flags & DEL_MESSAGES)) return MAPI_E_HAS_MESSAGES;
    return S_OK;
  });
  if (FAILED(check)) return check;
  StoreOp op;
  op.kind = StoreOpKind::Delete;
  op.id = ref->object;
  return engine_->Commit({op});
}

STDMETHODIMP Folder::SetReadFlags(LPENTRYLIST list, ULONG, LPMAPIPROGRESS, ULONG flags) {
  control::Journal("IMAPIFolder::SetReadFlags", flags, {}, ObjectHex());
  std::vector<std::uint64_t> ids;
  bool all = true;
  if (list) {
    all = MessagesInList(*list, ids);
  } else {
    ids = engine_->Read([&](const StoreImage& image) { return image.folders.at(id_).messages; });
  }
  std::vector<StoreOp> ops;
  for (std::uint64_t m : ids) {
    StoreOp op;
    op.kind = StoreOpKind::PutMessage;
    op.id = m;
    op.parent = id_;
    op.message = engine_->Read([&](const StoreImage& image) { return image.messages.at(m).data; });
    const Prop* f = FindPropById(op.message.props, PROP_ID(PR_MESSAGE_FLAGS));
    std::int64_t v = f ? f->integer : 0;
    v = (flags & CLEAR_READ_FLAG) ? (v & ~std::int64_t{MSGFLAG_READ}) : (v | MSGFLAG_READ);
    PutProp(op.message.props, MakeLong(PR_MESSAGE_FLAGS, v));
    ops.push_back(std::move(op));
  }
  if (!ops.empty()) {
    if (HRESULT hr = engine_->Commit(std::move(ops)); FAILED(hr)) return hr;
  }
  return all ? S_OK : MAPI_W_PARTIAL_COMPLETION;
}

STDMETHODIMP Folder::GetMessageStatus(ULONG cb, LPENTRYID entry, ULONG, ULONG* status) {
  if (!status) return MAPI_E_INVALID_PARAMETER;
  auto ref = ParseEntryId(entry, cb);
  if (!ref) return MAPI_E_INVALID_ENTRYID;
  return engine_->Read([&](const StoreImage& image) -> HRESULT {
    auto it = image.messages.find(ref->object);
    if (it == image.messages.end()) return MAPI_E_NOT_FOUND;
    const Prop* p = FindPropById(it->second.data.props, PROP_ID(PR_MSG_STATUS));
    *status = p ? static_cast<ULONG>(p->integer) : 0;
    return S_OK;
  });
}

STDMETHODIMP Folder::SetMessageStatus(ULONG cb, LPENTRYID entry, ULONG status, ULONG mask,
                                      ULONG* old) {
  ULONG current = 0;
  if (HRESULT hr = GetMessageStatus(cb, entry, 0, &current); FAILED(hr)) return hr;
  if (old) *old = current;
  auto ref = ParseEntryId(entry, cb);
  StoreOp op;
  op.kind = StoreOpKind::PutMessage;
  op.id = ref->object;
  op.parent = id_;
  op.message =
      engine_->Read([&](const StoreImage& image) { return image.messages.at(ref->object).data; });
  PutProp(op.message.props, MakeLong(PR_MSG_STATUS, (current & ~mask) | (status & mask)));
  return engine_->Commit({op});
}

STDMETHODIMP Folder::EmptyFolder(ULONG, LPMAPIPROGRESS, ULONG flags) {
  control::Journal("IMAPIFolder::EmptyFolder", flags, {}, ObjectHex());
  if (HRESULT hr = control::Fault("EmptyFolder", ObjectHex()); FAILED(hr)) return hr;
  if (!writable_) return MAPI_E_NO_ACCESS;
  // Every message and every subfolder, in one transaction.
  std::vector<StoreOp> ops = engine_->Read([&](const StoreImage& image) {
    std::vector<StoreOp> out;
    auto it = image.folders.find(id_);
    if (it == image.folders.end()) return out;
    for (std::uint64_t m : it->second.messages) {
      StoreOp op;
      op.kind = StoreOpKind::Delete;
      op.id = m;
      out.push_back(op);
    }
    for (std::uint64_t c : it->second.children) {
      StoreOp op;
      op.kind = StoreOpKind::Delete;
      op.id = c;
      out.push_back(op);
    }
    return out;
  });
  if (ops.empty()) return S_OK;
  return engine_->Commit(std::move(ops));
}

}  // namespace mapistandin
