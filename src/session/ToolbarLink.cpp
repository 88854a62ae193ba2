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
    : toolbar_(toolbar), stop_(stop), trace_(std::move(trace)), limitMs_(acknowledgeLimitMs) {}

ToolbarLink::~ToolbarLink() {
  // The toolbar still holds the address of every word it has not answered and may write
  // it later: such a word is left to it when it does not answer now (at once when the
  // toolbar was given up already). A window that is gone writes nothing any more.
  const DWORD start = GetTickCount();
  for (std::unique_ptr<LONG>& word : words_) {
    if (ReadWord(word.get()) != 0 || !IsWindow(toolbar_)) continue;
    const DWORD waited = GetTickCount() - start;
    const DWORD left = waited < kLastAnswerLimitMs ? kLastAnswerLimitMs - waited : 0;
    if (!active_ || !AwaitAcknowledgement(word.get(), true, left)) (void)word.release();
  }
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
  // 2. A cleared word of its own.
  words_.push_back(std::make_unique<LONG>(0));
  LONG* word = words_.back().get();
  // 3. The message, and the toolbar's answer.
  if (!SendNotifyMessageA(toolbar_, message, reinterpret_cast<WPARAM>(word), lParam)) {
    words_.pop_back();
    return;
  }
  if (AwaitAcknowledgement(word, false, limitMs_)) return;
  // 4. Not answered in time: the copy goes on without the toolbar.
  if (!stop_ && IsWindow(toolbar_)) {
    trace_("Toolbar did not acknowledge; going on without it.");
    active_ = false;
  }
}

bool ToolbarLink::AwaitAcknowledgement(LONG* word, bool ignoreStop, DWORD limitMs) const {
  const DWORD start = GetTickCount();
  while (ReadWord(word) == 0) {
    if ((!ignoreStop && stop_) || !IsWindow(toolbar_)) return false;
    if (GetTickCount() - start >= limitMs) return false;
    Sleep(1);
  }
  return true;
}

}  // namespace kelmsgs
