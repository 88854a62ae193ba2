// The message-on-storage service of mapi32.dll: a message session, and messages kept in
// a structured storage in the ".msg" layout.
#include <imessage.h>
#include <mapiutil.h>

#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "control/Control.h"
#include "msgfile/StorageHost.h"
#include "msgfile/StorageIo.h"
#include "store/Message.h"

using namespace mapistandin;

// A message session: the hosts of the messages opened in it, closed with it.
struct _MSGSESS {
  std::vector<std::weak_ptr<StorageHost>> hosts;
};

namespace {

std::mutex& SessionsLock() {
  static std::mutex lock;
  return lock;
}

std::map<_MSGSESS*, std::unique_ptr<_MSGSESS>>& Sessions() {
  static std::map<_MSGSESS*, std::unique_ptr<_MSGSESS>> sessions;
  return sessions;
}

}  // namespace

extern "C" LPMALLOC WINAPI MAPIGetDefaultMalloc() {
  // The task allocator is a process-wide singleton; the caller does not release it.
  static LPMALLOC malloc = [] {
    LPMALLOC m = nullptr;
    CoGetMalloc(1, &m);
    return m;
  }();
  return malloc;
}

extern "C" SCODE WINAPI OpenIMsgSession(LPMALLOC allocator, ULONG flags, LPMSGSESS* session) {
  if (!allocator || !session) return MAPI_E_INVALID_PARAMETER;
  *session = nullptr;
  control::Journal("OpenIMsgSession", flags);
  if (HRESULT hr = control::Fault("OpenIMsgSession"); FAILED(hr)) return hr;
  auto owned = std::make_unique<_MSGSESS>();
  std::lock_guard guard(SessionsLock());
  *session = owned.get();
  Sessions()[owned.get()] = std::move(owned);
  return S_OK;
}

extern "C" void WINAPI CloseIMsgSession(LPMSGSESS session) {
  control::Journal("CloseIMsgSession", 0);
  std::unique_ptr<_MSGSESS> closing;
  {
    std::lock_guard guard(SessionsLock());
    auto it = Sessions().find(session);
    if (it == Sessions().end()) return;
    closing = std::move(it->second);
    Sessions().erase(it);
  }
  for (const std::weak_ptr<StorageHost>& weak : closing->hosts) {
    if (std::shared_ptr<StorageHost> host = weak.lock()) host->Close();
  }
}

extern "C" SCODE WINAPI OpenIMsgOnIStg(LPMSGSESS session, LPALLOCATEBUFFER allocateBuffer,
                                       LPALLOCATEMORE allocateMore, LPFREEBUFFER freeBuffer,
                                       LPMALLOC allocator, LPVOID, LPSTORAGE storage,
                                       MSGCALLRELEASE* release, ULONG callerData, ULONG flags,
                                       LPMESSAGE* message) {
  // 1. Arguments.
  if (!allocateBuffer || !allocateMore || !freeBuffer || !allocator || !storage || !message)
    return MAPI_E_INVALID_PARAMETER;
  *message = nullptr;
  control::Journal("OpenIMsgOnIStg", flags);
  if (HRESULT hr = control::Fault("OpenIMsgOnIStg"); FAILED(hr)) return hr;
  if (flags & ~ULONG{IMSG_NO_ISTG_COMMIT}) return MAPI_E_UNKNOWN_FLAGS;
  if (session) {
    std::lock_guard guard(SessionsLock());
    if (!Sessions().count(session)) return MAPI_E_INVALID_PARAMETER;
  }
  // 2. The storage's access decides whether the message can be changed and saved.
  STATSTG stat{};
  if (HRESULT hr = storage->Stat(&stat, STATFLAG_NONAME); FAILED(hr)) return hr;
  const bool writable = (stat.grfMode & (STGM_WRITE | STGM_READWRITE)) != 0;
  // 3. What the storage holds: a message file, or nothing yet (a new message).
  StorageTree tree;
  if (HRESULT hr = ReadTree(storage, tree); FAILED(hr)) return hr;
  MessageData data;
  NameMap names;
  if (tree.streams.count(kPropertiesStream) && !ReadMsgFile(tree, data, names))
    return MAPI_E_CORRUPT_DATA;
  // 4. The message, known to its session.
  auto host = std::make_shared<StorageHost>(Ref<IStorage>(storage), std::move(names), flags,
                                            release, callerData);
  if (session) {
    std::lock_guard guard(SessionsLock());
    session->hosts.push_back(host);
  }
  *message = static_cast<IMessage*>(new Message(host, std::move(data), writable));
  return S_OK;
}
