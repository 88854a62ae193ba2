#include "utilities/ClipboardViewer.h"

#include "frame/Module.h"
#include "frame/resource.h"
#include "utilities/QMXClipboardMonitor.h"

namespace kelmsgs {

namespace {

// Each viewer window keeps its own successor in the chain: a window forgotten by a newer
// monitor object still sits in the chain and must pass messages to its own successor,
// not to the newer window's (which would be itself).
HWND NextViewer(HWND window) noexcept {
  return reinterpret_cast<HWND>(GetWindowLongPtrA(window, DWLP_USER));
}
void SetNextViewer(HWND window, HWND next) noexcept {
  SetWindowLongPtrA(window, DWLP_USER, reinterpret_cast<LONG_PTR>(next));
}

INT_PTR CALLBACK ViewerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// True for a viewer window of this process (the owner of the monitor's own rewrites).
bool IsViewerProc(HWND window) noexcept {
  DWORD process = 0;
  if (!window || !GetWindowThreadProcessId(window, &process) || process != GetCurrentProcessId())
    return false;
  return GetWindowLongPtrA(window, DWLP_DLGPROC) == reinterpret_cast<LONG_PTR>(&ViewerProc);
}

// A clipboard owned by one of our viewer windows holds the monitor's own rewrite: it is not
// cleaned again (each rewrite would bring the next change, without end). Like every other
// change it is passed along the chain.
void OnDrawClipboard(HWND window, WPARAM wParam, LPARAM lParam) {
  auto& state = ViewerState();
  if (state.suppress) return;
  if (state.current && !IsViewerProc(GetClipboardOwner())) {
    state.current->ReadClipboardData();
    state.current->WriteClipboardData();
  }
  if (const HWND next = NextViewer(window)) SendMessageA(next, WM_DRAWCLIPBOARD, wParam, lParam);
}

void OnChangeChain(HWND window, WPARAM wParam, LPARAM lParam) {
  if (reinterpret_cast<HWND>(wParam) == NextViewer(window))
    SetNextViewer(window, reinterpret_cast<HWND>(lParam));
  if (const HWND next = NextViewer(window)) SendMessageA(next, WM_CHANGECBCHAIN, wParam, lParam);
}

INT_PTR CALLBACK ViewerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CLOSE:
      DestroyWindow(window);
      return TRUE;  // the dialog's default handling must not see the destroyed window
    case WM_DRAWCLIPBOARD:
      OnDrawClipboard(window, wParam, lParam);
      break;
    case WM_CHANGECBCHAIN:
      OnChangeChain(window, wParam, lParam);
      break;
    default:
      break;
  }
  return 0;
}

}  // namespace

ClipboardViewerState& ViewerState() noexcept {
  static ClipboardViewerState state;
  return state;
}

HWND OpenViewerWindow() noexcept {
  const HWND window = CreateDialogParamA(Module::Instance(), MAKEINTRESOURCEA(IDD_CLIPBOARDMONITOR),
                                         nullptr, ViewerProc, 0);
  if (!window) return nullptr;
  auto& state = ViewerState();
  state.suppress = true;
  SetNextViewer(window, SetClipboardViewer(window));
  state.suppress = false;
  return window;
}

bool IsViewerWindow(HWND window) noexcept {
  return IsWindow(window) && IsViewerProc(window);
}

void CloseViewerWindow(HWND window) noexcept {
  ChangeClipboardChain(window, NextViewer(window));
  SendMessageA(window, WM_CLOSE, 0, 0);
}

}  // namespace kelmsgs
