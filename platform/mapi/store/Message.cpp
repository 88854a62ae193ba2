#include "store/Message.h"

#include <algorithm>

#include "HexCore.h"
#include "spooler/Spooler.h"
#include "store/Attach.h"
#include "store/MsgStore.h"
#include "table/Table.h"

namespace mapistandin {

namespace {

FILETIME Now() {
  FILETIME ft{};
  GetSystemTimeAsFileTime(&ft);
  return ft;
}

Prop TimeProp(ULONG tag, FILETIME ft) {
  return MakeLong(
      tag, static_cast<std::int64_t>(std::uint64_t{ft.dwHighDateTime} << 32 | ft.dwLowDateTime));
}

bool Excluded(const std::vector<ULONG>& excluded, ULONG tag) {
  return std::any_of(excluded.begin(), excluded.end(),
                     [&](ULONG e) { return PROP_ID(e) == PROP_ID(tag); });
}

Row FilterRow(const Row& row, const std::vector<ULONG>& excluded) {
  Row out;
  for (const Prop& p : row) {
    if (!IsComputedTag(p.tag) && !Excluded(excluded, p.tag)) out.push_back(p);
  }
  return out;
}

const std::vector<ULONG> kRecipientColumns = {PR_ROWID,      PR_DISPLAY_NAME_A, PR_EMAIL_ADDRESS_A,
                                              PR_ADDRTYPE_A, PR_RECIPIENT_TYPE, PR_ENTRYID};
const std::vector<ULONG> kAttachColumns = {
    PR_ATTACH_NUM,        PR_INSTANCE_KEY,  PR_RECORD_KEY,     PR_RENDERING_POSITION,
    PR_ATTACH_FILENAME_A, PR_ATTACH_METHOD, PR_DISPLAY_NAME_A, PR_ATTACH_SIZE};

// Named properties keep their names when they move to an object whose names live
// elsewhere (a store and a message file number them differently); a property whose
// identifier names nothing is left out.
HRESULT RemapRow(Row& row, NameRegistry& from, NameRegistry& to) {
  Row out;
  for (Prop& p : row) {
    if (IdOf(p.tag) < 0x8000) {
      out.push_back(std::move(p));
      continue;
    }
    NamedKey key;
    std::uint16_t id = 0;
    if (!from.NameOf(IdOf(p.tag), key)) continue;
    if (HRESULT hr = to.Lookup(key, true, id); FAILED(hr)) return hr;
    p.tag = MakeTag(id, TypeOf(p.tag));
    out.push_back(std::move(p));
  }
  row = std::move(out);
  return S_OK;
}

HRESULT RemapNames(MessageData& m, NameRegistry& from, NameRegistry& to) {
  HRESULT hr = RemapRow(m.props, from, to);
  for (Row& r : m.recipients) {
    if (SUCCEEDED(hr)) hr = RemapRow(r, from, to);
  }
  for (AttachData& a : m.attachments) {
    if (SUCCEEDED(hr)) hr = RemapRow(a.props, from, to);
    for (MessageData& e : a.embedded) {
      if (SUCCEEDED(hr)) hr = RemapNames(e, from, to);
    }
  }
  return hr;
}

}  // namespace

MessageData FilterForCopy(const MessageData& source, const std::vector<ULONG>& excluded) {
  MessageData out;
  out.props = FilterRow(source.props, excluded);
  if (!Excluded(excluded, PR_MESSAGE_RECIPIENTS)) out.recipients = source.recipients;
  if (!Excluded(excluded, PR_MESSAGE_ATTACHMENTS)) out.attachments = source.attachments;
  out.nextAttachNum = source.nextAttachNum;
  out.nextRowId = source.nextRowId;
  return out;
}

Message::Message(std::shared_ptr<StoreEngine> engine, std::uint64_t id, std::uint64_t folder,
                 MessageData data, bool writable, bool isNew, Ref<Attach> owner)
    : engine_(std::move(engine)),
      who_(engine_ ? StoreIdentity::Of(*engine_) : StoreIdentity{}),
      id_(id),
      folder_(folder),
      data_(std::move(data)),
      isNew_(isNew),
      owner_(std::move(owner)) {
  writable_ = writable;
  if (isNew_) {
    // What a new message starts with: unsent and read, created now.
    if (!FindPropById(data_.props, PROP_ID(PR_MESSAGE_FLAGS))) {
      PutProp(data_.props, MakeLong(PR_MESSAGE_FLAGS, MSGFLAG_UNSENT | MSGFLAG_READ));
    }
    PutProp(data_.props, TimeProp(PR_CREATION_TIME, Now()));
  }
}

Message::Message(std::shared_ptr<MessageHost> host, MessageData data, bool writable)
    : Message(nullptr, 0, 0, std::move(data), writable, false) {
  host_ = std::move(host);
}

Message::~Message() {
  if (host_ && !owner_) host_->Released(this);
}

void* Message::FindInterface(REFIID iid) {
  if (iid == IID_IUnknown || iid == IID_IMAPIProp || iid == IID_IMessage)
    return static_cast<IMessage*>(this);
  if (iid == kIidStandinMessage) return this;
  return nullptr;
}

std::string Message::ObjectHex() const {
  if (!id_) return {};
  const std::string id = who_.MessageId(id_);
  std::string hex(id.size() * 2 + 1, '\0');
  BytesToHex(reinterpret_cast<const std::uint8_t*>(id.data()), id.size(), hex.data());
  hex.pop_back();
  return hex;
}

Row Message::AllProps() {
  Row row = MessageProps(who_, id_, folder_, data_, writable_);
  // A message of a store tells what its store supports.
  if (engine_ && !owner_) {
    PutProp(row, MakeLong(PR_STORE_SUPPORT_MASK, engine_->Read([&](const StoreImage& image) {
              return static_cast<std::int64_t>(StoreSupportMask(image, writable_));
            })));
  }
  return row;
}

HRESULT Message::PutProps(const Row& values) {
  for (const Prop& p : values) PutProp(data_.props, p);
  return S_OK;
}

HRESULT Message::RemoveProps(const std::vector<std::uint16_t>& ids) {
  for (std::uint16_t id : ids) DropProp(data_.props, id);
  return S_OK;
}

HRESULT Message::Save(ULONG) {
  // 1. An embedded message goes back into its attachment.
  PutProp(data_.props, TimeProp(PR_LAST_MODIFICATION_TIME, Now()));
  if (owner_) {
    owner_->PutEmbedded(data_);
    return S_OK;
  }
  if (host_) return host_->SaveMessage(data_);
  // 2. A stored message must still exist, and its folder too.
  const bool folderThere =
      engine_->Read([&](const StoreImage& image) { return image.folders.count(folder_) > 0; });
  const bool messageThere =
      engine_->Read([&](const StoreImage& image) { return image.messages.count(id_) > 0; });
  if (!folderThere || (!isNew_ && !messageThere)) return MAPI_E_OBJECT_DELETED;
  // 3. One transaction with the whole message.
  StoreOp op;
  op.kind = StoreOpKind::PutMessage;
  op.id = id_;
  op.parent = folder_;
  op.message = data_;
  if (HRESULT hr = engine_->Commit({op}); FAILED(hr)) return hr;
  isNew_ = false;
  return S_OK;
}

HRESULT Message::OpenProp(ULONG tag, REFIID iid, ULONG, ULONG flags, LPUNKNOWN* out) {
  if (PROP_ID(tag) == PROP_ID(PR_MESSAGE_ATTACHMENTS) ||
      PROP_ID(tag) == PROP_ID(PR_MESSAGE_RECIPIENTS)) {
    if (iid != IID_IMAPITable) return MAPI_E_INTERFACE_NOT_SUPPORTED;
    LPMAPITABLE table = nullptr;
    HRESULT hr = PROP_ID(tag) == PROP_ID(PR_MESSAGE_ATTACHMENTS) ? GetAttachmentTable(0, &table)
                                                                 : GetRecipientTable(0, &table);
    *out = table;
    return hr;
  }
  if (iid != IID_IStream) return MAPI_E_INTERFACE_NOT_SUPPORTED;
  return OpenValueStream(
      data_.props, tag, flags, writable_,
      [this](Prop p) {
        PutProp(data_.props, std::move(p));
        return S_OK;
      },
      out);
}

STDMETHODIMP Message::GetAttachmentTable(ULONG flags, LPMAPITABLE* table) {
  if (!table) return MAPI_E_INVALID_PARAMETER;
  control::Journal("IMessage::GetAttachmentTable", flags, {}, ObjectHex());
  if (HRESULT hr = control::Fault("GetAttachmentTable", ObjectHex()); FAILED(hr)) return hr;
  std::vector<Row> rows;
  for (const AttachData& a : data_.attachments) rows.push_back(AttachProps(id_, a, true));
  *table = new Table("attachments", std::move(rows), kAttachColumns);
  return S_OK;
}

STDMETHODIMP Message::OpenAttach(ULONG num, LPCIID iid, ULONG flags, LPATTACH* attach) {
  if (!attach) return MAPI_E_INVALID_PARAMETER;
  *attach = nullptr;
  control::Journal("IMessage::OpenAttach", flags, {num}, ObjectHex());
  if (HRESULT hr = control::Fault("OpenAttach", ObjectHex()); FAILED(hr)) return hr;
  if (iid && *iid != IID_IAttachment && *iid != IID_IMAPIProp)
    return MAPI_E_INTERFACE_NOT_SUPPORTED;
  auto it = std::find_if(data_.attachments.begin(), data_.attachments.end(),
                         [&](const AttachData& a) { return a.num == num; });
  if (it == data_.attachments.end()) return MAPI_E_NOT_FOUND;
  const bool write = writable_ && (flags & (MAPI_MODIFY | MAPI_BEST_ACCESS));
  if ((flags & MAPI_MODIFY) && !writable_) return MAPI_E_NO_ACCESS;
  *attach = new Attach(Ref<Message>(this), engine_, id_, *it, write);
  return S_OK;
}

STDMETHODIMP Message::CreateAttach(LPCIID iid, ULONG flags, ULONG* num, LPATTACH* attach) {
  if (!attach || !num) return MAPI_E_INVALID_PARAMETER;
  *attach = nullptr;
  control::Journal("IMessage::CreateAttach", flags, {}, ObjectHex());
  if (HRESULT hr = control::Fault("CreateAttach", ObjectHex()); FAILED(hr)) return hr;
  if (iid && *iid != IID_IAttachment && *iid != IID_IMAPIProp)
    return MAPI_E_INTERFACE_NOT_SUPPORTED;
  if (!writable_) return MAPI_E_NO_ACCESS;
  AttachData data;
  data.num = data_.nextAttachNum++;
  *num = data.num;
  *attach = new Attach(Ref<Message>(this), engine_, id_, std::move(data), true);
  return S_OK;
}

STDMETHODIMP Message::DeleteAttach(ULONG num, ULONG, LPMAPIPROGRESS, ULONG flags) {
  control::Journal("IMessage::DeleteAttach", flags, {num}, ObjectHex());
  if (!writable_) return MAPI_E_NO_ACCESS;
  auto it = std::find_if(data_.attachments.begin(), data_.attachments.end(),
                         [&](const AttachData& a) { return a.num == num; });
  if (it == data_.attachments.end()) return MAPI_E_NOT_FOUND;
  data_.attachments.erase(it);
  return S_OK;
}

void Message::PutAttach(const AttachData& data) {
  auto it = std::find_if(data_.attachments.begin(), data_.attachments.end(),
                         [&](const AttachData& a) { return a.num == data.num; });
  if (it == data_.attachments.end()) {
    data_.attachments.push_back(data);
  } else {
    *it = data;
  }
}

STDMETHODIMP Message::GetRecipientTable(ULONG flags, LPMAPITABLE* table) {
  if (!table) return MAPI_E_INVALID_PARAMETER;
  control::Journal("IMessage::GetRecipientTable", flags, {}, ObjectHex());
  if (HRESULT hr = control::Fault("GetRecipientTable", ObjectHex()); FAILED(hr)) return hr;
  std::vector<Row> rows;
  for (const Row& r : data_.recipients) {
    Row row = r;
    const Prop* rowId = FindProp(r, PR_ROWID);
    row.push_back(MakeBinary(PR_INSTANCE_KEY, std::to_string(rowId ? rowId->integer : 0)));
    if (!FindPropById(row, PROP_ID(PR_OBJECT_TYPE)))
      row.push_back(MakeLong(PR_OBJECT_TYPE, MAPI_MAILUSER));
    rows.push_back(std::move(row));
  }
  *table = new Table("recipients", std::move(rows), kRecipientColumns);
  return S_OK;
}

STDMETHODIMP Message::ModifyRecipients(ULONG flags, LPADRLIST mods) {
  // 1. Arguments and access.
  if (!mods) return MAPI_E_INVALID_PARAMETER;
  control::Journal("IMessage::ModifyRecipients", flags, {}, ObjectHex());
  if (HRESULT hr = control::Fault("ModifyRecipients", ObjectHex()); FAILED(hr)) return hr;
  if (!writable_) return MAPI_E_NO_ACCESS;
  // 2. The entries as rows; PR_ROWID names the row to change or remove.
  std::vector<Row> entries;
  for (ULONG i = 0; i < mods->cEntries; ++i) {
    entries.push_back(FromSPropArray(mods->aEntries[i].cValues, mods->aEntries[i].rgPropVals));
  }
  auto rowIdOf = [](const Row& r) -> std::int64_t {
    const Prop* p = FindProp(r, PR_ROWID);
    return p ? p->integer : -1;
  };
  auto findRow = [&](std::int64_t rowId) {
    return std::find_if(data_.recipients.begin(), data_.recipients.end(),
                        [&](const Row& r) { return rowIdOf(r) == rowId; });
  };
  // 3. Apply: replace all (no flag), add, modify or remove.
  std::vector<Row> result = data_.recipients;
  if (flags & MODRECIP_REMOVE) {
    for (const Row& e : entries) {
      auto it = findRow(rowIdOf(e));
      if (it == data_.recipients.end()) return MAPI_E_NOT_FOUND;
      data_.recipients.erase(it);
    }
    return S_OK;
  }
  if (flags & MODRECIP_MODIFY) {
    for (Row& e : entries) {
      auto it = findRow(rowIdOf(e));
      if (it == data_.recipients.end()) return MAPI_E_NOT_FOUND;
      *it = std::move(e);
    }
    return S_OK;
  }
  if (!(flags & MODRECIP_ADD)) data_.recipients.clear();
  for (Row& e : entries) {
    PutProp(e, MakeLong(PR_ROWID, data_.nextRowId++));
    data_.recipients.push_back(std::move(e));
  }
  return S_OK;
}

STDMETHODIMP Message::SubmitMessage(ULONG flags) {
  // 1. A writable message of a store, with recipients.
  control::Journal("IMessage::SubmitMessage", flags, {}, ObjectHex());
  if (HRESULT hr = control::Fault("SubmitMessage", ObjectHex()); FAILED(hr)) return hr;
  if (owner_ || host_ || !engine_) return MAPI_E_NO_SUPPORT;
  if (!writable_) return MAPI_E_NO_ACCESS;
  if (data_.recipients.empty()) return MAPI_E_NO_RECIPIENTS;
  // 2. Saved and marked as submitted; from now on the message belongs to the spooler.
  const Prop* f = FindPropById(data_.props, PROP_ID(PR_MESSAGE_FLAGS));
  PutProp(data_.props, MakeLong(PR_MESSAGE_FLAGS, (f ? f->integer : 0) | MSGFLAG_SUBMIT));
  if (HRESULT hr = Save(KEEP_OPEN_READONLY); FAILED(hr)) return hr;
  writable_ = false;
  // 3. The spooler's thread takes it from here.
  spooler::Submit({engine_, id_});
  return S_OK;
}

STDMETHODIMP Message::SetReadFlag(ULONG flags) {
  control::Journal("IMessage::SetReadFlag", flags, {}, ObjectHex());
  const Prop* f = FindPropById(data_.props, PROP_ID(PR_MESSAGE_FLAGS));
  std::int64_t value = f ? f->integer : 0;
  value =
      (flags & CLEAR_READ_FLAG) ? (value & ~std::int64_t{MSGFLAG_READ}) : (value | MSGFLAG_READ);
  PutProp(data_.props, MakeLong(PR_MESSAGE_FLAGS, value));
  if (isNew_ || owner_ || host_) return S_OK;
  // The read state is saved at once, as stores do.
  return engine_->Read([&](const StoreImage& image) { return image.messages.count(id_) > 0; })
             ? [&] {
                 MessageData stored = engine_->Read([&](const StoreImage& image) { return image.messages.at(id_).data; });
                 PutProp(stored.props, MakeLong(PR_MESSAGE_FLAGS, value));
                 StoreOp op;
                 op.kind = StoreOpKind::PutMessage;
                 op.id = id_;
                 op.parent = folder_;
                 op.message = std::move(stored);
                 return engine_->Commit({op});
               }()
             : MAPI_E_OBJECT_DELETED;
}

HRESULT Message::CopyInto(REFIID iid, IUnknown* dest, const std::vector<ULONG>& excluded,
                          ULONG flags) {
  // 1. Only message-to-message copies.
  if (iid != IID_IMessage) return MAPI_E_INTERFACE_NOT_SUPPORTED;
  MessageData copy = FilterForCopy(data_, excluded);
  // 2. Onto one of the stand-in's messages: the content merges into its working copy.
  Message* target = nullptr;
  if (SUCCEEDED(dest->QueryInterface(kIidStandinMessage, reinterpret_cast<void**>(&target)))) {
    Ref<Message> hold = Ref<Message>::adopt(target);
    if (!target->writable()) return MAPI_E_NO_ACCESS;
    if (host_ || target->host()) {
      const std::shared_ptr<NameRegistry> from = Names(), to = target->Names();
      if (from && to && from != to) {
        if (HRESULT hr = RemapNames(copy, *from, *to); FAILED(hr)) return hr;
      }
    }
    MessageData merged = target->data();
    for (Prop& p : copy.props) {
      if (!(flags & MAPI_NOREPLACE) || !FindPropById(merged.props, IdOf(p.tag)))
        PutProp(merged.props, p);
    }
    if (!Excluded(excluded, PR_MESSAGE_RECIPIENTS)) {
      merged.recipients = copy.recipients;
      merged.nextRowId = copy.nextRowId;
    }
    for (AttachData& a : copy.attachments) {
      a.num = merged.nextAttachNum++;
      merged.attachments.push_back(std::move(a));
    }
    target->ReplaceData(std::move(merged));
    return S_OK;
  }
  // 3. Onto another implementation: the properties through its SetProps.
  Ref<IMAPIProp> prop;
  if (FAILED(dest->QueryInterface(IID_IMAPIProp, prop.put_void())))
    return MAPI_E_INTERFACE_NOT_SUPPORTED;
  return WriteRow(prop.get(), copy.props, flags);
}

}  // namespace mapistandin
