// The reference counting of every COM object of the library: a count that starts at 1 for
// the creator (adopted by ComPtr::adopt, never added to), changes with interlocked
// operations and deletes the object when it reaches 0, and a QueryInterface that answers
// IUnknown and the listed interfaces.
//
//   class Foo final : public RefCounted<Foo, IFoo, IBar> { ... };
//   ComPtr<Foo> foo = Foo::Make(args...);
//
// A class whose QueryInterface must answer more (IDispatch through its dual interface)
// overrides QueryInterface and keeps AddRef and Release.
#pragma once

#include <unknwn.h>

#include <atomic>
#include <new>
#include <utility>

#include "foundation/ComPtr.h"

namespace kelmsgs {

// The identifier of an interface; specialised for interfaces whose headers declare no
// __uuidof (the MAPI ones).
template <class Itf>
inline const IID& IidOf() noexcept {
  return __uuidof(Itf);
}

template <class Derived, class First, class... Rest>
class RefCounted : public First, public Rest... {
 public:
  // A new object, owned by the returned pointer (null when memory runs out).
  template <class... Args>
  static ComPtr<Derived> Make(Args&&... args) {
    return ComPtr<Derived>::adopt(new (std::nothrow) Derived(std::forward<Args>(args)...));
  }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (riid == IID_IUnknown || riid == IidOf<First>())
      *ppv = static_cast<First*>(this);
    else
      (void)(Answer<Rest>(riid, ppv) || ...);
    if (!*ppv) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return refs_.fetch_add(1) + 1; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = refs_.fetch_sub(1) - 1;
    if (left == 0) delete static_cast<Derived*>(this);
    return left;
  }

  RefCounted(const RefCounted&) = delete;
  RefCounted& operator=(const RefCounted&) = delete;

 protected:
  RefCounted() = default;
  virtual ~RefCounted() = default;

  // The references held right now (another thread may change it at once).
  ULONG RefCountNow() const noexcept { return refs_.load(); }

  // Hands out this object as interface E when riid names it (for QueryInterface).
  template <class E>
  bool Answer(REFIID riid, void** ppv) {
    if (riid != IidOf<E>()) return false;
    *ppv = static_cast<E*>(this);
    return true;
  }

 private:
  std::atomic<ULONG> refs_{1};
};

}  // namespace kelmsgs
