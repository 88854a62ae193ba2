// QMXSession: message files and attachment transfer. SaveMessageToFile writes a message,
// attachments included, into a ".msg" file through the message-on-storage service;
// AddAttachments copies attachments between messages (AttachmentWalk.cpp);
// CreateAttachments attaches files to a message.
#include <imessage.h>
#include <mapiutil.h>

#include <string>

#include "foundation/MapiOwned.h"
#include "foundation/MsgSessionOwned.h"
#include "foundation/PropTags.h"
#include "session/AttachmentList.h"
#include "session/AttachmentWalk.h"
#include "session/MessagePump.h"
#include "session/QMXSession.h"

namespace kelmsgs {

namespace {

// The class of a message file's root storage.
constexpr CLSID kMailMessageClass = {0x00020D0B, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
// STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE | STGM_TRANSACTED.
constexpr DWORD kCreateMode = 0x11002;

// One item of CreateAttachments' list, attached as a file by value under its name.
HRESULT AttachFile(IMessage* message, const std::string& item, const std::string& name) {
  // 1. The new attachment and its names.
  ComPtr<IAttach> attach;
  ULONG num = 0;
  HRESULT hr = message->CreateAttach(nullptr, 0, &num, attach.put());
  if (FAILED(hr)) return hr;
  SPropValue values[6] = {};
  values[0].ulPropTag = PR_RENDERING_POSITION;
  values[0].Value.l = -1;
  values[1].ulPropTag = PR_ATTACH_PATHNAME_A;
  values[1].Value.lpszA = const_cast<LPSTR>(item.c_str());
  values[2].ulPropTag = PR_ATTACH_METHOD;
  values[2].Value.l = ATTACH_BY_VALUE;
  values[3].ulPropTag = PR_DISPLAY_NAME_A;
  values[4].ulPropTag = PR_ATTACH_FILENAME_A;
  values[5].ulPropTag = PR_ATTACH_LONG_FILENAME_A;
  for (int i = 3; i < 6; ++i) values[i].Value.lpszA = const_cast<LPSTR>(name.c_str());
  hr = attach->SetProps(6, values, nullptr);
  if (FAILED(hr)) return hr;
  // 2. Its data stream and the file.
  ComPtr<IStream> data;
  hr = attach->OpenProperty(PR_ATTACH_DATA_BIN, &IID_IStream, 0, MAPI_CREATE | MAPI_MODIFY,
                            reinterpret_cast<LPUNKNOWN*>(data.put()));
  if (FAILED(hr)) return hr;
  ComPtr<IStream> file;
  hr = OpenStreamOnFile(MAPIAllocateBuffer, MAPIFreeBuffer, STGM_READ,
                        const_cast<LPSTR>(item.c_str()), nullptr, file.put());
  if (FAILED(hr)) return hr;
  // 3. The whole file into the attachment, which is then saved.
  STATSTG stat{};
  hr = file->Stat(&stat, STATFLAG_NONAME);
  if (FAILED(hr)) return hr;
  hr = file->CopyTo(data.get(), stat.cbSize, nullptr, nullptr);
  if (FAILED(hr)) return hr;
  hr = data->Commit(0);
  if (FAILED(hr)) return hr;
  data.reset();
  file.reset();
  return attach->SaveChanges(0);
}

}  // namespace

// The file being written and everything open on it, released in reverse order (the
// message before its storage, the message session last) when the writer goes.
struct CQMXSession::MessageFileWriter {
  MessageFileWriter(CQMXSession& owner, const char* file) : session(owner), path(file) {}

  CQMXSession& session;
  const char* path;
  bool created = false;
  bool stopped = false;
  MapiBuffer<WCHAR> widePath;
  MsgSession messageSession;
  ComPtr<IStorage> storage;
  ComPtr<IMessage> target;

  bool Stop() {
    if (!stopped && session.StopRequested()) stopped = true;
    return stopped;
  }
  bool PumpAndStop() {
    PumpMessages();
    return Stop();
  }

  HRESULT Write(IMessage* message);
  HRESULT CreateStorage(LPMALLOC allocator);
};

HRESULT CQMXSession::MessageFileWriter::CreateStorage(LPMALLOC allocator) {
  // 1. The path in UTF-16 (ANSI code page, precomposed).
  const int chars = MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, path, -1, nullptr, 0);
  if (chars == 0) return HRESULT_FROM_WIN32(GetLastError());
  HRESULT hr = MAPIAllocateBuffer(static_cast<ULONG>(chars * sizeof(WCHAR)),
                                  reinterpret_cast<LPVOID*>(widePath.put()));
  if (FAILED(hr)) return hr;
  MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, path, -1, widePath.get(), chars);
  // 2. The compound file (an existing one is replaced), the message on it, its class.
  hr = StgCreateDocfile(widePath.get(), kCreateMode, 0, storage.put());
  if (FAILED(hr)) return hr;
  created = true;
  if (Stop()) return AttachmentWalk::kStopped;
  hr = OpenIMsgSession(allocator, 0, messageSession.put());
  if (FAILED(hr)) return hr;
  if (Stop()) return AttachmentWalk::kStopped;
  hr = OpenIMsgOnIStg(messageSession.get(), MAPIAllocateBuffer, MAPIAllocateMore, MAPIFreeBuffer,
                      allocator, nullptr, storage.get(), nullptr, 0, 0, target.put());
  if (FAILED(hr)) return hr;
  if (Stop()) return AttachmentWalk::kStopped;
  hr = WriteClassStg(storage.get(), kMailMessageClass);
  if (FAILED(hr)) return hr;
  if (Stop()) return AttachmentWalk::kStopped;
  return S_OK;
}

