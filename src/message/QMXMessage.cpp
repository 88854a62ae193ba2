// QMXMessage: identity, subject, body, times, user properties, bodies and copies.
#include "message/QMXMessage.h"

#include <mapiguid.h>
#include <mapiutil.h>

#include <cstring>
#include <string>
#include <vector>

#include "foundation/AnsiText.h"
#include "foundation/BstrText.h"
#include "foundation/DateConvert.h"
#include "foundation/MapiExtraTags.h"
#include "foundation/MapiProps.h"
#include "foundation/PropTags.h"
#include "frame/ObjectFactory.h"

namespace kelmsgs {

namespace {

constexpr ULONG kRtfInitialCapacity = 10240;

// A copy of newVal; null or empty leaves the string empty.
void Replace(Bstr& held, BSTR newVal) {
  held.reset(newVal && SysStringLen(newVal) ? SysAllocStringLen(newVal, SysStringLen(newVal))
                                            : nullptr);
}

Bstr WideAnsi(const std::string& text) {
  const std::wstring wide = WideFromAnsi(text.data(), text.size());
  return Bstr(SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size())));
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
  return CopyOut(held, pVal);
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
      body_.reset(BstrFromNarrow(text.data()));
    }
  }
  // 3. What the object holds.
  return CopyOut(body_, pVal);
}

