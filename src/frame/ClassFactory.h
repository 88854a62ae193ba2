// The class factory of one row of the class table.
#pragma once

#include <unknwn.h>

#include <atomic>

#include "frame/ClassTable.h"

namespace kelmsgs {

class ClassFactory final : public IClassFactory {
 public:
  explicit ClassFactory(const ClassEntry& entry) noexcept : entry_(entry) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override;
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;

  // The factory of a class (created on first request and kept), or
  // CLASS_E_CLASSNOTAVAILABLE for a class the table does not hold.
  static HRESULT Get(REFCLSID clsid, REFIID riid, void** ppv);
  // Drops the kept factories (library unload).
  static void ReleaseAll() noexcept;

 private:
  ~ClassFactory() = default;
  const ClassEntry& entry_;
  std::atomic<ULONG> refs_{1};
};

}  // namespace kelmsgs
