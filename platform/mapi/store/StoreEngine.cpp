#include "StoreEngine.h"

#include <mapicode.h>

#include <map>

#include "control/Control.h"
#include "core/RecordLog.h"
#include "store/StoreTags.h"
#include "util/Owners.h"

namespace mapistandin {

namespace {

std::mutex g_enginesLock;
std::map<std::string, std::weak_ptr<StoreEngine>>& Engines() {
  static std::map<std::string, std::weak_ptr<StoreEngine>> engines;
  return engines;
}

std::string Key(const std::string& path) {
  char full[MAX_PATH];
  if (!GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr)) return path;
  std::string key = full;
  CharUpperBuffA(key.data(), static_cast<DWORD>(key.size()));
  return key;
}

HANDLE OpenShared(const std::string& path, DWORD disposition) {
  return CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, disposition,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

bool ReadFrom(HANDLE file, std::size_t offset, std::string& out) {
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file, &size)) return false;
  out.clear();
  if (static_cast<std::size_t>(size.QuadPart) <= offset) return true;
  out.resize(static_cast<std::size_t>(size.QuadPart) - offset);
  LARGE_INTEGER at{};
  at.QuadPart = static_cast<LONGLONG>(offset);
  if (!SetFilePointerEx(file, at, nullptr, FILE_BEGIN)) return false;
  std::size_t done = 0;
  while (done < out.size()) {
    DWORD got = 0;
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(out.size() - done, 1u << 24));
    if (!ReadFile(file, out.data() + done, chunk, &got, nullptr) || got == 0) return false;
    done += got;
  }
  return true;
}

bool WriteAll(HANDLE file, const std::string& data) {
  std::size_t done = 0;
  while (done < data.size()) {
    DWORD put = 0;
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(data.size() - done, 1u << 24));
    if (!WriteFile(file, data.data() + done, chunk, &put, nullptr) || put == 0) return false;
    done += put;
  }
  return true;
}

// Holds the whole-file lock that serialises writers of several processes.
class FileLock {
 public:
  explicit FileLock(HANDLE file) : file_(file) {
    OVERLAPPED o{};
    locked_ = LockFileEx(file_, LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &o) != FALSE;
  }
  ~FileLock() {
    OVERLAPPED o{};
    if (locked_) UnlockFileEx(file_, 0, MAXDWORD, MAXDWORD, &o);
  }
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

 private:
  HANDLE file_;
  bool locked_ = false;
};

std::uint64_t NewGeneration() {
  LARGE_INTEGER t{};
  QueryPerformanceCounter(&t);
  return static_cast<std::uint64_t>(t.QuadPart) ^ (std::uint64_t{GetCurrentProcessId()} << 40) ^
         GetTickCount64();
}

std::string RandomUid() {
  GUID g{};
  CoCreateGuid(&g);
  return std::string(reinterpret_cast<const char*>(&g), 16);
}

Row FolderProps(const char* name, const char* containerClass) {
  Row row;
  row.push_back(MakeString(PR_DISPLAY_NAME_A, name));
  if (containerClass) row.push_back(MakeString(PR_CONTAINER_CLASS_A, containerClass));
  return row;
}

}  // namespace

std::shared_ptr<StoreEngine> StoreEngine::Open(const std::string& path) {
  const std::string key = Key(path);
  std::lock_guard guard(g_enginesLock);
  if (auto engine = Engines()[key].lock()) {
    if (SUCCEEDED(engine->Refresh())) return engine;
  }
  std::shared_ptr<StoreEngine> engine(new StoreEngine(path));
  {
    std::lock_guard lock(engine->lock_);
    if (FAILED(engine->LoadLocked(true))) return nullptr;
  }
  Engines()[key] = engine;
  return engine;
}

void StoreEngine::ForgetAll() {
  std::lock_guard guard(g_enginesLock);
  Engines().clear();
}

