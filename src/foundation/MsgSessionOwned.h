// Owning wrapper for a session of the message-on-storage service.
#pragma once

#include <imessage.h>

#include "foundation/Owned.h"

namespace kelmsgs {

struct MsgSessionTraits {
  static LPMSGSESS invalid() noexcept { return nullptr; }
  static void close(LPMSGSESS session) noexcept { CloseIMsgSession(session); }
};
// A session from OpenIMsgSession; closing it ends the messages opened in it.
using MsgSession = Owned<LPMSGSESS, MsgSessionTraits>;

}  // namespace kelmsgs