HRESULT CQMXMessage::put_Body(BSTR newVal) {
  Replace(body_, newVal);
  return S_OK;
}
HRESULT CQMXMessage::get_Subject(BSTR* pVal) {
  return CopyOut(subject_, pVal);
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
  return CopyOut(oldMessageId_, pVal);
}
HRESULT CQMXMessage::put_OldMessageID(BSTR newVal) {
  Replace(oldMessageId_, newVal);
  return S_OK;
}
HRESULT CQMXMessage::get_OldFolderID(BSTR* pVal) {
  return CopyOut(oldFolderId_, pVal);
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
  VariantInit(pVal);
  V_VT(pVal) = type.variantType;
  // 5. The value, by the type the store returns.
  PropValues value;
  if (FAILED(HrGetOneProp(message_.get(), tag, value.put()))) return S_OK;
  switch (PROP_TYPE(value.get()->ulPropTag)) {
    case PT_LONG:
      V_I4(pVal) = value.get()->Value.l;
      break;
    case PT_DOUBLE:
      V_R8(pVal) = value.get()->Value.dbl;
      break;
    case PT_STRING8:
      if (V_VT(pVal) == VT_BSTR) V_BSTR(pVal) = BstrFromNarrow(value.get()->Value.lpszA);
      break;
    default:
      break;
  }
  return S_OK;
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

HRESULT CQMXMessage::get_CopyTo(IQMXStoreFolder* DestFolder, VARIANT_BOOL IncludeAttachments,
                                IQMXMessage** pVal) {
  if (!pVal) return E_POINTER;
  *pVal = nullptr;
  if (!DestFolder) return E_INVALIDARG;
  if (!message_) return E_FAIL;
  // 1. The destination's MAPI folder.
  ComPtr<IUnknown> unknown;
  DestFolder->get_MAPIObject(unknown.put());
  ComPtr<IMAPIFolder> folder;
  ComPtr<IMessage> copy;
  if (unknown && SUCCEEDED(unknown->QueryInterface(IID_IMAPIFolder, folder.put_void()))) {
    // 2. The new message.
    HRESULT hr = folder->CreateMessage(nullptr, 0, copy.put());
    if (FAILED(hr)) return hr;
    // 3-4. Everything but access, the bodies kept in step by the store, and (when not
    // wanted) the attachments.
    auto withAttachments = MakeTags(
        PR_ACCESS, PR_BODY_A, PR_RTF_SYNC_BODY_COUNT, PR_RTF_SYNC_BODY_CRC, PR_RTF_SYNC_BODY_TAG_A,
        PR_RTF_SYNC_PREFIX_COUNT, PR_RTF_SYNC_TRAILING_COUNT, PR_RTF_COMPRESSED);
    auto withoutAttachments =
        MakeTags(PR_ACCESS, PR_BODY_A, PR_RTF_SYNC_BODY_COUNT, PR_RTF_SYNC_BODY_CRC,
                 PR_RTF_SYNC_BODY_TAG_A, PR_RTF_SYNC_PREFIX_COUNT, PR_RTF_SYNC_TRAILING_COUNT,
                 PR_MESSAGE_ATTACHMENTS, PR_RTF_COMPRESSED);
    LPSPropTagArray excluded =
        IncludeAttachments ? withAttachments.get() : withoutAttachments.get();
    folder.reset();
    hr = message_->CopyTo(0, nullptr, excluded, 0, nullptr, &IID_IMessage, copy.get(), 0, nullptr);
    if (FAILED(hr)) return hr;
    // 5. Committed.
    copy->SaveChanges(KEEP_OPEN_READWRITE);
  }
  // 6. Its object.
  ComPtr<IQMXMessage> object;
  const HRESULT hr = CreateObject(CLSID_QMXMessage, object);
  if (FAILED(hr)) return hr;
  object->putref_Msg(copy.get(), 0);
  *pVal = object.detach();
  return hr;
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
  MapiBuffer<unsigned char> copy;
  const HRESULT hr = MAPIAllocateBuffer(parentId_.size, reinterpret_cast<void**>(copy.put()));
  if (FAILED(hr)) return hr;
  if (parentId_.size) std::memcpy(copy.get(), parentId_.bytes.get(), parentId_.size);
  *Size = parentId_.size;
  *ParentId = copy.release();
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

HRESULT CQMXMessage::putref_Msg(IUnknown* Object, LONG KeepStrings) {
  // 1. Attachments are counted anew.
  attachmentCount_ = 0;
  hasAttachments_ = false;
  // 2. The message (anything else is refused rather than used as one).
  message_.reset();
  if (!Object) return S_OK;
  HRESULT hr = Object->QueryInterface(IID_IMessage, message_.put_void());
  if (FAILED(hr)) return hr;
  // 3. What the object shows.
  auto tags = MakeTags(PR_ENTRYID, PR_PARENT_ENTRYID, PR_STORE_ENTRYID, PR_CLIENT_SUBMIT_TIME,
                       PR_MESSAGE_DELIVERY_TIME, PR_BODY_A, PR_SUBJECT_A, PR_HASATTACH);
  ULONG count = 0;
  PropValues values;
  hr = message_->GetProps(tags.get(), 0, &count, values.put());
  if (SUCCEEDED(hr) && count == 8) {
    const SPropValue* v = values.get();
    // 4. The identifiers, as bytes and (unless kept) as strings.
    const struct {
      const SPropValue& value;
      IdBytes& bytes;
      Bstr& text;
    } ids[] = {
        {v[0], entryId_, messageId_}, {v[1], parentId_, folderId_}, {v[2], storeId_, storeIdText_}};
    for (const auto& id : ids) {
      if (IsErrorValue(id.value)) continue;
      const SBinary& bin = id.value.Value.bin;
      MapiBuffer<BYTE> copy;
      if (FAILED(MAPIAllocateBuffer(bin.cb, reinterpret_cast<void**>(copy.put())))) continue;
      if (bin.cb) std::memcpy(copy.get(), bin.lpb, bin.cb);
      id.bytes.bytes = std::move(copy);
      id.bytes.size = bin.cb;
      if (!KeepStrings) id.text = HexBstr(bin);
    }
    // 5. Times, body and subject.
    if (!KeepStrings) {
      if (!IsErrorValue(v[3])) sentTime_ = FileTimeToDate(v[3].Value.ft);
      if (!IsErrorValue(v[4])) receivedTime_ = FileTimeToDate(v[4].Value.ft);
      if (!IsErrorValue(v[5])) body_.reset(BstrFromNarrow(v[5].Value.lpszA));
      subject_.reset(IsErrorValue(v[6]) ? SysAllocString(L"") : BstrFromNarrow(v[6].Value.lpszA));
    }
    // 6. Whether there are attachments.
    if (!IsErrorValue(v[7])) hasAttachments_ = v[7].Value.b != 0;
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
  const std::string text(buffer.data(), strnlen(buffer.data(), length));
  // 5. In the ANSI code page.
  *pVal = WideAnsi(text).release();
  return S_OK;
}

HRESULT CQMXMessage::put_TextRTF(BSTR newVal) {
  // 1. Nothing to write.
  if (!newVal || SysStringLen(newVal) == 0) return S_OK;
  if (!message_) return E_FAIL;
  // 2. The compressed stream, created anew.
  ComPtr<IStream> compressed;
  if (FAILED(message_->OpenProperty(PR_RTF_COMPRESSED, &IID_IStream, 0, MAPI_CREATE | MAPI_MODIFY,
                                    reinterpret_cast<LPUNKNOWN*>(compressed.put()))))
    return S_OK;
  // 3-4. Written compressed, unless the store keeps RTF uncompressed.
  PropValues mask;
  ULONG flags = MAPI_MODIFY;
  if (SUCCEEDED(HrGetOneProp(message_.get(), PR_STORE_SUPPORT_MASK, mask.put())) &&
      (mask.get()->Value.l & STORE_UNCOMPRESSED_RTF))
    flags |= STORE_UNCOMPRESSED_RTF;
  ComPtr<IStream> rtf;
  if (FAILED(WrapCompressedRTFStream(compressed.get(), flags, rtf.put()))) return S_OK;
  // 5-6. The text in the ANSI code page.
  const std::string text = AnsiFromBstr(newVal);
  ULONG written = 0;
  if (FAILED(rtf->Write(text.data(), static_cast<ULONG>(text.size()), &written))) return S_OK;
  if (FAILED(rtf->Commit(STGC_OVERWRITE))) return S_OK;
  rtf.reset();
  // 7. The plain body follows; saved when the store changed something.
  BOOL updated = FALSE;
  if (SUCCEEDED(RTFSync(message_.get(), RTF_SYNC_RTF_CHANGED, &updated)) && updated)
    message_->SaveChanges(KEEP_OPEN_READWRITE);
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
  *pVal = message_.get();
  if (*pVal) (*pVal)->AddRef();
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
      messageClass_ = WideAnsi(value.get()->Value.lpszA);
  }
  return CopyOut(messageClass_, pVal);
}

}  // namespace kelmsgs