std::shared_ptr<StoreEngine> StoreEngine::Create(const std::string& path, const StoreSetup& setup) {
  // 1. An empty file with a fresh header.
  {
    HandleOwner file(OpenShared(path, CREATE_ALWAYS));
    if (!file.valid() || !WriteAll(file.h, MakeHeader(NewGeneration()))) return nullptr;
    FlushFileBuffers(file.h);
  }
  {
    std::lock_guard guard(g_enginesLock);
    Engines().erase(Key(path));
  }
  std::shared_ptr<StoreEngine> engine = Open(path);
  if (!engine) return nullptr;
  // 2. The folder tree every store starts with, and the store's own properties.
  struct Standard {
    ULONG info;
    const char* name;
    const char* containerClass;
  };
  const Standard standard[] = {
      {kInfoInbox, "Inbox", "IPF.Note"},
      {kInfoOutbox, "Outbox", "IPF.Note"},
      {kInfoSent, "Sent Items", "IPF.Note"},
      {kInfoWastebasket, "Deleted Items", "IPF.Note"},
      {kInfoCalendar, "Calendar", "IPF.Appointment"},
      {kInfoContacts, "Contacts", "IPF.Contact"},
      {kInfoJournal, "Journal", "IPF.Journal"},
      {kInfoNotes, "Notes", "IPF.StickyNote"},
      {kInfoTasks, "Tasks", "IPF.Task"},
      {kInfoDrafts, "Drafts", "IPF.Note"},
  };
  std::vector<StoreOp> ops;
  StoreOp info;
  info.kind = StoreOpKind::StoreInfo;
  info.props.push_back(MakeString(PR_DISPLAY_NAME_A, setup.displayName));
  info.props.push_back(
      MakeBinary(kInfoStoreUid, setup.storeUid.size() == 16 ? setup.storeUid : RandomUid()));
  info.props.push_back(MakeLong(kInfoLongFlavour, setup.longFlavour));
  info.props.push_back(MakeLong(kInfoPublic, setup.isPublic));
  info.props.push_back(MakeLong(kInfoSupportMask, setup.supportMask));
  if (!setup.notifications) info.props.push_back(MakeLong(kInfoNoNotify, 1));
  std::uint64_t next = 1;
  const std::uint64_t root = next++, subtree = next++;
  info.props.push_back(MakeLong(kInfoRoot, static_cast<std::int64_t>(root)));
  info.props.push_back(MakeLong(kInfoSubtree, static_cast<std::int64_t>(subtree)));
  StoreOp rootOp;
  rootOp.kind = StoreOpKind::PutFolder;
  rootOp.id = root;
  rootOp.props = FolderProps("", nullptr);
  StoreOp subtreeOp;
  subtreeOp.kind = StoreOpKind::PutFolder;
  subtreeOp.id = subtree;
  subtreeOp.parent = root;
  subtreeOp.props =
      FolderProps(setup.isPublic ? "All Public Folders" : "Top of Information Store", nullptr);
  ops.push_back(rootOp);
  ops.push_back(subtreeOp);
  if (!setup.isPublic) {
    Prop classes, folders;
    classes.tag = kInfoReceiveClasses;
    folders.tag = kInfoReceiveFolders;
    for (const Standard& s : standard) {
      const std::uint64_t id = next++;
      StoreOp op;
      op.kind = StoreOpKind::PutFolder;
      op.id = id;
      op.parent = subtree;
      op.props = FolderProps(s.name, s.containerClass);
      ops.push_back(op);
      info.props.push_back(MakeLong(s.info, static_cast<std::int64_t>(id)));
      if (s.info == kInfoInbox) {
        for (const char* cls : {"", "IPM", "IPM.Note"}) {
          classes.multi.emplace_back(cls);
          folders.multi.emplace_back(reinterpret_cast<const char*>(&id), 8);
        }
      }
    }
    info.props.push_back(classes);
    info.props.push_back(folders);
  }
  ops.insert(ops.begin(), info);
  StoreOp nextOp;
  nextOp.kind = StoreOpKind::NextId;
  nextOp.id = next;
  ops.push_back(nextOp);
  if (FAILED(engine->Commit(std::move(ops)))) return nullptr;
  return engine;
}

