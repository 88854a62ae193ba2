// An open attachment: a working copy that SaveChanges hands back to its message. Its data
// opens as a stream (PR_ATTACH_DATA_BIN, or PR_ATTACH_DATA_OBJ of an OLE attachment as
// IID_IStreamDocfile) or as an embedded message (PR_ATTACH_DATA_OBJ as IID_IMessage).
#pragma once

#include <mapix.h>

#include <functional>

#include "store/ObjectProps.h"
#include "store/PropObject.h"

namespace mapistandin {

class Message;

class Attach : public PropObject<IAttach> {
 public:
  Attach(Ref<Message> parent, std::shared_ptr<StoreEngine> engine, std::uint64_t messageId,
         AttachData data, bool writable);

  // The embedded message's SaveChanges puts its content back here.
  void PutEmbedded(const MessageData& data);
  const AttachData& data() const { return data_; }
  void ReplaceData(AttachData data) {
    const std::uint32_t num = data_.num;
    data_ = std::move(data);
    data_.num = num;
  }

 protected:
  void* FindInterface(REFIID iid) override;
  const char* Kind() const override { return "IAttach"; }
  Row AllProps() override;
  HRESULT PutProps(const Row& values) override;
  HRESULT RemoveProps(const std::vector<std::uint16_t>& ids) override;
  HRESULT Save(ULONG flags) override;
  HRESULT OpenProp(ULONG tag, REFIID iid, ULONG options, ULONG flags, LPUNKNOWN* out) override;
  HRESULT CopyInto(REFIID iid, IUnknown* dest, const std::vector<ULONG>& excluded,
                   ULONG flags) override;
  std::shared_ptr<StoreEngine> Engine() const override { return engine_; }
  std::shared_ptr<NameRegistry> Names() const override;

 private:
  Ref<Message> parent_;
  std::shared_ptr<StoreEngine> engine_;
  std::uint64_t messageId_;
  AttachData data_;
};

// An IStream over a property of a working copy: reads the value, and on Commit writes the
// stream's bytes back through set.
HRESULT OpenValueStream(const Row& props, ULONG tag, ULONG flags, bool writable,
                        std::function<HRESULT(Prop)> set, LPUNKNOWN* out);

}  // namespace mapistandin
