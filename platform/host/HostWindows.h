// The host's two windows, a toolbar and a search control, on a UI thread of their own
// that keeps its message loop running. The toolbar acknowledges each progress message by
// writing a non-zero value into the word whose address comes in wParam (the word lives in
// this process: the stand-in is loaded in-process), at once, after a delay or never.
// Both windows record what they receive.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>

#include "HostRecord.h"

namespace hoststandin {

// The stand-in's own module (its windows' instance, its registration path).
HMODULE ThisModule();

class HostWindows {
 public:
  // Starts the thread and waits (bounded) until both windows exist.
  HostWindows();
  // Destroys the windows, ends the thread and waits for it (bounded).
  ~HostWindows();
  HostWindows(const HostWindows&) = delete;
  HostWindows& operator=(const HostWindows&) = delete;

  bool Ready() const;
  HWND Toolbar() const;
  HWND SearchControl() const;
  const HostRecord& Record() const;
  void ClearRecord();

  // Milliseconds the toolbar waits (on a timer, its loop running) before acknowledging.
  void SetAckDelay(DWORD ms);
  DWORD AckDelay() const;
  // A silent toolbar records but never acknowledges.
  void SetSilent(bool silent);
  bool Silent() const;
  // The acknowledgements written so far.
  long AckCount() const;
  // Destroys both windows (the thread goes on), so their handles no longer name windows.
  void DestroyWindows();
  // Waits until the record holds at least count entries, at most timeoutMs, dispatching
  // the calling thread's window messages meanwhile. False when the time ran out.
  bool WaitForRecord(size_t count, DWORD timeoutMs);
  // The same until count acknowledgements have been written.
  bool WaitForAcks(long count, DWORD timeoutMs);

  // Shared with the thread, which may outlive a timed-out stop.
  struct State;

 private:
  bool WaitUntil(const std::function<bool()>& reached, DWORD timeoutMs);

  std::shared_ptr<State> state_;
  HANDLE thread_ = nullptr;
  DWORD threadId_ = 0;
};

}  // namespace hoststandin
