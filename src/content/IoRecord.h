// The filter's redirected-input records: an I/O record through which the filter reads a
// document from a caller's callbacks instead of a file, and the information block of the
// get-information callback. The 32-bit layout is kept field for field (584-byte record);
// in a 64-bit build the address fields are pointer-sized and the offsets follow.
#pragma once

#include <windows.h>

#include <cstddef>

namespace kelmsgs {

struct IoRecord;
using IoCloseProc = LONG(WINAPI*)(IoRecord*);
using IoReadProc = LONG(WINAPI*)(IoRecord*, BYTE*, DWORD, DWORD*);
using IoSeekProc = LONG(WINAPI*)(IoRecord*, WORD, LONG);
using IoTellProc = LONG(WINAPI*)(IoRecord*, DWORD*);
using IoGetInfoProc = LONG(WINAPI*)(IoRecord*, DWORD, void*);

struct IoRecord {
  IoCloseProc close;
  IoReadProc read;
  void* write;  // none: the filter only reads
  IoSeekProc seek;
  IoTellProc tell;
  IoGetInfoProc getInfo;
  void* open;  // none
  void* reserved[5];
  HGLOBAL self;  // the record's own memory block, freed by the close callback
  ULONGLONG fileSize;
  char fileName[260];
  char secondName[260];
};

// Information block of the get-information callback.
struct IoInfoBlock {
  DWORD id;
  const char* name;  // the name the request is about
  DWORD kind;        // set to the request's id when a name was copied
  void* data;        // a name request: the buffer receiving the name (MAX_PATH bytes);
                     // a new-record request: receives the new I/O record
};

// Statuses of the callbacks.
constexpr LONG kIoOk = 0;
constexpr LONG kIoFailed = -1;
constexpr LONG kIoUnknownInfo = -7;
constexpr LONG kIoEndOfFile = -9;
constexpr LONG kIoRefused = -10;

// Information requests with an answer of their own.
constexpr DWORD kInfoNewRecord = 15;
constexpr DWORD kInfoMemberName = 19;

#ifndef _WIN64
static_assert(sizeof(IoRecord) == 584, "I/O record layout");
static_assert(offsetof(IoRecord, self) == 48 && offsetof(IoRecord, fileSize) == 56 &&
                  offsetof(IoRecord, fileName) == 64 && offsetof(IoRecord, secondName) == 324,
              "I/O record layout");
static_assert(offsetof(IoInfoBlock, name) == 4 && offsetof(IoInfoBlock, kind) == 8 &&
                  offsetof(IoInfoBlock, data) == 12,
              "information block layout");
#endif

}  // namespace kelmsgs
