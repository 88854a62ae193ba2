#include "content/QMXFileContent.h"

#include <algorithm>
#include <string>

#include "content/ChunkText.h"
#include "content/DocumentPath.h"
#include "content/EngineState.h"
#include "content/GatheredBytes.h"
#include "content/MemberTextFilter.h"
#include "foundation/AnsiText.h"
#include "frame/resource.h"
#include "foundation/AutomationOut.h"

namespace kelmsgs {

namespace {

// Bytes of the content reader's element buffer: its capacity and a spare for the end.
constexpr DWORD kElementCapacity = 65536;

// The first n gathered bytes as a new string, written straight into it (cleaned or just
// widened): the text is never held twice in 16-bit form.
HRESULT Hand(const GatheredBytes& text, std::size_t n, bool clean, BSTR* pVal) {
  if (n > kMaxBstrLength) return E_OUTOFMEMORY;
  Bstr out(SysAllocStringLen(nullptr, static_cast<UINT>(n)));
  if (!out) return E_OUTOFMEMORY;
  text.WidenInto(reinterpret_cast<char16_t*>(out.get()), n, clean);
  *pVal = out.release();
  return S_OK;
}

}  // namespace

CQMXFileContent::CQMXFileContent() {
  // A new object starts from no document: the shared handles are forgotten, not closed.
  EngineState& state = EngineState::Instance();
  state.document.release();
  state.member.release();
  state.memberContent.release();
  state.source.reset();
}

CQMXFileContent::~CQMXFileContent() {
  EngineState& state = EngineState::Instance();
  // 1. The member-name table.
  state.memberNames.Free();
  // 2. Whatever is open in the engine, whichever object opened it.
  state.memberContent.reset();
  state.CloseDocument();
  // 3. The source stream.
  if (state.source) {
    Log("Releasing stream (destructor).");
    state.source.reset();
  }
  // 4. The last line, then the log.
  Log("FileContent destructed.");
  log_.Close();
}

HRESULT CQMXFileContent::get_EnginePath(BSTR* pVal) {
  if (!pVal) return E_POINTER;
  return enginePath_ ? StringOut(enginePath_, pVal) : StringOut(std::wstring(), pVal);
}

HRESULT CQMXFileContent::Open(IUnknown* /*ContentStream*/, BSTR Filename, VARIANT_BOOL* pVal) {
  if (!pVal) return E_POINTER;
  *pVal = VARIANT_FALSE;
  // 1. No archive until the new document says so.
  archive_ = false;
  // 2. A name and an engine.
  if (!Filename || SysStringLen(Filename) == 0) return S_OK;
  const FilterEntryPoints* engine = FilterEngine::Get();
  if (!engine) return S_OK;
  // 3. The document, by its 8-bit path (a name the filter cannot be given fails the
  // open). A document still open is not closed here: callers close between documents.
  EngineState& state = EngineState::Instance();
  std::string path = FilterDocumentPath(std::wstring_view(Filename, SysStringLen(Filename)));
  if (path.empty()) return S_OK;
  DFHANDLE document = 0;
  if (engine->DAOpenDocument(&document, DF_SOURCE_ANSIPATH, path.data(), 0) != DF_OK) return S_OK;
  state.document.release();
  state.document.reset(document);
  // 4. Its text reader; without one the document is closed again.
  DFHANDLE text = 0;
  state.text.release();
  if (engine->TAOpenText(document, &text) != DF_OK) {
    state.document.reset();
    return S_OK;
  }
  state.text.reset(text);
  // 5. Open; an archive when the filter counts members.
  *pVal = VARIANT_TRUE;
  if (engine->DAGetTreeCount(document, &memberCount_) == DF_OK) archive_ = memberCount_ > 0;
  return S_OK;
}

HRESULT CQMXFileContent::get_FileContent(BSTR* pVal) {
  if (!pVal) return E_POINTER;
  *pVal = nullptr;
  GatheredBytes text;
  const HRESULT hr = ReadDocumentText(text);
  if (FAILED(hr)) return hr;
  return Hand(text, text.size(), true, pVal);
}

HRESULT CQMXFileContent::ReadDocumentText(GatheredBytes& text) {
  // 1. Without a text reader the text is empty, and no thread is started.
  EngineState& state = EngineState::Instance();
  const FilterEntryPoints* engine = FilterEngine::Current();
  if (!state.text || !engine) return S_OK;
  const ULONGLONG deadline = GetTickCount64() + firstReadLimitMs_.load();

  // 2. A first read on this reader given up on earlier must end before another starts:
  // the filter never gets two reads of one reader at once. It counts against this
  // call's time limit.
  if (state.pendingRead) {
    if (state.pendingRead->text() == state.text.get() && !state.pendingRead->WaitUntil(deadline))
      return Fail(IDS_FILE_CORRUPT);
    state.pendingRead.reset();
  }

  // 3. The first chunk on a thread of its own, waited for until the time limit. A read
  // that misses it is abandoned (it writes only into its own block) and the document
  // stays open.
  std::shared_ptr<FirstTextRead> first =
      FirstTextRead::Start(engine->TAReadFirst, state.text.get());
  if (!first) return E_OUTOFMEMORY;
  if (!first->WaitUntil(deadline)) {
    state.pendingRead = std::move(first);
    return Fail(IDS_FILE_CORRUPT);
  }

  // 4. The first chunk without its leading white space; a failing first read still
  // gives whatever it wrote.
  const std::size_t blank = LeadingBlankBytes(first->bytes(), first->count());
  if (!text.Append(first->bytes() + blank, first->count() - blank)) return E_OUTOFMEMORY;

  // 5. The later chunks, whole, while the filter says more may follow.
  BYTE* chunk = state.TextChunk();
  if (!chunk) return E_OUTOFMEMORY;
  DFSTATUS status = first->status();
  while (status == DF_OK) {
    DWORD count = 0;
    status = engine->TAReadNext(state.text.get(), chunk, FirstTextRead::kCapacity, &count);
    if ((status == DF_OK || status == DF_TEXT_LAST) &&
        !text.Append(chunk, std::min<DWORD>(count, FirstTextRead::kCapacity)))
      return E_OUTOFMEMORY;
  }
  return S_OK;
}

HRESULT CQMXFileContent::get_ArchiveCount(LONG* pVal) {
  if (!pVal) return E_POINTER;
  *pVal = memberCount_;
  return S_OK;
}

HRESULT CQMXFileContent::CheckMember(LONG index) const {
  if (!EngineState::Instance().document || !archive_) return E_FAIL;
  if (index < 0 || index >= memberCount_) return E_INVALIDARG;
  return S_OK;
}

namespace {
// The tree record of a member; false when the filter has none.
bool ReadTreeRecord(LONG index, DFTREERECORD& record) {
  record = {};
  record.dwSize = sizeof record;
  record.dwIndex = static_cast<DWORD>(index);
  const FilterEntryPoints* engine = FilterEngine::Current();
  if (!engine || engine->DAGetTreeRecord(EngineState::Instance().document.get(), &record) != DF_OK)
    return false;
  record.szName[DF_TREE_NAME_BYTES - 1] = '\0';
  return true;
}
}  // namespace

HRESULT CQMXFileContent::get_ArchiveFilename(LONG Index, BSTR* pVal) {
  if (!pVal) return E_POINTER;
  // 1-2. An archive and a member of it.
  HRESULT hr = CheckMember(Index);
  if (FAILED(hr)) return hr;
  // 3-4. The member's name from the ANSI code page; empty when the filter has none.
  DFTREERECORD record;
  const std::wstring name = ReadTreeRecord(Index, record) ? WideFromAnsi(record.szName) : L"";
  return StringOut(name, pVal);
}

HRESULT CQMXFileContent::get_ArchiveFilesize(LONG Index, LONG* pVal) {
  if (!pVal) return E_POINTER;
  // 1-2. An archive and a member of it.
  HRESULT hr = CheckMember(Index);
  if (FAILED(hr)) return hr;
  // 3-4. The member's size; 0 when the filter has none.
  DFTREERECORD record;
  *pVal = ReadTreeRecord(Index, record) ? static_cast<LONG>(record.dwFileSize) : 0;
  return S_OK;
}

HRESULT CQMXFileContent::get_ArchiveContent(LONG Index, BSTR* pVal) {
  if (!pVal) return E_POINTER;
  *pVal = nullptr;
  // 1. An archive and a member of it.
  HRESULT hr = CheckMember(Index);
  if (FAILED(hr)) return hr;
  // 2. The member's record.
  DFTREERECORD record;
  if (!ReadTreeRecord(Index, record)) return E_FAIL;

  // 3. The element buffer (movable, locked for the walk).
  EngineState& state = EngineState::Instance();
  const FilterEntryPoints* engine = FilterEngine::Current();
  GlobalMemory buffer(GlobalAlloc(GMEM_MOVEABLE, kElementCapacity + 1));
  if (!buffer) return Fail(IDS_COULD_NOT_ALLOCATE);
  const GlobalLockScope bytes(buffer.get());
  if (!bytes.data()) return Fail(IDS_COULD_NOT_ALLOCATE);

  // 4. The member and its content reader, both closed on every way out (the reader
  // first, both before the buffer goes).
  const ScopeExit closeMember([&state] {
    state.memberContent.reset();
    state.member.reset();
  });
  engine->DAOpenTreeRecord(state.document.get(), state.member.put(), static_cast<DWORD>(Index));
  if (engine->CAOpenContent(state.member.get(), state.memberContent.put()) != DF_OK) return E_FAIL;

  // The element record.
  DFCONTENTELEMENT element{};
  element.dwSize = sizeof element;
  element.dwFlags = 0;
  element.dwBufferSize = kElementCapacity;
  element.pBuffer = bytes.data();

  // 5. The elements: body text is gathered, enclosed parts are passed over.
  MemberTextFilter filter;
  GatheredBytes gathered;
  for (DFSTATUS status = engine->CAReadFirst(state.memberContent.get(), &element); status == DF_OK;
       status = engine->CAReadNext(state.memberContent.get(), &element)) {
    if (!filter.Keep(element.dwType, element.dwSubType)) continue;
    const std::size_t n = std::min<DWORD>(element.dwData[0], kElementCapacity);
    if (!gathered.Append(static_cast<const unsigned char*>(bytes.data()), n))
      return Fail(IDS_COULD_NOT_ALLOCATE);
  }

  // 6-7. The gathered bytes up to the first zero, widened; no cleaning.
  return Hand(gathered, gathered.SizeBeforeZero(), false, pVal);
}

HRESULT CQMXFileContent::get_Filetype(FileTypeConstants* pVal) {
  if (!pVal) return E_POINTER;
  // The engine determines no file type.
  *pVal = TypeUnknown;
  return S_OK;
}

HRESULT CQMXFileContent::Close() {
  EngineState::Instance().CloseDocument();
  Log("Document closed.");
  return S_OK;
}

HRESULT CQMXFileContent::get_Size(LONG* pVal) {
  if (!pVal) return E_POINTER;
  *pVal = size_;
  return S_OK;
}

HRESULT CQMXFileContent::get_LogFile(BSTR* pVal) {
  return log_.get_LogFile(pVal);
}

HRESULT CQMXFileContent::put_LogFile(BSTR newVal) {
  return log_.put_LogFile(newVal, loggingEnabled_);
}

HRESULT CQMXFileContent::get_LoggingEnabled(VARIANT_BOOL* pVal) {
  return BoolOut(loggingEnabled_, pVal);
}

HRESULT CQMXFileContent::put_LoggingEnabled(VARIANT_BOOL newVal) {
  loggingEnabled_ = newVal != VARIANT_FALSE;
  return S_OK;
}

}  // namespace kelmsgs