HRESULT CQMXSession::MessageFileWriter::Write(IMessage* message) {
  // 1. The file and the message on it.
  LPMALLOC allocator = MAPIGetDefaultMalloc();
  if (!allocator) return MAPI_E_NOT_ENOUGH_MEMORY;
  HRESULT hr = CreateStorage(allocator);
  if (FAILED(hr)) return hr;
  // 2. The message's properties and recipients; a copy that fails loses the message, one
  //    that returns warnings (some values not copied) is kept.
  if (PumpAndStop()) return AttachmentWalk::kStopped;
  session.SESSION_TRACE("SaveMessageToFile", "Copying...");
  auto excluded = MakeTags(PR_ACCESS, PR_BODY_A, PR_RTF_SYNC_BODY_COUNT, PR_RTF_SYNC_BODY_CRC,
                           PR_RTF_SYNC_BODY_TAG_A, PR_RTF_SYNC_PREFIX_COUNT,
                           PR_RTF_SYNC_TRAILING_COUNT, PR_MESSAGE_ATTACHMENTS);
  hr = message->CopyTo(0, nullptr, excluded.get(), 0, nullptr, &IID_IMessage, target.get(), 0,
                       nullptr);
  if (FAILED(hr)) return hr;
  session.SESSION_TRACE("SaveMessageToFile", "Finished...");
  // 3. The attachments, one by one.
  AttachmentWalk walk(session);
  hr = walk.Run(message, target.get());
  if (walk.stopped()) {
    stopped = true;
    return AttachmentWalk::kStopped;
  }
  if (FAILED(hr)) return hr;
  session.SESSION_TRACE("SaveMessageToFile", "Attachments copied.");
  // 4. The message saved into its storage, and the file committed.
  if (PumpAndStop()) return AttachmentWalk::kStopped;
  hr = target->SaveChanges(KEEP_OPEN_READWRITE);
  if (FAILED(hr)) return hr;
  session.SESSION_TRACE("SaveMessageToFile", "Changes saved.");
  if (PumpAndStop()) return AttachmentWalk::kStopped;
  hr = storage->Commit(0);
  if (FAILED(hr)) return hr;
  session.SESSION_TRACE("SaveMessageToFile", "Committed.");
  return hr;
}

bool CQMXSession::StopRequested() {
  if (stopPollObserver_) stopPollObserver_();
  return stopRequest_;
}

HRESULT CQMXSession::SaveMessageToFile(IMessage* message, const char* path) {
  if (!message || !path) return E_INVALIDARG;
  // 1. The file is written with everything open on it; all of it is released before the
  //    file may be deleted.
  SESSION_TRACE("SaveMessageToFile", std::string("Starting to save file ") + path);
  bool created = false;
  bool stopped = false;
  HRESULT hr = S_OK;
  {
    MessageFileWriter writer(*this, path);
    hr = writer.Write(message);
    created = writer.created;
    stopped = writer.stopped;
  }
  // 2. A stopped or failed save leaves no file that looks like a saved message.
  if (stopped) SESSION_TRACE("SaveMessageToFile", std::string("Process cancelled ") + path);
  if (created && FAILED(hr)) DeleteFileA(path);
  return hr;
}

HRESULT CQMXSession::AddAttachments(IMessage* source, IMessage* target) {
  return AttachmentWalk(*this).Run(source, target);
}

HRESULT CQMXSession::CreateAttachments(ComPtr<IMessage>& message, const char* list) {
  if (!message || !list) return E_INVALIDARG;
  // 1. The list as given.
  SESSION_TRACE("CreateAttachments", std::string("CreateAttachments, ") + list);
  // 2. Each item, named by the last part of its path; the last item's result is the result.
  HRESULT hr = S_OK;
  for (const std::string& item : SplitAttachmentList(list)) {
    const std::string name(AttachmentName(item));
    SESSION_TRACE("CreateAttachments", "CreateAttachments, " + name);
    hr = AttachFile(message.get(), item, name);
  }
  return hr;
}

}  // namespace kelmsgs
