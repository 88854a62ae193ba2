#include "msgfile/StorageHost.h"

#include "control/Control.h"
#include "msgfile/StorageIo.h"

namespace mapistandin {

StorageHost::StorageHost(Ref<IStorage> storage, NameMap names, ULONG flags, MSGCALLRELEASE* release,
                         ULONG callerData)
    : storage_(std::move(storage)),
      names_(std::move(names)),
      flags_(flags),
      release_(release),
      callerData_(callerData) {}

HRESULT StorageHost::SaveMessage(const MessageData& data) {
  std::lock_guard guard(lock_);
  if (closed_) return MAPI_E_INVALID_OBJECT;
  // 1. The message and the names as the file's tree, in place of what the storage held.
  if (HRESULT hr = WriteTree(storage_.get(), WriteMsgFile(data, names_)); FAILED(hr)) return hr;
  // 2. The storage's own commit, unless the opener keeps that for itself.
  if (flags_ & IMSG_NO_ISTG_COMMIT) return S_OK;
  return storage_->Commit(STGC_DEFAULT);
}

void StorageHost::Released(IMessage* message) {
  if (release_) release_(callerData_, message);
}

void StorageHost::Close() {
  std::lock_guard guard(lock_);
  closed_ = true;
}

HRESULT StorageHost::Lookup(const NamedKey& key, bool create, std::uint16_t& id) {
  std::lock_guard guard(lock_);
  id = 0;
  for (const auto& [known, name] : names_) {
    if (name == key) {
      id = known;
      return S_OK;
    }
  }
  if (!create) return S_OK;
  const std::uint32_t next = names_.empty() ? 0x8000u : names_.rbegin()->first + 1u;
  if (next > 0xFFFE) return MAPI_E_NOT_ENOUGH_RESOURCES;
  id = static_cast<std::uint16_t>(next);
  names_[id] = key;
  return S_OK;
}

bool StorageHost::NameOf(std::uint16_t id, NamedKey& key) {
  std::lock_guard guard(lock_);
  auto it = names_.find(id);
  if (it == names_.end()) return false;
  key = it->second;
  return true;
}

std::vector<std::uint16_t> StorageHost::Ids(const std::string* guid) {
  std::lock_guard guard(lock_);
  std::vector<std::uint16_t> ids;
  for (const auto& [id, key] : names_) {
    if (!guid || key.guid == *guid) ids.push_back(id);
  }
  return ids;
}

}  // namespace mapistandin
