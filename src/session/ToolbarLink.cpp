#include "session/ToolbarLink.h"

#include <utility>

namespace kelmsgs {

namespace {

// How long the answer to a copy's last message is awaited once the copy has ended.
constexpr DWORD kLastAnswerLimitMs = 500;

LONG ReadWord(LONG* word) {
  return InterlockedCompareExchange(word, 0, 0);
}

}  // namespace

ToolbarLink::ToolbarLink(HWND toolbar, const std::atomic<bool>& stop, TraceFn trace,
                         DWORD acknowledgeLimitMs)
    : toolbar_(toolbar),
      stop_(stop),
      trace_(std::move(trace)),
      limitMs_(acknowledgeLimitMs),
      word_(new LONG(0)) {}

ToolbarLink::~ToolbarLink() {
  if (!pending_ || !IsWindow(toolbar_)) return;
  // The toolbar still holds the word's address and may write it later: the word is left
  // to it when it does not answer now (at once when it was given up already).
  if (!active_ || !AwaitAcknowledgement(true, kLastAnswerLimitMs)) (void)word_.release();
}

void ToolbarLink::Open() {
  active_ = toolbar_ && IsWindow(toolbar_);
  if (!active_) trace_("Invalid window handle.");
}

void ToolbarLink::Status(const char* text) {
  Send(kToolbarStatusText, reinterpret_cast<LPARAM>(text));
}

void ToolbarLink::Running(bool on) {
  Send(kToolbarRunning, on ? 1 : 0);
}

void ToolbarLink::Percent(LONG percent) {
  Send(kToolbarPercent, percent);
}

void ToolbarLink::Send(UINT message, LPARAM lParam) {
  // 1. Only to a window that is there.
  if (!active_ || !IsWindow(toolbar_)) return;
  // 2. A cleared word, except for a copy's first message.
  if (!std::exchange(first_, false)) InterlockedExchange(word_.get(), 0);
  // 3. The message, and the toolbar's answer.
  if (!SendNotifyMessageA(toolbar_, message, reinterpret_cast<WPARAM>(word_.get()), lParam)) return;
  pending_ = true;
  if (AwaitAcknowledgement(false, limitMs_) || !pending_) return;
  // 4. Not answered in time: the copy goes on without the toolbar.
  if (!stop_ && IsWindow(toolbar_)) {
    trace_("Toolbar did not acknowledge; going on without it.");
    active_ = false;
  }
}

bool ToolbarLink::AwaitAcknowledgement(bool ignoreStop, DWORD limitMs) {
  const DWORD start = GetTickCount();
  while (ReadWord(word_.get()) == 0) {
    if ((!ignoreStop && stop_) || !IsWindow(toolbar_)) return false;
    if (GetTickCount() - start >= limitMs) return false;
    Sleep(1);
  }
  pending_ = false;
  return true;
}

}  // namespace kelmsgs
