#include "frame/Module.h"

#include <atomic>
#include <cstring>
#include <map>
#include <mutex>

#include "foundation/ComPtr.h"

namespace kelmsgs {

namespace {
HINSTANCE g_instance = nullptr;
std::atomic<long> g_lockCount{0};

// The type library and the type information handed out so far.
struct TypeLibraryCache {
  std::mutex lock;
  ComPtr<ITypeLib> library;
  std::map<GUID, ComPtr<ITypeInfo>, bool (*)(const GUID&, const GUID&)> infos{
      [](const GUID& a, const GUID& b) { return memcmp(&a, &b, sizeof(GUID)) < 0; }};
};
TypeLibraryCache& Cache() {
  static TypeLibraryCache* cache = new TypeLibraryCache;  // lives until Shutdown
  return *cache;
}

HRESULT LoadLibraryLocked(TypeLibraryCache& cache) {
  if (cache.library) return S_OK;
  wchar_t path[MAX_PATH * 2];
  const DWORD n = GetModuleFileNameW(g_instance, path, MAX_PATH * 2);
  if (n == 0 || n >= MAX_PATH * 2) return HRESULT_FROM_WIN32(GetLastError());
  return LoadTypeLibEx(path, REGKIND_NONE, cache.library.put());
}
}  // namespace

HINSTANCE Module::Instance() noexcept {
  return g_instance;
}
void Module::SetInstance(HINSTANCE instance) noexcept {
  g_instance = instance;
}
void Module::Lock() noexcept {
  ++g_lockCount;
}
void Module::Unlock() noexcept {
  --g_lockCount;
}
long Module::LockCount() noexcept {
  return g_lockCount;
}

HRESULT Module::GetTypeLib(ITypeLib** lib) noexcept {
  if (!lib) return E_POINTER;
  auto& cache = Cache();
  std::lock_guard guard(cache.lock);
  const HRESULT hr = LoadLibraryLocked(cache);
  if (FAILED(hr)) return hr;
  cache.library.copy_to(lib);
  return S_OK;
}

HRESULT Module::GetTypeInfo(REFGUID guid, ITypeInfo** info) noexcept {
  if (!info) return E_POINTER;
  *info = nullptr;
  auto& cache = Cache();
  std::lock_guard guard(cache.lock);
  if (auto it = cache.infos.find(guid); it != cache.infos.end()) {
    it->second.copy_to(info);
    return S_OK;
  }
  HRESULT hr = LoadLibraryLocked(cache);
  if (FAILED(hr)) return hr;
  ComPtr<ITypeInfo> found;
  hr = cache.library->GetTypeInfoOfGuid(guid, found.put());
  if (FAILED(hr)) return hr;
  found.copy_to(info);
  cache.infos.emplace(guid, std::move(found));
  return S_OK;
}

void Module::Shutdown() noexcept {
  auto& cache = Cache();
  std::lock_guard guard(cache.lock);
  cache.infos.clear();
  cache.library.reset();
}

}  // namespace kelmsgs
