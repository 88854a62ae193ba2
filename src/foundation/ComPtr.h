// Owning COM interface pointer: one reference, released on destruction.
#pragma once

#include <unknwn.h>

#include <type_traits>
#include <utility>

namespace kelmsgs {

template <class T>
class ComPtr {
 public:
  ComPtr() noexcept = default;
  ComPtr(std::nullptr_t) noexcept {}
  // Takes an additional reference on p.
  explicit ComPtr(T* p) noexcept : p_(p) {
    if (p_) p_->AddRef();
  }
  ComPtr(const ComPtr& o) noexcept : ComPtr(o.p_) {}
  ComPtr(ComPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  ~ComPtr() { reset(); }
  ComPtr& operator=(const ComPtr& o) noexcept {
    ComPtr(o).swap(*this);
    return *this;
  }
  ComPtr& operator=(ComPtr&& o) noexcept {
    ComPtr(std::move(o)).swap(*this);
    return *this;
  }

  // Adopts a pointer that already carries the reference this owner keeps.
  static ComPtr adopt(T* p) noexcept {
    ComPtr r;
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
  void swap(ComPtr& o) noexcept { std::swap(p_, o.p_); }

  // Hands a new reference to an out-parameter, of this interface or one it derives from
  // (IUnknown for a MAPI object handed to a script).
  template <class U>
  requires std::is_convertible_v<T*, U*>
  void copy_to(U** out) const noexcept {
    U* p = p_;
    if (p) p->AddRef();
    *out = p;
  }

  template <class U>
  HRESULT query(ComPtr<U>& out) const noexcept {
    return p_ ? p_->QueryInterface(__uuidof(U), out.put_void()) : E_POINTER;
  }

 private:
  T* p_ = nullptr;
};

}  // namespace kelmsgs
