// The copy worker's side of the host's progress display: status text, start and end, and
// percentages sent to the host's toolbar window, each acknowledged by the toolbar through
// a word whose address travels with the message, and the "copy ended" notification to
// the host's search control.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

namespace kelmsgs {

// Messages to the toolbar window; wParam carries the address of the acknowledgement word.
inline constexpr UINT kToolbarStatusText = 0x046C;  // lParam: 8-bit text, or 0 to clear
inline constexpr UINT kToolbarPercent = 0x046D;     // lParam: percentage done
inline constexpr UINT kToolbarRunning = 0x046E;     // lParam: 1 at the start, 0 at the end
// The search control hears that a copy ended.
inline constexpr UINT kSearchCtlNotify = 0x0200;
inline constexpr LPARAM kSearchCtlCopyEnded = 11;

class ToolbarLink {
 public:
  using TraceFn = std::function<void(const char*)>;

  // How long one acknowledgement is awaited before the toolbar is given up.
  static constexpr DWORD kAcknowledgeLimitMs = 2000;

  // toolbar may be 0 or no window; stop ends every wait early; trace writes a line of the
  // copy's log.
  ToolbarLink(HWND toolbar, const std::atomic<bool>& stop, TraceFn trace,
              DWORD acknowledgeLimitMs = kAcknowledgeLimitMs);
  // Acknowledgements still outstanding when the copy ends are awaited here for a bounded
  // time; a word the toolbar may still write is never freed.
  ~ToolbarLink();
  ToolbarLink(const ToolbarLink&) = delete;
  ToolbarLink& operator=(const ToolbarLink&) = delete;

  // Checks the toolbar window once at the start of a copy; without one, traces
  // "Invalid window handle." and every later message is left out.
  void Open();
  void Status(const char* text);
  void Running(bool on);
  void Percent(LONG percent);
  // True while messages still go to the toolbar.
  bool active() const { return active_; }

 private:
  void Send(UINT message, LPARAM lParam);
  // Polls the word every millisecond until it is set, the copy is stopped, the window is
  // gone or the limit passed (ignoreStop: the wait at the end of a copy).
  bool AwaitAcknowledgement(LONG* word, bool ignoreStop, DWORD limitMs) const;

  HWND toolbar_;
  const std::atomic<bool>& stop_;
  TraceFn trace_;
  const DWORD limitMs_;
  // The words the toolbar writes, one per message sent (so a late answer to one message
  // is never taken for the answer to the next); on the heap, so a word the toolbar has not
  // answered yet can outlive the link.
  std::vector<std::unique_ptr<LONG>> words_;
  bool active_ = false;
};

}  // namespace kelmsgs
