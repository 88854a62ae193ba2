#include "session/RtfRewriter.h"

#include <mapiutil.h>
#include <objbase.h>

#include <cstdio>
#include <new>

#include "frame/Module.h"
#include "message/RtfTextWrite.h"
#include "session/MessagePump.h"

namespace kelmsgs {

namespace {

constexpr ULONG kStoreOpenFlags = MDB_NO_MAIL | MDB_TEMPORARY | MAPI_BEST_ACCESS;

// What the thread is started with: its owner, and its reference on the module's code,
// which it drops as its very last act.
struct ThreadStart {
  std::shared_ptr<RtfRewriter> rewriter;
  HMODULE module = nullptr;
};

std::string HexOf(const EntryIdBuffer& id) {
  const MapiBuffer<char> hex = EntryIdToHex(id.bytes.get(), id.size);
  return hex ? hex.get() : std::string();
}

std::string Hr(HRESULT hr) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(hr));
  return text;
}

HRESULT OpenMessage(const RtfRewriter::Job& job, ComPtr<IMessage>& message) {
  ComPtr<IMsgStore> store;
  HRESULT hr = job.session->OpenMsgStore(0, job.store.size, job.store.entryId(), nullptr,
                                         kStoreOpenFlags, store.put());
  if (FAILED(hr)) return hr;
  ULONG type = 0;
  return store->OpenEntry(job.entry.size, job.entry.entryId(), &IID_IMessage, MAPI_BEST_ACCESS,
                          &type, reinterpret_cast<LPUNKNOWN*>(message.put()));
}

// Writes the text and saves the message: the first failing step's HRESULT.
HRESULT WriteAndSave(IMessage* message, const std::string& text) {
  bool synced = false;
  const HRESULT hr = WriteRtfText(message, text, synced);
  if (FAILED(hr)) return hr;
  return message->SaveChanges(KEEP_OPEN_READWRITE);
}

// Takes the message back to having no text: neither RTF nor the body made from it.
HRESULT RemoveText(IMessage* message) {
  SizedSPropTagArray(2, tags) = {2, {PR_RTF_COMPRESSED, PR_BODY_A}};
  const HRESULT hr = message->DeleteProps(reinterpret_cast<LPSPropTagArray>(&tags), nullptr);
  if (FAILED(hr)) return hr;
  return message->SaveChanges(KEEP_OPEN_READWRITE);
}

}  // namespace

std::shared_ptr<RtfRewriter> RtfRewriter::Make(Report report) noexcept try {
  auto rewriter = std::make_shared<RtfRewriter>(std::move(report));
  if (!rewriter->idle_) return nullptr;
  return rewriter;
} catch (const std::bad_alloc&) {
  return nullptr;
}

RtfRewriter::RtfRewriter(Report report)
    : report_(std::move(report)), idle_(CreateEventW(nullptr, TRUE, TRUE, nullptr)) {}

RtfRewriter::~RtfRewriter() = default;

HRESULT RtfRewriter::Queue(Job job) {
  std::lock_guard guard(lock_);
  // 1. Behind the rewrites queued before it; the message's earlier ones are noted.
  const std::string key = HexOf(job.store) + ":" + HexOf(job.entry);
  queue_.push_back({std::move(job), key, inFlight_[key]++ > 0});
  stop_ = false;
  ResetEvent(idle_.get());
  // 2. The thread, unless one runs already.
  if (running_) return S_OK;
  const HRESULT hr = StartThreadLocked();
  if (FAILED(hr)) {
    queue_.pop_back();
    if (--inFlight_[key] == 0) inFlight_.erase(key);
    if (queue_.empty()) SetEvent(idle_.get());
  }
  return hr;
}

HRESULT RtfRewriter::StartThreadLocked() {
  // 1. Threads that have left are forgotten.
  std::erase_if(threads_, [](const KernelHandle& thread) {
    return WaitForSingleObject(thread.get(), 0) == WAIT_OBJECT_0;
  });
  // 2. The thread's reference on the module's code and its owner.
  auto start = std::make_unique<ThreadStart>();
  start->rewriter = shared_from_this();
  Library moduleRef;
  if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                          reinterpret_cast<LPCWSTR>(reinterpret_cast<void*>(&Run)),
                          moduleRef.put()))
    return HRESULT_FROM_WIN32(GetLastError());
  start->module = moduleRef.get();
  // 3. Created suspended, at the lowest priority, then let go.
  KernelHandle thread(CreateThread(nullptr, 0, Run, start.get(), CREATE_SUSPENDED, nullptr));
  if (!thread) return HRESULT_FROM_WIN32(GetLastError());
  start.release();
  moduleRef.release();
  Module::Lock();
  SetThreadPriority(thread.get(), THREAD_PRIORITY_LOWEST);
  ResumeThread(thread.get());
  threads_.push_back(std::move(thread));
  running_ = true;
  return S_OK;
}

