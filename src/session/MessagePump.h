// Handles the calling thread's pending window messages, so a host window stays
// responsive (and MAPI notifications of this thread are delivered) during long calls.
#pragma once

namespace kelmsgs {

// Dispatches messages until the queue is empty or WM_QUIT was taken out; that one is not
// dispatched but posted again (same exit code), so the caller's message loop still ends.
void PumpMessages();

}  // namespace kelmsgs
