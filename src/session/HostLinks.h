// The host add-in's toolbar and progress bar, held once for the whole process: whichever
// session object the host hands its toolbar to, every session (and the attachment copy
// service) sees the same two references. Any session's construction and Logoff drop them.
#pragma once

#include <oaidl.h>

#include "KelMsgs.h"
#include "foundation/ComPtr.h"

namespace kelmsgs {

class HostLinks {
 public:
  // Takes the toolbar (null keeps the progress bar) and, from a toolbar, its progress bar.
  static void SetToolbar(IOlToolbar* toolbar);
  static ComPtr<IOlToolbar> Toolbar();
  // The host's progress bar, as the toolbar's OlProgressBar property gave it; null when none.
  static ComPtr<IDispatch> ProgressBar();
  // Releases both references.
  static void Drop();
};

}  // namespace kelmsgs
