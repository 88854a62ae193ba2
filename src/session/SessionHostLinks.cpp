// QMXSession: the links to the host add-in. Its toolbar object (with its progress bar) is
// kept process-wide; its toolbar and search-control windows are named per session.
#include "foundation/AutomationOut.h"
#include "session/HostLinks.h"
#include "session/QMXSession.h"

namespace kelmsgs {

namespace {

// What the search control receives: code in the low word, argument in the high word.
constexpr UINT kSearchControlMessage = 0x0200;
constexpr WORD kSearchInfoText = 14;

HWND WindowOf(LONG handle) {
  return reinterpret_cast<HWND>(static_cast<LONG_PTR>(handle));
}

}  // namespace

HRESULT CQMXSession::putref_QLAToolbar(IOlToolbar* newVal) {
  HostLinks::SetToolbar(newVal);
  return S_OK;
}

HRESULT CQMXSession::get_QLAToolbar(IOlToolbar** pVal) {
  if (!pVal) return E_POINTER;
  HostLinks::Toolbar().copy_to(pVal);
  return S_OK;
}

HRESULT CQMXSession::get_ToolbarHWnd(LONG* pVal) {
  return LongOut(toolbarHWnd_, pVal);
}
HRESULT CQMXSession::put_ToolbarHWnd(LONG newVal) {
  toolbarHWnd_ = newVal;
  return S_OK;
}
HRESULT CQMXSession::get_SearchCtlHWnd(LONG* pVal) {
  return LongOut(searchCtlHWnd_, pVal);
}
HRESULT CQMXSession::put_SearchCtlHWnd(LONG newVal) {
  searchCtlHWnd_ = newVal;
  return S_OK;
}

HWND CQMXSession::ToolbarWindow() const {
  return WindowOf(toolbarHWnd_);
}
HWND CQMXSession::SearchControlWindow() const {
  return WindowOf(searchCtlHWnd_);
}

// Tells the search control which information text to show; a handle that names no window
// (any more) gets nothing. The notification does not wait for the control's thread.
HRESULT CQMXSession::SetSearchCtlInfoText(LONG Index) {
  const HWND control = SearchControlWindow();
  if (!IsWindow(control)) return S_OK;
  const DWORD packed = (static_cast<DWORD>(Index) << 16) | kSearchInfoText;
  SendNotifyMessageA(control, kSearchControlMessage, 0, static_cast<LPARAM>(packed));
  return S_OK;
}

}  // namespace kelmsgs
