// Owning types of the stand-in: COM references, MAPI buffers and row sets. Operation code
// never releases by hand.
#pragma once

#include <mapix.h>
#include <mapiutil.h>

#include <utility>

namespace mapistandin {

template <class T>
class Ref {
 public:
  Ref() noexcept = default;
  Ref(std::nullptr_t) noexcept {}
  explicit Ref(T* p) noexcept : p_(p) {
    if (p_) p_->AddRef();
  }
  Ref(const Ref& o) noexcept : Ref(o.p_) {}
  Ref(Ref&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  template <class U>
  Ref(const Ref<U>& o) noexcept : Ref(static_cast<T*>(o.get())) {}
  ~Ref() { reset(); }
  Ref& operator=(Ref o) noexcept {
    std::swap(p_, o.p_);
    return *this;
  }
  static Ref adopt(T* p) noexcept {
    Ref r;
    r.p_ = p;
    return r;
  }
  T* get() const noexcept { return p_; }
  T* operator->() const noexcept { return p_; }
  explicit operator bool() const noexcept { return p_ != nullptr; }
  T** put() noexcept {
    reset();
    return &p_;
  }
  void** put_void() noexcept { return reinterpret_cast<void**>(put()); }
  void reset() noexcept {
    if (T* p = std::exchange(p_, nullptr)) p->Release();
  }
  T* detach() noexcept { return std::exchange(p_, nullptr); }
  // Hands a new reference to an out parameter.
  template <class U>
  void copy_to(U** out) const noexcept {
    if (p_) p_->AddRef();
    *out = p_;
  }

 private:
  T* p_ = nullptr;
};

// Creates an object with one reference held by the returned owner.
template <class T, class... A>
Ref<T> MakeRef(A&&... args) {
  return Ref<T>::adopt(new T(std::forward<A>(args)...));
}

template <class T, void (*Free)(T*)>
class OwnedPtr {
 public:
  OwnedPtr() noexcept = default;
  explicit OwnedPtr(T* p) noexcept : p_(p) {}
  OwnedPtr(const OwnedPtr&) = delete;
  OwnedPtr& operator=(const OwnedPtr&) = delete;
  OwnedPtr(OwnedPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  OwnedPtr& operator=(OwnedPtr&& o) noexcept {
    reset(std::exchange(o.p_, nullptr));
    return *this;
  }
  ~OwnedPtr() { reset(); }
  T* get() const noexcept { return p_; }
  T* operator->() const noexcept { return p_; }
  explicit operator bool() const noexcept { return p_ != nullptr; }
  T** put() noexcept {
    reset();
    return &p_;
  }
  T* release() noexcept { return std::exchange(p_, nullptr); }
  void reset(T* p = nullptr) noexcept {
    if (T* old = std::exchange(p_, p)) Free(old);
  }

 private:
  T* p_ = nullptr;
};

template <class T>
void FreeMapiBuffer(T* p) {
  MAPIFreeBuffer(p);
}
inline void FreeRowSet(SRowSet* p) {
  FreeProws(p);
}

template <class T>
using MapiBuffer = OwnedPtr<T, FreeMapiBuffer<T>>;
using RowSetOwner = OwnedPtr<SRowSet, FreeRowSet>;

struct RegKeyOwner {
  HKEY key = nullptr;
  RegKeyOwner() = default;
  RegKeyOwner(const RegKeyOwner&) = delete;
  RegKeyOwner& operator=(const RegKeyOwner&) = delete;
  ~RegKeyOwner() {
    if (key) RegCloseKey(key);
  }
};

struct HandleOwner {
  HANDLE h = INVALID_HANDLE_VALUE;
  HandleOwner() = default;
  explicit HandleOwner(HANDLE v) : h(v) {}
  HandleOwner(const HandleOwner&) = delete;
  HandleOwner& operator=(const HandleOwner&) = delete;
  ~HandleOwner() {
    if (h != INVALID_HANDLE_VALUE && h) CloseHandle(h);
  }
  bool valid() const { return h != INVALID_HANDLE_VALUE && h; }
};

}  // namespace mapistandin
