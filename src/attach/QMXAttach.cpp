#include "foundation/AutomationOut.h"
#include "attach/QMXAttach.h"

#include <mapiutil.h>

#include <string>

#include "attach/AttachData.h"
#include "attach/QlaPaths.h"
#include "foundation/AnsiText.h"
#include "foundation/BstrText.h"
#include "foundation/MapiOwned.h"
#include "frame/ObjectFactory.h"

namespace kelmsgs {

namespace {

// The text after the last dot of name; empty when there is no dot.
std::wstring AfterLastDot(std::wstring_view name) {
  const std::size_t dot = name.rfind(L'.');
  return dot == std::wstring_view::npos ? std::wstring() : std::wstring(name.substr(dot + 1));
}

// A new BSTR copy of a caller's string; null for a null or empty one.
Bstr NonEmptyCopy(BSTR text) {
  return text && SysStringLen(text) ? BstrCopy(text) : Bstr();
}

}  // namespace

CQMXAttach::~CQMXAttach() {
  // The content object closes the engine's handles itself when it goes.
  attachment_.reset();
  content_.reset();
  log_.Write("Attachment released.");
  log_.Close();
}

std::wstring CQMXAttach::StoredWideName() const {
  return filename_ ? std::wstring(filename_.get(), SysStringLen(filename_.get())) : std::wstring();
}

HRESULT CQMXAttach::putref_Attach(IUnknown* newVal) {
  // Only a MAPI property object is held: anything else would be called as one.
  ComPtr<IMAPIProp> attachment;
  if (newVal) {
    const HRESULT hr = newVal->QueryInterface(IID_IMAPIProp, attachment.put_void());
    if (FAILED(hr)) return hr;
  }
  attachment_ = std::move(attachment);
  // Its size; a failed read keeps the size held before.
  PropValues size;
  if (attachment_ && SUCCEEDED(HrGetOneProp(attachment_.get(), PR_ATTACH_SIZE, size.put())))
    size_ = size.get()->Value.l;
  return S_OK;
}

HRESULT CQMXAttach::AddProperties(BSTR Filename, BSTR EntryId) {
  // 1. The name given, else the short file name of the attachment.
  filename_ = NonEmptyCopy(Filename);
  PropValues shortName;
  if (!filename_ && attachment_ &&
      SUCCEEDED(HrGetOneProp(attachment_.get(), PR_ATTACH_FILENAME_A, shortName.put()))) {
    filename_ = BstrFromWide(WideFromAnsi(shortName.get()->Value.lpszA));
  }
  // 2. The identifier.
  entryId_ = NonEmptyCopy(EntryId);
  return S_OK;
}

HRESULT CQMXAttach::get_Filename(BSTR* pVal) {
  return StringOut(filename_, pVal);
}

HRESULT CQMXAttach::get_EntryId(BSTR* pVal) {
  return StringOut(entryId_, pVal);
}

// Members answered by the content object; without one they leave the result alone.
HRESULT CQMXAttach::get_Content(BSTR* pVal) {
  if (!pVal) return E_POINTER;
  return content_ ? content_->get_FileContent(pVal) : S_OK;
}
HRESULT CQMXAttach::get_ArchiveCount(LONG* pVal) {
  if (!pVal) return E_POINTER;
  return content_ ? content_->get_ArchiveCount(pVal) : S_OK;
}
HRESULT CQMXAttach::get_ArchiveFilename(LONG Index, BSTR* pVal) {
  if (!pVal) return E_POINTER;
  return content_ ? content_->get_ArchiveFilename(Index, pVal) : S_OK;
}
HRESULT CQMXAttach::get_ArchiveContent(LONG Index, BSTR* pVal) {
  if (!pVal) return E_POINTER;
  return content_ ? content_->get_ArchiveContent(Index, pVal) : S_OK;
}
HRESULT CQMXAttach::get_ArchiveFilesize(LONG Index, LONG* pVal) {
  if (!pVal) return E_POINTER;
  return content_ ? content_->get_ArchiveFilesize(Index, pVal) : S_OK;
}

HRESULT CQMXAttach::OpenContent(VARIANT_BOOL* pVal) {
  if (!pVal) return E_POINTER;
  // 1. Not opened until the engine says so.
  *pVal = VARIANT_FALSE;
  if (!attachment_) return E_FAIL;
  // 2. The attachment's data.
  AttachDataStream data = OpenAttachData(attachment_.get());
  if (!data.methodRead) return data.hr;
  HRESULT hr = data.hr;
  // 3. The content object, made once and kept.
  if (!content_) hr = CreateObject(CLSID_QMXFileContent, content_);
  // 4. Nothing to open, or nothing to open it with.
  if (!data.stream || !content_) return hr;
  // 5. A working copy in the temporary directory under a name of its own, so that
  //    removing it never removes a file saved there under the stored name.
  std::wstring path;
  hr = NewQlaWorkingFile(StoredWideName(), path);
  if (FAILED(hr)) return hr;
  // 8 (on every path from here). The copy goes; when the engine still holds it, the
  //    directory's cleanup takes it.
  const ScopeExit removeCopy([&path] { DeleteFileW(path.c_str()); });
  // 6. The data copied into it, whole.
  hr = CopyStreamToFile(data.stream.get(), path);
  if (FAILED(hr)) return hr;
  // 7. The engine reads the copy.
  const Bstr name = BstrFromWide(path);
  if (!name) return E_OUTOFMEMORY;
  // 9. The engine's answer.
  return content_->Open(nullptr, name.get(), pVal);
}

HRESULT CQMXAttach::CloseContent() {
  if (!content_) return S_OK;
  const HRESULT hr = content_->Close();
  content_.reset();
  return hr;
}

HRESULT CQMXAttach::get_Filetype(FileTypeConstants* pVal) {
  if (!pVal) return E_POINTER;
  *pVal = TypeUnknown;
  return content_ ? content_->get_Filetype(pVal) : S_OK;
}

HRESULT CQMXAttach::get_Size(LONG* pVal) {
  if (!pVal) return E_POINTER;
  *pVal = size_;
  return S_OK;
}

HRESULT CQMXAttach::get_Position(LONG* pVal) {
  if (!pVal) return E_POINTER;
  PropValues position;
  *pVal = attachment_ &&
                  SUCCEEDED(HrGetOneProp(attachment_.get(), PR_RENDERING_POSITION, position.put()))
              ? position.get()->Value.l
              : -1;
  return S_OK;
}

HRESULT CQMXAttach::get_LogFile(BSTR* pVal) {
  return log_.get_LogFile(pVal);
}
HRESULT CQMXAttach::put_LogFile(BSTR newVal) {
  return log_.put_LogFile(newVal, true);
}

HRESULT CQMXAttach::get_MAPIObject(IUnknown** pVal) {
  if (!pVal) return E_POINTER;
  attachment_.copy_to(pVal);
  return S_OK;
}

HRESULT CQMXAttach::get_Extension(BSTR* pVal) {
  if (!pVal) return E_POINTER;
  std::wstring extension;
  // 1. The extension property (".doc" gives "doc"; a value without a dot gives nothing).
  PropValues value;
  if (attachment_ && SUCCEEDED(HrGetOneProp(attachment_.get(), PR_ATTACH_EXTENSION_A, value.put())))
    extension = AfterLastDot(WideFromNarrow(value.get()->Value.lpszA));
  // 2. The stored file name.
  if (extension.empty()) extension = AfterLastDot(StoredWideName());
  // 3. An embedded message is a message file.
  if (extension.empty() && attachment_ &&
      SUCCEEDED(HrGetOneProp(attachment_.get(), PR_ATTACH_METHOD, value.put())) &&
      value.get()->Value.l == ATTACH_EMBEDDED_MSG)
    extension = L"msg";
  return StringOut(extension, pVal);
}

HRESULT CQMXAttach::Save(BSTR Filename, BSTR* pVal) {
  if (!pVal) return E_POINTER;
  if (!attachment_) return E_FAIL;
  // 1. The attachment's data; a method without one saves nothing.
  AttachDataStream data = OpenAttachData(attachment_.get());
  if (!data.stream) return data.hr;
  // 2. The caller's path as given, else a safe name in the temporary directory.
  std::wstring path;
  if (Filename && SysStringLen(Filename)) {
    path.assign(Filename, SysStringLen(Filename));
  } else if (const HRESULT hr = QlaFilePath(StoredWideName(), path); FAILED(hr)) {
    return hr;
  }
  // 3-4. Copied; the path is the result only when the file was committed.
  const HRESULT hr = CopyStreamToFile(data.stream.get(), path);
  if (FAILED(hr)) return hr;
  return StringOut(path, pVal);
}

}  // namespace kelmsgs
