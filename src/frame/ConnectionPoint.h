// The one connection point of an event source: clients' sinks are advised here and
// events are raised by IDispatch::Invoke on each of them. The point lives inside its
// owner object and shares the owner's reference count. Events may be raised on MAPI's
// notification thread while the client's thread advises or unadvises: the sink list
// changes and is copied under the point's lock, and no sink is called under it.
#pragma once

#include <ocidl.h>

#include <mutex>
#include <vector>

#include "foundation/ComPtr.h"

namespace kelmsgs {

class ConnectionPoint final : public IConnectionPoint {
 public:
  ConnectionPoint(IConnectionPointContainer* owner, REFIID sourceIid) noexcept
      : owner_(owner), sourceIid_(sourceIid) {}
  ConnectionPoint(const ConnectionPoint&) = delete;
  ConnectionPoint& operator=(const ConnectionPoint&) = delete;

  // IUnknown (reference counting is the owner's)
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return owner_->AddRef(); }
  ULONG STDMETHODCALLTYPE Release() override { return owner_->Release(); }

  // IConnectionPoint
  HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) override;
  HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** cpc) override;
  HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override;
  HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override;
  HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** out) override;

  REFIID SourceIid() const noexcept { return sourceIid_; }
  std::size_t SinkCount() const {
    std::lock_guard guard(lock_);
    return sinks_.size();
  }

  // Raises an event on every sink: DISPATCH_METHOD with the arguments in reverse order.
  // The result is the 32-bit value the last sink left in its result (0 when none).
  LONG Fire(DISPID id, VARIANTARG* reversedArgs, UINT argCount);

 private:
  struct Sink {
    DWORD cookie;
    ComPtr<IDispatch> dispatch;
  };
  // The sinks as they are now, each with its own reference.
  std::vector<Sink> Snapshot() const;
  IConnectionPointContainer* owner_;
  IID sourceIid_;
  mutable std::mutex lock_;
  std::vector<Sink> sinks_;
  DWORD nextCookie_ = 1;
};

}  // namespace kelmsgs
