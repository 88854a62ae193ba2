// A held call: the test control that makes one call of a named operation wait, as a slow
// store or a busy server makes its caller wait, until the test lets it go on. A held call
// waits at most kHoldLimitMs, so a test that forgets to release it cannot hang a process.
#include <mutex>
#include <string>

#include "Control.h"
#include "include/MapiStandinControl.h"

namespace mapistandin::control {

namespace {

constexpr DWORD kHoldLimitMs = 60000;

struct Stall {
  std::mutex lock;
  std::string operation;
  ULONG skip = 0;
  bool armed = false;
  // Manual-reset events, made once: a call is being held; the held call may go on.
  HANDLE reached = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE released = CreateEventW(nullptr, TRUE, TRUE, nullptr);
};

Stall& St() {
  static Stall* stall = new Stall;  // lives with the process: held calls may outlast unload
  return *stall;
}

}  // namespace

void HoldIfStalled(const char* operation) {
  Stall& s = St();
  {
    std::lock_guard guard(s.lock);
    if (!s.armed || s.operation != operation) return;
    if (s.skip > 0) {
      --s.skip;
      return;
    }
    s.armed = false;
    SetEvent(s.reached);
  }
  WaitForSingleObject(s.released, kHoldLimitMs);
}

void ReleaseStall() {
  Stall& s = St();
  std::lock_guard guard(s.lock);
  s.armed = false;
  SetEvent(s.released);
}

}  // namespace mapistandin::control

using namespace mapistandin::control;

extern "C" HRESULT WINAPI StandinSetStall(LPCSTR operation, ULONG succeedFirst) {
  if (!operation || !*operation) return E_INVALIDARG;
  Stall& s = St();
  std::lock_guard guard(s.lock);
  s.operation = operation;
  s.skip = succeedFirst;
  s.armed = true;
  ResetEvent(s.reached);
  ResetEvent(s.released);
  return S_OK;
}

extern "C" BOOL WINAPI StandinWaitStalled(DWORD timeoutMs) {
  return WaitForSingleObject(St().reached, timeoutMs) == WAIT_OBJECT_0;
}

extern "C" void WINAPI StandinReleaseStall() {
  ReleaseStall();
}
