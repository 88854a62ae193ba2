// One store file and its committed state. Every open of the same path in a process shares
// one engine. A commit appends one record (one transaction) under an exclusive file lock,
// after catching up with records other processes appended, and flushes the file before
// it returns; so a commit is durable and atomic, and a killed writer leaves at most a torn
// tail that loading ignores. When replaced records dominate, the file is rewritten from
// the current state into a new file that replaces the old one.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "core/StoreEvents.h"
#include "core/StoreImage.h"

namespace mapistandin {

struct StoreSetup {
  std::string displayName;
  bool longFlavour = false;
  bool isPublic = false;
  ULONG supportMask = 0;
  bool notifications = true;
  std::string storeUid;  // 16 bytes; random when empty
};

class StoreEngine {
 public:
  // The engine of an existing store file; null when it cannot be read.
  static std::shared_ptr<StoreEngine> Open(const std::string& path);
  // Creates a store file with the standard folders (replacing any file at the path).
  static std::shared_ptr<StoreEngine> Create(const std::string& path, const StoreSetup& setup);
  // Forgets the engines of the process (fixture reset); open objects keep theirs.
  static void ForgetAll();

  // Catches up with commits of other processes.
  HRESULT Refresh();
  // Appends and applies one transaction, then tells the listeners what it changed.
  HRESULT Commit(std::vector<StoreOp> ops, const CommitHints& hints = {});
  // Tells the listeners of a provider-defined event (fnevExtended).
  void RaiseExtended(std::uint32_t event, std::string data);

  // Listeners hear the events of every commit made in this process, on the committing
  // thread, after the engine's lock is released; they may read the engine but must not
  // commit. StopListening waits for a listener that is running.
  using Listener = std::function<void(const std::vector<StoreEvent>&)>;
  std::uint64_t Listen(Listener listener);
  void StopListening(std::uint64_t token);
  // A new object number, unique across processes.
  HRESULT NewId(std::uint64_t& id);

  // Runs f with the committed state under the engine's lock.
  template <class F>
  auto Read(F&& f) {
    std::lock_guard guard(lock_);
    return f(static_cast<const StoreImage&>(image_));
  }

  const std::string& path() const { return path_; }
  std::string storeUid();
  bool longFlavour();
  std::uint64_t InfoId(ULONG tag);

 private:
  explicit StoreEngine(std::string path) : path_(std::move(path)) {}
  HRESULT LoadLocked(bool whole);
  HRESULT CompactLocked();
  HRESULT CommitLocked(const std::vector<StoreOp>& ops, const CommitHints& hints,
                       std::vector<StoreEvent>& events);

  std::mutex lock_;
  std::string path_;
  StoreImage image_;
  std::size_t offset_ = 0;        // end of the records applied so far
  std::uint64_t generation_ = 0;  // of the file those records came from
  std::size_t records_ = 0;       // records in the file
  std::uint64_t reservedNext_ = 0, reservedEnd_ = 0;

  void Tell(const std::vector<StoreEvent>& events);
  std::mutex listenersLock_;
  std::map<std::uint64_t, Listener> listeners_;
  std::uint64_t nextListener_ = 1;
};

}  // namespace mapistandin
