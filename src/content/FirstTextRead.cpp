#include "content/FirstTextRead.h"

#include <atomic>
#include <new>

namespace kelmsgs {

namespace {
std::atomic<long> g_running{0};
}  // namespace

long FirstTextRead::Running() noexcept {
  return g_running.load();
}

std::shared_ptr<FirstTextRead> FirstTextRead::Start(DFPROC_TAReadFirst read, DFHANDLE text) noexcept
    try {
  // 1. The shared block.
  auto job = std::make_shared<FirstTextRead>(read, text);
  // 2. The thread's reference on this module, taken before the thread exists.
  Library moduleRef;
  if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                          reinterpret_cast<LPCWSTR>(reinterpret_cast<void*>(&Run)),
                          moduleRef.put()))
    return nullptr;
  job->module_ = moduleRef.get();
  // 3. The thread, with its own reference on the block.
  auto param = std::make_unique<std::shared_ptr<FirstTextRead>>(job);
  ++g_running;
  HANDLE thread = CreateThread(nullptr, 0, Run, param.get(), 0, nullptr);
  if (!thread) {
    --g_running;
    return nullptr;
  }
  param.release();
  moduleRef.release();
  job->thread_.reset(thread);
  return job;
} catch (const std::bad_alloc&) {
  return nullptr;
}

DWORD WINAPI FirstTextRead::Run(void* param) {
  HMODULE module = nullptr;
  DWORD status = 0;
  {
    const std::unique_ptr<std::shared_ptr<FirstTextRead>> job(
        static_cast<std::shared_ptr<FirstTextRead>*>(param));
    module = (*job)->module_;
    status = (*job)->Read();
  }
  // Out of the filter, its handles closed.
  --g_running;
  // The block may be gone now; only the module reference is left to drop.
  FreeLibraryAndExitThread(module, status);
}

DWORD FirstTextRead::Read() noexcept {
  const DFSTATUS status = read_(text_, buffer_, kCapacity, &count_);
  // Declared document first, so the reader is closed before its document.
  FilterDocument document;
  FilterText text;
  {
    std::lock_guard guard(lock_);
    status_ = status;
    finished_ = true;
    document = std::move(closeDocument_);
    text = std::move(closeText_);
  }
  return static_cast<DWORD>(status);
}

bool FirstTextRead::WaitUntil(ULONGLONG deadline) const noexcept {
  const ULONGLONG now = GetTickCount64();
  const DWORD wait = now >= deadline ? 0 : static_cast<DWORD>(deadline - now);
  return WaitForSingleObject(thread_.get(), wait) == WAIT_OBJECT_0;
}

bool FirstTextRead::HandOver(FilterText& text, FilterDocument& document) noexcept {
  std::lock_guard guard(lock_);
  if (finished_) return false;
  closeText_ = std::move(text);
  closeDocument_ = std::move(document);
  return true;
}

}  // namespace kelmsgs
