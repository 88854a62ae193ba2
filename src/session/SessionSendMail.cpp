// QMXSession: sending mail. SndPwd keeps the send password; SendMail composes a note in the
// Outbox of the default store, addressed, with its bodies and file attachments, and hands
// it to the spooler, which files it in Sent Items.
#include <mapiutil.h>

#include <cstring>

#include "foundation/AnsiText.h"
#include "foundation/Owned.h"
#include "frame/Module.h"
#include "frame/resource.h"
#include "session/AttachmentList.h"
#include "session/MailRecipients.h"
#include "session/QMXSession.h"

namespace kelmsgs {

namespace {

constexpr char kNotLoggedOn[] = "The session is not logged on: no mail can be sent.";
// The tag of a value MAPI passes over (PT_NULL, identifier 0).
constexpr ULONG kSkippedTag = PROP_TAG(PT_NULL, 0);

bool IsEmpty(BSTR s) {
  return !s || SysStringLen(s) == 0;
}

constexpr char kNoteClass[] = "IPM.Note";

// A string value, skipped when the text is empty.
SPropValue StringValue(ULONG tag, const char* text) {
  SPropValue v{};
  v.ulPropTag = *text ? tag : kSkippedTag;
  v.Value.lpszA = const_cast<LPSTR>(text);
  return v;
}

// The text of a string-table entry of the library's resources.
std::string ResourceString(UINT id) {
  char text[256] = {};
  LoadStringA(Module::Instance(), id, text, sizeof text);
  return text;
}

}  // namespace

HRESULT CQMXSession::put_SndPwd(BSTR newVal) {
  // An empty value keeps the password that was set.
  if (IsEmpty(newVal)) return S_OK;
  sendPassword_ = AnsiFromBstr(newVal);
  return S_OK;
}

void CQMXSession::LookUpPrimaryIdentity() {
  // The name is looked up as the mail client does; nothing depends on it.
  ULONG size = 0;
  MapiBuffer<ENTRYID> id;
  const HRESULT hr = session_->QueryIdentity(&size, id.put());
  if (hr == MAPI_W_NO_SERVICE) SESSION_TRACE("GetUsername", "No primary identity for the session.");
  if (FAILED(hr) || !id) return;
  ULONG type = 0;
  ComPtr<IMAPIProp> identity;
  if (FAILED(session_->OpenEntry(size, id.get(), nullptr, MAPI_DEFERRED_ERRORS | MAPI_BEST_ACCESS,
                                 &type, reinterpret_cast<LPUNKNOWN*>(identity.put()))))
    return;
  id.reset();
  SizedSPropTagArray(1, tags) = {1, {PR_DISPLAY_NAME_A}};
  ULONG count = 0;
  PropValues name;
  identity->GetProps(reinterpret_cast<LPSPropTagArray>(&tags), 0, &count, name.put());
}

HRESULT CQMXSession::CheckAttachmentFiles(const std::string& list) {
  // Every piece must be a file that can be read; the first that cannot is named.
  for (const std::string& path : SplitAttachmentList(list)) {
    FileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file) continue;
    const DWORD error = path.empty() ? ERROR_FILE_NOT_FOUND : GetLastError();
    const std::string text = "The attachment file \"" + path + "\" cannot be read.";
    return ReportError(CLSID_QMXSession, text.c_str(), 0, nullptr, IID_IQMXSession,
                       HRESULT_FROM_WIN32(error));
  }
  return S_OK;
}

