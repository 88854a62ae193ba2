// The host of a message on a structured storage: SaveChanges writes the message into the
// storage in the ".msg" layout (and commits it, unless the opener said not to); named
// properties live in the file's mapping and are saved with the message.
#pragma once

#include <imessage.h>

#include <mutex>

#include "msgfile/MsgFile.h"
#include "store/MessageHost.h"
#include "util/Owners.h"

namespace mapistandin {

class StorageHost : public MessageHost {
 public:
  StorageHost(Ref<IStorage> storage, NameMap names, ULONG flags, MSGCALLRELEASE* release,
              ULONG callerData);

  HRESULT SaveMessage(const MessageData& data) override;
  void Released(IMessage* message) override;
  HRESULT Lookup(const NamedKey& key, bool create, std::uint16_t& id) override;
  bool NameOf(std::uint16_t id, NamedKey& key) override;
  std::vector<std::uint16_t> Ids(const std::string* guid) override;

  // The message session was closed: the message can no longer be saved.
  void Close();

 private:
  std::mutex lock_;
  Ref<IStorage> storage_;
  NameMap names_;
  ULONG flags_;
  MSGCALLRELEASE* release_;
  ULONG callerData_;
  bool closed_ = false;
};

}  // namespace mapistandin
