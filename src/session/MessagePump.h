// Handles the calling thread's pending window messages, so a host window stays
// responsive (and MAPI notifications of this thread are delivered) during long calls.
#pragma once

#include <windows.h>

namespace kelmsgs {

// Dispatches messages until the queue is empty or WM_QUIT was taken out; that one is not
// dispatched but posted again (same exit code), so the caller's message loop still ends.
// True when it met WM_QUIT.
bool PumpMessages();

// Waits until the handle is signalled or timeoutMs have passed, dispatching the thread's
// window messages meanwhile (after a WM_QUIT it only waits). True when signalled.
bool WaitPumping(HANDLE handle, DWORD timeoutMs);

}  // namespace kelmsgs
