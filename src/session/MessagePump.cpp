#include "session/MessagePump.h"

namespace kelmsgs {

bool PumpMessages() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      // The host's own message loop must still see it and end.
      PostQuitMessage(static_cast<int>(msg.wParam));
      return true;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return false;
}

bool WaitPumping(HANDLE handle, DWORD timeoutMs) {
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  bool pumping = true;
  for (;;) {
    const ULONGLONG now = GetTickCount64();
    const DWORD left = now >= deadline ? 0 : static_cast<DWORD>(deadline - now);
    const DWORD woke =
        pumping ? MsgWaitForMultipleObjectsEx(1, &handle, left, QS_ALLINPUT, MWMO_INPUTAVAILABLE)
                : WaitForSingleObject(handle, left);
    if (woke == WAIT_OBJECT_0) return true;
    if (!pumping || woke != WAIT_OBJECT_0 + 1) return false;
    // A posted WM_QUIT stays in the queue for the host: from then on only wait.
    if (PumpMessages()) pumping = false;
    if (left == 0) return WaitForSingleObject(handle, 0) == WAIT_OBJECT_0;
  }
}

}  // namespace kelmsgs
