// QMXSession: the client's entry point. It initialises MAPI, logs on to the running
// profile, wraps the profile's message stores, records profile information and offers
// the session-wide operations of the object model. Its members are split over source
// units by concern: lifecycle and properties (QMXSession.cpp), logon (SessionLogon.cpp),
// profile information (SessionProfiles.cpp), the store table (SessionStores.cpp),
// message events (SessionEvents.cpp), access by identifier (SessionAccess.cpp), the
// folder walk (SessionFolderWalk.cpp), the removal of stores from the profile
// (SessionRemoveStore.cpp, SessionRemoveStoreRegKeys.cpp), the host's toolbar and windows
// (SessionHostLinks.cpp), forms (SessionForms.cpp), the result store
// (SessionResultFolder.cpp) and the rich-text helpers (SessionRichText.cpp).
#pragma once

#include <mapix.h>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "KelMsgs.h"
#include "foundation/HexId.h"
#include "foundation/MapiOwned.h"
#include "foundation/Owned.h"
#include "foundation/TraceLog.h"
#include "frame/EventSourceObject.h"
#include "session/MessagePump.h"
#include "session/SharedRowSet.h"
#include "session/StandardFolderTable.h"

namespace kelmsgs {

class RtfRewriter;
class AttachCopy;

class CQMXSession final
    : public EventSourceObject<CQMXSession, IQMXSession, QMXSession, DIID__IQMXSessionEvents> {
 public:
  CQMXSession();
  ~CQMXSession() override;

  // Lifecycle and logon
  HRESULT STDMETHODCALLTYPE MAPIInit(VARIANT_BOOL MultiThread) override;
  HRESULT STDMETHODCALLTYPE Logon(BSTR ProfileName, BSTR Password, VARIANT_BOOL* pVal) override;
  HRESULT STDMETHODCALLTYPE Logoff(VARIANT_BOOL bMAPIUninitialize) override;
  HRESULT STDMETHODCALLTYPE get_MAPIObject(IUnknown** pVal) override;
  HRESULT STDMETHODCALLTYPE put_MAPIObject(IUnknown* newVal) override;

  // Logging
  HRESULT STDMETHODCALLTYPE get_LogFile(BSTR* pVal) override;
  HRESULT STDMETHODCALLTYPE put_LogFile(BSTR newVal) override;
  HRESULT STDMETHODCALLTYPE get_LoggingEnabled(VARIANT_BOOL* pVal) override;
  HRESULT STDMETHODCALLTYPE put_LoggingEnabled(VARIANT_BOOL newVal) override;
  HRESULT STDMETHODCALLTYPE get_AppendLog(VARIANT_BOOL* pVal) override;
  HRESULT STDMETHODCALLTYPE put_AppendLog(VARIANT_BOOL newVal) override;

  // Profile, path and version information
  HRESULT STDMETHODCALLTYPE get_ProfileCount(LONG* pVal) override;
  HRESULT STDMETHODCALLTYPE get_ProfileName(LONG Index, BSTR* pVal) override;
  HRESULT STDMETHODCALLTYPE get_DefaultProfileName(BSTR* pVal) override;
  HRESULT STDMETHODCALLTYPE get_CurrentProfileName(BSTR* pVal) override;
  HRESULT STDMETHODCALLTYPE get_CurrentUser(BSTR* pVal) override;
  HRESULT STDMETHODCALLTYPE get_OutlookVersion(LONG* pVal) override;
  HRESULT STDMETHODCALLTYPE put_OutlookVersion(LONG newVal) override;
  HRESULT STDMETHODCALLTYPE get_InifilePath(BSTR* pVal) override;
  HRESULT STDMETHODCALLTYPE put_InifilePath(BSTR newVal) override;
  HRESULT STDMETHODCALLTYPE get_PersonalFolder(BSTR* pVal) override;
  HRESULT STDMETHODCALLTYPE get_UserFolder(BSTR* pVal) override;
  HRESULT STDMETHODCALLTYPE get_BuildNumber(LONG* pVal) override;
  HRESULT STDMETHODCALLTYPE get_PatchNumber(LONG* pVal) override;

  // Store table
  HRESULT STDMETHODCALLTYPE get_StoreCount(LONG* pVal) override;
  HRESULT STDMETHODCALLTYPE get_MsgStore(LONG Index, IQMXMessageStore** pVal) override;
  HRESULT STDMETHODCALLTYPE get_MsgStoreByStoreId(BSTR StoreID, IQMXMessageStore** pVal) override;
  HRESULT STDMETHODCALLTYPE get_MsgStoreDisplayName(LONG Index, BSTR* pVal) override;
  HRESULT STDMETHODCALLTYPE get_MsgStoreId(LONG Index, BSTR* pVal) override;
  HRESULT STDMETHODCALLTYPE IsSameAs(BSTR EntryId1, BSTR EntryId2, VARIANT_BOOL* pVal) override;
  HRESULT STDMETHODCALLTYPE get_CompareFolders(IQMXStoreFolder* Comp1, IQMXStoreFolder* Comp2,
                                               VARIANT_BOOL* pVal) override;

  // Events
  HRESULT STDMETHODCALLTYPE get_TrackEvents(VARIANT_BOOL* pVal) override;
  HRESULT STDMETHODCALLTYPE put_TrackEvents(VARIANT_BOOL newVal) override;
  HRESULT STDMETHODCALLTYPE get_EventCount(LONG* pVal) override;
  HRESULT STDMETHODCALLTYPE put_EventCount(LONG newVal) override;
  HRESULT STDMETHODCALLTYPE Notify(LONG EventType, IQMXMessage* Msg) override;
  HRESULT STDMETHODCALLTYPE MessageDeleted(unsigned char* MsgEntryId, ULONG MsgSize,
                                           unsigned char* FldEntryId, ULONG FldSize,
                                           unsigned char* StoreEntryId, ULONG StoreSize) override;
  HRESULT STDMETHODCALLTYPE MessageNotification(unsigned char* lpStoreId, ULONG cbStoreId,
                                                unsigned char* lpEntryId, ULONG cbEntryId,
                                                unsigned char* lpParentId, ULONG cbParentId,
                                                unsigned char* lpOldEntryId, ULONG cbOldEntryId,
                                                unsigned char* lpOldParentId, ULONG cbOldParentId,
                                                ULONG cbEventType, ULONG cbObjectType,
                                                VARIANT_BOOL bIsResult) override;

  // Messages and folders by identifier
  HRESULT STDMETHODCALLTYPE get_FolderType(IQMXMessageStore* MsgStore, IQMXStoreFolder* Folder,
                                           MAPIFolderTypeConstants* pVal) override;
  HRESULT STDMETHODCALLTYPE AddDraftsFolder(BSTR EntryId) override;
  HRESULT STDMETHODCALLTYPE get_Message(BSTR EntryId, BSTR StoreID, IQMXMessage** pVal) override;
  HRESULT STDMETHODCALLTYPE get_StoreFolder(BSTR EntryId, BSTR StoreID,
                                            IQMXStoreFolder** pVal) override;
  HRESULT STDMETHODCALLTYPE CreateMessage(BSTR FolderID, BSTR StoreID, IQMXMessage* AttachMessage,
                                          IQMXMessage** Message) override;
  HRESULT STDMETHODCALLTYPE DeleteMessage(BSTR EntryId, BSTR FolderID, BSTR StoreID) override;
  HRESULT STDMETHODCALLTYPE GetDownloadTime(BSTR FolderID, BSTR StoreID, LONG Index,
                                            LONG* DownloadTime, LONG* MessageSize) override;
  HRESULT STDMETHODCALLTYPE GetMAPIMessage(IUnknown* MAPIObject, IQMXMessage** pVal) override;
  HRESULT STDMETHODCALLTYPE GetAttachedMessage(IUnknown* MapiAttach, IQMXMessage** pVal) override;

  // Folder walk
  HRESULT STDMETHODCALLTYPE StartGetFolderInfo(VARIANT_BOOL IgnorePublic) override;
  HRESULT STDMETHODCALLTYPE get_MsgStoreFolderCount(LONG Index, LONG* pVal) override;

  // Profile administration
  HRESULT STDMETHODCALLTYPE RemoveStore(BSTR DisplayName) override;

  // Attachment copy
  HRESULT STDMETHODCALLTYPE CopyAttachments(BSTR SrcEntryId, BSTR SrcStoreId, BSTR DstEntryId,
                                            BSTR DstStoreId, VARIANT_BOOL IsAttach) override;
  HRESULT STDMETHODCALLTYPE CleanupQlaTempDir() override;
  HRESULT STDMETHODCALLTYPE StopAttachmentCopy() override;
  HRESULT STDMETHODCALLTYPE get_CopyingAttachments(VARIANT_BOOL* pVal) override;
  HRESULT STDMETHODCALLTYPE get_ProgressbarEnabled(VARIANT_BOOL* pVal) override;
  HRESULT STDMETHODCALLTYPE put_ProgressbarEnabled(VARIANT_BOOL newVal) override;
  // Stops a running attachment copy before the session could be left to its worker.
  ULONG STDMETHODCALLTYPE Release() override;

  // Mail, rich text, forms and host windows
  HRESULT STDMETHODCALLTYPE SendMail(BSTR Subject, BSTR Body, BSTR RTFBody, BSTR RecipientsList,
                                     BSTR CcList, BSTR AttachmentsList,
                                     MessageImportanceConstants Importance,
                                     VARIANT_BOOL RichText) override;
  HRESULT STDMETHODCALLTYPE put_SndPwd(BSTR newVal) override;
  HRESULT STDMETHODCALLTYPE FormatRange(LONG hWnd, LONG SelStart, LONG SelLength, LONG ForeColor,
                                        LONG BackColor) override;
  HRESULT STDMETHODCALLTYPE ClearRTF(LONG hWnd) override;
  HRESULT STDMETHODCALLTYPE FormatMessage(BSTR EntryId, BSTR StoreID, BSTR TextRTF) override;
  HRESULT STDMETHODCALLTYPE InstallForm(BSTR FolderID, BSTR StoreID,
                                        BSTR ConfigurationFile) override;
  HRESULT STDMETHODCALLTYPE GetResultFolderTest() override;
  HRESULT STDMETHODCALLTYPE putref_QLAToolbar(IOlToolbar* newVal) override;
  HRESULT STDMETHODCALLTYPE get_QLAToolbar(IOlToolbar** pVal) override;
  HRESULT STDMETHODCALLTYPE get_ToolbarHWnd(LONG* pVal) override;
  HRESULT STDMETHODCALLTYPE put_ToolbarHWnd(LONG newVal) override;
  HRESULT STDMETHODCALLTYPE get_SearchCtlHWnd(LONG* pVal) override;
  HRESULT STDMETHODCALLTYPE put_SearchCtlHWnd(LONG newVal) override;
  HRESULT STDMETHODCALLTYPE SetSearchCtlInfoText(LONG Index) override;

  // Changes of the store table, from its advise sink (on MAPI's notification thread or
  // while the client's thread dispatches messages).
  void OnTableNotify(ULONG count, const NOTIFICATION* notifications);

  // The store rows as they are now; the caller's copy stays valid whatever the table
  // does meanwhile. Null before logon and after logoff.
  SharedRowSet StoreRowsNow() const;

  // Waits until the running attachment copy has ended by itself, dispatching this thread's
  // messages meanwhile (at most limitMs); true when no copy runs any more.
  bool AwaitAttachmentCopy(DWORD limitMs);

  // Message files and attachment transfer (SessionMessageFiles.cpp, AttachmentWalk.cpp),
  // for the attachment copy service and for sending mail.
  // Writes the message with all its attachments into a ".msg" file at path (replaced when
  // it exists). No file remains at path when the result is a failure or a stop ended it.
  HRESULT SaveMessageToFile(IMessage* message, const char* path);
  // Copies every attachment of source onto target, embedded messages with theirs.
  HRESULT AddAttachments(IMessage* source, IMessage* target);
  // Attaches the files of a ";"-separated list of paths to the message (not saved).
  HRESULT CreateAttachments(ComPtr<IMessage>& message, const char* list);
  // The stop request of the attachment copy; the operations above poll it and end as
  // stopped (MAPI_E_USER_CANCEL) when it is set.
  void SetStopRequest(bool stop) { stopRequest_ = stop; }
  // Called at every poll of the stop request, before it is read (tests request a stop at a
  // chosen point with it).
  void SetStopPollObserver(std::function<void()> observer) {
    stopPollObserver_ = std::move(observer);
  }
  // The host windows named through ToolbarHWnd and SearchCtlHWnd (SessionHostLinks.cpp),
  // as handles; they need not name existing windows. The host's toolbar and progress bar
  // are process-wide (session/HostLinks.h).
  HWND ToolbarWindow() const;
  HWND SearchControlWindow() const;

 private:
  class PumpGuard;
  // One message-store provider of a profile, as "Profiles.ini" records it.
  struct StoreInfoRecord {
    std::string profileName, displayName, providerId, storeId, serviceName, pstPath;
  };

  // One trace-log entry, with the caller's source position (see SESSION_TRACE).
  void Trace(const char* operation, const std::string& message, const char* file, int line);
  // Releases the stores, the store table and the MAPI session (the logoff steps that
  // precede MAPIUninitialize).
  void ReleaseSession();

  // Post-logon steps.
  HRESULT BuildStoreTable();
  HRESULT ReloadStoreTable();
  HRESULT ReadProfileList();
  HRESULT ReadCurrentProfileName();
  HRESULT WriteProfilesIni(const PumpGuard& guard);
  HRESULT CollectProfileStores(IProfAdmin* admin, const char* profile);
  HRESULT GetStoreIdFromDisplayName(const std::string& displayName, std::string& storeId);
  void TraceRow(const SRow& row);

  // Message events (SessionEvents.cpp): the identifiers MessageNotification takes over,
  // and their record in the registry queue.
  struct EventId;
  struct EventIds;
  void RecordEvent(EventIds& ids, ULONG eventType, ULONG objectType);

  // Folder walk (SessionFolderWalk.cpp): one store row as the walk copies it, the
  // arguments of one FolderInfo event, and the steps of the walk.
  struct WalkedStore;
  struct FolderInfoArgs;
  void WalkStore(const WalkedStore& row, bool ignorePublic, IMAPISession* walked);
  void WalkFolder(IMsgStore* store, IMAPIFolder* folder, const std::string& storeId, LONG level,
                  const StandardFolderTable& table, IMAPISession* walked);
  LONG WalkFolderType(const SBinary* id, const char* containerClass, LONG depth,
                      const StandardFolderTable& table);
  void RaiseFolderInfo(const FolderInfoArgs& args);

  // Removal of a store from the profile: one message service's provider of the name (its
  // section key goes when it has none), and the sweep of the profile's sections that
  // still belong to the result store. An empty profile key leaves the registry alone.
  HRESULT RemoveServiceProvider(IMsgServiceAdmin* services, const SRow& service,
                                LPSRestriction named, const std::string& position,
                                const std::string& profileKey);
  void RemoveStoreRegKeys(const std::string& profileKey);
  bool CleanProfileSection(HKEY profile, const std::string& profileKey, const char* name);

  // Forms (SessionForms.cpp) and the result store (SessionResultFolder.cpp).
  HRESULT InstallFormInternal(const char* folderId, const char* storeId, const char* configFile);
  void TraceResultFolders(IMsgStore* store);
  void TraceFolderRow(IMsgStore* store, const SRow& row);

  // Access by identifier.
  HRESULT OpenStore(const BYTE* id, ULONG size, HWND parent, ComPtr<IMsgStore>& store);
  HRESULT OpenStore(const MapiBuffer<BYTE>& id, ULONG size, HWND parent, ComPtr<IMsgStore>& store) {
    return OpenStore(id.get(), size, parent, store);
  }
  HRESULT ReportMapiError(IUnknown* failed, HRESULT hr, const char* ownText);
  bool SameEntry(const BYTE* a, ULONG aSize, const BYTE* b, ULONG bSize, HRESULT* result = nullptr);
  // The folder of a store, both by identifier, opened as a folder (no parent window).
  HRESULT OpenStoreFolder(const BYTE* storeId, ULONG storeSize, const BYTE* folderId,
                          ULONG folderSize, ComPtr<IMAPIFolder>& folder);
  // StoreFolder's steps; their failures are reported as error information.
  HRESULT OpenFolderInStore(BSTR StoreID, const BYTE* id, ULONG size, ComPtr<IMAPIFolder>& folder,
                            bool& isInbox, bool& isSent);
  HRESULT OpenFolderBySession(const BYTE* id, ULONG size, ComPtr<IMAPIFolder>& folder);
  HRESULT IsDefaultStore(const BYTE* id, ULONG size, bool& isDefault);
  HRESULT RecogniseStandardFolder(IMsgStore* store, IMAPIFolder* folder, bool& isInbox,
                                  bool& isSent);
  HRESULT TakeFolder(IUnknown* opened, ULONG type, ComPtr<IMAPIFolder>& folder);

  // Waits (dispatching window messages) for the session's message rewrites to end; a
  // trace line of the operation when they outlast the wait.
  void FinishRewrites(const char* operation);

  // The log is also written by the message rewrites' thread.
  std::mutex logLock_;
  // Sending mail (SessionSendMail.cpp): the steps of SendMail.
  void LookUpPrimaryIdentity();
  HRESULT CheckAttachmentFiles(const std::string& list);
  HRESULT OpenDefaultStore(IMAPITable* table, ComPtr<IMsgStore>& store);
  HRESULT AddressMessage(IMessage* message, std::string to, std::string cc);
  void WriteRtfBody(IMessage* message, const std::string& rtf);

  TraceLog log_{"CQMXSession", true};
  bool mapiInitialized_ = false;
  ComPtr<IMAPISession> session_;

  // The store table, its rows, count and advise connection are shared with the table's
  // advise sink, which may run on MAPI's notification thread: they change under this lock.
  mutable std::mutex tableLock_;
  ComPtr<IMAPITable> storeTable_;
  // The store rows, with the columns of StoreColumn.
  enum class StoreColumn { EntryId, DisplayName, DefaultStore, Subfolders };
  SharedRowSet storeRows_;
  LONG storeCount_ = 0;
  ULONG tableConnection_ = 0;
  bool tableAdvised_ = false;
  std::vector<ComPtr<IQMXMessageStore>> stores_;
  // Counts logons and logoffs: a pumping member that sees it change knows it was
  // overtaken by a re-entered Logon or Logoff.
  ULONG logonGeneration_ = 0;

  bool trackEvents_ = false;
  LONG eventCount_ = 0;
  LONG outlookVersion_ = 0;
  std::wstring inifilePath_;
  std::wstring personalFolder_;
  std::wstring userFolder_;
  std::string registryKeyPath_;
  Bstr defaultProfileName_;
  Bstr currentProfileName_;
  Bstr currentUser_;
  std::vector<std::string> profileNames_;
  std::vector<StoreInfoRecord> storeInfo_;
  // Attachment copy (SessionAttachCopy.cpp, SessionCleanup.cpp): the running copy, whose
  // worker reads the flags below from its own thread.
  friend class AttachCopy;
  // Requests a stop and waits for the copy's worker (bounded); false when it is still
  // running. EndCopy clears the request again.
  bool StopCopy(const char* operation);
  bool EndCopy(const char* operation);
  void CleanupDirectory(const std::string& directory);
  std::shared_ptr<AttachCopy> copy_;
  std::atomic<DWORD> copyThreadId_{0};
  std::atomic<bool> copying_{false};
  std::atomic<bool> progressbarEnabled_{true};
  // The folder that FolderType recognises as the drafts folder (AddDraftsFolder).
  EntryIdBuffer draftsId_;

  // Message files: the attachment walk, and the stop request it and SaveMessageToFile poll.
  class AttachmentWalk;
  struct MessageFileWriter;
  bool StopRequested();
  std::atomic<bool> stopRequest_{false};
  std::function<void()> stopPollObserver_;
  // The host's window handles, 32-bit values as the host gives them.
  LONG toolbarHWnd_ = 0;
  LONG searchCtlHWnd_ = 0;
  // The writer of FormatMessage's texts, made at its first use.
  std::shared_ptr<RtfRewriter> rewriter_;
  // The password SendMail checks (8-bit); only SndPwd sets it.
  std::string sendPassword_;
};

// Held by a member that drains window messages, for the whole call: the client may re-enter
// while messages are dispatched and log off, log on again or let go of the session. The
// guard keeps the session alive and tells whether a Logon or Logoff overtook the member.
class CQMXSession::PumpGuard {
 public:
  explicit PumpGuard(CQMXSession* session)
      : session_(session), generation_(session->logonGeneration_) {}
  // Drains the messages; true while the session is still in the logon the member began in.
  bool Pump() const {
    PumpMessages();
    return session_->logonGeneration_ == generation_;
  }

 private:
  const ComPtr<CQMXSession> session_;
  const ULONG generation_;
};

}  // namespace kelmsgs

// A trace-log entry of the session, from one of its source units.
#define SESSION_TRACE(operation, message) Trace(operation, message, __FILE__, __LINE__)
