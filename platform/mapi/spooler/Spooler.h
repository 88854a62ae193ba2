// The MAPI spooler: SubmitMessage queues a submitted message and returns; the spooler's
// own thread hands each message to the profile's transport, then files it where the
// message asks (PR_SENTMAIL_ENTRYID's folder, or nowhere with PR_DELETE_AFTER_SUBMIT) and
// delivers a copy to the profile's own inbox when the owner is among the recipients.
// The thread starts with the first submission and is stopped and joined by the last
// MAPIUninitialize (and by a fixture reset).
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>

namespace mapistandin {
class StoreEngine;
}

namespace mapistandin::spooler {

struct Submission {
  std::shared_ptr<StoreEngine> engine;
  std::uint64_t message = 0;
};

void Submit(Submission submission);
// Waits until everything submitted has been handled: S_OK, or MAPI_E_TIMEOUT after ms.
HRESULT WaitIdle(ULONG ms);
// Handles what is queued, then ends the thread and waits for it.
void Stop();

}  // namespace mapistandin::spooler
