// Reference counting and QueryInterface for the stand-in's objects. A class derives from
// its interface and from ComObject, and answers FindInterface for the identifiers it
// offers.
#pragma once

#include <unknwn.h>

#include <atomic>

namespace mapistandin {

class ComObject {
 public:
  ComObject();
  virtual ~ComObject();
  ComObject(const ComObject&) = delete;
  ComObject& operator=(const ComObject&) = delete;

  ULONG AddRefImpl() { return ++refs_; }
  ULONG ReleaseImpl() {
    const ULONG n = --refs_;
    if (n == 0) delete this;
    return n;
  }
  HRESULT QueryImpl(REFIID iid, void** out);

  // The number of live objects, for the resource-hygiene test control.
  static long LiveObjects();

 protected:
  // The interface pointer for iid, or null.
  virtual void* FindInterface(REFIID iid) = 0;

 private:
  std::atomic<ULONG> refs_{1};
};

}  // namespace mapistandin

// The IUnknown members of a class deriving from ComObject.
#define STANDIN_IUNKNOWN                                         \
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override { \
    return QueryImpl(iid, out);                                  \
  }                                                              \
  STDMETHODIMP_(ULONG) AddRef() override {                       \
    return AddRefImpl();                                         \
  }                                                              \
  STDMETHODIMP_(ULONG) Release() override {                      \
    return ReleaseImpl();                                        \
  }
