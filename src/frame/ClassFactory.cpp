#include "frame/ClassFactory.h"

#include <mutex>
#include <vector>

#include "foundation/ComPtr.h"
#include "frame/Module.h"

namespace kelmsgs {

namespace {
struct FactoryTable {
  std::mutex lock;
  std::vector<ComPtr<ClassFactory>> factories;  // one per row, created on demand
};
FactoryTable& Factories() {
  static FactoryTable* table = new FactoryTable;  // survives until the library unloads
  return *table;
}
}  // namespace

HRESULT ClassFactory::CreateInstance(IUnknown* outer, REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (outer) return CLASS_E_NOAGGREGATION;
  return entry_.create(riid, ppv);
}

HRESULT ClassFactory::LockServer(BOOL lock) {
  if (lock)
    Module::Lock();
  else
    Module::Unlock();
  return S_OK;
}

HRESULT ClassFactory::Get(REFCLSID clsid, REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  const auto table = ClassTable();
  const ClassEntry* entry = FindClass(clsid);
  if (!entry) return CLASS_E_CLASSNOTAVAILABLE;
  const std::size_t row = static_cast<std::size_t>(entry - table.data());
  auto& factories = Factories();
  std::lock_guard guard(factories.lock);
  if (factories.factories.size() < table.size()) factories.factories.resize(table.size());
  auto& factory = factories.factories[row];
  if (!factory) {
    factory = ClassFactory::Make(*entry);
    if (!factory) return E_OUTOFMEMORY;
  }
  return factory->QueryInterface(riid, ppv);
}

void ClassFactory::ReleaseAll() noexcept {
  auto& factories = Factories();
  std::lock_guard guard(factories.lock);
  factories.factories.clear();
}

}  // namespace kelmsgs
