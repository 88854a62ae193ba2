#include "spooler/Spooler.h"

#include <mapix.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "spooler/Transport.h"

namespace mapistandin::spooler {

namespace {

// The queue and the thread that empties it. Only Stop ends the thread; it hands over what
// is queued first, so a submitted message is never dropped.
class SpoolerThread {
 public:
  // A process that ends without MAPIUninitialize: its threads are gone already.
  ~SpoolerThread() {
    if (thread_.joinable()) thread_.detach();
  }

  void Submit(Submission s) {
    std::lock_guard guard(lock_);
    queue_.push_back(std::move(s));
    if (!thread_.joinable()) {
      stopping_ = false;
      thread_ = std::thread([this] { Run(); });
    }
    wake_.notify_all();
  }

  HRESULT WaitIdle(ULONG ms) {
    std::unique_lock guard(lock_);
    const bool idle = idle_.wait_for(guard, std::chrono::milliseconds(ms),
                                     [this] { return queue_.empty() && !busy_; });
    return idle ? S_OK : MAPI_E_TIMEOUT;
  }

  void Stop() {
    std::thread ending;
    {
      std::lock_guard guard(lock_);
      stopping_ = true;
      wake_.notify_all();
      ending = std::move(thread_);
    }
    if (ending.joinable()) ending.join();
  }

 private:
  void Run() {
    std::unique_lock guard(lock_);
    for (;;) {
      wake_.wait(guard, [this] { return stopping_ || !queue_.empty(); });
      if (queue_.empty()) return;  // stopping, and nothing left to hand over
      Submission next = std::move(queue_.front());
      queue_.pop_front();
      busy_ = true;
      guard.unlock();
      Transmit(next);
      next = {};
      guard.lock();
      busy_ = false;
      if (queue_.empty()) idle_.notify_all();
    }
  }

  std::mutex lock_;
  std::condition_variable wake_, idle_;
  std::deque<Submission> queue_;
  bool busy_ = false;
  bool stopping_ = false;
  std::thread thread_;
};

SpoolerThread& Instance() {
  static SpoolerThread spooler;
  return spooler;
}

}  // namespace

void Submit(Submission submission) {
  Instance().Submit(std::move(submission));
}

HRESULT WaitIdle(ULONG ms) {
  return Instance().WaitIdle(ms);
}

void Stop() {
  Instance().Stop();
}

}  // namespace mapistandin::spooler

extern "C" HRESULT WINAPI StandinSpoolerIdle(ULONG timeoutMs) {
  return mapistandin::spooler::WaitIdle(timeoutMs);
}
