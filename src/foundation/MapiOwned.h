// Owning wrappers for memory handed out by the messaging subsystem.
#pragma once

#include <mapix.h>

#include "foundation/Owned.h"

namespace kelmsgs {

template <class T>
struct MapiBufferTraits {
  static T* invalid() noexcept { return nullptr; }
  static void close(T* p) noexcept { MAPIFreeBuffer(p); }
};
// A block from MAPIAllocateBuffer (with everything MAPIAllocateMore chained to it).
template <class T>
using MapiBuffer = Owned<T*, MapiBufferTraits<T>>;

}  // namespace kelmsgs
