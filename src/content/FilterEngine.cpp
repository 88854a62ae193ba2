#include "content/FilterEngine.h"

#include <atomic>
#include <mutex>
#include <string>

#include "content/EngineState.h"
#include "foundation/Owned.h"

namespace kelmsgs {

namespace {

enum class LoadState { NotTried, Loaded, Failed };

struct Engine {
  std::mutex lock;  // guards loading and unloading
  LoadState state = LoadState::NotTried;
  Library textAccess;
  Library documentAccess;
  Library contentAccess;
  FilterEntryPoints entries{};
  std::atomic<bool> loaded{false};
};

// Lives with the process: its libraries are freed by Unload, never by a static destructor
// that could run after the filter's own modules were detached at process exit.
Engine& TheEngine() {
  static Engine* engine = new Engine;
  return *engine;
}

// The directory of the filter libraries: the installation directory from the registry
// plus "\inso". False when the components key cannot be opened.
bool EngineDirectory(std::string& directory) {
  RegKey key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Vexa\\Vexaware\\Components", 0, KEY_QUERY_VALUE,
                    key.put()) != ERROR_SUCCESS)
    return false;
  // A missing value leaves the installation directory empty.
  char value[1025] = {};
  DWORD size = 1024;
  DWORD type = 0;
  if (RegQueryValueExA(key.get(), "CRO", nullptr, &type, reinterpret_cast<BYTE*>(value), &size) !=
          ERROR_SUCCESS ||
      (type != REG_SZ && type != REG_EXPAND_SZ))
    value[0] = '\0';
  directory = std::string(value) + "\\inso";
  return true;
}

// Loads one library by its full path; its own dependencies resolve from its directory,
// and the process's current directory is left alone.
bool LoadByPath(Library& library, const std::string& directory, const char* name) {
  library.reset(
      LoadLibraryExA((directory + "\\" + name).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
  return library.valid();
}

template <class F>
bool Lookup(const Library& library, const char* name, F& entry) {
  entry = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(library.get(), name)));
  return entry != nullptr;
}

bool LookupAll(Engine& e) {
  const Library& da = e.documentAccess;
  const Library& ca = e.contentAccess;
  const Library& ta = e.textAccess;
  FilterEntryPoints& f = e.entries;
  // Every lookup is made, in this order, even after one failed.
  bool ok = Lookup(da, "DAInit", f.DAInit);
  ok &= Lookup(da, "DADeInit", f.DADeInit);
  ok &= Lookup(da, "DAOpenDocument", f.DAOpenDocument);
  ok &= Lookup(da, "DACloseDocument", f.DACloseDocument);
  ok &= Lookup(da, "DASetOption", f.DASetOption);
  ok &= Lookup(ca, "CAOpenContent", f.CAOpenContent);
  ok &= Lookup(ca, "CACloseContent", f.CACloseContent);
  ok &= Lookup(ca, "CAReadFirst", f.CAReadFirst);
  ok &= Lookup(ca, "CAReadNext", f.CAReadNext);
  ok &= Lookup(ta, "TAOpenText", f.TAOpenText);
  ok &= Lookup(ta, "TACloseText", f.TACloseText);
  ok &= Lookup(ta, "TAReadFirst", f.TAReadFirst);
  ok &= Lookup(ta, "TAReadNext", f.TAReadNext);
  ok &= Lookup(da, "DAGetTreeCount", f.DAGetTreeCount);
  ok &= Lookup(da, "DAGetTreeRecord", f.DAGetTreeRecord);
  ok &= Lookup(da, "DAOpenTreeRecord", f.DAOpenTreeRecord);
  ok &= Lookup(da, "DACloseTreeRecord", f.DACloseTreeRecord);
  return ok;
}

// Frees whatever loaded; the entry points go with them.
void FreeLibraries(Engine& e) {
  e.entries = {};
  e.contentAccess.reset();
  e.documentAccess.reset();
  e.textAccess.reset();
}

// True when the engine is loaded and initialised.
bool Load(Engine& e) {
  // 1-3. The engine directory.
  std::string directory;
  if (!EngineDirectory(directory)) return false;
  // 4. The three libraries, text access first; the first failure ends the loading.
  if (!LoadByPath(e.textAccess, directory, "SCCTA.DLL")) return false;
  if (!LoadByPath(e.documentAccess, directory, "SCCDA.DLL")) return false;
  if (!LoadByPath(e.contentAccess, directory, "SCCCA.DLL")) return false;
  // 5. The entry points. A library without one of them is not the filter this library
  // was built for, and calling through a missing entry would crash the host.
  if (!LookupAll(e)) return false;
  // 6. The filter is initialised once; its answer does not matter.
  e.entries.DAInit();
  return true;
}

}  // namespace

const FilterEntryPoints* FilterEngine::Get() noexcept {
  Engine& e = TheEngine();
  std::lock_guard guard(e.lock);
  if (e.state == LoadState::NotTried) {
    const bool loaded = Load(e);
    // A failed load keeps nothing of what it loaded.
    if (!loaded) FreeLibraries(e);
    e.state = loaded ? LoadState::Loaded : LoadState::Failed;
    e.loaded.store(loaded, std::memory_order_release);
  }
  return Current();
}

const FilterEntryPoints* FilterEngine::Current() noexcept {
  Engine& e = TheEngine();
  return e.loaded.load(std::memory_order_acquire) ? &e.entries : nullptr;
}

bool FilterEngine::Unload() noexcept {
  Engine& e = TheEngine();
  std::lock_guard guard(e.lock);
  if (e.state != LoadState::Loaded) return true;
  // 1. A read still inside the filter keeps it loaded.
  if (FirstTextRead::Running() > 0) return false;
  // 2. What the process still holds open is closed while the filter is there.
  EngineState::Instance().CloseAll();
  e.loaded.store(false, std::memory_order_release);
  // 3. The filter ends, then its libraries go; the next use loads them again.
  if (e.entries.DADeInit) e.entries.DADeInit();
  FreeLibraries(e);
  e.state = LoadState::NotTried;
  return true;
}

}  // namespace kelmsgs
