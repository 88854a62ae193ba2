// Module-wide state of the server: its instance handle, the lock count that
// DllCanUnloadNow reports, and the type library embedded in the module.
#pragma once

#include <oaidl.h>

namespace kelmsgs {

class Module {
 public:
  static HINSTANCE Instance() noexcept;
  // Recorded at process attach (or by a test program that links the library).
  static void SetInstance(HINSTANCE instance) noexcept;

  // Live objects and class-factory locks.
  static void Lock() noexcept;
  static void Unlock() noexcept;
  static long LockCount() noexcept;

  // The type information of an interface of the embedded type library, loaded once.
  static HRESULT GetTypeInfo(REFGUID guid, ITypeInfo** info) noexcept;
  // The embedded type library itself (new reference).
  static HRESULT GetTypeLib(ITypeLib** lib) noexcept;

  // Releases what the module holds; called when the library is unloaded.
  static void Shutdown() noexcept;
};

// Keeps the module locked while it lives (objects hold one).
class ModuleLock {
 public:
  ModuleLock() noexcept { Module::Lock(); }
  ~ModuleLock() { Module::Unlock(); }
  ModuleLock(const ModuleLock&) = delete;
  ModuleLock& operator=(const ModuleLock&) = delete;
};

}  // namespace kelmsgs
