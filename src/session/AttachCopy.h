// One attachment copy of the session: a worker thread that writes every attachment of a
// source message, and optionally the message itself as a ".msg" file, into the copy
// directory of a destination message below the temporary "QLA\" directory, reports its
// progress to the host's windows and records its outcome in the registry.
//
// The copy owns what it uses: a reference on the session (whose message-file writer,
// trace log and stop request it uses), its own reference on the MAPI session, a lock on
// the module and a reference on the module's code (so the library is not unloaded under
// its thread), its acknowledgement word and its copy buffer. The session starts it, and
// stops and awaits it on its own thread before it lets go of it.
#pragma once

#include <mapix.h>

#include <memory>
#include <string>
#include <vector>

#include "foundation/ComPtr.h"
#include "foundation/MapiOwned.h"
#include "foundation/Owned.h"
#include "frame/Module.h"

namespace kelmsgs {

class CQMXSession;
class ToolbarLink;

class AttachCopy {
 public:
  struct Request {
    std::string srcEntryId, srcStoreId, dstEntryId, dstStoreId;
    bool isAttach = false;
  };
  // What the worker needs to know of its session, taken on the session's thread.
  struct Setting {
    ComPtr<CQMXSession> session;
    ComPtr<IMAPISession> mapi;
    HWND toolbar = nullptr;
    HWND searchCtl = nullptr;
    std::string registryKeyPath;
  };

  // Starts the worker at the lowest priority; null when no thread could be made.
  static std::shared_ptr<AttachCopy> Start(Request request, Setting setting);
  ~AttachCopy();
  AttachCopy(const AttachCopy&) = delete;
  AttachCopy& operator=(const AttachCopy&) = delete;

  // Waits until the worker has ended or limitMs passed, dispatching the calling thread's
  // window messages meanwhile; true when it has ended.
  bool Wait(DWORD limitMs) const;
  // True on the worker's own thread.
  bool IsWorkerThread() const { return GetCurrentThreadId() == threadId_; }
  DWORD ThreadId() const { return threadId_; }

 private:
  AttachCopy(Request request, Setting setting);
  static DWORD WINAPI CopyAttachThread(void* param);
  void Run();

  // The copy, step by step (AttachCopy.cpp) and one attachment row (AttachCopyItem.cpp).
  // What one copy holds while it walks the source's attachments.
  struct Walk {
    ComPtr<IMessage> source;
    ComPtr<IMessage> destination;
    RowSet rows;
    std::string directory;
    ULONG count = 0;  // rows
    ULONG total = 0;  // items: the rows and, when it is copied too, the source message
  };
  HRESULT ProcessAttachCopy(ToolbarLink& toolbar);
  HRESULT OpenMessage(const std::string& entryId, const std::string& storeId,
                      ComPtr<IMessage>& message);
  HRESULT ReadAttachmentRows(IMessage* source, RowSet& rows);
  std::string CopyDirectory(IMessage* destination);
  // false: the copy was stopped in the middle of the attachment's data (the partial file
  // is gone then).
  bool CopyRow(Walk& walk, const SRow& row, ULONG index, ToolbarLink& toolbar);
  bool CopyStream(IStream* source, const std::string& path, ULONG index, ULONG count);
  void SaveMessage(IMessage* message, const std::string& path);
  void WindUp(ToolbarLink& toolbar);
  void NotifySearchControl() const;
  void WriteOutcome(DWORD value) const;
  bool Stopping() const;
  void Trace(const char* operation, const std::string& text, const char* file, int line) const;

  const Request request_;
  Setting setting_;
  const ModuleLock moduleLock_;
  Library module_;
  KernelHandle thread_;
  DWORD threadId_ = 0;
  std::vector<BYTE> buffer_;
};

}  // namespace kelmsgs
