// QMXFileContent: the plain text of a document file and of the members of an archive,
// through the document-filter engine. Open opens a file in the engine; FileContent reads
// its text (the first chunk on a worker thread, with a time limit); ArchiveCount,
// ArchiveFilename, ArchiveFilesize and ArchiveContent reach the members of an archive.
//
// The open document lives in the process-wide engine state, not in the object: one
// document at a time per process. Creating an object forgets the document, member and
// source-stream handles of the state without closing them; destroying one closes
// whatever is open, whichever object opened it.
//
// The five static Stream callbacks are exported: they let the filter read a COM stream
// as a redirected file (StreamCallbacks.cpp).
#pragma once

#include <atomic>

#include "KelMsgs.h"
#include "content/GatheredBytes.h"
#include "content/IoRecord.h"
#include "foundation/ObjectLog.h"
#include "frame/AutomationObject.h"

namespace kelmsgs {

class CQMXFileContent final
    : public AutomationObject<CQMXFileContent, IQMXFileContent, QMXFileContent> {
 public:
  CQMXFileContent();
  ~CQMXFileContent() override;

  // The first text read gives up after this long (milliseconds).
  static constexpr DWORD kFirstReadLimitMs = 15000;
  // Replaces the limit for the whole process; tests shorten it to reach the give-up path
  // quickly. Reads already waiting keep the limit they started with.
  static void SetFirstReadLimit(DWORD ms) noexcept { firstReadLimitMs_ = ms; }

  HRESULT STDMETHODCALLTYPE get_EnginePath(BSTR* pVal) override;
  HRESULT STDMETHODCALLTYPE get_FileContent(BSTR* pVal) override;
  HRESULT STDMETHODCALLTYPE get_ArchiveCount(LONG* pVal) override;
  HRESULT STDMETHODCALLTYPE get_ArchiveFilename(LONG Index, BSTR* pVal) override;
  HRESULT STDMETHODCALLTYPE get_ArchiveContent(LONG Index, BSTR* pVal) override;
  HRESULT STDMETHODCALLTYPE Open(IUnknown* ContentStream, BSTR Filename,
                                 VARIANT_BOOL* pVal) override;
  HRESULT STDMETHODCALLTYPE get_Filetype(FileTypeConstants* pVal) override;
  HRESULT STDMETHODCALLTYPE Close() override;
  HRESULT STDMETHODCALLTYPE get_Size(LONG* pVal) override;
  HRESULT STDMETHODCALLTYPE get_LogFile(BSTR* pVal) override;
  HRESULT STDMETHODCALLTYPE put_LogFile(BSTR newVal) override;
  HRESULT STDMETHODCALLTYPE get_ArchiveFilesize(LONG Index, LONG* pVal) override;
  HRESULT STDMETHODCALLTYPE get_LoggingEnabled(VARIANT_BOOL* pVal) override;
  HRESULT STDMETHODCALLTYPE put_LoggingEnabled(VARIANT_BOOL newVal) override;

  // Redirected-input callbacks of the filter, over the engine state's source stream.
  static LONG WINAPI StreamClose(IoRecord* record);
  static LONG WINAPI StreamRead(IoRecord* record, BYTE* buffer, DWORD count, DWORD* read);
  static LONG WINAPI StreamSeek(IoRecord* record, WORD origin, LONG offset);
  static LONG WINAPI StreamTell(IoRecord* record, DWORD* offset);
  static LONG WINAPI StreamGetInfo(IoRecord* record, DWORD id, void* info);

 private:
  void Log(const char* text) {
    if (loggingEnabled_) log_.Write(text);
  }
  // The checks every member request starts with: E_FAIL without an open archive,
  // E_INVALIDARG for an index outside its members.
  HRESULT CheckMember(LONG index) const;
  // The text bytes of the open document from its first chunk on; E_FAIL (with error
  // information) when the first read misses its time limit, E_OUTOFMEMORY when they
  // cannot be held.
  HRESULT ReadDocumentText(GatheredBytes& text);

  static inline std::atomic<DWORD> firstReadLimitMs_{kFirstReadLimitMs};

  bool loggingEnabled_ = true;
  bool archive_ = false;
  LONG memberCount_ = 0;
  LONG size_ = 0;
  Bstr enginePath_;
  ObjectLog log_;
};

}  // namespace kelmsgs
