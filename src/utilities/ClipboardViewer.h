// The clipboard monitor's hidden viewer window and the process-wide state it shares with
// the monitor objects: one viewer window serves the most recently made monitor object.
#pragma once

#include <windows.h>

namespace kelmsgs {

class CQMXClipboardMonitor;

struct ClipboardViewerState {
  CQMXClipboardMonitor* current = nullptr;  // the object the viewer window calls
  bool active = false;                      // gates reading and rewriting
  bool suppress = false;                    // true while the window joins the chain
  HWND window = nullptr;                    // the viewer window of the current object
};

// The one state of the process; monitor objects live on one thread, so it has no lock.
ClipboardViewerState& ViewerState() noexcept;

// Makes the hidden viewer dialog and joins the clipboard viewer chain with it; the change
// message that joining brings is neither handled nor passed on. Null when no window could
// be made.
HWND OpenViewerWindow() noexcept;
// Takes the window out of the viewer chain and closes it.
void CloseViewerWindow(HWND window) noexcept;
// True while window is a viewer window made by OpenViewerWindow (a closed window's handle
// may have been given to another window since).
bool IsViewerWindow(HWND window) noexcept;

}  // namespace kelmsgs
