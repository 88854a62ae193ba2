// Where a top-level message that belongs to no store keeps itself: a message on a
// structured storage saves into that storage and keeps its named properties there.
#pragma once

#include <mapix.h>

#include "core/MessageData.h"
#include "store/NamedProps.h"

namespace mapistandin {

class MessageHost : public NameRegistry {
 public:
  virtual HRESULT SaveMessage(const MessageData& data) = 0;
  // The message is going away (its last reference was released).
  virtual void Released(IMessage* message) = 0;
};

}  // namespace mapistandin
