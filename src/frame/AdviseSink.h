// The MAPI advise sink of one of the library's objects (the session's store table, a
// store object): MAPI holds the sink, the sink holds its target with a reference and hands
// each OnNotify batch to the target's handler.
//
// MAPI may call OnNotify on its own notification thread while the client's thread
// unadvises (which drops MAPI's reference to the sink) and lets go of the target, and a
// handler may itself run client code that does the same. So OnNotify holds a reference to
// the sink and one to the target for the whole call, and the target pointer is read and
// changed under the sink's lock.
#pragma once

#include <mapidefs.h>
#include <mapiguid.h>

#include <mutex>

#include "frame/RefCounted.h"

namespace kelmsgs {

template <>
inline const IID& IidOf<IMAPIAdviseSink>() noexcept {
  return IID_IMAPIAdviseSink;
}

template <class Target, void (Target::*Handler)(ULONG, const NOTIFICATION*)>
class AdviseSink final : public RefCounted<AdviseSink<Target, Handler>, IMAPIAdviseSink> {
 public:
  // The object that hears the notifications from now on (null: nobody).
  void SetTarget(Target* target) {
    ComPtr<Target> held(target);
    std::lock_guard guard(lock_);
    target_.swap(held);
  }

  ULONG STDMETHODCALLTYPE OnNotify(ULONG count, LPNOTIFICATION notifications) override {
    const ComPtr<AdviseSink> self(this);
    ComPtr<Target> target;
    {
      std::lock_guard guard(lock_);
      target = target_;
    }
    if (target && notifications) (target.get()->*Handler)(count, notifications);
    return 0;
  }

 private:
  friend class RefCounted<AdviseSink, IMAPIAdviseSink>;
  AdviseSink() = default;
  ~AdviseSink() override = default;

  std::mutex lock_;
  ComPtr<Target> target_;
};

}  // namespace kelmsgs
