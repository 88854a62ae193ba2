// The redirected-input callbacks of the filter: through an I/O record that names them,
// the filter reads a document from the engine state's COM stream instead of a file.
// They are exported by the module under their class-qualified names.
#include <cstring>

#include "content/EngineState.h"
#include "content/QMXFileContent.h"

namespace kelmsgs {

namespace {
IStream* Source() {
  return EngineState::Instance().source.get();
}

ULONGLONG SourcePosition() {
  ULARGE_INTEGER position{};
  if (IStream* source = Source()) source->Seek(LARGE_INTEGER{}, STREAM_SEEK_CUR, &position);
  return position.QuadPart;
}
}  // namespace

LONG WINAPI CQMXFileContent::StreamClose(IoRecord* record) {
  // 1. The record's own block (the record is gone with it).
  if (record) GlobalMemory(record->self).reset();
  // 2. The stream it read.
  EngineState::Instance().source.reset();
  return kIoOk;
}

LONG WINAPI CQMXFileContent::StreamRead(IoRecord* record, BYTE* buffer, DWORD count, DWORD* read) {
  if (read) *read = 0;
  // 1. Nothing is left at or beyond the record's file size.
  IStream* source = Source();
  if (!record || !source || SourcePosition() >= record->fileSize) return kIoEndOfFile;
  // 2. Up to count bytes, as many as the stream gives.
  ULONG n = 0;
  source->Read(buffer, count, &n);
  if (read) *read = n;
  return kIoOk;
}

LONG WINAPI CQMXFileContent::StreamSeek(IoRecord*, WORD origin, LONG offset) {
  const DWORD from = origin == 1   ? STREAM_SEEK_CUR
                     : origin == 2 ? STREAM_SEEK_END
                                   : STREAM_SEEK_SET;
  LARGE_INTEGER move;
  move.QuadPart = offset;  // sign-extended
  if (IStream* source = Source()) source->Seek(move, from, nullptr);
  return kIoOk;
}

LONG WINAPI CQMXFileContent::StreamTell(IoRecord*, DWORD* offset) {
  if (offset) *offset = static_cast<DWORD>(SourcePosition());
  return kIoOk;
}

namespace {
// A new I/O record over the same callbacks for the named file; the calling record's
// second name carries over. Null when memory runs out.
IoRecord* NewIoRecord(const IoRecord* caller, const char* name) {
  GlobalMemory block(GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, sizeof(IoRecord)));
  if (!block) return nullptr;
  auto* record = static_cast<IoRecord*>(static_cast<void*>(block.get()));
  record->close = &CQMXFileContent::StreamClose;
  record->read = &CQMXFileContent::StreamRead;
  record->seek = &CQMXFileContent::StreamSeek;
  record->tell = &CQMXFileContent::StreamTell;
  record->getInfo = &CQMXFileContent::StreamGetInfo;
  record->self = block.get();
  lstrcpynA(record->fileName, name ? name : "", sizeof record->fileName);
  if (caller) lstrcpynA(record->secondName, caller->secondName, sizeof record->secondName);
  block.release();  // now owned by the record: StreamClose frees it
  return record;
}
}  // namespace

LONG WINAPI CQMXFileContent::StreamGetInfo(IoRecord* record, DWORD id, void* info) {
  auto* block = static_cast<IoInfoBlock*>(info);
  switch (id) {
    case 4:
      return kIoRefused;
    case 3:
    case 6:
      return kIoFailed;
    case 14:
      return kIoOk;
    case kInfoNewRecord: {
      // The new record goes back in the block's data word; the caller closes it through
      // its close callback.
      if (!block) return kIoFailed;
      IoRecord* created = NewIoRecord(record, block->name);
      if (!created) return kIoFailed;
      block->data = created;
      return kIoOk;
    }
    case kInfoMemberName:
      // The member's name is copied to the caller's buffer and remembered in the
      // member-name table; the answer is the one of an unknown request.
      if (!block || !block->name) return kIoUnknownInfo;
      if (block->data) lstrcpynA(static_cast<char*>(block->data), block->name, MAX_PATH);
      block->kind = kInfoMemberName;
      EngineState::Instance().memberNames.Append(block->name);
      return kIoUnknownInfo;
    default:
      return kIoUnknownInfo;
  }
}

}  // namespace kelmsgs
