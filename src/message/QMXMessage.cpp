// QMXMessage: identity, subject, body, times, user properties, bodies and copies.
#include "message/QMXMessage.h"

#include <mapiguid.h>
#include <mapiutil.h>

#include <cstring>
#include <string>
#include <vector>

#include "foundation/AnsiText.h"
#include "foundation/AutomationOut.h"
#include "foundation/BstrText.h"
#include "foundation/DateConvert.h"
#include "foundation/MapiExtraTags.h"
#include "foundation/MapiProps.h"
#include "foundation/PropTags.h"
#include "foundation/RowColumn.h"
#include "frame/ObjectFactory.h"
#include "message/HeldMapiObject.h"
#include "message/RtfTextWrite.h"

namespace kelmsgs {

namespace {

constexpr ULONG kRtfInitialCapacity = 10240;

// A copy of newVal; null or empty leaves the string empty.
void Replace(Bstr& held, BSTR newVal) {
  held = newVal && SysStringLen(newVal) ? BstrCopy(newVal) : Bstr();
}

// The properties a message object takes from its MAPI message, in the order it reads them.
enum class MessageProp {
  EntryId,
  ParentId,
  StoreId,
  SubmitTime,
  DeliveryTime,
  Body,
  Subject,
  HasAttach
};
auto MessageProps() {
  return MakeTags(PR_ENTRYID, PR_PARENT_ENTRYID, PR_STORE_ENTRYID, PR_CLIENT_SUBMIT_TIME,
                  PR_MESSAGE_DELIVERY_TIME, PR_BODY_A, PR_SUBJECT_A, PR_HASATTACH);
}

// What a copy leaves out: the access rights, the plain body and the compressed RTF with
// its synchronisation properties (the store makes them anew), and the attachments unless
// they are wanted.
TagArray<9> CopyExclusions(bool withAttachments) {
  auto tags = MakeTags(PR_ACCESS, PR_BODY_A, PR_RTF_SYNC_BODY_COUNT, PR_RTF_SYNC_BODY_CRC,
                       PR_RTF_SYNC_BODY_TAG_A, PR_RTF_SYNC_PREFIX_COUNT, PR_RTF_SYNC_TRAILING_COUNT,
                       PR_MESSAGE_ATTACHMENTS, PR_RTF_COMPRESSED);
  if (withAttachments) {
    tags.aulPropTag[7] = PR_RTF_COMPRESSED;
    tags.cValues = 8;
  }
  return tags;
}

// The type a user property is stored with, and the VARIANT type it travels in.
struct UserPropertyType {
  ULONG mapiType;
  VARTYPE variantType;
  bool usable;  // false for kinds without a value conversion
};

UserPropertyType TypeOf(PropTypeConstants type) {
  switch (type) {
    case ptBoolean:
      return {PT_BOOLEAN, VT_BOOL, true};
    case ptCurrency:
      return {PT_CURRENCY, VT_CY, true};
    case ptObject:
      return {PT_OBJECT, VT_UNKNOWN, true};
    case ptDate:
      return {PT_APPTIME, VT_DATE, true};
    case ptDouble:
      return {PT_DOUBLE, VT_R8, true};
    case ptShort:
      return {PT_I2, VT_I2, true};
    case ptLong:
      return {PT_LONG, VT_I4, true};
    case ptNull:
      return {PT_NULL, VT_NULL, true};
    case ptFloat:
      return {PT_FLOAT, VT_R4, true};
    case ptString:
      return {PT_STRING8, VT_BSTR, true};
    case ptArray:
      return {PT_UNSPECIFIED, VT_ARRAY, false};
    case ptBinary:
      return {PT_BINARY, VT_BLOB, false};
    case ptUnspecified:
      return {PT_UNSPECIFIED, VT_EMPTY, false};
    default:
      return {PT_UNSPECIFIED, VT_EMPTY, false};
  }
}

}  // namespace

CQMXMessage::~CQMXMessage() {
  log_.Write("Message released.");
  log_.Close();
}

HRESULT CQMXMessage::ReadId(ULONG tag, Bstr& held, bool always, BSTR* pVal) {
  if (!pVal) return E_POINTER;
  if (message_ && (always || !held || SysStringLen(held.get()) == 0)) {
    PropValues value;
    if (SUCCEEDED(HrGetOneProp(message_.get(), tag, value.put())))
      held = HexBstr(value.get()->Value.bin);
  }
  return StringOut(held, pVal);
}

HRESULT CQMXMessage::get_MessageID(BSTR* pVal) {
  return ReadId(PR_ENTRYID, messageId_, true, pVal);
}
HRESULT CQMXMessage::put_MessageID(BSTR newVal) {
  Replace(messageId_, newVal);
  return S_OK;
}
HRESULT CQMXMessage::get_FolderID(BSTR* pVal) {
  return ReadId(PR_PARENT_ENTRYID, folderId_, false, pVal);
}
HRESULT CQMXMessage::put_FolderID(BSTR newVal) {
  Replace(folderId_, newVal);
  return S_OK;
}
HRESULT CQMXMessage::get_StoreID(BSTR* pVal) {
  return ReadId(PR_STORE_ENTRYID, storeIdText_, false, pVal);
}
HRESULT CQMXMessage::put_StoreID(BSTR newVal) {
  Replace(storeIdText_, newVal);
  return S_OK;
}

HRESULT CQMXMessage::get_Body(BSTR* pVal) {
  if (!pVal) return E_POINTER;
  // 1-2. A body that GetProps could not hand over is read from its stream once.
  if ((!body_ || SysStringLen(body_.get()) == 0) && message_) {
    ComPtr<IStream> stream;
    STATSTG stat{};
    if (SUCCEEDED(message_->OpenProperty(PR_BODY_A, &IID_IStream, 0, 0,
                                         reinterpret_cast<LPUNKNOWN*>(stream.put()))) &&
        SUCCEEDED(stream->Stat(&stat, STATFLAG_NONAME)) && stat.cbSize.QuadPart < 0x7FFFFFFF) {
      const ULONG size = static_cast<ULONG>(stat.cbSize.QuadPart);
      std::vector<char> text(size + 1, '\0');
      ULONG read = 0;
      stream->Read(text.data(), size, &read);
      text[std::min(read, size)] = '\0';
      body_ = BstrFromNarrow(text.data());
    }
  }
  // 3. What the object holds.
  return StringOut(body_, pVal);
}

HRESULT CQMXMessage::put_Body(BSTR newVal) {
  Replace(body_, newVal);
  return S_OK;
}
HRESULT CQMXMessage::get_Subject(BSTR* pVal) {
  return StringOut(subject_, pVal);
}
HRESULT CQMXMessage::put_Subject(BSTR newVal) {
  Replace(subject_, newVal);
  return S_OK;
}
HRESULT CQMXMessage::get_ReceivedTime(DATE* pVal) {
  if (!pVal) return E_POINTER;
  *pVal = receivedTime_;
  return S_OK;
}
HRESULT CQMXMessage::put_ReceivedTime(DATE newVal) {
  receivedTime_ = newVal;
  return S_OK;
}
HRESULT CQMXMessage::get_SentTime(DATE* pVal) {
  if (!pVal) return E_POINTER;
  *pVal = sentTime_;
  return S_OK;
}
HRESULT CQMXMessage::put_SentTime(DATE newVal) {
  sentTime_ = newVal;
  return S_OK;
}
HRESULT CQMXMessage::get_OldMessageID(BSTR* pVal) {
  return StringOut(oldMessageId_, pVal);
}
HRESULT CQMXMessage::put_OldMessageID(BSTR newVal) {
  Replace(oldMessageId_, newVal);
  return S_OK;
}
HRESULT CQMXMessage::get_OldFolderID(BSTR* pVal) {
  return StringOut(oldFolderId_, pVal);
}
HRESULT CQMXMessage::put_OldFolderID(BSTR newVal) {
  Replace(oldFolderId_, newVal);
  return S_OK;
}

HRESULT CQMXMessage::ResolveUserProperty(const std::string& name, ULONG& tag) {
  const std::wstring wide = WideFromAnsi(name.data(), name.size());
  MAPINAMEID id{};
  id.lpguid = const_cast<LPGUID>(&PS_PUBLIC_STRINGS);
  id.ulKind = MNID_STRING;
  id.Kind.lpwstrName = const_cast<LPWSTR>(wide.c_str());
  LPMAPINAMEID ids[] = {&id};
  MapiBuffer<SPropTagArray> tags;
  const HRESULT hr = message_->GetIDsFromNames(1, ids, MAPI_CREATE, tags.put());
  if (FAILED(hr)) return hr;
  if (!tags || tags.get()->cValues < 1) return MAPI_E_NOT_FOUND;
  tag = tags.get()->aulPropTag[0];
  return S_OK;
}

HRESULT CQMXMessage::get_UserProperty(BSTR PropName, PropTypeConstants PropType, VARIANT* pVal) {
  if (!pVal) return E_POINTER;
  // 1. A name.
  if (!PropName || SysStringLen(PropName) == 0) return E_INVALIDARG;
  if (!message_) return E_FAIL;
  // 3. Its property, created when it does not exist yet.
  ULONG tag = 0;
  HRESULT hr = ResolveUserProperty(AnsiFromBstr(PropName), tag);
  if (FAILED(hr)) return hr;
  // 4. The type asked for.
  const UserPropertyType type = TypeOf(PropType);
  tag = CHANGE_PROP_TYPE(tag, type.mapiType);
  // The whole VARIANT is cleared: VariantInit sets only the type, and a value left from
  // before would be freed by the caller as if it belonged to that type.
  *pVal = VARIANT{};
  V_VT(pVal) = type.variantType;
  // 5. The value, only when the store returns it in the type the VARIANT carries.
  PropValues value;
  if (FAILED(HrGetOneProp(message_.get(), tag, value.put()))) return S_OK;
  const SPropValue& stored = *value.get();
  switch (PROP_TYPE(stored.ulPropTag)) {
    case PT_LONG:
      if (V_VT(pVal) == VT_I4) V_I4(pVal) = stored.Value.l;
      return S_OK;
    case PT_DOUBLE:
      if (V_VT(pVal) == VT_R8) V_R8(pVal) = stored.Value.dbl;
      return S_OK;
    case PT_STRING8:
      return V_VT(pVal) == VT_BSTR ? NarrowStringOut(stored.Value.lpszA, &V_BSTR(pVal)) : S_OK;
    default:
      return S_OK;
  }
}

HRESULT CQMXMessage::put_UserProperty(BSTR PropName, PropTypeConstants PropType, VARIANT newVal) {
  // 1-2. A name and a value.
  if (!PropName || SysStringLen(PropName) == 0) return E_INVALIDARG;
  if (V_VT(&newVal) == VT_EMPTY) return E_INVALIDARG;
  if (V_VT(&newVal) == VT_BSTR && (!V_BSTR(&newVal) || SysStringLen(V_BSTR(&newVal)) == 0))
    return E_INVALIDARG;
  // Kinds without a value conversion are refused rather than sent without a value.
  const UserPropertyType type = TypeOf(PropType);
  if (!type.usable) return E_INVALIDARG;
  // 4. The VARIANT must be of the kind's type.
  if (V_VT(&newVal) != type.variantType) return E_INVALIDARG;
  if (!message_) return E_FAIL;
  // 3. The property.
  ULONG tag = 0;
  HRESULT hr = ResolveUserProperty(NarrowFromBstr(PropName), tag);
  if (FAILED(hr)) return hr;
  SPropValue value{};
  value.ulPropTag = CHANGE_PROP_TYPE(tag, type.mapiType);
  std::string text;
  switch (PropType) {
    case ptBoolean:
      value.Value.b = V_BOOL(&newVal) ? 1 : 0;
      break;
    case ptCurrency:
      value.Value.cur = V_CY(&newVal);
      break;
    case ptObject:
      // The interface pointer travels in the union's pointer-sized member.
      value.Value.lpszA = reinterpret_cast<LPSTR>(V_UNKNOWN(&newVal));
      break;
    case ptDate:
      value.Value.at = V_DATE(&newVal);
      break;
    case ptDouble:
      value.Value.dbl = V_R8(&newVal);
      break;
    case ptShort:
      value.Value.i = V_I2(&newVal);
      break;
    case ptLong:
      value.Value.l = V_I4(&newVal);
      break;
    case ptNull:
      value.Value.x = 0;
      break;
    case ptFloat:
      value.Value.flt = V_R4(&newVal);
      break;
    case ptString:
      text = NarrowFromBstr(V_BSTR(&newVal));
      value.Value.lpszA = text.data();
      break;
    default:
      return E_INVALIDARG;
  }
  // 6. Set; Save commits it.
  return HrSetOneProp(message_.get(), &value);
}

HRESULT CQMXMessage::CopyInto(IQMXStoreFolder* destination, bool withAttachments,
                              ComPtr<IMessage>& copy) {
  // 1. The destination's MAPI folder; without one nothing is copied.
  ComPtr<IMAPIFolder> folder = HeldMapiObject<IMAPIFolder>(destination, IID_IMAPIFolder);
  if (!folder) return S_OK;
  // 2. The new message.
  HRESULT hr = folder->CreateMessage(nullptr, 0, copy.put());
  if (FAILED(hr)) return hr;
  folder.reset();
  // 3-4. Everything but what the exclusions name.
  auto excluded = CopyExclusions(withAttachments);
  hr = message_->CopyTo(0, nullptr, excluded.get(), 0, nullptr, &IID_IMessage, copy.get(), 0,
                        nullptr);
  if (FAILED(hr)) {
    copy.reset();
    return hr;
  }
  // 5. Committed.
  copy->SaveChanges(KEEP_OPEN_READWRITE);
  return S_OK;
}

HRESULT CQMXMessage::get_CopyTo(IQMXStoreFolder* DestFolder, VARIANT_BOOL IncludeAttachments,
                                IQMXMessage** pVal) {
  if (!pVal) return E_POINTER;
  *pVal = nullptr;
  if (!DestFolder) return E_INVALIDARG;
  if (!message_) return E_FAIL;
  // 1-5. The copy.
  ComPtr<IMessage> copy;
  HRESULT hr = CopyInto(DestFolder, IncludeAttachments != VARIANT_FALSE, copy);
  if (FAILED(hr)) return hr;
  // 6. Its object.
  ComPtr<IQMXMessage> object;
  hr = CreateObject(CLSID_QMXMessage, object);
  if (FAILED(hr)) return hr;
  object->putref_Msg(copy.get(), 0);
  *pVal = object.detach();
  return S_OK;
}

HRESULT CQMXMessage::Save() {
  if (!message_) return E_FAIL;
  return message_->SaveChanges(KEEP_OPEN_READWRITE);
}

HRESULT CQMXMessage::putref_Parent(IQMXStoreFolder* newVal) {
  parent_ = ComPtr<IQMXStoreFolder>(newVal);
  return S_OK;
}

HRESULT CQMXMessage::GetParentId(unsigned char** ParentId, ULONG* Size) {
  if (!ParentId || !Size) return E_POINTER;
  EntryIdBuffer copy;
  const HRESULT hr = CopyEntryId(parentId_.bytes.get(), parentId_.size, copy);
  if (FAILED(hr)) return hr;
  *Size = copy.size;
  *ParentId = copy.bytes.release();
  return S_OK;
}

void CQMXMessage::ReadAttachmentTable() {
  ComPtr<IMAPITable> table;
  if (FAILED(message_->OpenProperty(PR_MESSAGE_ATTACHMENTS, &IID_IMAPITable, 0, 0,
                                    reinterpret_cast<LPUNKNOWN*>(table.put()))))
    return;
  auto columns =
      MakeTags(PR_RECORD_KEY, PR_ATTACH_NUM, PR_ATTACH_METHOD, PR_ATTACH_LONG_FILENAME_A);
  table->SetColumns(columns.get(), TBL_BATCH);
  RowSet rows;
  if (FAILED(HrQueryAllRows(table.get(), nullptr, nullptr, nullptr, 0, rows.put()))) return;
  attachments_ = std::move(rows);
  attachmentCount_ = static_cast<LONG>(attachments_.get()->cRows);
}

void CQMXMessage::ClearSnapshot() {
  attachments_.reset();
  for (IdBytes* id : {&entryId_, &parentId_, &storeId_}) id->reset();
  for (Bstr* text : {&subject_, &body_, &messageId_, &folderId_, &storeIdText_, &messageClass_})
    text->reset();
  receivedTime_ = sentTime_ = 0;
}

void CQMXMessage::TakeIds(const SRow& props, bool keepStrings) {
  const struct {
    MessageProp column;
    ULONG tag;
    IdBytes& bytes;
    Bstr& text;
  } ids[] = {{MessageProp::EntryId, PR_ENTRYID, entryId_, messageId_},
             {MessageProp::ParentId, PR_PARENT_ENTRYID, parentId_, folderId_},
             {MessageProp::StoreId, PR_STORE_ENTRYID, storeId_, storeIdText_}};
  for (const auto& id : ids) {
    const SPropValue* value = Column(props, id.column, id.tag);
    if (!value) continue;
    const SBinary& bin = value->Value.bin;
    if (FAILED(CopyEntryId(bin.lpb, bin.cb, id.bytes))) continue;
    if (!keepStrings) id.text = HexBstr(bin);
  }
}

void CQMXMessage::TakeTexts(const SRow& props) {
  if (const SPropValue* v = Column(props, MessageProp::SubmitTime, PR_CLIENT_SUBMIT_TIME))
    sentTime_ = FileTimeToDate(v->Value.ft);
  if (const SPropValue* v = Column(props, MessageProp::DeliveryTime, PR_MESSAGE_DELIVERY_TIME))
    receivedTime_ = FileTimeToDate(v->Value.ft);
  if (const SPropValue* v = Column(props, MessageProp::Body, PR_BODY_A))
    body_ = BstrFromNarrow(v->Value.lpszA);
  // A message without a subject has an empty one.
  const SPropValue* subject = Column(props, MessageProp::Subject, PR_SUBJECT_A);
  subject_ = BstrFromNarrow(subject ? subject->Value.lpszA : "");
}

HRESULT CQMXMessage::putref_Msg(IUnknown* Object, LONG KeepStrings) {
  // 1. Attachments are counted anew.
  attachmentCount_ = 0;
  hasAttachments_ = false;
  // 2. The message. Anything else is refused rather than used as one, and what the
  // object took from the message held before goes with it.
  message_.reset();
  if (!Object) return S_OK;
  ComPtr<IMessage> message;
  HRESULT hr = Object->QueryInterface(IID_IMessage, message.put_void());
  if (FAILED(hr)) {
    ClearSnapshot();
    return hr;
  }
  message_ = std::move(message);
  // 3. What the object shows.
  auto tags = MessageProps();
  ULONG count = 0;
  PropValues values;
  hr = message_->GetProps(tags.get(), 0, &count, values.put());
  if (SUCCEEDED(hr) && count == tags.cValues) {
    const SRow props{0, count, values.get()};
    // 4. The identifiers, as bytes and (unless kept) as strings.
    TakeIds(props, KeepStrings != 0);
    // 5. Times, body and subject.
    if (!KeepStrings) TakeTexts(props);
    // 6. Whether there are attachments.
    if (const SPropValue* v = Column(props, MessageProp::HasAttach, PR_HASATTACH))
      hasAttachments_ = v->Value.b != 0;
  }
  // 8. The attachment table.
  attachments_.reset();
  if (hasAttachments_) ReadAttachmentTable();
  // 9. Counted.
  hasAttachments_ = attachmentCount_ > 0;
  return S_OK;
}

HRESULT CQMXMessage::get_TextRTF(BSTR* pVal) {
  if (!pVal) return E_POINTER;
  if (!message_) return E_FAIL;
  // 1. The RTF in step with the plain body.
  BOOL updated = FALSE;
  if (SUCCEEDED(RTFSync(message_.get(), RTF_SYNC_BODY_CHANGED, &updated)) && updated)
    message_->SaveChanges(KEEP_OPEN_READWRITE);
  // 2-3. Its compressed stream, read through the decompressing wrapper.
  ComPtr<IStream> compressed;
  HRESULT hr = message_->OpenProperty(PR_RTF_COMPRESSED, &IID_IStream, 0, 0,
                                      reinterpret_cast<LPUNKNOWN*>(compressed.put()));
  if (FAILED(hr)) return hr;
  ComPtr<IStream> rtf;
  hr = WrapCompressedRTFStream(compressed.get(), 0, rtf.put());
  if (FAILED(hr)) return hr;
  // 4. The whole text, in a buffer that doubles as it fills.
  std::vector<char> buffer(kRtfInitialCapacity);
  std::size_t length = 0;
  for (;;) {
    const ULONG wanted = static_cast<ULONG>(buffer.size() - length);
    ULONG read = 0;
    if (FAILED(rtf->Read(buffer.data() + length, wanted, &read))) break;
    length += read;
    if (read < wanted) break;
    buffer.resize(buffer.size() * 2);
  }
  // 5. In the ANSI code page, up to the first zero byte.
  return StringOut(WideFromAnsi(buffer.data(), strnlen(buffer.data(), length)), pVal);
}

HRESULT CQMXMessage::put_TextRTF(BSTR newVal) {
  // 1. Nothing to write.
  if (!newVal || SysStringLen(newVal) == 0) return S_OK;
  if (!message_) return E_FAIL;
  // 2-6. The text in the ANSI code page; a failing step leaves the property as it was, quietly.
  bool synced = false;
  if (FAILED(WriteRtfText(message_.get(), AnsiFromBstr(newVal), synced))) return S_OK;
  // 7. The plain body follows; saved when the store changed something.
  if (synced) message_->SaveChanges(KEEP_OPEN_READWRITE);
  return S_OK;
}

HRESULT CQMXMessage::GetEntryId(unsigned char** EntryId, ULONG* Size) {
  return CopyEntryIdOf(message_.get(), EntryId, Size);
}

HRESULT CQMXMessage::get_LogFile(BSTR* pVal) {
  return log_.get_LogFile(pVal);
}
HRESULT CQMXMessage::put_LogFile(BSTR newVal) {
  return log_.put_LogFile(newVal, true);
}

HRESULT CQMXMessage::get_MAPIObject(IUnknown** pVal) {
  if (!pVal) return E_POINTER;
  message_.copy_to(pVal);
  return S_OK;
}

HRESULT CQMXMessage::get_TextHTML(BSTR*) {
  return S_OK;
}

HRESULT CQMXMessage::put_TextHTML(BSTR newVal) {
  // 1. Nothing to write.
  if (!newVal || SysStringLen(newVal) == 0) return S_OK;
  if (!message_) return E_FAIL;
  // 2. The HTML body, created anew.
  ComPtr<IStream> stream;
  HRESULT hr = message_->OpenProperty(PR_BODY_HTML_A, &IID_IStream, 0, MAPI_CREATE | MAPI_MODIFY,
                                      reinterpret_cast<LPUNKNOWN*>(stream.put()));
  if (FAILED(hr)) return hr;
  // 3-4. The text in the ANSI code page.
  const std::string text = AnsiFromBstr(newVal);
  ULONG written = 0;
  hr = stream->Write(text.data(), static_cast<ULONG>(text.size()), &written);
  if (FAILED(hr)) return hr;
  hr = stream->Commit(STGC_OVERWRITE);
  if (FAILED(hr)) return hr;
  stream.reset();
  // 5. Saved.
  return message_->SaveChanges(KEEP_OPEN_READWRITE);
}

HRESULT CQMXMessage::get_Stream(IStream** pVal) {
  if (!pVal) return E_POINTER;
  *pVal = nullptr;
  if (!message_) return E_FAIL;
  ComPtr<IUnknown> opened;
  const HRESULT hr = message_->OpenProperty(PR_BODY_A, &IID_IStream, 0, 0, opened.put());
  if (FAILED(hr)) return hr;
  return opened->QueryInterface(IID_IStream, reinterpret_cast<void**>(pVal));
}

HRESULT CQMXMessage::get_MessageClass(BSTR* pVal) {
  if (!pVal) return E_POINTER;
  if ((!messageClass_ || SysStringLen(messageClass_.get()) == 0) && message_) {
    PropValues value;
    if (SUCCEEDED(HrGetOneProp(message_.get(), PR_MESSAGE_CLASS_A, value.put())) &&
        value.get()->ulPropTag == PR_MESSAGE_CLASS_A)
      messageClass_ = BstrFromAnsi(value.get()->Value.lpszA);
  }
  return StringOut(messageClass_, pVal);
}

}  // namespace kelmsgs