HRESULT StoreEngine::LoadLocked(bool whole) {
  HandleOwner file(CreateFileA(path_.c_str(), GENERIC_READ,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return MAPI_E_NOT_FOUND;
  // 1. A rewritten file (other generation) or a shorter one is read again from the start.
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.h, &size)) return MAPI_E_DISK_ERROR;
  if (!whole) {
    std::string header(kStoreHeaderSize, '\0');
    DWORD got = 0;
    LARGE_INTEGER zero{};
    if (!SetFilePointerEx(file.h, zero, nullptr, FILE_BEGIN) ||
        !ReadFile(file.h, header.data(), static_cast<DWORD>(header.size()), &got, nullptr)) {
      return MAPI_E_DISK_ERROR;
    }
    header.resize(got);
    if (HeaderGeneration(header) != generation_ ||
        static_cast<std::size_t>(size.QuadPart) < offset_) {
      whole = true;
    }
  }
  std::string data;
  if (whole) {
    image_ = StoreImage{};
    offset_ = 0;
    records_ = 0;
    reservedNext_ = reservedEnd_ = 0;
    if (!ReadFrom(file.h, 0, data)) return MAPI_E_DISK_ERROR;
    generation_ = HeaderGeneration(data);
  } else if (!ReadFrom(file.h, offset_, data)) {
    return MAPI_E_DISK_ERROR;
  }
  // 2. Replay the intact records; a torn tail is ignored.
  LogScan scan = ScanLog(data, whole);
  if (whole && !scan.headerOk) return MAPI_E_CORRUPT_DATA;
  for (const std::string& payload : scan.payloads) {
    std::vector<StoreOp> ops;
    if (DecodeTransaction(payload, ops)) image_.Apply(ops);
    ++records_;
  }
  offset_ += scan.validEnd;
  return S_OK;
}

HRESULT StoreEngine::Refresh() {
  std::lock_guard guard(lock_);
  return LoadLocked(false);
}

HRESULT StoreEngine::NewId(std::uint64_t& id) {
  std::lock_guard guard(lock_);
  if (reservedNext_ >= reservedEnd_) {
    // Reserve a block of numbers in the file so that other processes skip them.
    HandleOwner file(OpenShared(path_, OPEN_EXISTING));
    if (!file.valid()) return MAPI_E_DISK_ERROR;
    FileLock fileLock(file.h);
    if (HRESULT hr = LoadLocked(false); FAILED(hr)) return hr;
    const std::uint64_t first = image_.nextId;
    StoreOp op;
    op.kind = StoreOpKind::NextId;
    op.id = first + 64;
    LARGE_INTEGER end{};
    end.QuadPart = static_cast<LONGLONG>(offset_);
    const std::string frame = FrameRecord(EncodeTransaction({op}));
    if (!SetFilePointerEx(file.h, end, nullptr, FILE_BEGIN) || !WriteAll(file.h, frame)) {
      return MAPI_E_DISK_ERROR;
    }
    image_.Apply(op);
    offset_ += frame.size();
    ++records_;
    reservedNext_ = first;
    reservedEnd_ = first + 64;
  }
  id = reservedNext_++;
  return S_OK;
}

HRESULT StoreEngine::Commit(std::vector<StoreOp> ops, const CommitHints& hints) {
  if (HRESULT hr = control::Fault("StoreCommit"); FAILED(hr)) return hr;
  std::vector<StoreEvent> events;
  {
    std::lock_guard guard(lock_);
    if (HRESULT hr = CommitLocked(ops, hints, events); FAILED(hr)) return hr;
  }
  // 5. Those who watch the store hear of it.
  if (!events.empty()) Tell(events);
  return S_OK;
}

