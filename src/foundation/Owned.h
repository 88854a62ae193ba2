// Owning wrappers for every kind of Windows resource the library acquires.
// One template does the owning; each resource kind is a traits struct and an alias,
// so operation code never calls a release function by hand.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <cstdio>
#include <cstdlib>
#include <utility>

namespace kelmsgs {

template <class T, class Traits>
class Owned {
 public:
  Owned() noexcept = default;
  explicit Owned(T value) noexcept : value_(value) {}
  ~Owned() { reset(); }
  Owned(const Owned&) = delete;
  Owned& operator=(const Owned&) = delete;
  Owned(Owned&& other) noexcept : value_(other.release()) {}
  Owned& operator=(Owned&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }

  T get() const noexcept { return value_; }
  // Address for an out-parameter; whatever was held is released first.
  T* put() noexcept {
    reset();
    return &value_;
  }
  T release() noexcept { return std::exchange(value_, Traits::invalid()); }
  void reset(T value = Traits::invalid()) noexcept {
    T old = std::exchange(value_, value);
    if (old != Traits::invalid()) Traits::close(old);
  }
  bool valid() const noexcept { return value_ != Traits::invalid(); }
  explicit operator bool() const noexcept { return valid(); }

 private:
  T value_ = Traits::invalid();
};

struct RegKeyTraits {
  static HKEY invalid() noexcept { return nullptr; }
  static void close(HKEY key) noexcept { RegCloseKey(key); }
};
using RegKey = Owned<HKEY, RegKeyTraits>;

struct FileHandleTraits {
  static HANDLE invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static void close(HANDLE h) noexcept { CloseHandle(h); }
};
using FileHandle = Owned<HANDLE, FileHandleTraits>;

struct KernelHandleTraits {
  static HANDLE invalid() noexcept { return nullptr; }
  static void close(HANDLE h) noexcept { CloseHandle(h); }
};
using KernelHandle = Owned<HANDLE, KernelHandleTraits>;

struct FindHandleTraits {
  static HANDLE invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static void close(HANDLE h) noexcept { FindClose(h); }
};
using FindHandle = Owned<HANDLE, FindHandleTraits>;

struct GlobalMemoryTraits {
  static HGLOBAL invalid() noexcept { return nullptr; }
  static void close(HGLOBAL h) noexcept { GlobalFree(h); }
};
using GlobalMemory = Owned<HGLOBAL, GlobalMemoryTraits>;

struct LibraryTraits {
  static HMODULE invalid() noexcept { return nullptr; }
  static void close(HMODULE h) noexcept { FreeLibrary(h); }
};
using Library = Owned<HMODULE, LibraryTraits>;

struct BstrTraits {
  static BSTR invalid() noexcept { return nullptr; }
  static void close(BSTR s) noexcept { SysFreeString(s); }
};
using Bstr = Owned<BSTR, BstrTraits>;

// Memory from the C runtime's malloc (the 8-bit and wide conversion helpers).
template <class T>
struct CFreeTraits {
  static T* invalid() noexcept { return nullptr; }
  static void close(T* p) noexcept { std::free(p); }
};
template <class T>
using CBuffer = Owned<T*, CFreeTraits<T>>;

// A file stream of the C runtime.
struct CFileTraits {
  static FILE* invalid() noexcept { return nullptr; }
  static void close(FILE* f) noexcept { std::fclose(f); }
};
using CFile = Owned<FILE*, CFileTraits>;

// A token's privilege change, an open clipboard and similar scoped states use Scoped below.
template <class F>
class ScopeExit {
 public:
  explicit ScopeExit(F f) : f_(std::move(f)) {}
  ~ScopeExit() { f_(); }
  ScopeExit(const ScopeExit&) = delete;
  ScopeExit& operator=(const ScopeExit&) = delete;

 private:
  F f_;
};

// A VARIANT that is cleared when it goes out of scope.
class Variant : public VARIANT {
 public:
  Variant() noexcept { VariantInit(this); }
  ~Variant() { VariantClear(this); }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;
  void clear() noexcept { VariantClear(this); }
  // Hands the value to a caller's VARIANT, leaving this one empty.
  void detach(VARIANT* out) noexcept {
    *out = *static_cast<VARIANT*>(this);
    VariantInit(this);
  }
};

}  // namespace kelmsgs
