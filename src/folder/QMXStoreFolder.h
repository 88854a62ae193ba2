// QMXStoreFolder: one MAPI folder. Given its folder it takes a snapshot (identifiers,
// subfolder and contents rows, each sorted) and answers counts, names and message
// properties from it; Folder and Message open the entry of an indexed row.
#pragma once

#include <mapix.h>

#include "KelMsgs.h"
#include "folder/ContentsSnapshot.h"
#include "foundation/MapiOwned.h"
#include "foundation/ObjectLog.h"
#include "foundation/Owned.h"
#include "frame/EventSourceObject.h"

namespace kelmsgs {

class CQMXStoreFolder final
    : public EventSourceObject<CQMXStoreFolder, IQMXStoreFolder, QMXStoreFolder,
                               DIID__IQMXStoreFolderEvents> {
 public:
  ~CQMXStoreFolder() override;

  HRESULT STDMETHODCALLTYPE get_DisplayName(BSTR* pVal) override;
  HRESULT STDMETHODCALLTYPE put_DisplayName(BSTR newVal) override;
  HRESULT STDMETHODCALLTYPE putref_MsgStore(IUnknown* newVal) override;
  HRESULT STDMETHODCALLTYPE get_Subfolders(VARIANT_BOOL* pVal) override;
  HRESULT STDMETHODCALLTYPE get_SubfolderCount(LONG* pVal) override;
  HRESULT STDMETHODCALLTYPE get_Messages(VARIANT_BOOL* pVal) override;
  HRESULT STDMETHODCALLTYPE get_MessageCount(LONG* pVal) override;
  HRESULT STDMETHODCALLTYPE get_Folder(LONG Index, IQMXStoreFolder** pVal) override;
  HRESULT STDMETHODCALLTYPE get_FolderID(BSTR* pVal) override;
  HRESULT STDMETHODCALLTYPE get_ParentId(BSTR* pVal) override;
  HRESULT STDMETHODCALLTYPE get_StoreID(BSTR* pVal) override;
  HRESULT STDMETHODCALLTYPE get_Message(LONG Index, IQMXMessage** pVal) override;
  HRESULT STDMETHODCALLTYPE get_InternalStoreIndex(LONG* pVal) override;
  HRESULT STDMETHODCALLTYPE put_InternalStoreIndex(LONG newVal) override;
  HRESULT STDMETHODCALLTYPE GetEntryId(unsigned char** EntryId, ULONG* Size) override;
  HRESULT STDMETHODCALLTYPE get_MAPIObject(IUnknown** pVal) override;
  HRESULT STDMETHODCALLTYPE Clear() override;
  HRESULT STDMETHODCALLTYPE get_MessageProperty(LONG Index, MessagePropertyConstants Property,
                                                VARIANT* pVal) override;
  HRESULT STDMETHODCALLTYPE get_LogFile(BSTR* pVal) override;
  HRESULT STDMETHODCALLTYPE put_LogFile(BSTR newVal) override;
  HRESULT STDMETHODCALLTYPE get_SubfolderName(LONG Index, BSTR* pVal) override;
  HRESULT STDMETHODCALLTYPE get_IsInbox(VARIANT_BOOL* pVal) override;
  HRESULT STDMETHODCALLTYPE put_IsInbox(VARIANT_BOOL newVal) override;
  HRESULT STDMETHODCALLTYPE get_IsSentItems(VARIANT_BOOL* pVal) override;
  HRESULT STDMETHODCALLTYPE put_IsSentItems(VARIANT_BOOL newVal) override;

 private:
  // Forgets everything read from a folder: the names, identifiers, counts and rows.
  void ClearSnapshot();
  void ReadIdentity();
  HRESULT ReadRows(ULONG containerTag, LPSPropTagArray columns, LPSSortOrderSet order,
                   RowSet& rows);

  Bstr displayName_;
  ComPtr<IMAPIFolder> folder_;
  RowSet hierarchy_;
  ContentsSnapshot contents_;
  Bstr folderId_;
  Bstr parentId_;
  Bstr storeId_;
  LONG internalStoreIndex_ = 0;
  bool hasSubfolders_ = false;
  bool hasMessages_ = false;
  LONG subfolderCount_ = 0;
  LONG messageCount_ = 0;
  VARIANT_BOOL isInbox_ = VARIANT_FALSE;
  VARIANT_BOOL isSentItems_ = VARIANT_FALSE;
  ObjectLog log_;
};

}  // namespace kelmsgs
