#include "frame/ConnectionPoint.h"

#include <olectl.h>

#include <algorithm>

#include "foundation/Owned.h"
#include "frame/Enumerator.h"

namespace kelmsgs {

HRESULT ConnectionPoint::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  if (riid == IID_IUnknown || riid == IID_IConnectionPoint) {
    *ppv = static_cast<IConnectionPoint*>(this);
    AddRef();
    return S_OK;
  }
  *ppv = nullptr;
  return E_NOINTERFACE;
}

HRESULT ConnectionPoint::GetConnectionInterface(IID* iid) {
  if (!iid) return E_POINTER;
  *iid = sourceIid_;
  return S_OK;
}

HRESULT ConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** cpc) {
  if (!cpc) return E_POINTER;
  owner_->AddRef();
  *cpc = owner_;
  return S_OK;
}

HRESULT ConnectionPoint::Advise(IUnknown* sink, DWORD* cookie) {
  if (!cookie) return E_POINTER;
  *cookie = 0;
  if (!sink) return E_POINTER;
  // A sink implements the event interface; a plain dispatch sink (as script engines
  // make them) is accepted too, since events are raised through IDispatch only.
  ComPtr<IDispatch> dispatch;
  if (FAILED(sink->QueryInterface(sourceIid_, dispatch.put_void())) &&
      FAILED(sink->QueryInterface(IID_IDispatch, dispatch.put_void())))
    return CONNECT_E_CANNOTCONNECT;
  std::lock_guard guard(lock_);
  sinks_.push_back({nextCookie_, std::move(dispatch)});
  *cookie = nextCookie_++;
  if (nextCookie_ == 0) nextCookie_ = 1;
  return S_OK;
}

HRESULT ConnectionPoint::Unadvise(DWORD cookie) {
  // The sink is released after it has left the list and the lock, in case releasing it
  // re-enters.
  ComPtr<IDispatch> released;
  {
    std::lock_guard guard(lock_);
    const auto it = std::find_if(sinks_.begin(), sinks_.end(),
                                 [cookie](const Sink& s) { return s.cookie == cookie; });
    if (it == sinks_.end()) return CONNECT_E_NOCONNECTION;
    released = std::move(it->dispatch);
    sinks_.erase(it);
  }
  return S_OK;
}

std::vector<ConnectionPoint::Sink> ConnectionPoint::Snapshot() const {
  std::lock_guard guard(lock_);
  return sinks_;
}

HRESULT ConnectionPoint::EnumConnections(IEnumConnections** out) {
  const std::vector<Sink> sinks = Snapshot();
  std::vector<CONNECTDATA> items;
  items.reserve(sinks.size());
  for (const auto& s : sinks) items.push_back({s.dispatch.get(), s.cookie});
  return ConnectionsEnumerator::Create(items, 0, out);
}

LONG ConnectionPoint::Fire(DISPID id, VARIANTARG* reversedArgs, UINT argCount) {
  // A sink may unadvise (or advise another) while it handles the event: raise on a copy.
  const std::vector<Sink> targets = Snapshot();
  LONG last = 0;
  for (const Sink& sink : targets) {
    DISPPARAMS params{reversedArgs, nullptr, argCount, 0};
    Variant result;
    sink.dispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, &result,
                          nullptr, nullptr);
    last = 0;
    if (V_VT(&result) != VT_EMPTY && SUCCEEDED(VariantChangeType(&result, &result, 0, VT_I4)))
      last = V_I4(&result);
  }
  return last;
}

}  // namespace kelmsgs