DWORD WINAPI RtfRewriter::Run(void* param) {
  HMODULE module = nullptr;
  {
    const std::unique_ptr<ThreadStart> start(static_cast<ThreadStart*>(param));
    module = start->module;
    start->rewriter->Work();
  }
  Module::Unlock();
  // The owner may be gone; only the module's code is left to let go of.
  FreeLibraryAndExitThread(module, 0);
}

void RtfRewriter::Work() {
  // 1. COM and MAPI for this thread, for as long as it runs.
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  const ScopeExit comEnd([com] {
    if (SUCCEEDED(com)) CoUninitialize();
  });
  const HRESULT mapi = MAPIInitialize(nullptr);
  const ScopeExit mapiEnd([mapi] {
    if (SUCCEEDED(mapi)) MAPIUninitialize();
  });
  // 2. The rewrites, in order, each with what it holds released before the next.
  while (std::optional<Queued> item = Next()) {
    std::optional<std::string> stored = Rewrite(*item);
    Settle(*item, std::move(stored));
  }
}

std::optional<RtfRewriter::Queued> RtfRewriter::Next() {
  std::lock_guard guard(lock_);
  // Told to stop: what has not begun is dropped, each with a line in the owner's log.
  if (stop_) {
    for (Queued& item : queue_) {
      if (report_)
        report_("Text of message " + HexOf(item.job.entry) + " not written: the session ended.");
      if (--inFlight_[item.key] == 0) {
        inFlight_.erase(item.key);
        settled_.erase(item.key);
      }
    }
    queue_.clear();
  }
  if (queue_.empty()) {
    running_ = false;
    SetEvent(idle_.get());
    return std::nullopt;
  }
  std::optional<Queued> item(std::move(queue_.front()));
  queue_.pop_front();
  // A message rewritten just before falls back on what that rewrite left.
  if (item->afterEarlier)
    if (const auto earlier = settled_.find(item->key); earlier != settled_.end())
      item->job.previous = earlier->second;
  return item;
}

std::optional<std::string> RtfRewriter::Rewrite(const Queued& item) {
  const Job& job = item.job;
  const std::string name = "Text of message " + HexOf(job.entry);
  // 1. The message, opened on this thread.
  ComPtr<IMessage> message;
  HRESULT hr = OpenMessage(job, message);
  if (FAILED(hr)) {
    Tell(name + " not written: the message could not be opened (" + Hr(hr) + ").");
    return job.previous;
  }
  // 2. The new text, written and saved.
  hr = WriteAndSave(message.get(), job.text);
  if (SUCCEEDED(hr)) return job.text;
  // 3. Failing that, the text it had before.
  const HRESULT restored =
      job.previous ? WriteAndSave(message.get(), *job.previous) : RemoveText(message.get());
  Tell(name + " not written (" + Hr(hr) + "); " +
       (SUCCEEDED(restored) ? std::string("the previous text is restored.")
                            : "the previous text could not be restored (" + Hr(restored) + ")."));
  return job.previous;
}

void RtfRewriter::Settle(const Queued& item, std::optional<std::string> stored) {
  std::lock_guard guard(lock_);
  if (--inFlight_[item.key] == 0) {
    inFlight_.erase(item.key);
    settled_.erase(item.key);
    return;
  }
  settled_[item.key] = std::move(stored);
}

void RtfRewriter::Tell(const std::string& text) {
  std::lock_guard guard(lock_);
  if (report_) report_(text);
}

bool RtfRewriter::Finish(DWORD timeoutMs) {
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  const auto left = [deadline] {
    const ULONGLONG now = GetTickCount64();
    return now >= deadline ? DWORD{0} : static_cast<DWORD>(deadline - now);
  };
  // 1. Every queued rewrite; when time runs out, the thread stops after the one it is in.
  if (!WaitPumping(idle_.get(), left())) {
    std::lock_guard guard(lock_);
    stop_ = true;
  }
  // 2. The threads, gone. Waited on through handles of this call's own: a rewrite queued
  //    while messages are dispatched may close the list's handles of threads that left.
  std::vector<KernelHandle> threads;
  bool gone = true;
  {
    std::lock_guard guard(lock_);
    for (const KernelHandle& thread : threads_) {
      HANDLE copy = nullptr;
      if (DuplicateHandle(GetCurrentProcess(), thread.get(), GetCurrentProcess(), &copy,
                          SYNCHRONIZE, FALSE, 0))
        threads.emplace_back(copy);
      else
        gone = false;
    }
  }
  for (const KernelHandle& thread : threads) gone = WaitPumping(thread.get(), left()) && gone;
  return gone;
}

void RtfRewriter::Detach() {
  std::lock_guard guard(lock_);
  report_ = nullptr;
}

}  // namespace kelmsgs
