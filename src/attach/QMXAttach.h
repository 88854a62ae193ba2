// QMXAttach: one MAPI attachment of a message. It shows the attachment's name, identifier,
// size, rendering position and extension, saves its data to a file, and opens the data in
// a content object (QMXFileContent) for its plain text and the members of an archive.
// The message's Attachment members make these objects: Attach with the opened MAPI
// attachment, then AddProperties with the long file name and the identifier string.
#pragma once

#include <mapix.h>

#include "KelMsgs.h"
#include "foundation/ComPtr.h"
#include "foundation/ObjectLog.h"
#include "foundation/Owned.h"
#include "frame/AutomationObject.h"

namespace kelmsgs {

class CQMXAttach final : public AutomationObject<CQMXAttach, IQMXAttach, QMXAttach> {
 public:
  ~CQMXAttach() override;

  HRESULT STDMETHODCALLTYPE putref_Attach(IUnknown* newVal) override;
  HRESULT STDMETHODCALLTYPE get_Content(BSTR* pVal) override;
  HRESULT STDMETHODCALLTYPE AddProperties(BSTR Filename, BSTR EntryId) override;
  HRESULT STDMETHODCALLTYPE get_Filename(BSTR* pVal) override;
  HRESULT STDMETHODCALLTYPE get_EntryId(BSTR* pVal) override;
  HRESULT STDMETHODCALLTYPE get_ArchiveCount(LONG* pVal) override;
  HRESULT STDMETHODCALLTYPE get_ArchiveFilename(LONG Index, BSTR* pVal) override;
  HRESULT STDMETHODCALLTYPE get_ArchiveContent(LONG Index, BSTR* pVal) override;
  HRESULT STDMETHODCALLTYPE OpenContent(VARIANT_BOOL* pVal) override;
  HRESULT STDMETHODCALLTYPE CloseContent() override;
  HRESULT STDMETHODCALLTYPE get_Filetype(FileTypeConstants* pVal) override;
  HRESULT STDMETHODCALLTYPE get_Size(LONG* pVal) override;
  HRESULT STDMETHODCALLTYPE get_Position(LONG* pVal) override;
  HRESULT STDMETHODCALLTYPE get_LogFile(BSTR* pVal) override;
  HRESULT STDMETHODCALLTYPE put_LogFile(BSTR newVal) override;
  HRESULT STDMETHODCALLTYPE get_MAPIObject(IUnknown** pVal) override;
  HRESULT STDMETHODCALLTYPE get_Extension(BSTR* pVal) override;
  HRESULT STDMETHODCALLTYPE get_ArchiveFilesize(LONG Index, LONG* pVal) override;
  HRESULT STDMETHODCALLTYPE Save(BSTR Filename, BSTR* pVal) override;

 private:
  // The stored file name as it was given (empty when none).
  std::wstring StoredWideName() const;

  ComPtr<IMAPIProp> attachment_;
  ComPtr<IQMXFileContent> content_;
  Bstr filename_;
  Bstr entryId_;
  LONG size_ = 0;
  ObjectLog log_;
};

}  // namespace kelmsgs
