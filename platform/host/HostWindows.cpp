#include "HostWindows.h"

#include <cstring>
#include <vector>

namespace hoststandin {

namespace {

constexpr char kToolbarClass[] = "KelMsgsHostToolbar";
constexpr char kSearchClass[] = "KelMsgsHostSearchControl";
// Sent to the toolbar: destroy both windows, keep the loop running.
constexpr UINT kDestroyWindows = WM_APP + 1;
constexpr UINT_PTR kAckTimer = 1;
// Bounded waits for the thread to start and to end.
constexpr DWORD kThreadWaitMs = 10000;
// The longest status text read from the sender's memory.
constexpr size_t kMaxStatusText = 4096;

bool IsProgressMessage(UINT message) {
  return message >= kStatusText && message <= kStartEnd;
}

// Messages a window records: the protocol's and anything else in the private ranges.
bool IsRecorded(UINT message) {
  return message == kSearchNotify ||
         (message >= WM_USER && message < 0xC000 && message != kDestroyWindows);
}

}  // namespace

HMODULE ThisModule() {
  HMODULE module = nullptr;
  GetModuleHandleExA(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCSTR>(&ThisModule), &module);
  return module;
}

struct HostWindows::State {
  HostRecord record;
  std::atomic<HWND> toolbar{nullptr};
  std::atomic<HWND> search{nullptr};
  std::atomic<DWORD> ackDelay{0};
  std::atomic<bool> silent{false};
  std::atomic<long> acks{0};
  HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  // Set each time a window records a message or the toolbar acknowledges one.
  HANDLE changed = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  // Words waiting for a delayed acknowledgement; the windows' thread only.
  std::vector<volatile LONG*> pending;

