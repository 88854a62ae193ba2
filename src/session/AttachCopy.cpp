// The attachment copy's worker: its thread, the opening of both messages, the attachment
// table, the copy directory, the walk and its wind-up. One attachment row is copied in
// AttachCopyItem.cpp.
#include "session/AttachCopy.h"

#include <mapiutil.h>

#include <new>
#include <utility>

#include "attach/CopyLayout.h"
#include "attach/QlaPaths.h"
#include "foundation/HexId.h"
#include "foundation/PropTags.h"
#include "session/MessagePump.h"
#include "session/QMXSession.h"
#include "session/ToolbarLink.h"

#define COPY_TRACE(operation, text) Trace(operation, text, __FILE__, __LINE__)

namespace kelmsgs {

namespace {

constexpr ULONG kStoreOpenFlags = MDB_NO_MAIL | MDB_TEMPORARY | MAPI_BEST_ACCESS;  // 0xB0
constexpr std::size_t kCopyBufferSize = 65535;
constexpr char kCopyingText[] = "Copying attachments...";
constexpr char kOriginalMessageName[] = "Original Message.msg";
constexpr char kOutcomeSubkey[] = "\\ResAttach";

// A reference on the module that holds this code, so the library stays loaded until the
// worker has left it.
Library ModuleReference() {
  HMODULE module = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                     reinterpret_cast<LPCWSTR>(&ModuleReference), &module);
  return Library(module);
}

// Makes the directory that path (ending with a backslash) names; an existing one is fine.
bool MakeDirectory(const std::string& path) {
  return CreateDirectoryA(path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

}  // namespace

AttachCopy::AttachCopy(Request request, Setting setting)
    : request_(std::move(request)), setting_(std::move(setting)), buffer_(kCopyBufferSize) {}

AttachCopy::~AttachCopy() = default;

std::shared_ptr<AttachCopy> AttachCopy::Start(Request request, Setting setting) {
  // 1. The copy and what it holds.
  std::shared_ptr<AttachCopy> copy(new (std::nothrow)
                                       AttachCopy(std::move(request), std::move(setting)));
  if (!copy) return nullptr;
  copy->module_ = ModuleReference();
  if (!copy->module_) return nullptr;
  // 2. Its thread, at the lowest priority, started once it is known.
  copy->thread_.reset(
      CreateThread(nullptr, 0, &CopyAttachThread, copy.get(), CREATE_SUSPENDED, &copy->threadId_));
  if (!copy->thread_) return nullptr;
  SetThreadPriority(copy->thread_.get(), THREAD_PRIORITY_LOWEST);
  ResumeThread(copy->thread_.get());
  return copy;
}

bool AttachCopy::Wait(DWORD limitMs) const {
  const HANDLE thread = thread_.get();
  const DWORD start = GetTickCount();
  for (;;) {
    const DWORD waited = GetTickCount() - start;
    if (waited >= limitMs) return WaitForSingleObject(thread, 0) == WAIT_OBJECT_0;
    const DWORD result =
        MsgWaitForMultipleObjects(1, &thread, FALSE, limitMs - waited, QS_ALLINPUT);
    if (result == WAIT_OBJECT_0) return true;
    if (result != WAIT_OBJECT_0 + 1) return WaitForSingleObject(thread, 0) == WAIT_OBJECT_0;
    PumpMessages();
  }
}

DWORD WINAPI AttachCopy::CopyAttachThread(void* param) {
  auto* copy = static_cast<AttachCopy*>(param);
  copy->Run();
  // The module may be unloaded as soon as this thread has left it.
  FreeLibraryAndExitThread(copy->module_.release(), 0);
}

void AttachCopy::Run() {
  // 1. An apartment of its own, and MAPI for this thread.
  const HRESULT com = CoInitialize(nullptr);
  const ScopeExit comEnd([com] {
    if (SUCCEEDED(com)) CoUninitialize();
  });
  const HRESULT mapi = MAPIInitialize(nullptr);
  const ScopeExit mapiEnd([this, mapi] {
    setting_.mapi.reset();
    if (SUCCEEDED(mapi)) MAPIUninitialize();
  });
  COPY_TRACE("CopyAttachThread", "Start.");
  // 2. The copy.
  {
    ToolbarLink toolbar(setting_.toolbar, setting_.session->stopRequest_,
                        [this](const char* text) { COPY_TRACE("ProcessAttachCopy", text); });
    if (SUCCEEDED(mapi)) ProcessAttachCopy(toolbar);
  }
  // 3. The host hears that the worker ended.
  NotifySearchControl();
  COPY_TRACE("CopyAttachThread", "End.");
}

HRESULT AttachCopy::ProcessAttachCopy(ToolbarLink& toolbar) {
  // 1. Stopped before it began.
  if (Stopping()) return S_OK;
  COPY_TRACE("CopyAttachments", "Copying...");
  // 2. Both messages.
  Walk walk;
  if (FAILED(OpenMessage(request_.srcEntryId, request_.srcStoreId, walk.source)) ||
      FAILED(OpenMessage(request_.dstEntryId, request_.dstStoreId, walk.destination)))
    return E_FAIL;
  // 3. Copying, shown by the toolbar.
  std::atomic<bool>& copying = setting_.session->copying_;
  copying = true;
  toolbar.Open();
  toolbar.Status(kCopyingText);
  toolbar.Running(true);
  // 4. The attachment rows and the directory they go to; without them, no walk.
  HRESULT hr = ReadAttachmentRows(walk.source.get(), walk.rows);
  if (SUCCEEDED(hr)) {
    walk.directory = CopyDirectory(walk.destination.get());
    if (walk.directory.empty()) hr = E_FAIL;
  }
  if (FAILED(hr)) {
    walk = Walk();
    WindUp(toolbar);
    copying = false;
    return hr;
  }
  // 5. The item total.
  walk.count = walk.rows.get()->cRows;
  walk.total = walk.count + (request_.isAttach ? 1 : 0);
  // 6. The source message itself.
  if (request_.isAttach && !Stopping()) {
    toolbar.Percent(static_cast<LONG>(100 / walk.total));
    COPY_TRACE("CopyAttachments", "Copying original message...");
    SaveMessage(walk.source.get(), walk.directory + kOriginalMessageName);
    COPY_TRACE("CopyAttachments", "...finished.");
  }
  // 7. Every attachment, in table order, until a stop.
  bool stoppedBetween = false;
  bool stoppedInFile = false;
  for (ULONG i = 0; i < walk.count; ++i) {
    PumpMessages();
    if (Stopping()) {
      stoppedBetween = true;
      break;
    }
    if (!CopyRow(walk, walk.rows.get()->aRow[i], i, toolbar)) {
      stoppedInFile = true;
      break;
    }
  }
  // 8. Wind-up, and the outcome: 0 for a complete walk, 1 for one stopped in a file.
  if (stoppedBetween) COPY_TRACE("CopyAttachments", "Cancelled.");
  walk = Walk();
  WindUp(toolbar);
  if (!stoppedBetween) WriteOutcome(stoppedInFile ? 1 : 0);
  copying = false;
  PumpMessages();
  return S_OK;
}

HRESULT AttachCopy::OpenMessage(const std::string& entryId, const std::string& storeId,
                                ComPtr<IMessage>& message) {
  // 1. The store, by its identifier.
  MapiBuffer<BYTE> storeBytes;
  ULONG storeSize = 0;
  HRESULT hr = HexToEntryId(storeId.c_str(), storeBytes, storeSize);
  if (FAILED(hr)) return hr;
  ComPtr<IMsgStore> store;
  hr = setting_.mapi->OpenMsgStore(0, storeSize, reinterpret_cast<LPENTRYID>(storeBytes.get()),
                                   nullptr, kStoreOpenFlags, store.put());
  if (FAILED(hr)) return hr;
  // 2. The entry in it, which must be a message.
  MapiBuffer<BYTE> idBytes;
  ULONG idSize = 0;
  hr = HexToEntryId(entryId.c_str(), idBytes, idSize);
  if (FAILED(hr)) return hr;
  ComPtr<IUnknown> opened;
  ULONG type = 0;
  hr = store->OpenEntry(idSize, reinterpret_cast<LPENTRYID>(idBytes.get()), nullptr,
                        MAPI_BEST_ACCESS, &type, opened.put());
  if (FAILED(hr)) return hr;
  return opened->QueryInterface(IID_IMessage, message.put_void());
}

HRESULT AttachCopy::ReadAttachmentRows(IMessage* source, RowSet& rows) {
  // 1. The attachment table.
  ComPtr<IMAPITable> table;
  HRESULT hr = source->OpenProperty(PR_MESSAGE_ATTACHMENTS, &IID_IMAPITable, 0, 0,
                                    reinterpret_cast<LPUNKNOWN*>(table.put()));
  if (FAILED(hr)) return hr;
  // 2. Its columns.
  auto columns =
      MakeTags(PR_RECORD_KEY, PR_ATTACH_NUM, PR_ATTACH_SIZE, PR_ATTACH_METHOD, PR_ATTACH_FILENAME_A,
               PR_ATTACH_LONG_FILENAME_A, PR_ATTACH_LONG_PATHNAME_A, PR_DISPLAY_NAME_A);
  hr = table->SetColumns(columns.get(), TBL_BATCH);
  if (FAILED(hr)) return hr;
  // 3. Every row.
  return HrQueryAllRows(table.get(), nullptr, nullptr, nullptr, 0, rows.put());
}

std::string AttachCopy::CopyDirectory(IMessage* destination) {
  // 1. The root, made when missing.
  const std::string root = AnsiQlaRoot();
  if (root.empty() || !MakeDirectory(root)) return {};
  // 2. The destination's own directory, named after its entry identifier.
  std::string name;
  PropValues id;
  if (SUCCEEDED(HrGetOneProp(destination, PR_ENTRYID, id.put())) &&
      id.get()->ulPropTag == PR_ENTRYID) {
    const SBinary& bin = id.get()->Value.bin;
    const MapiBuffer<char> hex = EntryIdToHex(bin.lpb, bin.cb);
    if (!hex) return {};
    name = hex.get();
  }
  std::string directory = SubdirectoryPath(root, name);
  if (!MakeDirectory(directory)) return {};
  return directory;
}

void AttachCopy::WindUp(ToolbarLink& toolbar) {
  NotifySearchControl();
  toolbar.Status(nullptr);
  toolbar.Running(false);
}

void AttachCopy::NotifySearchControl() const {
  const HWND control = setting_.searchCtl;
  if (setting_.session->progressbarEnabled_ && control && IsWindow(control))
    SendNotifyMessageA(control, kSearchCtlNotify, 0, kSearchCtlCopyEnded);
}

void AttachCopy::WriteOutcome(DWORD value) const {
  RegKey key;
  const std::string path = setting_.registryKeyPath + kOutcomeSubkey;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                      KEY_SET_VALUE, nullptr, key.put(), nullptr) != ERROR_SUCCESS)
    return;
  RegSetValueExA(key.get(), request_.dstEntryId.c_str(), 0, REG_DWORD,
                 reinterpret_cast<const BYTE*>(&value), sizeof value);
}

bool AttachCopy::Stopping() const {
  return setting_.session->StopRequested();
}

void AttachCopy::Trace(const char* operation, const std::string& text, const char* file,
                       int line) const {
  setting_.session->Trace(operation, text, file, line);
}

}  // namespace kelmsgs
