// QMXMessage: the attachment members. Listing and indexing work on the attachment rows
// read when the message was given its MAPI message (record key, number, method, long
// file name); no member re-reads them, so attachments added or deleted since show only
// after the message is given its MAPI message again.
//
// Without a MAPI message the members fail soft: index arguments are out of range
// (E_INVALIDARG, there are no rows), the others answer E_FAIL; AttachmentCount answers
// the count, 0. With a message but without rows, indexes are out of range,
// AttachmentIndexFromId answers -1 and AttachmentFromId MAPI_E_NOT_FOUND.
#include <mapiutil.h>

#include <algorithm>
#include <string>
#include <vector>

#include "attach/AttachData.h"
#include "attach/QlaPaths.h"
#include "attach/SafeFileName.h"
#include "foundation/AnsiText.h"
#include "foundation/BstrText.h"
#include "foundation/HexId.h"
#include "foundation/MapiExtraTags.h"
#include "foundation/MapiProps.h"
#include "foundation/PropTags.h"
#include "foundation/RowColumn.h"
#include "frame/ObjectFactory.h"
#include "message/HeldMapiObject.h"
#include "message/IdList.h"
#include "message/QMXMessage.h"

namespace kelmsgs {

namespace {

// Columns of the attachment rows, in the order ReadAttachmentTable sets them.
enum class AttachmentColumn { RecordKey, AttachNum, AttachMethod, LongFilename };
// Columns of the rows AttachmentFromId finds.
enum class FoundColumn { AttachNum, LongFilename };
// The properties SaveAttachment reads from the attachment.
enum class SavedProp { Method, LongFilename };

// An attachment's identifier: its record key as upper-case hexadecimal.
std::string RowId(const SRow& row) {
  const SPropValue* key = Column(row, AttachmentColumn::RecordKey, PR_RECORD_KEY);
  if (!key) return {};
  const auto hex = EntryIdToHex(key->Value.bin.lpb, key->Value.bin.cb);
  return hex ? std::string(hex.get()) : std::string();
}

LONG AttachNum(const SRow& row) {
  const SPropValue* num = Column(row, AttachmentColumn::AttachNum, PR_ATTACH_NUM);
  return num ? num->Value.l : -1;
}

// A string VARIANT, also when a script passes it by reference.
HRESULT Dereferenced(const VARIANT& in, Variant& out) {
  return VariantCopyInd(&out, const_cast<VARIANT*>(&in));
}

}  // namespace

LONG CQMXMessage::RowCount() const {
  return attachments_ ? static_cast<LONG>(attachments_.get()->cRows) : 0;
}

const SRow* CQMXMessage::AttachmentRow(LONG index) const {
  if (index < 0 || index >= RowCount()) return nullptr;
  return &attachments_.get()->aRow[index];
}

LONG CQMXMessage::IndexOfId(const std::string& id) const {
  const LONG last = std::min(attachmentCount_, RowCount());
  for (LONG i = 0; i < last; ++i)
    if (RowId(*AttachmentRow(i)) == id) return i;
  return -1;
}

HRESULT CQMXMessage::MakeAttachment(LONG attachNum, const char* longName, BSTR id,
                                    IQMXAttach** pVal) {
  // The MAPI attachment.
  ComPtr<IAttach> attach;
  HRESULT hr =
      message_->OpenAttach(static_cast<ULONG>(attachNum), nullptr, MAPI_BEST_ACCESS, attach.put());
  if (FAILED(hr)) return hr;
  // Its object, given the attachment, its name and its identifier.
  ComPtr<IQMXAttach> object;
  hr = CreateObject(CLSID_QMXAttach, object);
  if (FAILED(hr)) return hr;
  object->putref_Attach(attach.get());
  Bstr name = longName ? BstrFromNarrow(longName) : Bstr();
  object->AddProperties(name.get(), id);
  *pVal = object.detach();
  return S_OK;
}

HRESULT CQMXMessage::get_AttachmentCount(LONG* pVal) {
  if (!pVal) return E_POINTER;
  *pVal = attachmentCount_;
  return S_OK;
}

HRESULT CQMXMessage::get_Attachment(LONG Index, IQMXAttach** pVal) {
  if (!pVal) return E_POINTER;
  *pVal = nullptr;
  // 1. A row.
  const SRow* row = AttachmentRow(Index);
  if (!row) return E_INVALIDARG;
  if (!message_) return E_FAIL;
  // 2-3. The long file name as the attachment itself has it.
  ComPtr<IAttach> attach;
  HRESULT hr = message_->OpenAttach(static_cast<ULONG>(AttachNum(*row)), nullptr, MAPI_BEST_ACCESS,
                                    attach.put());
  if (FAILED(hr)) return hr;
  auto tags = MakeTags(PR_ATTACH_LONG_FILENAME_A);
  ULONG count = 0;
  PropValues name;
  hr = attach->GetProps(tags.get(), 0, &count, name.put());
  if (FAILED(hr)) return hr;
  attach.reset();
  const SPropValue* named = Column(SRow{0, count, name.get()}, 0, PR_ATTACH_LONG_FILENAME_A);
  const char* longName = named ? named->Value.lpszA : nullptr;
  // 4-6. Its object.
  Bstr id(BstrFromNarrow(RowId(*row)));
  return MakeAttachment(AttachNum(*row), longName, id.get(), pVal);
}

HRESULT CQMXMessage::get_AttachmentFromId(BSTR EntryId, IQMXAttach** pVal) {
  if (!pVal) return E_POINTER;
  *pVal = nullptr;
  // 1. An identifier.
  if (!EntryId || SysStringLen(EntryId) == 0) return E_INVALIDARG;
  if (!message_) return E_FAIL;
  // 2. The live attachment table; without one there is nothing to find.
  ComPtr<IMAPITable> table;
  if (FAILED(message_->OpenProperty(PR_MESSAGE_ATTACHMENTS, &IID_IMAPITable, 0, 0,
                                    reinterpret_cast<LPUNKNOWN*>(table.put()))))
    return S_OK;
  // 3. The record key's bytes.
  MapiBuffer<BYTE> key;
  ULONG keySize = 0;
  HRESULT hr = EntryIdFromBstr(EntryId, key, keySize);
  if (FAILED(hr)) return hr;
  // 4. The rows with that record key.
  auto columns = MakeTags(PR_ATTACH_NUM, PR_ATTACH_LONG_FILENAME_A);
  table->SetColumns(columns.get(), TBL_BATCH);
  SPropValue wanted{};
  wanted.ulPropTag = PR_RECORD_KEY;
  wanted.Value.bin.cb = keySize;
  wanted.Value.bin.lpb = key.get();
  SRestriction restriction{};
  restriction.rt = RES_PROPERTY;
  restriction.res.resProperty.relop = RELOP_EQ;
  restriction.res.resProperty.ulPropTag = PR_RECORD_KEY;
  restriction.res.resProperty.lpProp = &wanted;
  RowSet rows;
  hr = HrQueryAllRows(table.get(), nullptr, &restriction, nullptr, 0, rows.put());
  table.reset();
  key.reset();
  // 5. Nothing found there: the message's own rows, else not found.
  if (FAILED(hr) || !rows || rows.get()->cRows == 0) {
    const LONG index = IndexOfId(AnsiFromBstr(EntryId));
    if (index >= 0) return get_Attachment(index, pVal);
    return FAILED(hr) ? hr : MAPI_E_NOT_FOUND;
  }
  // 6-7. The first row's attachment, under the caller's identifier.
  const SRow& row = rows.get()->aRow[0];
  const SPropValue* num = Column(row, FoundColumn::AttachNum, PR_ATTACH_NUM);
  if (!num) return MAPI_E_NOT_FOUND;
  const SPropValue* name = Column(row, FoundColumn::LongFilename, PR_ATTACH_LONG_FILENAME_A);
  return MakeAttachment(num->Value.l, name ? name->Value.lpszA : "", EntryId, pVal);
}

HRESULT CQMXMessage::get_AttachmentIndexFromId(BSTR EntryId, LONG* pVal) {
  if (!pVal) return E_POINTER;
  if (!EntryId || SysStringLen(EntryId) == 0) return E_INVALIDARG;
  if (!message_) return E_FAIL;
  *pVal = IndexOfId(AnsiFromBstr(EntryId));
  return S_OK;
}

HRESULT CQMXMessage::SaveAttachment(LONG Index, BSTR Filename, VARIANT_BOOL* pVal) {
  if (!pVal) return E_POINTER;
  *pVal = VARIANT_FALSE;
  // 1. A row within the count.
  const SRow* row = Index < attachmentCount_ ? AttachmentRow(Index) : nullptr;
  if (!row) return E_INVALIDARG;
  if (!message_) return E_FAIL;
  // 2-3. Method and long file name.
  ComPtr<IAttach> attach;
  HRESULT hr = message_->OpenAttach(static_cast<ULONG>(AttachNum(*row)), nullptr, MAPI_BEST_ACCESS,
                                    attach.put());
  if (FAILED(hr)) return hr;
  auto tags = MakeTags(PR_ATTACH_METHOD, PR_ATTACH_LONG_FILENAME_A);
  ULONG count = 0;
  PropValues values;
  hr = attach->GetProps(tags.get(), 0, &count, values.put());
  if (FAILED(hr)) return hr;
  // 4. Only attachments by value with a long name are saved.
  const SRow props{0, count, values.get()};
  const SPropValue* method = Column(props, SavedProp::Method, PR_ATTACH_METHOD);
  const SPropValue* longName = Column(props, SavedProp::LongFilename, PR_ATTACH_LONG_FILENAME_A);
  if (!method || method->Value.l != ATTACH_BY_VALUE || !longName) return S_OK;
  // 5. The caller's path as given, every character kept, else a safe name in the
  // temporary directory (no temporary directory: nothing is written).
  std::wstring path;
  if (Filename && SysStringLen(Filename)) {
    path.assign(Filename, SysStringLen(Filename));
  } else {
    hr = LongTempDirectory(path);
    if (FAILED(hr)) return hr;
    path += SafeFileName(WideFromNarrow(longName->Value.lpszA));
  }
  // 6. The data.
  ComPtr<IStream> data;
  hr = attach->OpenProperty(PR_ATTACH_DATA_BIN, &IID_IStream, 0, 0,
                            reinterpret_cast<LPUNKNOWN*>(data.put()));
  if (FAILED(hr)) return hr;
  // 7-8. Copied into the file: written only when the whole copy was committed.
  hr = CopyStreamToFile(data.get(), path);
  if (FAILED(hr)) return hr;
  *pVal = VARIANT_TRUE;
  return S_OK;
}

HRESULT CQMXMessage::AddAttachment(IQMXAttach* Attachment) {
  // 1. An attachment object.
  if (!Attachment) return E_INVALIDARG;
  if (!message_) return E_FAIL;
  // 2. Its MAPI attachment.
  const ComPtr<IMAPIProp> source = HeldMapiObject<IMAPIProp>(Attachment, IID_IMAPIProp);
  if (!source) return E_INVALIDARG;
  // 3-7. Each step logged; the first failure ends the sequence, not the call.
  const auto step = [this](HRESULT hr, const char* next) {
    log_.Write(SUCCEEDED(hr) ? next : "...failed.");
    return SUCCEEDED(hr);
  };
  log_.Write("Creating attachment...");
  ComPtr<IAttach> added;
  ULONG number = 0;
  MapiBuffer<SPropProblemArray> problems;
  if (!step(message_->CreateAttach(nullptr, 0, &number, added.put()),
            "...succeeded, setting properties..."))
    return S_OK;
  if (!step(source->CopyTo(0, nullptr, nullptr, 0, nullptr, &IID_IAttachment, added.get(), 0,
                           problems.put()),
            "...succeeded, saving attachment..."))
    return S_OK;
  if (!step(added->SaveChanges(KEEP_OPEN_READWRITE), "...succeeded, saving message..."))
    return S_OK;
  if (!step(message_->SaveChanges(KEEP_OPEN_READWRITE), "...successfully completed.")) return S_OK;
  ++attachmentCount_;
  return S_OK;
}

HRESULT CQMXMessage::AttachMessage(IQMXMessage* Message) {
  if (!Message) return E_INVALIDARG;
  if (!message_) return E_FAIL;
  // 1. The message to embed.
  const ComPtr<IMAPIProp> source = HeldMapiObject<IMAPIProp>(Message, IID_IMAPIProp);
  if (!source) return E_INVALIDARG;
  // 2-3. A new attachment holding an embedded message.
  ComPtr<IAttach> attach;
  ULONG number = 0;
  if (FAILED(message_->CreateAttach(nullptr, 0, &number, attach.put()))) return S_OK;
  SPropValue method{};
  method.ulPropTag = PR_ATTACH_METHOD;
  method.Value.l = ATTACH_EMBEDDED_MSG;
  if (FAILED(HrSetOneProp(attach.get(), &method))) return S_OK;
  // 4. The embedded message.
  ComPtr<IMessage> embedded;
  if (FAILED(attach->OpenProperty(PR_ATTACH_DATA_OBJ, &IID_IMessage, 0, MAPI_CREATE | MAPI_MODIFY,
                                  reinterpret_cast<LPUNKNOWN*>(embedded.put()))))
    return S_OK;
  // 5. A copy of the source, without access rights and the RTF bookkeeping.
  auto excluded =
      MakeTags(PR_ACCESS, PR_RTF_SYNC_BODY_COUNT, PR_RTF_SYNC_BODY_CRC, PR_RTF_SYNC_BODY_TAG_A,
               PR_RTF_SYNC_PREFIX_COUNT, PR_RTF_SYNC_TRAILING_COUNT);
  MapiBuffer<SPropProblemArray> problems;
  if (FAILED(source->CopyTo(0, nullptr, excluded.get(), 0, nullptr, &IID_IMessage, embedded.get(),
                            0, problems.put())))
    return S_OK;
  // 6. Saved inside out: embedded message, attachment, this message.
  if (FAILED(embedded->SaveChanges(KEEP_OPEN_READWRITE))) return S_OK;
  if (FAILED(attach->SaveChanges(KEEP_OPEN_READWRITE))) return S_OK;
  message_->SaveChanges(KEEP_OPEN_READWRITE);
  return S_OK;
}

HRESULT CQMXMessage::DeleteAttachment(LONG Index) {
  // 1. A row.
  const SRow* row = AttachmentRow(Index);
  if (!row) return E_INVALIDARG;
  if (!message_) return E_FAIL;
  // 2-3. Deleted and saved.
  message_->DeleteAttach(static_cast<ULONG>(AttachNum(*row)), 0, nullptr, 0);
  return message_->SaveChanges(KEEP_OPEN_READWRITE);
}

HRESULT CQMXMessage::DeleteAttachments(VARIANT ExcludeList) {
  if (!message_) return E_FAIL;
  // 1. What is kept: the identifiers of a ';'-separated list, or one index.
  Variant exclude;
  if (FAILED(Dereferenced(ExcludeList, exclude))) exclude.clear();
  std::string list;
  LONG keptIndex = -1;
  switch (V_VT(&exclude)) {
    case VT_BSTR:
      list = AnsiFromBstr(V_BSTR(&exclude));
      break;
    case VT_I2:
      keptIndex = V_I2(&exclude);
      break;
    case VT_I4:
      keptIndex = V_I4(&exclude);
      break;
    default:
      break;
  }
  const bool byId = !list.empty();
  const std::vector<std::string_view> keptIds = SplitIdList(list);
  // 2. An index beyond the attachments keeps nothing.
  if (keptIndex >= attachmentCount_) keptIndex = -1;
  // 3. Every other attachment deleted; the message is not saved.
  HRESULT hr = S_OK;
  const LONG last = std::min(attachmentCount_, RowCount());
  for (LONG i = 0; i < last; ++i) {
    const SRow& row = *AttachmentRow(i);
    const bool kept = byId ? std::find(keptIds.begin(), keptIds.end(), RowId(row)) != keptIds.end()
                           : keptIndex != -1 && keptIndex == i;
    if (!kept) hr = message_->DeleteAttach(static_cast<ULONG>(AttachNum(row)), 0, nullptr, 0);
  }
  return hr;
}

}  // namespace kelmsgs
