// An open message: a working copy of the stored message that SaveChanges commits to the
// store in one transaction, or, for a message embedded in an attachment, hands back to
// the attachment.
#pragma once

#include <mapix.h>

#include "store/MessageHost.h"
#include "store/ObjectProps.h"
#include "store/PropObject.h"

namespace mapistandin {

class Attach;

class Message : public PropObject<IMessage> {
 public:
  // A message of a folder (id and folder set) or embedded in an attachment (owner set).
  Message(std::shared_ptr<StoreEngine> engine, std::uint64_t id, std::uint64_t folder,
          MessageData data, bool writable, bool isNew, Ref<Attach> owner = {});
  // A top-level message of no store, saved by its host.
  Message(std::shared_ptr<MessageHost> host, MessageData data, bool writable);
  ~Message() override;

  STDMETHODIMP GetAttachmentTable(ULONG flags, LPMAPITABLE* table) override;
  STDMETHODIMP OpenAttach(ULONG num, LPCIID iid, ULONG flags, LPATTACH* attach) override;
  STDMETHODIMP CreateAttach(LPCIID iid, ULONG flags, ULONG* num, LPATTACH* attach) override;
  STDMETHODIMP DeleteAttach(ULONG num, ULONG ui, LPMAPIPROGRESS progress, ULONG flags) override;
  STDMETHODIMP GetRecipientTable(ULONG flags, LPMAPITABLE* table) override;
  STDMETHODIMP ModifyRecipients(ULONG flags, LPADRLIST mods) override;
  STDMETHODIMP SubmitMessage(ULONG flags) override;
  STDMETHODIMP SetReadFlag(ULONG flags) override;

  // An attachment's SaveChanges puts its data back into this working copy.
  void PutAttach(const AttachData& data);
  const MessageData& data() const { return data_; }
  // Replaces the whole content (copies between the stand-in's messages).
  void ReplaceData(MessageData data) { data_ = std::move(data); }
  bool writable() const { return writable_; }
  // The host of the top-level message, shared by its attachments and embedded messages.
  const std::shared_ptr<MessageHost>& host() const { return host_; }
  void SetHost(std::shared_ptr<MessageHost> host) { host_ = std::move(host); }

 protected:
  void* FindInterface(REFIID iid) override;
  const char* Kind() const override { return "IMessage"; }
  std::string ObjectHex() const override;
  Row AllProps() override;
  HRESULT PutProps(const Row& values) override;
  HRESULT RemoveProps(const std::vector<std::uint16_t>& ids) override;
  HRESULT Save(ULONG flags) override;
  HRESULT OpenProp(ULONG tag, REFIID iid, ULONG options, ULONG flags, LPUNKNOWN* out) override;
  HRESULT CopyInto(REFIID iid, IUnknown* dest, const std::vector<ULONG>& excluded,
                   ULONG flags) override;
  std::shared_ptr<StoreEngine> Engine() const override { return engine_; }
  std::shared_ptr<NameRegistry> Names() const override {
    return host_ ? host_ : PropObject<IMessage>::Names();
  }

 private:
  std::shared_ptr<StoreEngine> engine_;
  StoreIdentity who_;
  std::uint64_t id_;
  std::uint64_t folder_;
  MessageData data_;
  bool isNew_;
  Ref<Attach> owner_;
  std::shared_ptr<MessageHost> host_;
};

// Copies of a message's content onto another message, leaving out excluded properties;
// recipients and attachments go along unless PR_MESSAGE_RECIPIENTS or
// PR_MESSAGE_ATTACHMENTS is excluded. Maintained properties never travel.
MessageData FilterForCopy(const MessageData& source, const std::vector<ULONG>& excluded);

}  // namespace mapistandin
