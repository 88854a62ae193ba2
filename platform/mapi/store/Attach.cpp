#include "store/Attach.h"

#include "store/Message.h"
#include "util/MemoryStream.h"

namespace mapistandin {

HRESULT OpenValueStream(const Row& props, ULONG tag, ULONG flags, bool writable,
                        std::function<HRESULT(Prop)> set, LPUNKNOWN* out) {
  // 1. Only strings and binaries open as streams.
  ULONG type = PROP_TYPE(tag);
  if (type == PT_UNSPECIFIED || type == PT_OBJECT) type = PT_BINARY;
  if (type != PT_BINARY && type != PT_STRING8 && type != PT_UNICODE)
    return MAPI_E_INTERFACE_NOT_SUPPORTED;
  const ULONG valueTag = PROP_TAG(type, PROP_ID(tag));
  // 2. The current value; MAPI_CREATE starts empty, otherwise the value must exist.
  const Prop* current = FindPropById(props, static_cast<std::uint16_t>(PROP_ID(tag)));
  if (current && PROP_TYPE(current->tag) == PT_ERROR) current = nullptr;
  if (!current && !(flags & MAPI_CREATE)) return MAPI_E_NOT_FOUND;
  std::string data = (flags & MAPI_CREATE) || !current ? std::string() : current->bytes;
  // 3. Writes reach the object on Commit; 8-bit text loses the terminators a writer added.
  const bool write = writable && (flags & MAPI_MODIFY);
  *out = static_cast<IStream*>(
      new MemoryStream(std::move(data), write, [set, valueTag](const std::string& bytes) {
        std::string value = bytes;
        if (PROP_TYPE(valueTag) == PT_STRING8) {
          while (!value.empty() && value.back() == '\0') value.pop_back();
        }
        return set(MakeString(valueTag, std::move(value)));
      }));
  return S_OK;
}

Attach::Attach(Ref<Message> parent, std::shared_ptr<StoreEngine> engine, std::uint64_t messageId,
               AttachData data, bool writable)
    : parent_(std::move(parent)),
      engine_(std::move(engine)),
      messageId_(messageId),
      data_(std::move(data)) {
  writable_ = writable;
}

void* Attach::FindInterface(REFIID iid) {
  if (iid == IID_IUnknown || iid == IID_IMAPIProp || iid == IID_IAttachment)
    return static_cast<IAttach*>(this);
  if (iid == kIidStandinAttach) return this;
  return nullptr;
}

Row Attach::AllProps() {
  return AttachProps(messageId_, data_, false);
}

HRESULT Attach::PutProps(const Row& values) {
  for (const Prop& p : values) PutProp(data_.props, p);
  return S_OK;
}

HRESULT Attach::RemoveProps(const std::vector<std::uint16_t>& ids) {
  for (std::uint16_t id : ids) DropProp(data_.props, id);
  return S_OK;
}

HRESULT Attach::Save(ULONG) {
  if (!parent_->writable()) return MAPI_E_NO_ACCESS;
  parent_->PutAttach(data_);
  return S_OK;
}

void Attach::PutEmbedded(const MessageData& data) {
  data_.embedded.assign(1, data);
}

HRESULT Attach::OpenProp(ULONG tag, REFIID iid, ULONG, ULONG flags, LPUNKNOWN* out) {
  // 1. The embedded message: read-only, or created/modified with MAPI_CREATE|MAPI_MODIFY.
  if (PROP_ID(tag) == PROP_ID(PR_ATTACH_DATA_OBJ) && iid == IID_IMessage) {
    if (data_.embedded.empty() && !(flags & MAPI_CREATE)) return MAPI_E_NOT_FOUND;
    MessageData content;
    if (!data_.embedded.empty() && !(flags & MAPI_CREATE)) content = data_.embedded.front();
    const bool write = writable_ && (flags & MAPI_MODIFY);
    auto* message = new Message(engine_, 0, 0, std::move(content), write,
                                (flags & MAPI_CREATE) != 0, Ref<Attach>(this));
    message->SetHost(parent_->host());
    *out = static_cast<IMessage*>(message);
    return S_OK;
  }
  // 2. Data as a stream: the binary data, or an OLE object's storage bytes.
  if (iid == IID_IStream ||
      (iid == IID_IStreamDocfile && PROP_ID(tag) == PROP_ID(PR_ATTACH_DATA_OBJ))) {
    return OpenValueStream(
        data_.props, tag, flags, writable_,
        [this](Prop p) {
          PutProp(data_.props, std::move(p));
          return S_OK;
        },
        out);
  }
  return MAPI_E_INTERFACE_NOT_SUPPORTED;
}

std::shared_ptr<NameRegistry> Attach::Names() const {
  if (parent_->host()) return parent_->host();
  return PropObject<IAttach>::Names();
}

HRESULT Attach::CopyInto(REFIID iid, IUnknown* dest, const std::vector<ULONG>& excluded,
                         ULONG flags) {
  if (iid != IID_IAttachment) return MAPI_E_INTERFACE_NOT_SUPPORTED;
  AttachData copy;
  for (const Prop& p : data_.props) {
    bool skip = IsComputedTag(p.tag);
    for (ULONG e : excluded) skip = skip || PROP_ID(e) == PROP_ID(p.tag);
    if (!skip) copy.props.push_back(p);
  }
  bool dropEmbedded = false;
  for (ULONG e : excluded) dropEmbedded = dropEmbedded || PROP_ID(e) == PROP_ID(PR_ATTACH_DATA_OBJ);
  if (!dropEmbedded) copy.embedded = data_.embedded;
  Attach* target = nullptr;
  if (SUCCEEDED(dest->QueryInterface(kIidStandinAttach, reinterpret_cast<void**>(&target)))) {
    Ref<Attach> hold = Ref<Attach>::adopt(target);
    if (!target->writable_) return MAPI_E_NO_ACCESS;
    AttachData merged = target->data();
    for (Prop& p : copy.props) {
      if (!(flags & MAPI_NOREPLACE) || !FindPropById(merged.props, IdOf(p.tag)))
        PutProp(merged.props, p);
    }
    if (!copy.embedded.empty()) merged.embedded = copy.embedded;
    target->ReplaceData(std::move(merged));
    return S_OK;
  }
  Ref<IMAPIProp> prop;
  if (FAILED(dest->QueryInterface(IID_IMAPIProp, prop.put_void())))
    return MAPI_E_INTERFACE_NOT_SUPPORTED;
  return WriteRow(prop.get(), copy.props, flags);
}

}  // namespace mapistandin
