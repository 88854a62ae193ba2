// QMXSession: message events. Another component raises the typed events through Notify
// and MessageDeleted; store objects forward their notifications to MessageNotification,
// which either raises MessageEvent or records the event in the registry queue that a
// separate consumer reads later.
#include <string>
#include <utility>

#include "session/QMXSession.h"

#include "foundation/BstrText.h"
#include "foundation/HexId.h"
#include "foundation/MapiOwned.h"
#include "foundation/UserValues.h"
#include "session/EventQueuePlan.h"
#include "session/MessagePump.h"
#include "foundation/AutomationOut.h"

namespace kelmsgs {

// One identifier handed to MessageNotification, owned from then on.
struct CQMXSession::EventId {
  MapiBuffer<BYTE> bytes;
  ULONG size = 0;

  EventId(BYTE* given, ULONG count) : bytes(given), size(given ? count : 0) {}
  // The identifier string; the buffer is freed once converted.
  std::string TakeHex() {
    std::string text;
    if (bytes) {
      const auto hex = EntryIdToHex(bytes.get(), size);
      if (hex) text = hex.get();
    }
    bytes.reset();
    return text;
  }
};

struct CQMXSession::EventIds {
  EventId store, message, parent, oldMessage, oldParent;
};

namespace {

VARIANTARG BytesArg(BYTE* bytes) {
  VARIANTARG v;
  VariantInit(&v);
  V_VT(&v) = VT_BYREF | VT_UI1;
  V_UI1REF(&v) = bytes;
  return v;
}

VARIANTARG LongArg(ULONG value) {
  VARIANTARG v;
  VariantInit(&v);
  V_VT(&v) = VT_I4;
  V_I4(&v) = static_cast<LONG>(value);
  return v;
}

std::string HexOrEmpty(const BYTE* bytes, ULONG size) {
  if (!bytes) return {};
  const auto hex = EntryIdToHex(bytes, size);
  return hex ? std::string(hex.get()) : std::string();
}

void WriteQueueValue(const QueueValue& value) {
  if (value.isNumber)
    WriteUserDword(value.key, value.name, value.number);
  else
    WriteUserString(value.key, value.name, value.text);
}

}  // namespace

HRESULT CQMXSession::get_TrackEvents(VARIANT_BOOL* pVal) {
  return BoolOut(trackEvents_, pVal);
}

HRESULT CQMXSession::put_TrackEvents(VARIANT_BOOL newVal) {
  trackEvents_ = newVal != VARIANT_FALSE;
  return S_OK;
}

HRESULT CQMXSession::get_EventCount(LONG* pVal) {
  if (!pVal) return E_POINTER;
  *pVal = eventCount_;
  return S_OK;
}

// A number kept for the client; the queue's own counter is not touched.
HRESULT CQMXSession::put_EventCount(LONG newVal) {
  eventCount_ = newVal;
  SESSION_TRACE("put_EventCount", std::to_string(newVal));
  return S_OK;
}

HRESULT CQMXSession::Notify(LONG EventType, IQMXMessage* Msg) {
  // Deletions have no message object to pass; they come through MessageDeleted.
  const auto event = TypedEventOf(EventType);
  if (!event) return S_OK;
  SESSION_TRACE("Notify", event->trace);
  VARIANTARG arg;
  VariantInit(&arg);
  V_VT(&arg) = VT_DISPATCH;
  V_DISPATCH(&arg) = Msg;
  FireEvent(event->dispid, &arg, 1);
  return S_OK;
}

HRESULT CQMXSession::MessageDeleted(unsigned char* MsgEntryId, ULONG MsgSize,
                                    unsigned char* FldEntryId, ULONG FldSize,
                                    unsigned char* StoreEntryId, ULONG StoreSize) {
  // 1. The three identifier strings (empty for a missing buffer).
  const Bstr message(BstrFromNarrow(HexOrEmpty(MsgEntryId, MsgSize)));
  const Bstr folder(BstrFromNarrow(HexOrEmpty(FldEntryId, FldSize)));
  const Bstr store(BstrFromNarrow(HexOrEmpty(StoreEntryId, StoreSize)));
  // 2. Raised as message, folder, store: in reverse order on the argument list.
  VARIANTARG args[3];
  BSTR strings[3] = {store.get(), folder.get(), message.get()};
  for (int i = 0; i < 3; ++i) {
    VariantInit(&args[i]);
    V_VT(&args[i]) = VT_BSTR;
    V_BSTR(&args[i]) = strings[i];
  }
  FireEvent(kEventIdMessageDeleted, args, 3);
  return S_OK;
}

HRESULT CQMXSession::MessageNotification(unsigned char* lpStoreId, ULONG cbStoreId,
                                         unsigned char* lpEntryId, ULONG cbEntryId,
                                         unsigned char* lpParentId, ULONG cbParentId,
                                         unsigned char* lpOldEntryId, ULONG cbOldEntryId,
                                         unsigned char* lpOldParentId, ULONG cbOldParentId,
                                         ULONG cbEventType, ULONG cbObjectType,
                                         VARIANT_BOOL bIsResult) {
  // Recording drains window messages, where the client may let go of the session.
  const ComPtr<CQMXSession> self(this);
  // The five identifier buffers are ours from here on, whichever way the event goes.
  EventIds ids{{lpStoreId, cbStoreId},
               {lpEntryId, cbEntryId},
               {lpParentId, cbParentId},
               {lpOldEntryId, cbOldEntryId},
               {lpOldParentId, cbOldParentId}};
  if (trackEvents_) {
    RecordEvent(ids, cbEventType, cbObjectType);
    return S_OK;
  }
  // Raised with the arguments unchanged, in reverse order.
  VARIANTARG args[13];
  args[12] = BytesArg(ids.store.bytes.get());
  args[11] = LongArg(cbStoreId);
  args[10] = BytesArg(ids.message.bytes.get());
  args[9] = LongArg(cbEntryId);
  args[8] = BytesArg(ids.parent.bytes.get());
  args[7] = LongArg(cbParentId);
  args[6] = BytesArg(ids.oldMessage.bytes.get());
  args[5] = LongArg(cbOldEntryId);
  args[4] = BytesArg(ids.oldParent.bytes.get());
  args[3] = LongArg(cbOldParentId);
  args[2] = LongArg(cbEventType);
  args[1] = LongArg(cbObjectType);
  VariantInit(&args[0]);
  V_VT(&args[0]) = VT_BOOL;
  V_BOOL(&args[0]) = bIsResult;
  return FireEvent(kEventIdMessageEvent, args, 13);
}

void CQMXSession::RecordEvent(EventIds& ids, ULONG eventType, ULONG objectType) {
  const std::string base = registryKeyPath_ + "\\AutoUpdate";
  // 1. The client's windows stay responsive while the event is recorded.
  SESSION_TRACE("MessageEvent", "Event received.");
  PumpMessages();
  // 2. A new folder is recorded by itself and is not counted.
  if (IsCreatedFolder(eventType, objectType)) {
    const std::string store = ids.store.TakeHex();
    const std::string folder = ids.message.TakeHex();
    const std::string parent = ids.parent.TakeHex();
    for (const auto& value : NewFolderRecord(base, store, folder, parent)) WriteQueueValue(value);
    return;
  }
  // 3. The queue code of the event.
  const auto kind = QueueKindOf(eventType);
  // 4. The identifier strings.
  EventStrings strings;
  strings.store = ids.store.TakeHex();
  PumpMessages();
  strings.message = ids.message.TakeHex();
  PumpMessages();
  strings.parent = ids.parent.TakeHex();
  PumpMessages();
  strings.oldMessage = ids.oldMessage.TakeHex();
  PumpMessages();
  strings.oldParent = ids.oldParent.TakeHex();
  if (!kind) return;
  SESSION_TRACE("MessageEvent", kind->tracePrefix + strings.message);
  // 5. The record, then the counter that tells the consumer it is complete.
  const auto record = MessageRecord(base, kind->code, strings);
  if (record.empty()) return;
  for (const auto& value : record) WriteQueueValue(value);
  WriteUserDword(base, "Events", NextEventCount(ReadUserDword(base, "Events")));
}

}  // namespace kelmsgs