HRESULT StoreEngine::CommitLocked(const std::vector<StoreOp>& ops, const CommitHints& hints,
                                  std::vector<StoreEvent>& events) {
  // 1. Lock the file against other writers and catch up with them.
  HandleOwner file(OpenShared(path_, OPEN_EXISTING));
  if (!file.valid()) return MAPI_E_DISK_ERROR;
  {
    FileLock fileLock(file.h);
    if (HRESULT hr = LoadLocked(false); FAILED(hr)) return hr;
    // 2. Append the transaction as one record, cutting off any torn tail first.
    const std::string frame = FrameRecord(EncodeTransaction(ops));
    LARGE_INTEGER end{};
    end.QuadPart = static_cast<LONGLONG>(offset_);
    if (!SetFilePointerEx(file.h, end, nullptr, FILE_BEGIN) || !SetEndOfFile(file.h) ||
        !WriteAll(file.h, frame)) {
      return MAPI_E_DISK_ERROR;
    }
    // 3. Durable before the caller hears of success.
    if (!FlushFileBuffers(file.h)) return MAPI_E_DISK_ERROR;
    events = DescribeCommit(image_, ops, hints);
    image_.Apply(ops);
    offset_ += frame.size();
    ++records_;
  }
  // 4. Rewrite when most records are history.
  const std::size_t live = image_.folders.size() + image_.messages.size() + image_.named.size() + 2;
  if (records_ > 256 && records_ > 4 * live) CompactLocked();
  return S_OK;
}

void StoreEngine::Tell(const std::vector<StoreEvent>& events) {
  std::lock_guard guard(listenersLock_);
  for (auto& [token, listener] : listeners_) listener(events);
}

void StoreEngine::RaiseExtended(std::uint32_t event, std::string data) {
  StoreEvent e;
  e.kind = StoreEventKind::Extended;
  e.extendedEvent = event;
  e.extendedData = std::move(data);
  Tell({e});
}

std::uint64_t StoreEngine::Listen(Listener listener) {
  std::lock_guard guard(listenersLock_);
  const std::uint64_t token = nextListener_++;
  listeners_.emplace(token, std::move(listener));
  return token;
}

void StoreEngine::StopListening(std::uint64_t token) {
  std::lock_guard guard(listenersLock_);
  listeners_.erase(token);
}

HRESULT StoreEngine::CompactLocked() {
  // The new file is written beside the old one and moved over it in one step; a failure
  // anywhere leaves the old file as it was.
  const std::string temp = path_ + ".compact";
  std::string data = MakeHeader(NewGeneration());
  for (const StoreOp& op : image_.Snapshot()) {
    data += FrameRecord(EncodeTransaction({op}));
  }
  {
    HandleOwner file(OpenShared(temp, CREATE_ALWAYS));
    if (!file.valid() || !WriteAll(file.h, data) || !FlushFileBuffers(file.h)) {
      DeleteFileA(temp.c_str());
      return MAPI_E_DISK_ERROR;
    }
  }
  if (!MoveFileExA(temp.c_str(), path_.c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    DeleteFileA(temp.c_str());
    return MAPI_E_DISK_ERROR;
  }
  return LoadLocked(true);
}

std::string StoreEngine::storeUid() {
  std::lock_guard guard(lock_);
  const Prop* p = FindProp(image_.info, kInfoStoreUid);
  return p ? p->bytes : std::string(16, '\0');
}

bool StoreEngine::longFlavour() {
  std::lock_guard guard(lock_);
  const Prop* p = FindProp(image_.info, kInfoLongFlavour);
  return p && p->integer;
}

std::uint64_t StoreEngine::InfoId(ULONG tag) {
  std::lock_guard guard(lock_);
  const Prop* p = FindProp(image_.info, tag);
  return p ? static_cast<std::uint64_t>(p->integer) : 0;
}

}  // namespace mapistandin
