// Base of the advise sinks that tests keep on their stack. MAPI's notification thread
// holds a reference on a sink while it calls OnNotify and drops it just after, which can
// be after Unadvise has returned; a sink that leaves the stack before then has its
// Release called on a dead object. Derived sinks call WaitUnreferenced first thing in
// their destructor, so no delivery still uses them or their members.
#pragma once

#include <windows.h>
#include <mapix.h>

#include <atomic>

class StackAdviseSink : public IMAPIAdviseSink {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    *out = iid == IID_IUnknown || iid == IID_IMAPIAdviseSink ? this : nullptr;
    if (!*out) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs_; }

  // References besides the stack's own.
  ULONG refs() const { return refs_; }

 protected:
  // Waits, at most five seconds, until only the stack's reference is left (a sink still
  // advised, after a failed assertion, keeps its connection's reference).
  void WaitUnreferenced() const {
    for (int i = 0; i < 5000 && refs_ > 1; ++i) Sleep(1);
  }

 private:
  std::atomic<ULONG> refs_{1};
};
