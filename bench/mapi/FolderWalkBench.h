// The folder walk of the session (StartGetFolderInfo, its FolderInfo events to
// EndFolderInfo, received by a sink on the session's connection point) against a C++ client
// that walks the same hierarchy tables and reads the same properties of every folder.
#pragma once

#include <windows.h>
#include <mapix.h>

#include "BenchTiming.h"
#include "KelMsgs.h"

namespace bench {

// The best times of one whole walk each way, alternating; {-1, -1} when a walk fails or
// the two do not see the same folders. `folders` is set to the folders below the IPM root.
Times FolderWalkEvents(IQMXSession* session, IMAPIFolder* root, long& folders);

}  // namespace bench
