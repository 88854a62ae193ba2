// Makes the COM task allocator (which BSTRs come from) fail every request of at least a
// given size while an AllocationFault lives, through a malloc spy. Smaller
// requests are served as usual, so the code around the large string keeps working.
// Strings below 64 KiB may come from the automation string cache instead: fail large ones.
#pragma once

#include <objbase.h>

// The spy is registered once for the rest of the process (a spy cannot be revoked while
// blocks it saw are still allocated) and fails requests only while armed.
class AllocationSpy final : public IMallocSpy {
 public:
  static AllocationSpy& Instance() {
    static AllocationSpy* spy = [] {
      auto* made = new AllocationSpy;
      made->registered_ = SUCCEEDED(CoRegisterMallocSpy(made));
      return made;
    }();
    return *spy;
  }
  bool registered() const { return registered_; }
  void Arm(SIZE_T failFrom) {
    failFrom_ = failFrom;
    refused_ = 0;
  }
  ULONG refused() const { return refused_; }

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (iid == IID_IUnknown || iid == IID_IMallocSpy) {
      *out = static_cast<IMallocSpy*>(this);
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  // Lives as long as the process.
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }

  // A request of 0 bytes makes the allocator fail the call.
  STDMETHODIMP_(SIZE_T) PreAlloc(SIZE_T request) override {
    if (failFrom_ == 0 || request < failFrom_) return request;
    ++refused_;
    return 0;
  }
  STDMETHODIMP_(void*) PostAlloc(void* actual) override { return actual; }
  STDMETHODIMP_(void*) PreFree(void* request, BOOL) override { return request; }
  STDMETHODIMP_(void) PostFree(BOOL) override {}
  STDMETHODIMP_(SIZE_T) PreRealloc(void* request, SIZE_T size, void** newRequest, BOOL) override {
    *newRequest = request;
    return size;
  }
  STDMETHODIMP_(void*) PostRealloc(void* actual, BOOL) override { return actual; }
  STDMETHODIMP_(void*) PreGetSize(void* request, BOOL) override { return request; }
  STDMETHODIMP_(SIZE_T) PostGetSize(SIZE_T actual, BOOL) override { return actual; }
  STDMETHODIMP_(void*) PreDidAlloc(void* request, BOOL) override { return request; }
  STDMETHODIMP_(int) PostDidAlloc(void*, BOOL, int actual) override { return actual; }
  STDMETHODIMP_(void) PreHeapMinimize() override {}
  STDMETHODIMP_(void) PostHeapMinimize() override {}

 private:
  AllocationSpy() = default;
  bool registered_ = false;
  SIZE_T failFrom_ = 0;
  ULONG refused_ = 0;
};

// While it lives, task-allocator requests of at least failFrom bytes fail.
class AllocationFault {
 public:
  explicit AllocationFault(SIZE_T failFrom) { AllocationSpy::Instance().Arm(failFrom); }
  ~AllocationFault() { AllocationSpy::Instance().Arm(0); }
  AllocationFault(const AllocationFault&) = delete;
  AllocationFault& operator=(const AllocationFault&) = delete;
  bool registered() const { return AllocationSpy::Instance().registered(); }
  ULONG refused() const { return AllocationSpy::Instance().refused(); }
};
