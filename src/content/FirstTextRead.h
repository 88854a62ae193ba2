// The first text read of a document, run on a thread of its own so that the caller can
// give up after a time limit.
//
// The read works in a heap block that the caller and the thread share by reference
// count: the thread writes only into that block (its chunk, byte count and answer), so a
// caller that stops waiting leaves the thread nothing of its own to overwrite, and the
// block lives until both are done with it. A read given up on is abandoned, never
// terminated: ending a thread inside the filter could leave the filter's locks held or
// its heap half-updated. The thread holds a reference on this module until it has left,
// so the module (and with it the filter) cannot be unloaded under it.
#pragma once

#include <windows.h>

#include <memory>
#include <mutex>

#include "content/FilterHandles.h"
#include "foundation/Owned.h"

namespace kelmsgs {

class FirstTextRead {
 public:
  // Bytes one chunk may hold.
  static constexpr DWORD kCapacity = 65535;

  // Starts reading the first chunk of a text reader; null when no thread could start.
  static std::shared_ptr<FirstTextRead> Start(DFPROC_TAReadFirst read, DFHANDLE text) noexcept;

  // Reads of the process whose thread is still inside the filter.
  static long Running() noexcept;

  // Waits until the read has ended or the tick count reaches deadline; true when it ended.
  bool WaitUntil(ULONGLONG deadline) const noexcept;

  DFHANDLE text() const noexcept { return text_; }
  // After WaitUntil returned true: the filter's answer and the chunk it delivered.
  DFSTATUS status() const noexcept { return status_; }
  const BYTE* bytes() const noexcept { return buffer_; }
  DWORD count() const noexcept { return count_ <= kCapacity ? count_ : kCapacity; }

  // For a read that is still running: its thread takes over the text reader and its
  // document and closes them once the filter returns. False when the read has ended
  // already; the caller keeps both then.
  bool HandOver(FilterText& text, FilterDocument& document) noexcept;

  FirstTextRead(DFPROC_TAReadFirst read, DFHANDLE text) noexcept : read_(read), text_(text) {}
  FirstTextRead(const FirstTextRead&) = delete;
  FirstTextRead& operator=(const FirstTextRead&) = delete;

 private:
  static DWORD WINAPI Run(void* param);
  DWORD Read() noexcept;

  const DFPROC_TAReadFirst read_;
  const DFHANDLE text_;
  HMODULE module_ = nullptr;  // the thread's reference on this module, freed as it leaves
  KernelHandle thread_;       // the caller's; the thread never touches it

  std::mutex lock_;  // guards finished_ and the handed-over handles
  bool finished_ = false;
  FilterText closeText_;
  FilterDocument closeDocument_;

  DFSTATUS status_ = 0;
  DWORD count_ = 0;
  BYTE buffer_[kCapacity + 1] = {};
};

}  // namespace kelmsgs
