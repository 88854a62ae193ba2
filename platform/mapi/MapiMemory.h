// What the stand-in's MAPI memory tells the test controls.
#pragma once

#include <windows.h>

namespace mapistandin {

// Blocks from MAPIAllocateBuffer not yet given back to MAPIFreeBuffer.
ULONG OutstandingBuffers();

}  // namespace mapistandin
