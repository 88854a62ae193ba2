// KelMsgsHost.Toolbar: the stand-in of the mail client's add-in toolbar. It answers the
// type library's IOlToolbar (OlProgressBar, DISPID 1, returns its IOlProgressBar object),
// owns a toolbar window and a search-control window on a UI thread of its own, and
// records what the windows receive. Scripts and tests drive it late-bound:
//
//   OlProgressBar          get   object   the progress bar (the same object every time)
//   ToolbarHWnd            get   long     the toolbar window (0 once destroyed)
//   SearchCtlHWnd          get   long     the search-control window (0 once destroyed)
//   RecordCount            get   long     messages recorded so far
//   RecordLine(i)          get   string   entry i described as one line (HostRecord.h):
//                                         "toolbar 046C ack status \"Copying attachments...\"",
//                                         "toolbar 046C ack status none", "toolbar 046D ack
//                                         percent 50", "toolbar 046E ack start" / "... end",
//                                         "search 0200 - code 14 index 3"
//   RecordMessage(i)       get   long     entry i's message number
//   RecordLParam(i)        get   long     entry i's lParam (low 32 bits)
//   Record                 get   string   every line, each ended by a line feed
//   ClearRecord()          method         forgets the entries
//   WaitForRecord(n, ms)   method bool    waits until n entries are recorded, at most ms,
//                                         dispatching the caller's window messages
//   AckDelay               get/put long   milliseconds before the toolbar acknowledges
//                                         (0, the default: at once; the loop keeps running)
//   Silent                 get/put bool   true: record but never acknowledge
//   AckCount               get   long     acknowledgements written so far
//   WaitForAcks(n, ms)     method bool    waits until n acknowledgements are written, as
//                                         WaitForRecord does
//   DestroyWindows()       method         destroys both windows; their handles go stale
//
// The toolbar acknowledges messages 0x046C, 0x046D and 0x046E by writing 1 into the
// 32-bit word whose address is their wParam (when wParam is not 0). An at-once
// acknowledgement is written before the message is recorded. The windows record message
// 0x0200 and every message from WM_USER to 0xBFFF. Index arguments out of range answer
// E_INVALIDARG.
#pragma once

#include <memory>

#include "HostProgressBar.h"
#include "HostWindows.h"

namespace hoststandin {

// {BB5E4474-3539-451F-8021-4917A897ACF4}
extern const CLSID kClsidHostToolbar;
constexpr char kHostToolbarProgId[] = "KelMsgsHost.Toolbar";

class HostToolbar final : public NamedDispatch {
 public:
  HostToolbar();
  bool Ready() const { return windows_.Ready(); }

 protected:
  REFIID DispatchInterface() const override;
  HRESULT InvokeMember(DISPID id, WORD flags, DISPPARAMS& params, VARIANT* result) override;

 private:
  HRESULT RecordMember(DISPID id, DISPPARAMS& params, VARIANT* result);
  HRESULT Wait(DISPID id, DISPPARAMS& params, VARIANT* result);
  HRESULT Setting(DISPID id, WORD flags, DISPPARAMS& params, VARIANT* result);

  struct Releaser {
    void operator()(IUnknown* object) const { object->Release(); }
  };
  HostWindows windows_;
  const std::unique_ptr<HostProgressBar, Releaser> progressBar_;
};

}  // namespace hoststandin