HRESULT CQMXSession::OpenDefaultStore(IMAPITable* table, ComPtr<IMsgStore>& store) {
  // 1. The row of the default store.
  SizedSPropTagArray(2, columns) = {2, {PR_DEFAULT_STORE, PR_ENTRYID}};
  SPropValue isDefault{};
  isDefault.ulPropTag = PR_DEFAULT_STORE;
  isDefault.Value.b = TRUE;
  SRestriction onlyDefault{};
  onlyDefault.rt = RES_PROPERTY;
  onlyDefault.res.resProperty = {RELOP_EQ, PR_DEFAULT_STORE, &isDefault};
  RowSet rows;
  HRESULT hr = HrQueryAllRows(table, reinterpret_cast<LPSPropTagArray>(&columns), &onlyDefault,
                              nullptr, 0, rows.put());
  // 2. The session's table serves every other reader too: it loses the restriction again.
  table->Restrict(nullptr, TBL_BATCH);
  if (FAILED(hr)) return hr;
  if (rows.get()->cRows == 0 || rows.get()->aRow[0].lpProps[1].ulPropTag != PR_ENTRYID)
    return MAPI_E_NOT_FOUND;
  // 3. That store, writable.
  const SBinary& id = rows.get()->aRow[0].lpProps[1].Value.bin;
  return session_->OpenMsgStore(0, id.cb, reinterpret_cast<LPENTRYID>(id.lpb), nullptr, MDB_WRITE,
                                store.put());
}

HRESULT CQMXSession::AddressMessage(IMessage* message, std::string to, std::string cc) {
  // 1. The list: two values per entry, in blocks chained to the list.
  const std::vector<MailRecipient> pieces = CutRecipientLists(to, cc);
  AdrList list;
  HRESULT hr =
      MAPIAllocateBuffer(CbNewADRLIST(pieces.size()), reinterpret_cast<void**>(list.put()));
  if (FAILED(hr)) return hr;
  std::memset(list.get(), 0, CbNewADRLIST(pieces.size()));
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    SPropValue* values = nullptr;
    hr = MAPIAllocateMore(2 * sizeof(SPropValue), list.get(), reinterpret_cast<void**>(&values));
    if (FAILED(hr)) return hr;
    values[0].ulPropTag = PR_DISPLAY_NAME_A;
    values[0].Value.lpszA = const_cast<LPSTR>(pieces[i].name);
    values[1].ulPropTag = PR_RECIPIENT_TYPE;
    values[1].Value.l = pieces[i].type;
    list.get()->aEntries[i].cValues = 2;
    list.get()->aEntries[i].rgPropVals = values;
  }
  list.get()->cEntries = static_cast<ULONG>(pieces.size());
  // 2. Resolved through the address book; names it cannot resolve stay as they are.
  ComPtr<IAddrBook> book;
  if (SUCCEEDED(session_->OpenAddressBook(0, nullptr, 0, book.put())))
    book->ResolveName(0, 0, nullptr, list.get());
  book.reset();
  // 3. The message's recipient table becomes the list.
  return message->ModifyRecipients(0, list.get());
}

void CQMXSession::WriteRtfBody(IMessage* message, const std::string& rtf) {
  // Any failing step ends the RTF body; the mail goes with its plain body.
  ComPtr<IStream> stored;
  if (FAILED(message->OpenProperty(PR_RTF_COMPRESSED, &IID_IStream, 0, MAPI_CREATE | MAPI_MODIFY,
                                   reinterpret_cast<LPUNKNOWN*>(stored.put()))))
    return;
  PropValues mask;
  if (FAILED(HrGetOneProp(message, PR_STORE_SUPPORT_MASK, mask.put()))) return;
  ComPtr<IStream> text;
  const ULONG flags = MAPI_MODIFY | (mask.get()->Value.l & STORE_UNCOMPRESSED_RTF);
  if (FAILED(WrapCompressedRTFStream(stored.get(), flags, text.put()))) return;
  ULONG written = 0;
  if (FAILED(text->Write(rtf.data(), static_cast<ULONG>(rtf.size()), &written))) return;
  if (FAILED(text->Commit(STGC_OVERWRITE))) return;
  BOOL updated = FALSE;
  if (FAILED(RTFSync(message, RTF_SYNC_RTF_CHANGED | RTF_SYNC_BODY_CHANGED, &updated))) return;
  if (updated) message->SaveChanges(KEEP_OPEN_READWRITE);
}

