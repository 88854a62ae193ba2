// The clipboard opened for a window for the length of a scope (or until Close).
#pragma once

#include <windows.h>

namespace kelmsgs {

class OpenedClipboard {
 public:
  explicit OpenedClipboard(HWND window) noexcept : open_(OpenClipboard(window) != FALSE) {}
  ~OpenedClipboard() { Close(); }
  OpenedClipboard(const OpenedClipboard&) = delete;
  OpenedClipboard& operator=(const OpenedClipboard&) = delete;

  explicit operator bool() const noexcept { return open_; }
  void Close() noexcept {
    if (open_) CloseClipboard();
    open_ = false;
  }

 private:
  bool open_;
};

}  // namespace kelmsgs
