// QMXMessageStore: one opened message store. It resolves the store's root, receive and
// standard folders into folder objects, opens messages by identifier string and, once
// advised, forwards the store's notifications to the session.
#pragma once

#include <mapix.h>

#include <array>
#include <string>

#include "KelMsgs.h"
#include "foundation/MapiOwned.h"
#include "foundation/ObjectLog.h"
#include "foundation/Owned.h"
#include "frame/EventSourceObject.h"

namespace kelmsgs {

class CQMXMessageStore final
    : public EventSourceObject<CQMXMessageStore, IQMXMessageStore, QMXMessageStore,
                               DIID__IQMXMessageStoreEvents> {
 public:
  CQMXMessageStore();
  ~CQMXMessageStore() override;

  HRESULT STDMETHODCALLTYPE get_DateTimeString(DATE DateTime, BSTR* pVal) override;
  HRESULT STDMETHODCALLTYPE get_Default(VARIANT_BOOL* pVal) override;
  HRESULT STDMETHODCALLTYPE get_FolderType(IQMXStoreFolder* Folder,
                                           MAPIFolderTypeConstants* pVal) override;
  HRESULT STDMETHODCALLTYPE putref_MsgStore(IUnknown* newVal) override;
  HRESULT STDMETHODCALLTYPE get_Public(VARIANT_BOOL* pVal) override;
  HRESULT STDMETHODCALLTYPE AddProperties(BSTR DisplayName, VARIANT_BOOL Default,
                                          VARIANT_BOOL Subfolders) override;
  HRESULT STDMETHODCALLTYPE get_RootFolder(IQMXStoreFolder** pVal) override;
  HRESULT STDMETHODCALLTYPE GetEntryId(unsigned char** EntryId, ULONG* Size) override;
  HRESULT STDMETHODCALLTYPE get_DisplayName(BSTR* pVal) override;
  HRESULT STDMETHODCALLTYPE get_StandardFolder(MAPIFolderTypeConstants FolderType,
                                               IQMXStoreFolder** pVal) override;
  HRESULT STDMETHODCALLTYPE GetStdFolderId(MAPIFolderTypeConstants FolderType,
                                           unsigned char** EntryId, ULONG* Size) override;
  HRESULT STDMETHODCALLTYPE Advise(IQMXSession* Session) override;
  HRESULT STDMETHODCALLTYPE Unadvise() override;
  HRESULT STDMETHODCALLTYPE get_Advised(VARIANT_BOOL* pVal) override;
  HRESULT STDMETHODCALLTYPE get_EntryId(BSTR* pVal) override;
  HRESULT STDMETHODCALLTYPE get_LogFile(BSTR* pVal) override;
  HRESULT STDMETHODCALLTYPE put_LogFile(BSTR newVal) override;
  HRESULT STDMETHODCALLTYPE get_Message(BSTR EntryId, IQMXMessage** pVal) override;
  HRESULT STDMETHODCALLTYPE get_LoggingEnabled(VARIANT_BOOL* pVal) override;
  HRESULT STDMETHODCALLTYPE put_LoggingEnabled(VARIANT_BOOL newVal) override;
  HRESULT STDMETHODCALLTYPE get_ReceiveFolder(IQMXStoreFolder** pVal) override;

  // Notifications of the store, from its advise sink.
  void OnStoreNotify(ULONG count, const NOTIFICATION* notifications);

 private:
  static constexpr int kStandardFolders = 9;  // inbox 0 ... tasks 8

  void Log(const char* text) {
    if (loggingEnabled_) log_.Write(text);
  }
  void OpenStandardFolders();
  // The folder an identifier value names (none for a missing or error value).
  HRESULT OpenFolderById(const SPropValue* id, ComPtr<IMAPIFolder>& folder);
  // Notification handling (StoreNotifications.cpp).
  struct IdRef;
  struct ForwardIds;
  void OnNewMail(const NEWMAIL_NOTIFICATION& mail);
  void OnFolderCreated(const OBJECT_NOTIFICATION& object);
  void OnObjectCreated(const OBJECT_NOTIFICATION& object);
  void OnObjectChanged(ULONG eventType, const OBJECT_NOTIFICATION& object);
  void LogObjectType(ULONG objectType);
  // Opens a notified object with the best access the store grants.
  HRESULT OpenNotified(IdRef id, ComPtr<IMAPIProp>& object);
  // The PR_ENTRYID of the object a notified identifier opens (kept in holder); unknown
  // when it cannot be opened or read.
  IdRef OwnEntryId(IdRef id, PropValues& holder);
  bool IsReceiveFolder(IdRef id);
  // Whether the object carries the search engine's "QNDDocID" named property.
  static bool CarriesResultMark(IMAPIProp* object);
  // Records notified -> own in the identifier map when own is a long identifier.
  void MapIdentifier(IdRef notified, IdRef own);
  // Hands the event to the session, in MAPI buffers that the session frees.
  void Forward(const ForwardIds& ids, ULONG eventType, ULONG objectType, bool isResult);

  // A folder object for a MAPI folder, named display name (when one is given).
  HRESULT WrapFolder(IMAPIFolder* folder, BSTR displayName, IQMXStoreFolder** out);

  ComPtr<IUnknown> sink_;
  ComPtr<IQMXSession> session_;
  ULONG supportMask_ = 0;
  ULONG connection_ = 0;
  bool advised_ = false;
  bool default_ = false;
  bool subfolders_ = false;
  bool loggingEnabled_ = true;
  Bstr displayName_;
  Bstr rootDisplayName_;
  std::string registryKeyPath_;
  std::array<ComPtr<IMAPIFolder>, kStandardFolders> standardFolders_;
  ComPtr<IMsgStore> store_;
  ComPtr<IMAPIFolder> rootFolder_;
  ObjectLog log_;
};

}  // namespace kelmsgs
