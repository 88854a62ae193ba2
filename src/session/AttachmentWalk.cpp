#include "session/AttachmentWalk.h"

#include <mapiutil.h>

#include "foundation/MapiOwned.h"
#include "foundation/PropTags.h"
#include "session/MessagePump.h"

namespace kelmsgs {

namespace {

// The attachment table's columns, in the order the walk reads them.
enum Column : ULONG { kNum, kMethod, kFileName, kLongFileName, kLongPathName, kDisplayName };

const SPropValue* Value(const SRow& row, Column column, ULONG tag) {
  if (row.cValues <= column || row.lpProps[column].ulPropTag != tag) return nullptr;
  return &row.lpProps[column];
}

}  // namespace

bool CQMXSession::AttachmentWalk::Stop() {
  if (!stopped_ && session_.StopRequested()) stopped_ = true;
  return stopped_;
}

HRESULT CQMXSession::AttachmentWalk::Run(IMessage* source, IMessage* target) {
  // 1. Both messages are needed.
  if (!source || !target) return E_INVALIDARG;
  // 2. The attachments, recursively; 5. a stop is traced once, for the whole walk.
  const HRESULT hr = CopyAttachments(source, target);
  if (stopped_) session_.SESSION_TRACE("AddAttachments", "Cancelled.");
  return hr;
}

HRESULT CQMXSession::AttachmentWalk::CopyAttachments(IMessage* source, IMessage* target) {
  // 2. A message without attachments has nothing to copy.
  PropValues hasAttach;
  HRESULT hr = HrGetOneProp(source, PR_HASATTACH, hasAttach.put());
  if (FAILED(hr) || !hasAttach.get()->Value.b) return hr;
  // 3. Its attachment rows, with the six columns the walk reads.
  if (Stop()) return kStopped;
  ComPtr<IMAPITable> table;
  hr = source->GetAttachmentTable(0, table.put());
  if (FAILED(hr)) return hr;
  auto columns = MakeTags(PR_ATTACH_NUM, PR_ATTACH_METHOD, PR_ATTACH_FILENAME_A,
                          PR_ATTACH_LONG_FILENAME_A, PR_ATTACH_LONG_PATHNAME_A, PR_DISPLAY_NAME_A);
  hr = table->SetColumns(columns.get(), TBL_BATCH);
  if (FAILED(hr)) return hr;
  RowSet rows;
  hr = HrQueryAllRows(table.get(), nullptr, nullptr, nullptr, 0, rows.put());
  if (FAILED(hr)) return hr;
  // 4. Each row in turn; a failure or a stop ends the walk.
  for (ULONG i = 0; i < rows.get()->cRows; ++i) {
    if (Stop()) return kStopped;
    const std::optional<HRESULT> rowResult = CopyRow(source, target, rows.get()->aRow[i]);
    if (!rowResult) continue;
    hr = *rowResult;
    if (stopped_) return kStopped;
    if (FAILED(hr)) return hr;
  }
  return hr;
}

std::optional<HRESULT> CQMXSession::AttachmentWalk::CopyRow(IMessage* source, IMessage* target,
                                                            const SRow& row) {
  // 1. The source attachment and its new twin; either missing passes the row over.
  const SPropValue* num = Value(row, kNum, PR_ATTACH_NUM);
  if (!num || row.cValues <= kDisplayName) return std::nullopt;
  ComPtr<IAttach> from;
  if (FAILED(source->OpenAttach(num->Value.ul, nullptr, MAPI_BEST_ACCESS, from.put())))
    return std::nullopt;
  ComPtr<IAttach> to;
  ULONG newNum = 0;
  if (FAILED(target->CreateAttach(nullptr, 0, &newNum, to.put()))) return std::nullopt;
  // 2. Without a method the new attachment is dropped unsaved.
  const SPropValue* method = Value(row, kMethod, PR_ATTACH_METHOD);
  if (!method) return std::nullopt;
  // 3. The data, by method; other methods carry none.
  HRESULT hr = S_OK;
  if (method->Value.l == ATTACH_BY_VALUE || method->Value.l == ATTACH_OLE) {
    hr = CopyBinary(from.get(), to.get(), method->Value.l);
  } else if (method->Value.l == ATTACH_EMBEDDED_MSG) {
    hr = CopyEmbedded(from.get(), to.get());
  }
  if (stopped_ || FAILED(hr)) return hr;
  // 4. The row's names and method in one call (a column the row lacks carries its error
  //    value), then the attachment is saved.
  SPropValue values[] = {row.lpProps[kMethod], row.lpProps[kLongFileName],
                         row.lpProps[kLongPathName], row.lpProps[kFileName],
                         row.lpProps[kDisplayName]};
  hr = to->SetProps(static_cast<ULONG>(std::size(values)), values, nullptr);
  if (FAILED(hr)) return hr;
  return to->SaveChanges(KEEP_OPEN_READWRITE);
}

HRESULT CQMXSession::AttachmentWalk::CopyBinary(IAttach* from, IAttach* to, ULONG method) {
  // 1. Both data streams; without either there is nothing to copy.
  const IID& kind = method == ATTACH_OLE ? IID_IStreamDocfile : IID_IStream;
  ComPtr<IStream> in;
  if (FAILED(from->OpenProperty(PR_ATTACH_DATA_BIN, &kind, 0, 0,
                                reinterpret_cast<LPUNKNOWN*>(in.put()))))
    return S_OK;
  ComPtr<IStream> out;
  if (FAILED(to->OpenProperty(PR_ATTACH_DATA_BIN, &IID_IStream, 0, MAPI_CREATE | MAPI_MODIFY,
                              reinterpret_cast<LPUNKNOWN*>(out.put()))))
    return S_OK;
  // 2. The bytes.
  return CopyStream(in.get(), out.get());
}

HRESULT CQMXSession::AttachmentWalk::CopyStream(IStream* from, IStream* to) {
  // 1. Read by read, pumping around each write; a stop keeps what was written.
  for (;;) {
    ULONG got = 0;
    HRESULT hr = from->Read(buffer_.get(), kCopyBufferSize, &got);
    if (FAILED(hr)) return hr;
    if (got == 0) break;
    PumpMessages();
    if (Stop()) {
      to->Commit(0);
      return kStopped;
    }
    ULONG written = 0;
    hr = to->Write(buffer_.get(), got, &written);
    if (FAILED(hr)) return hr;
    PumpMessages();
  }
  // 2. The copy is kept.
  return to->Commit(0);
}

HRESULT CQMXSession::AttachmentWalk::CopyEmbedded(IAttach* from, IAttach* to) {
  // 1. The embedded message; without one there is nothing to copy.
  ComPtr<IMessage> in;
  if (FAILED(from->OpenProperty(PR_ATTACH_DATA_OBJ, &IID_IMessage, 0, 0,
                                reinterpret_cast<LPUNKNOWN*>(in.put()))))
    return S_OK;
  // 2. Its twin in the new attachment.
  ComPtr<IMessage> out;
  HRESULT hr = to->OpenProperty(PR_ATTACH_DATA_OBJ, &IID_IMessage, 0, MAPI_CREATE | MAPI_MODIFY,
                                reinterpret_cast<LPUNKNOWN*>(out.put()));
  if (FAILED(hr)) return hr;
  // 3. Its properties and recipients, the plain body included; attachments follow one by one.
  auto excluded =
      MakeTags(PR_ACCESS, PR_RTF_SYNC_BODY_COUNT, PR_RTF_SYNC_BODY_CRC, PR_RTF_SYNC_BODY_TAG_A,
               PR_RTF_SYNC_PREFIX_COUNT, PR_RTF_SYNC_TRAILING_COUNT, PR_MESSAGE_ATTACHMENTS);
  hr = in->CopyTo(0, nullptr, excluded.get(), 0, nullptr, &IID_IMessage, out.get(), 0, nullptr);
  // Warnings (MAPI_W_ERRORS_RETURNED: some values were not copied) are not failures.
  if (FAILED(hr)) return hr;
  // 4. Its attachments, then the message is kept in the attachment.
  hr = CopyAttachments(in.get(), out.get());
  if (stopped_ || FAILED(hr)) return hr;
  return out->SaveChanges(KEEP_OPEN_READWRITE);
}

}  // namespace kelmsgs
