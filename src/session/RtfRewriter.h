// The background writer of message texts for one session: rewrites run one after
// another, in the order they were queued, on a low-priority thread of their own, so an
// older text can never overwrite a newer one.
//
// The thread initialises COM (its own single-threaded apartment) and MAPI for itself and
// opens each message again from its identifiers: no message object or interface of the
// caller's apartment is used there. It shares only the MAPI session, which MAPI objects
// allow from any thread that initialised MAPI. The thread holds what it uses: this object,
// each job's MAPI session, a lock on the module and a reference on the module's code, so
// neither the session object, its logoff nor the unloading of the library pulls anything
// from under a running rewrite. It leaves when its queue is empty.
#pragma once

#include <mapix.h>

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <deque>
#include <vector>

#include "foundation/ComPtr.h"
#include "foundation/HexId.h"
#include "foundation/Owned.h"

namespace kelmsgs {

class RtfRewriter : public std::enable_shared_from_this<RtfRewriter> {
 public:
  // One message's new text.
  struct Job {
    ComPtr<IMAPISession> session;
    EntryIdBuffer store, entry;
    std::string text;
    // The text the message had before the call, to be put back when the new one cannot be
    // written; none when it had no text.
    std::optional<std::string> previous;
  };
  // Tells the owner's log of a rewrite that failed (on the worker's thread).
  using Report = std::function<void(const std::string&)>;

  // Null when memory runs out.
  static std::shared_ptr<RtfRewriter> Make(Report report) noexcept;
  explicit RtfRewriter(Report report);
  ~RtfRewriter();
  RtfRewriter(const RtfRewriter&) = delete;
  RtfRewriter& operator=(const RtfRewriter&) = delete;

  // Queues the rewrite behind the earlier ones, starting the thread when none runs. The
  // failure to start it when it cannot be started (the job is not queued then).
  HRESULT Queue(Job job);

  // Waits until every queued rewrite has ended and the thread has left, for at most
  // timeoutMs, dispatching the calling thread's window messages meanwhile. When the time
  // runs out, the thread is told to stop after the rewrite it is in, and the rewrites not
  // begun are dropped. True when nothing runs any more.
  bool Finish(DWORD timeoutMs);

  // No more reports to the owner (it is going away).
  void Detach();

 private:
  struct Queued {
    Job job;
    std::string key;
    bool afterEarlier = false;  // an earlier rewrite of the same message was queued
  };

  static DWORD WINAPI Run(void* param);
  HRESULT StartThreadLocked();
  void Work();
  std::optional<Queued> Next();
  // The text the message holds after the rewrite.
  std::optional<std::string> Rewrite(const Queued& item);
  void Settle(const Queued& item, std::optional<std::string> stored);
  void Tell(const std::string& text);

  mutable std::mutex lock_;
  Report report_;
  std::deque<Queued> queue_;
  bool running_ = false;
  bool stop_ = false;
  // Per message (store and entry identifier): the rewrites queued or running, and the text
  // the last finished one left, which a later rewrite of it falls back on.
  std::map<std::string, int> inFlight_;
  std::map<std::string, std::optional<std::string>> settled_;
  KernelHandle idle_;                  // manual reset: nothing queued or running
  std::vector<KernelHandle> threads_;  // the current thread, and any still leaving
};

}  // namespace kelmsgs
