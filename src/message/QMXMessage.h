// QMXMessage: one MAPI message. Given its message it copies identifiers, times, subject,
// body and the attachment table into the object and answers from those copies; user
// properties, the RTF and HTML texts and copies reach the MAPI message through explicit
// members, and Save commits them. Identity and bodies are in QMXMessage.cpp, the
// attachment members in MessageAttachments.cpp.
#pragma once

#include <mapix.h>

#include <string>

#include "KelMsgs.h"
#include "foundation/HexId.h"
#include "foundation/MapiOwned.h"
#include "foundation/ObjectLog.h"
#include "foundation/Owned.h"
#include "frame/AutomationObject.h"

namespace kelmsgs {

class CQMXMessage final : public AutomationObject<CQMXMessage, IQMXMessage, QMXMessage> {
 public:
  ~CQMXMessage() override;

  HRESULT STDMETHODCALLTYPE get_MessageID(BSTR* pVal) override;
  HRESULT STDMETHODCALLTYPE put_MessageID(BSTR newVal) override;
  HRESULT STDMETHODCALLTYPE get_FolderID(BSTR* pVal) override;
  HRESULT STDMETHODCALLTYPE put_FolderID(BSTR newVal) override;
  HRESULT STDMETHODCALLTYPE get_StoreID(BSTR* pVal) override;
  HRESULT STDMETHODCALLTYPE put_StoreID(BSTR newVal) override;
  HRESULT STDMETHODCALLTYPE get_Body(BSTR* pVal) override;
  HRESULT STDMETHODCALLTYPE put_Body(BSTR newVal) override;
  HRESULT STDMETHODCALLTYPE get_Subject(BSTR* pVal) override;
  HRESULT STDMETHODCALLTYPE put_Subject(BSTR newVal) override;
  HRESULT STDMETHODCALLTYPE get_ReceivedTime(DATE* pVal) override;
  HRESULT STDMETHODCALLTYPE put_ReceivedTime(DATE newVal) override;
  HRESULT STDMETHODCALLTYPE get_SentTime(DATE* pVal) override;
  HRESULT STDMETHODCALLTYPE put_SentTime(DATE newVal) override;
  HRESULT STDMETHODCALLTYPE get_OldMessageID(BSTR* pVal) override;
  HRESULT STDMETHODCALLTYPE put_OldMessageID(BSTR newVal) override;
  HRESULT STDMETHODCALLTYPE get_OldFolderID(BSTR* pVal) override;
  HRESULT STDMETHODCALLTYPE put_OldFolderID(BSTR newVal) override;
  HRESULT STDMETHODCALLTYPE get_UserProperty(BSTR PropName, PropTypeConstants PropType,
                                             VARIANT* pVal) override;
  HRESULT STDMETHODCALLTYPE put_UserProperty(BSTR PropName, PropTypeConstants PropType,
                                             VARIANT newVal) override;
  HRESULT STDMETHODCALLTYPE get_CopyTo(IQMXStoreFolder* DestFolder, VARIANT_BOOL IncludeAttachments,
                                       IQMXMessage** pVal) override;
  HRESULT STDMETHODCALLTYPE Save() override;
  HRESULT STDMETHODCALLTYPE putref_Parent(IQMXStoreFolder* newVal) override;
  HRESULT STDMETHODCALLTYPE GetParentId(unsigned char** ParentId, ULONG* Size) override;
  HRESULT STDMETHODCALLTYPE putref_Msg(IUnknown* Object, LONG KeepStrings) override;
  HRESULT STDMETHODCALLTYPE get_TextRTF(BSTR* pVal) override;
  HRESULT STDMETHODCALLTYPE put_TextRTF(BSTR newVal) override;
  HRESULT STDMETHODCALLTYPE GetEntryId(unsigned char** EntryId, ULONG* Size) override;
  HRESULT STDMETHODCALLTYPE get_LogFile(BSTR* pVal) override;
  HRESULT STDMETHODCALLTYPE put_LogFile(BSTR newVal) override;
  HRESULT STDMETHODCALLTYPE get_MAPIObject(IUnknown** pVal) override;
  HRESULT STDMETHODCALLTYPE get_TextHTML(BSTR* pVal) override;
  HRESULT STDMETHODCALLTYPE put_TextHTML(BSTR newVal) override;
  HRESULT STDMETHODCALLTYPE get_Stream(IStream** pVal) override;
  HRESULT STDMETHODCALLTYPE get_MessageClass(BSTR* pVal) override;