  ~State() {
    if (ready) CloseHandle(ready);
    if (changed) CloseHandle(changed);
  }
  void Acknowledge(volatile LONG* word) {
    InterlockedExchange(word, 1);
    ++acks;
    SetEvent(changed);
  }
  void AckLater(HWND window, volatile LONG* word) {
    if (silent) return;
    const DWORD delay = ackDelay;
    if (delay == 0) return Acknowledge(word);
    pending.push_back(word);
    SetTimer(window, kAckTimer, delay, nullptr);
  }
  void FlushPending(HWND window) {
    KillTimer(window, kAckTimer);
    for (auto* word : pending)
      if (!silent) Acknowledge(word);
    pending.clear();
  }
  void DestroyBoth() {
    pending.clear();
    if (HWND w = toolbar.exchange(nullptr)) DestroyWindow(w);
    if (HWND w = search.exchange(nullptr)) DestroyWindow(w);
  }
};

namespace {

using State = HostWindows::State;

State* StateOf(HWND window) {
  return reinterpret_cast<State*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

HostRecordEntry EntryOf(HostWindow which, UINT message, WPARAM wParam, LPARAM lParam) {
  HostRecordEntry entry;
  entry.window = which;
  entry.message = message;
  entry.ackAddress = wParam != 0;
  entry.lParam = lParam;
  // The status text lives in the sender's memory until the message is acknowledged.
  if (which == HostWindow::Toolbar && message == kStatusText && lParam) {
    const auto* text = reinterpret_cast<const char*>(lParam);
    entry.text.assign(text, strnlen(text, kMaxStatusText));
  }
  return entry;
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  State* state = StateOf(window);
  if (!state) return DefWindowProcA(window, message, wParam, lParam);
  const HostWindow which =
      window == state->search.load() ? HostWindow::SearchControl : HostWindow::Toolbar;
  if (message == WM_TIMER && wParam == kAckTimer && which == HostWindow::Toolbar) {
    state->FlushPending(window);
    return 0;
  }
  if (message == kDestroyWindows) {
    state->DestroyBoth();
    return 0;
  }
  if (!IsRecorded(message)) return DefWindowProcA(window, message, wParam, lParam);
  // The entry is complete (status text read) before the acknowledgement lets the sender go
  // on; it is recorded after it, so whoever sees it recorded sees an at-once acknowledgement.
  HostRecordEntry entry = EntryOf(which, message, wParam, lParam);
  if (which == HostWindow::Toolbar && IsProgressMessage(message) && wParam)
    state->AckLater(window, reinterpret_cast<volatile LONG*>(wParam));
  state->record.Add(std::move(entry));
  SetEvent(state->changed);
  return 0;
}

HWND MakeWindow(const char* className, const char* title, State* state) {
  WNDCLASSEXA windowClass = {};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = ThisModule();
  windowClass.lpszClassName = className;
  // A second stand-in object in the process finds the class already there.
  RegisterClassExA(&windowClass);
  return CreateWindowExA(0, className, title, WS_POPUP, 0, 0, 200, 24, nullptr, nullptr,
                         ThisModule(), state);
}

DWORD WINAPI WindowThread(void* parameter) {
  // 1. Take over the thread's share of the state.
  std::unique_ptr<std::shared_ptr<State>> owned(static_cast<std::shared_ptr<State>*>(parameter));
  const std::shared_ptr<State> state = *owned;
  owned.reset();
  // 2. Make the message queue and both windows, then tell the creator.
  MSG msg;
  PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
  state->toolbar = MakeWindow(kToolbarClass, "Host toolbar", state.get());
  state->search = MakeWindow(kSearchClass, "Host search control", state.get());
  SetEvent(state->ready);
  // 3. Run the loop until told to quit.
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
  state->DestroyBoth();
  return 0;
}

}  // namespace

HostWindows::HostWindows() : state_(std::make_shared<State>()) {
  if (!state_->ready || !state_->changed) return;
  auto* share = new std::shared_ptr<State>(state_);
  thread_ = CreateThread(nullptr, 0, WindowThread, share, 0, &threadId_);
  if (!thread_) {
    delete share;
    return;
  }
  WaitForSingleObject(state_->ready, kThreadWaitMs);
}

HostWindows::~HostWindows() {
  if (thread_) {
    PostThreadMessageA(threadId_, WM_QUIT, 0, 0);
    // A thread that does not end in time keeps its share of the state.
    WaitForSingleObject(thread_, kThreadWaitMs);
    CloseHandle(thread_);
  }
}

bool HostWindows::Ready() const {
  return state_->toolbar.load() && state_->search.load();
}
HWND HostWindows::Toolbar() const {
  return state_->toolbar;
}
HWND HostWindows::SearchControl() const {
  return state_->search;
}
const HostRecord& HostWindows::Record() const {
  return state_->record;
}
void HostWindows::ClearRecord() {
  state_->record.Clear();
}
void HostWindows::SetAckDelay(DWORD ms) {
  state_->ackDelay = ms;
}
DWORD HostWindows::AckDelay() const {
  return state_->ackDelay;
}
void HostWindows::SetSilent(bool silent) {
  state_->silent = silent;
}
bool HostWindows::Silent() const {
  return state_->silent;
}
long HostWindows::AckCount() const {
  return state_->acks;
}
void HostWindows::DestroyWindows() {
  if (HWND toolbar = state_->toolbar)
    SendMessageTimeoutA(toolbar, kDestroyWindows, 0, 0, SMTO_NORMAL, kThreadWaitMs, nullptr);
}

bool HostWindows::WaitForRecord(size_t count, DWORD timeoutMs) {
  return WaitUntil([&] { return state_->record.Count() >= count; }, timeoutMs);
}

bool HostWindows::WaitForAcks(long count, DWORD timeoutMs) {
  return WaitUntil([&] { return state_->acks >= count; }, timeoutMs);
}

bool HostWindows::WaitUntil(const std::function<bool()>& reached, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  while (!reached()) {
    const DWORD elapsed = GetTickCount() - start;
    if (elapsed >= timeoutMs) return false;
    // The caller's own windows keep working while it waits.
    const DWORD woken =
        MsgWaitForMultipleObjects(1, &state_->changed, FALSE, timeoutMs - elapsed, QS_ALLINPUT);
    if (woken != WAIT_OBJECT_0 + 1) continue;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
  return true;
}

}  // namespace hoststandin
