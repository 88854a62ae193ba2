// The attachment copy's worker: one row of the source's attachment table, its data
// copied into a file in reads of the copy buffer's size, and messages written as ".msg"
// files.
#include <mapiutil.h>

#include <string>

#include "attach/CopyLayout.h"
#include "foundation/HexId.h"
#include "foundation/RowColumn.h"
#include "session/AttachCopy.h"
#include "session/MessagePump.h"
#include "session/QMXSession.h"
#include "session/ToolbarLink.h"

#define COPY_TRACE(operation, text) Trace(operation, text, __FILE__, __LINE__)

namespace kelmsgs {

namespace {

// The columns of the attachment rows, in the order the copy sets them.
enum class AttachColumn {
  RecordKey,
  Number,
  Size,
  Method,
  FileName,
  LongFileName,
  LongPathName,
  DisplayName
};

std::string TextOf(const SPropValue* value) {
  return value && value->Value.lpszA ? value->Value.lpszA : "";
}

}  // namespace

bool AttachCopy::CopyRow(Walk& walk, const SRow& row, ULONG index, ToolbarLink& toolbar) {
  // 1. Progress: the items done once this one is.
  const ULONG done = (request_.isAttach ? 1 : 0) + index + 1;
  if (walk.total) toolbar.Percent(static_cast<LONG>(done * 100 / walk.total));
  // 2. The attachment's own directory, named after its record key.
  std::string key;
  if (const SPropValue* k = Column(row, AttachColumn::RecordKey, PR_RECORD_KEY)) {
    const MapiBuffer<char> hex = EntryIdToHex(k->Value.bin.lpb, k->Value.bin.cb);
    if (hex) key = hex.get();
  }
  // 3. The attachment.
  ComPtr<IAttach> attach;
  if (const SPropValue* n = Column(row, AttachColumn::Number, PR_ATTACH_NUM))
    walk.source->OpenAttach(n->Value.l, nullptr, MAPI_BEST_ACCESS, attach.put());
  if (!attach) {
    COPY_TRACE("CopyAttachments", "Failed to open attachment.");
    return true;
  }
  // 4. Its method and name.
  const SPropValue* method = Column(row, AttachColumn::Method, PR_ATTACH_METHOD);
  const LONG kind = method ? method->Value.l : 0;
  std::string name;
  if (const SPropValue* v = Column(row, AttachColumn::LongFileName, PR_ATTACH_LONG_FILENAME_A)) {
    name = TextOf(v);
  } else if (const SPropValue* d = Column(row, AttachColumn::DisplayName, PR_DISPLAY_NAME_A)) {
    COPY_TRACE("CopyAttachments", "Using display name.");
    name = TextOf(d);
  } else {
    COPY_TRACE("CopyAttachments", "Filename missing.");
    name = "Untitled";
  }
  // 5. The file, in a directory that is there.
  const std::string path =
      AttachmentFilePath(walk.directory, key, name, kind == ATTACH_EMBEDDED_MSG);
  if (!key.empty()) {
    const std::string dir = SubdirectoryPath(walk.directory, key);
    if (!CreateDirectoryA(dir.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
      COPY_TRACE("CopyAttachments", "Failed to create directory " + dir);
  }
  // 6. The data, by method.
  switch (kind) {
    case ATTACH_BY_VALUE:
    case ATTACH_OLE: {
      ComPtr<IStream> data;
      const IID& iid = kind == ATTACH_OLE ? IID_IStreamDocfile : IID_IStream;
      attach->OpenProperty(PR_ATTACH_DATA_BIN, &iid, 0, 0,
                           reinterpret_cast<LPUNKNOWN*>(data.put()));
      if (!data) return true;
      return CopyStream(data.get(), path, index, walk.count);
    }
    case ATTACH_EMBEDDED_MSG: {
      ComPtr<IMessage> embedded;
      attach->OpenProperty(PR_ATTACH_DATA_OBJ, &IID_IMessage, 0, 0,
                           reinterpret_cast<LPUNKNOWN*>(embedded.put()));
      if (!embedded) return true;
      SaveMessage(embedded.get(), path);
      COPY_TRACE("ProcessAttachCopy", path);
      return true;
    }
    default:
      COPY_TRACE("ProcessAttachment", "Unexpected format (embedded bitmap, etc.)");
      return true;
  }
}

bool AttachCopy::CopyStream(IStream* source, const std::string& path, ULONG index, ULONG count) {
  // 1. The file, created or emptied.
  ComPtr<IStream> file;
  if (FAILED(OpenStreamOnFile(MAPIAllocateBuffer, MAPIFreeBuffer, STGM_CREATE | STGM_READWRITE,
                              const_cast<LPSTR>(path.c_str()), nullptr, file.put()))) {
    COPY_TRACE("CopyAttachments", "Failed to open file.");
    return true;
  }
  COPY_TRACE("CopyAttachments", "Copying attachment " + path + ": " + std::to_string(index + 1) +
                                    " / " + std::to_string(count) + "...");
  // 2. The data, one buffer at a time; a stop leaves no partial file behind.
  HRESULT read = S_OK;
  for (;;) {
    ULONG got = 0;
    read = source->Read(buffer_.data(), static_cast<ULONG>(buffer_.size()), &got);
    if (FAILED(read) || got == 0) break;
    PumpMessages();
    if (Stopping()) {
      COPY_TRACE("ProcessAttachCopy", "Cancelled processing " + path);
      file->Commit(0);
      file.reset();
      DeleteFileA(path.c_str());
      return false;
    }
    ULONG written = 0;
    if (FAILED(file->Write(buffer_.data(), got, &written)) || written != got) {
      // A short file must not pass for the attachment.
      COPY_TRACE("CopyAttachments", "Failed to write file.");
      file.reset();
      DeleteFileA(path.c_str());
      return true;
    }
    PumpMessages();
  }
  // 3. Everything read: the file is complete.
  if (SUCCEEDED(read)) file->Commit(0);
  COPY_TRACE("CopyAttachments", "...finished.");
  return true;
}

void AttachCopy::SaveMessage(IMessage* message, const std::string& path) {
  setting_.session->SaveMessageToFile(message, path.c_str());
}

}  // namespace kelmsgs
