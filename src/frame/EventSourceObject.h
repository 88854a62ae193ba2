// Base of the classes that offer events: an automation object that is also a
// connection-point container with one connection point, for its source interface.
#pragma once

#include <olectl.h>

#include "frame/AutomationObject.h"
#include "frame/ConnectionPoint.h"
#include "frame/Enumerator.h"

namespace kelmsgs {

template <class Derived, class Itf, class Coclass, const IID& SourceIid>
class EventSourceObject
    : public AutomationObject<Derived, Itf, Coclass, IConnectionPointContainer> {
 public:
  HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** out) override {
    return ConnectionPointsEnumerator::Create({&point_}, 0, out);
  }
  HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID riid, IConnectionPoint** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (riid != SourceIid) return CONNECT_E_NOCONNECTION;
    point_.AddRef();
    *out = &point_;
    return S_OK;
  }

 protected:
  // Raises an event on every connected sink (arguments in reverse order).
  LONG FireEvent(DISPID id, VARIANTARG* reversedArgs, UINT argCount) {
    return point_.Fire(id, reversedArgs, argCount);
  }
  ConnectionPoint& EventPoint() noexcept { return point_; }

 private:
  ConnectionPoint point_{this, SourceIid};
};

}  // namespace kelmsgs