HRESULT CQMXSession::SendMail(BSTR Subject, BSTR Body, BSTR RTFBody, BSTR RecipientsList,
                              BSTR CcList, BSTR AttachmentsList,
                              MessageImportanceConstants Importance, VARIANT_BOOL RichText) {
  // 1. A logged-on session: without its store table there is no store to send from.
  ComPtr<IMAPITable> table;
  {
    std::lock_guard guard(tableLock_);
    table = storeTable_;
  }
  if (!table || !session_) return Fail(kNotLoggedOn);
  // 2. The send password.
  if (sendPassword_ != ResourceString(IDS_SEND_PASSWORD)) return Fail(IDS_NO_SEND_PERMISSION);
  // 3. What the caller passed, checked before anything is created.
  const long importance = MapiImportance(Importance);
  if (importance < 0) return E_INVALIDARG;
  const std::string attachments = AnsiFromBstr(AttachmentsList);
  if (!attachments.empty()) {
    if (HRESULT hr = CheckAttachmentFiles(attachments); FAILED(hr)) return hr;
  }
  LookUpPrimaryIdentity();
  // 4. The default store.
  ComPtr<IMsgStore> store;
  if (HRESULT hr = OpenDefaultStore(table.get(), store); FAILED(hr)) return hr;
  // 5. Its Outbox and Sent Items; the message is to be filed in the latter once sent.
  PropValues outboxId, sentId;
  if (HRESULT hr = HrGetOneProp(store.get(), PR_IPM_OUTBOX_ENTRYID, outboxId.put()); FAILED(hr))
    return hr;
  if (HRESULT hr = HrGetOneProp(store.get(), PR_IPM_SENTMAIL_ENTRYID, sentId.put()); FAILED(hr))
    return hr;
  sentId.get()->ulPropTag = PR_SENTMAIL_ENTRYID;
  // 6. The Outbox (it keeps the store alive).
  ULONG type = 0;
  ComPtr<IMAPIFolder> outbox;
  HRESULT hr = store->OpenEntry(outboxId.get()->Value.bin.cb,
                                reinterpret_cast<LPENTRYID>(outboxId.get()->Value.bin.lpb), nullptr,
                                MAPI_MODIFY, &type, reinterpret_cast<LPUNKNOWN*>(outbox.put()));
  store.reset();
  outboxId.reset();
  if (FAILED(hr)) return hr;
  // 7. The message; unsaved, it disappears with the last reference when a step fails.
  ComPtr<IMessage> message;
  hr = outbox->CreateMessage(nullptr, 0, message.put());
  outbox.reset();
  if (FAILED(hr)) return hr;
  // 8-9. Its recipients.
  if (hr = AddressMessage(message.get(), AnsiFromBstr(RecipientsList), AnsiFromBstr(CcList));
      FAILED(hr))
    return hr;
  // 10. Seven values, those without a value skipped by MAPI.
  ULONG indexSize = 0;
  MapiBuffer<BYTE> index;
  const bool indexed = SUCCEEDED(ScCreateConversationIndex(0, nullptr, &indexSize, index.put()));
  const std::string subject = AnsiFromBstr(Subject), body = AnsiFromBstr(Body);
  SPropValue values[7] = {StringValue(PR_SUBJECT_A, subject.c_str()),
                          *sentId.get(),
                          StringValue(PR_CONVERSATION_TOPIC_A, subject.c_str()),
                          {},
                          StringValue(PR_MESSAGE_CLASS_A, kNoteClass),
                          {},
                          StringValue(PR_BODY_A, body.c_str())};
  values[3].ulPropTag = indexed ? PR_CONVERSATION_INDEX : kSkippedTag;
  values[3].Value.bin = {indexSize, index.get()};
  values[5].ulPropTag = PR_IMPORTANCE;
  values[5].Value.l = importance;
  if (hr = message->SetProps(7, values, nullptr); FAILED(hr)) return hr;
  // 11. The RTF body, for rich text only.
  if (RichText && !IsEmpty(RTFBody)) WriteRtfBody(message.get(), AnsiFromBstr(RTFBody));
  // 12. The files, as attachments.
  if (!attachments.empty() && FAILED(CreateAttachments(message, attachments.c_str())))
    SESSION_TRACE("SendMail", "SendMail, failed to create attachments.");
  // 13. To the spooler.
  return message->SubmitMessage(0);
}

}  // namespace kelmsgs
