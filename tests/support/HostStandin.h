// The host add-in stand-in ("KelMsgsHost.Toolbar", platform/host) for tests: created
// through COM as a client of the library's host would meet it, and read late-bound.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <string>
#include <vector>

#include "KelMsgs.h"
#include "foundation/ComPtr.h"

class HostStandin {
 public:
  // Creates a toolbar object with its own windows; ok() tells whether that worked.
  HostStandin();

  bool ok() const { return static_cast<bool>(toolbar_); }
  HRESULT created() const { return created_; }
  // The object as the library takes it.
  IOlToolbar* toolbar() const { return toolbar_.get(); }

  HWND ToolbarWindow() const;
  HWND SearchControlWindow() const;
  // The record, one described line per message (see platform/host/HostToolbar.h).
  std::vector<std::string> Lines() const;
  long Count() const;
  // Waits (dispatching this thread's messages) until count messages are recorded.
  bool WaitFor(long count, long timeoutMs = 5000) const;
  // The same until count acknowledgements have been written.
  bool WaitForAcks(long count, long timeoutMs = 5000) const;
  void ClearRecord() const;
  void SetSilent(bool silent) const;
  void SetAckDelay(long ms) const;
  long AckCount() const;
  void DestroyWindows() const;
  // The progress bar the toolbar hands out.
  kelmsgs::ComPtr<IDispatch> ProgressBar() const;

 private:
  // Calls a member by name; the result is left in result.
  HRESULT Call(const wchar_t* name, WORD flags, std::vector<VARIANT> args, VARIANT* result) const;
  long LongMember(const wchar_t* name) const;
  bool Wait(const wchar_t* name, long count, long timeoutMs) const;
  void Put(const wchar_t* name, long value) const;

  HRESULT created_ = E_FAIL;
  kelmsgs::ComPtr<IOlToolbar> toolbar_;
};