  // Attachments
  HRESULT STDMETHODCALLTYPE get_AttachmentCount(LONG* pVal) override;
  HRESULT STDMETHODCALLTYPE AddAttachment(IQMXAttach* Attachment) override;
  HRESULT STDMETHODCALLTYPE get_AttachmentFromId(BSTR EntryId, IQMXAttach** pVal) override;
  HRESULT STDMETHODCALLTYPE SaveAttachment(LONG Index, BSTR Filename, VARIANT_BOOL* pVal) override;
  HRESULT STDMETHODCALLTYPE get_Attachment(LONG Index, IQMXAttach** pVal) override;
  HRESULT STDMETHODCALLTYPE AttachMessage(IQMXMessage* Message) override;
  HRESULT STDMETHODCALLTYPE DeleteAttachment(LONG Index) override;
  HRESULT STDMETHODCALLTYPE DeleteAttachments(VARIANT ExcludeList) override;
  HRESULT STDMETHODCALLTYPE get_AttachmentIndexFromId(BSTR EntryId, LONG* pVal) override;

 private:
  using IdBytes = EntryIdBuffer;

  // Forgets what was taken from a MAPI message: identifiers, strings, times and rows.
  void ClearSnapshot();
  // The identifiers of the properties read from a message (MessageProps order), as bytes
  // and, unless the strings are kept, as strings.
  void TakeIds(const SRow& props, bool keepStrings);
  // Times, body and subject of the properties read from a message.
  void TakeTexts(const SRow& props);
  // A new message in the destination's MAPI folder, carrying this message's properties
  // (and attachments when wanted), saved; none when the destination holds no folder.
  HRESULT CopyInto(IQMXStoreFolder* destination, bool withAttachments, ComPtr<IMessage>& copy);
  // The identifier string held, read afresh from tag when it is empty (or always).
  HRESULT ReadId(ULONG tag, Bstr& held, bool always, BSTR* pVal);
  // The named property of the public string set that a user property name stands for.
  HRESULT ResolveUserProperty(const std::string& name, ULONG& tag);
  void ReadAttachmentTable();

  // Attachment rows (MessageAttachments.cpp).
  LONG RowCount() const;
  // The row at index, null outside the rows.
  const SRow* AttachmentRow(LONG index) const;
  // The first index below the count and the rows whose identifier is id, or -1.
  LONG IndexOfId(const std::string& id) const;
  // An attachment object for the attachment numbered attachNum, given its long file
  // name (null when it has none) and identifier string.
  HRESULT MakeAttachment(LONG attachNum, const char* longName, BSTR id, IQMXAttach** pVal);

  ComPtr<IMessage> message_;
  RowSet attachments_;
  IdBytes entryId_;
  IdBytes parentId_;
  IdBytes storeId_;
  ComPtr<IQMXStoreFolder> parent_;
  Bstr subject_;
  Bstr body_;
  Bstr messageId_;
  Bstr folderId_;
  Bstr storeIdText_;
  Bstr oldMessageId_;
  Bstr oldFolderId_;
  Bstr messageClass_;
  DATE receivedTime_ = 0;
  DATE sentTime_ = 0;
  bool hasAttachments_ = false;
  LONG attachmentCount_ = 0;
  ObjectLog log_;
};

}  // namespace kelmsgs
