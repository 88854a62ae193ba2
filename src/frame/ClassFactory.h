// The class factory of one row of the class table.
#pragma once

#include <unknwn.h>

#include "frame/ClassTable.h"
#include "frame/RefCounted.h"

namespace kelmsgs {

// Kept factories do not lock the module: only live objects and LockServer do.
class ClassFactory final : public RefCounted<ClassFactory, IClassFactory> {
 public:
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override;
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;

  // The factory of a class (created on first request and kept), or
  // CLASS_E_CLASSNOTAVAILABLE for a class the table does not hold.
  static HRESULT Get(REFCLSID clsid, REFIID riid, void** ppv);
  // Drops the kept factories (library unload).
  static void ReleaseAll() noexcept;

 private:
  friend class RefCounted<ClassFactory, IClassFactory>;
  explicit ClassFactory(const ClassEntry& entry) noexcept : entry_(entry) {}
  ~ClassFactory() override = default;

  const ClassEntry& entry_;
};

}  // namespace kelmsgs
