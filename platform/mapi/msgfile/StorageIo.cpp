#include "msgfile/StorageIo.h"

#include <string>
#include <vector>

#include "util/Owners.h"

namespace mapistandin {

namespace {

constexpr int kMaxDepth = 64;
constexpr DWORD kOpenRead = STGM_READ | STGM_SHARE_EXCLUSIVE;
constexpr DWORD kCreate = STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE;

void FreeTaskMem(wchar_t* p) {
  CoTaskMemFree(p);
}
using TaskString = OwnedPtr<wchar_t, FreeTaskMem>;

std::wstring Wide(const std::string& name) {
  return std::wstring(name.begin(), name.end());
}

// Element names of the format are ASCII; anything else is kept as '?'.
std::string Narrow(const wchar_t* name) {
  std::string out;
  for (; *name; ++name) out.push_back(*name < 0x80 ? static_cast<char>(*name) : '?');
  return out;
}

struct Element {
  std::wstring name;
  DWORD type = 0;
};

HRESULT Elements(IStorage* storage, std::vector<Element>& out) {
  Ref<IEnumSTATSTG> list;
  if (HRESULT hr = storage->EnumElements(0, nullptr, 0, list.put()); FAILED(hr)) return hr;
  STATSTG stat{};
  while (list->Next(1, &stat, nullptr) == S_OK) {
    TaskString name(stat.pwcsName);
    out.push_back({name.get() ? name.get() : L"", stat.type});
  }
  return S_OK;
}

HRESULT ReadStream(IStorage* storage, const std::wstring& name, std::string& bytes) {
  Ref<IStream> stream;
  HRESULT hr = storage->OpenStream(name.c_str(), nullptr, kOpenRead, 0, stream.put());
  if (FAILED(hr)) return hr;
  STATSTG stat{};
  if (FAILED(hr = stream->Stat(&stat, STATFLAG_NONAME))) return hr;
  bytes.resize(static_cast<std::size_t>(stat.cbSize.QuadPart));
  ULONG read = 0;
  if (!bytes.empty() &&
      FAILED(hr = stream->Read(bytes.data(), static_cast<ULONG>(bytes.size()), &read))) {
    return hr;
  }
  bytes.resize(read);
  return S_OK;
}

HRESULT ReadLevel(IStorage* storage, StorageTree& tree, int depth) {
  if (depth > kMaxDepth) return STG_E_DOCFILECORRUPT;
  std::vector<Element> elements;
  if (HRESULT hr = Elements(storage, elements); FAILED(hr)) return hr;
  for (const Element& e : elements) {
    if (e.type == STGTY_STREAM) {
      if (HRESULT hr = ReadStream(storage, e.name, tree.streams[Narrow(e.name.c_str())]);
          FAILED(hr)) {
        return hr;
      }
    } else if (e.type == STGTY_STORAGE) {
      Ref<IStorage> sub;
      HRESULT hr = storage->OpenStorage(e.name.c_str(), nullptr, kOpenRead, nullptr, 0, sub.put());
      if (FAILED(hr)) return hr;
      if (FAILED(hr = ReadLevel(sub.get(), tree.storages[Narrow(e.name.c_str())], depth + 1)))
        return hr;
    }
  }
  return S_OK;
}

HRESULT WriteLevel(IStorage* storage, const StorageTree& tree) {
  for (const auto& [name, bytes] : tree.streams) {
    Ref<IStream> stream;
    HRESULT hr = storage->CreateStream(Wide(name).c_str(), kCreate, 0, 0, stream.put());
    if (FAILED(hr)) return hr;
    ULONG written = 0;
    if (!bytes.empty() &&
        FAILED(hr = stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), &written))) {
      return hr;
    }
  }
  for (const auto& [name, child] : tree.storages) {
    Ref<IStorage> sub;
    HRESULT hr = storage->CreateStorage(Wide(name).c_str(), kCreate, 0, 0, sub.put());
    if (FAILED(hr)) return hr;
    if (FAILED(hr = WriteLevel(sub.get(), child))) return hr;
    if (FAILED(hr = sub->Commit(STGC_DEFAULT))) return hr;
  }
  return S_OK;
}

}  // namespace

HRESULT ReadTree(IStorage* storage, StorageTree& tree) {
  tree = StorageTree{};
  return ReadLevel(storage, tree, 0);
}

HRESULT WriteTree(IStorage* storage, const StorageTree& tree) {
  // 1. What the storage held before goes.
  std::vector<Element> old;
  if (HRESULT hr = Elements(storage, old); FAILED(hr)) return hr;
  for (const Element& e : old) {
    if (HRESULT hr = storage->DestroyElement(e.name.c_str()); FAILED(hr)) return hr;
  }
  // 2. The tree.
  return WriteLevel(storage, tree);
}

}  // namespace mapistandin
