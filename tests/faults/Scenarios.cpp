#include "Scenarios.h"

#include <windows.h>
#include <mapix.h>

#include <algorithm>
#include <atomic>

#include "../session/EventSink.h"
#include "KelMsgs.h"
#include "foundation/ComPtr.h"
#include "foundation/Owned.h"
#include "session/QMXSession.h"
#include "support/BstrText.h"
#include "support/MapiFixture.h"

using kelmsgs::Bstr;
using kelmsgs::ComPtr;
using kelmsgs::CQMXSession;

namespace scenario {

namespace {

const MemberRules kQuiet{};
const MemberRules kObject{true, {}, {}};

// A new session, logged on (MAPI initialised first with multithreaded notifications when
// asked, as the demo does). The session is handed back also when the logon failed.
ComPtr<CQMXSession> LogOn(MemberLog& log, bool multithreaded) {
  ComPtr<CQMXSession> session;
  if (FAILED(CQMXSession::Create(session))) return session;
  const MemberRules init = PassesOn({"MAPIInitialize"});
  if (multithreaded) log.Call("MAPIInit", init, [&] { return session->MAPIInit(VARIANT_TRUE); });
  VARIANT_BOOL ok = VARIANT_FALSE;
  log.Call("Logon", init, [&] { return session->Logon(nullptr, nullptr, &ok); });
  return session;
}

void LogOff(MemberLog& log, ComPtr<CQMXSession>& session) {
  if (!session) return;
  log.Call("Logoff", kQuiet, [&] { return session->Logoff(VARIANT_TRUE); });
  session.reset();
}

LONG Count(MemberLog& log, const std::string& member, const std::function<HRESULT(LONG*)>& get) {
  LONG count = 0;
  log.Call(member, kQuiet, [&] { return get(&count); });
  return count;
}

void Text(MemberLog& log, const std::string& member, const std::function<HRESULT(BSTR*)>& get) {
  Bstr text;
  log.Call(member, kQuiet, [&] { return get(text.put()); });
}

ComPtr<IQMXMessageStore> Store(MemberLog& log, CQMXSession* session, LONG index) {
  ComPtr<IQMXMessageStore> store;
  log.Call(
      "MsgStore(" + std::to_string(index) + ")", kObject,
      [&] { return session->get_MsgStore(index, store.put()); }, [&] { return !!store; });
  return store;
}

LONG StoreCount(MemberLog& log, CQMXSession* session) {
  return Count(log, "StoreCount", [&](LONG* n) { return session->get_StoreCount(n); });
}

ComPtr<IQMXStoreFolder> Root(MemberLog& log, IQMXMessageStore* store) {
  ComPtr<IQMXStoreFolder> root;
  log.Call(
      "RootFolder", kObject, [&] { return store->get_RootFolder(root.put()); },
      [&] { return !!root; });
  return root;
}

// Every store object the session hands out, in order.
void ForEachStore(MemberLog& log, CQMXSession* session,
                  const std::function<void(IQMXMessageStore*)>& visit) {
  const LONG stores = StoreCount(log, session);
  for (LONG i = 0; i < stores; ++i)
    if (ComPtr<IQMXMessageStore> store = Store(log, session, i)) visit(store.get());
}

// The default store, looked for as the demo does.
ComPtr<IQMXMessageStore> DefaultStore(MemberLog& log, CQMXSession* session) {
  const LONG stores = StoreCount(log, session);
  for (LONG i = 0; i < stores; ++i) {
    ComPtr<IQMXMessageStore> store = Store(log, session, i);
    VARIANT_BOOL isDefault = VARIANT_FALSE;
    if (store) log.Call("Default", kQuiet, [&] { return store->get_Default(&isDefault); });
    if (isDefault) return store;
  }
  return {};
}

// The default store's inbox, as the demo finds it, and how many messages it holds.
ComPtr<IQMXStoreFolder> Inbox(MemberLog& log, CQMXSession* session, LONG& count) {
  ComPtr<IQMXMessageStore> store = DefaultStore(log, session);
  ComPtr<IQMXStoreFolder> inbox;
  if (store)
    log.Call("StandardFolder(Inbox)", kQuiet,
             [&] { return store->get_StandardFolder(mfldTypeInbox, inbox.put()); });
  count =
      inbox ? Count(log, "MessageCount", [&](LONG* n) { return inbox->get_MessageCount(n); }) : 0;
  return inbox;
}

ComPtr<IQMXMessage> MessageAt(MemberLog& log, IQMXStoreFolder* folder, LONG index) {
  ComPtr<IQMXMessage> message;
  log.Call("Message(" + std::to_string(index) + ")", kQuiet,
           [&] { return folder->get_Message(index, message.put()); });
  return message;
}

void Property(MemberLog& log, IQMXStoreFolder* folder, LONG index, MessagePropertyConstants which) {
  kelmsgs::Variant value;
  log.Call("MessageProperty(" + std::to_string(index) + "," + std::to_string(which) + ")", kQuiet,
           [&] { return folder->get_MessageProperty(index, which, &value); });
}

void WalkFolder(MemberLog& log, IQMXStoreFolder* folder, int depth) {
  Text(log, "Folder.DisplayName", [&](BSTR* s) { return folder->get_DisplayName(s); });
  const LONG messages =
      Count(log, "MessageCount", [&](LONG* n) { return folder->get_MessageCount(n); });
  for (LONG j = 0; j < std::min<LONG>(messages, 5); ++j) {
    Property(log, folder, j, mpSubject);
    Property(log, folder, j, mpDeliveryTime);
    Property(log, folder, j, mpAttachments);
  }
  if (depth >= 4) return;
  const LONG subfolders =
      Count(log, "SubfolderCount", [&](LONG* n) { return folder->get_SubfolderCount(n); });
  for (LONG j = 0; j < subfolders; ++j) {
    ComPtr<IQMXStoreFolder> child;
    log.Call(
        "Folder(" + std::to_string(j) + ")", {true, {"OpenEntry"}, {}},
        [&] { return folder->get_Folder(j, child.put()); }, [&] { return !!child; });
    if (child) WalkFolder(log, child.get(), depth + 1);
  }
}

void ShowAttachment(MemberLog& log, IQMXAttach* attach, const std::string& path) {
  Text(log, "Filename", [&](BSTR* s) { return attach->get_Filename(s); });
  LONG size = 0;
  log.Call("Size", kQuiet, [&] { return attach->get_Size(&size); });
  Text(log, "Extension", [&](BSTR* s) { return attach->get_Extension(s); });
  Bstr target = B(std::wstring(path.begin(), path.end()));
  Bstr saved;
  log.Call("Attach.Save", PassesOn({"GetProps", "IStream::Read"}),
           [&] { return attach->Save(target.get(), saved.put()); });
  VARIANT_BOOL opened = VARIANT_FALSE;
  log.Call("OpenContent", PassesOn({"GetProps", "IStream::Read"}),
           [&] { return attach->OpenContent(&opened); });
  if (!opened) return;
  const LONG members =
      Count(log, "ArchiveCount", [&](LONG* n) { return attach->get_ArchiveCount(n); });
  for (LONG m = 0; m < members; ++m) {
    Text(log, "ArchiveFilename", [&](BSTR* s) { return attach->get_ArchiveFilename(m, s); });
    LONG memberSize = 0;
    log.Call("ArchiveFilesize", kQuiet,
             [&] { return attach->get_ArchiveFilesize(m, &memberSize); });
    Text(log, "ArchiveContent", [&](BSTR* s) { return attach->get_ArchiveContent(m, s); });
  }
  if (members == 0) Text(log, "Content", [&](BSTR* s) { return attach->get_Content(s); });
  log.Call("CloseContent", kQuiet, [&] { return attach->CloseContent(); });
}

}  // namespace

void Logon(MemberLog& log, const ScenarioContext&) {
  ComPtr<CQMXSession> session = LogOn(log, true);
  if (!session) return;
  Text(log, "CurrentProfileName", [&](BSTR* s) { return session->get_CurrentProfileName(s); });
  Text(log, "DefaultProfileName", [&](BSTR* s) { return session->get_DefaultProfileName(s); });
  Text(log, "CurrentUser", [&](BSTR* s) { return session->get_CurrentUser(s); });
  Count(log, "ProfileCount", [&](LONG* n) { return session->get_ProfileCount(n); });
  StoreCount(log, session.get());
  LogOff(log, session);
}

void StoreWalk(MemberLog& log, const ScenarioContext&) {
  ComPtr<CQMXSession> session = LogOn(log, true);
  if (!session) return;
  ForEachStore(log, session.get(), [&](IQMXMessageStore* store) {
    Text(log, "Store.DisplayName", [&](BSTR* s) { return store->get_DisplayName(s); });
    VARIANT_BOOL flag = VARIANT_FALSE;
    log.Call("Default", kQuiet, [&] { return store->get_Default(&flag); });
    log.Call("Public", kQuiet, [&] { return store->get_Public(&flag); });
    ComPtr<IQMXStoreFolder> root = Root(log, store);
    if (root) Text(log, "Folder.DisplayName", [&](BSTR* s) { return root->get_DisplayName(s); });
  });
  LogOff(log, session);
}

void FolderWalk(MemberLog& log, const ScenarioContext&) {
  ComPtr<CQMXSession> session = LogOn(log, true);
  if (!session) return;
  ForEachStore(log, session.get(), [&](IQMXMessageStore* store) {
    if (ComPtr<IQMXStoreFolder> root = Root(log, store)) WalkFolder(log, root.get(), 0);
  });
  LogOff(log, session);
}

void MessageReadWrite(MemberLog& log, const ScenarioContext&) {
  ComPtr<CQMXSession> session = LogOn(log, true);
  if (!session) return;
  {
    LONG count = 0;
    ComPtr<IQMXStoreFolder> inbox = Inbox(log, session.get(), count);
    ComPtr<IQMXMessage> message;
    if (count > 0) message = MessageAt(log, inbox.get(), count - 1);
    if (message) {
      Text(log, "Subject", [&](BSTR* s) { return message->get_Subject(s); });
      Text(log, "MessageClass", [&](BSTR* s) { return message->get_MessageClass(s); });
      DATE sent = 0;
      log.Call("SentTime", kQuiet, [&] { return message->get_SentTime(&sent); });
      Text(log, "Body", [&](BSTR* s) { return message->get_Body(s); });
      Bstr name = B(L"FaultSweep");
      kelmsgs::Variant value;
      value.vt = VT_BSTR;
      value.bstrVal = SysAllocString(L"written");
      log.Call("UserProperty put", PassesOn({"GetIDsFromNames", "SetProps"}),
               [&] { return message->put_UserProperty(name.get(), ptString, value); });
      log.Call("Message.Save", PassesOn({"SaveChanges", "StoreCommit"}),
               [&] { return message->Save(); });
      // The formatted bodies: RTF written and read back (quiet on failure), HTML written
      // and saved (passes every failure on).
      Bstr rtf = B(L"{\\rtf1\\ansi written}");
      log.Call("TextRTF put", kQuiet, [&] { return message->put_TextRTF(rtf.get()); });
      Text(log, "TextRTF", [&](BSTR* s) { return message->get_TextRTF(s); });
      Bstr html = B(L"<p>written</p>");
      log.Call("TextHTML put",
               PassesOn({"OpenProperty", "IStream::Write", "IStream::Commit", "SaveChanges",
                         "StoreCommit"}),
               [&] { return message->put_TextHTML(html.get()); });
    }
  }
  LogOff(log, session);
}

void AttachmentSaveAndText(MemberLog& log, const ScenarioContext& context) {
  ComPtr<CQMXSession> session = LogOn(log, true);
  if (!session) return;
  {
    LONG count = 0;
    ComPtr<IQMXStoreFolder> inbox = Inbox(log, session.get(), count);
    for (LONG j = 0; j < count; ++j) {
      ComPtr<IQMXMessage> message = MessageAt(log, inbox.get(), j);
      if (!message) continue;
      const LONG attachments =
          Count(log, "AttachmentCount", [&](LONG* n) { return message->get_AttachmentCount(n); });
      for (LONG k = 0; k < attachments; ++k) {
        ComPtr<IQMXAttach> attach;
        log.Call(
            "Attachment(" + std::to_string(k) + ")", {true, {"OpenAttach"}, {"GetProps"}},
            [&] { return message->get_Attachment(k, attach.put()); }, [&] { return !!attach; });
        if (attach)
          ShowAttachment(
              log, attach.get(),
              context.saveDir + "\\saved_" + std::to_string(j) + "_" + std::to_string(k));
      }
    }
  }
  LogOff(log, session);
}

namespace {

// New mail reaches an advised store and the client's sink. Without multithreaded
// notifications the sinks hear MAPI on this thread, while it dispatches its window
// messages, so one drain delivers everything posted; with them, on MAPI's notification
// thread, which the run waits for (boundedly) once the store was advised.
void NewMailEvents(MemberLog& log, const ScenarioContext& context, bool multithreaded) {
  ComPtr<CQMXSession> session = LogOn(log, multithreaded);
  if (!session) return;
  EventSink sink;
  {
    ComPtr<IQMXMessageStore> store = DefaultStore(log, session.get());
    if (store) {
      sink.Connect(static_cast<IQMXSession*>(session.get()));
      const HRESULT advised = log.Call("Advise", PassesOn({"Advise"}), [&] {
        return store->Advise(static_cast<IQMXSession*>(session.get()));
      });
      MapiFixture::DeliverMail(context.profile.c_str(),
                               R"({"subject": "Sweep", "body": "delivered", "attachments": [
                                     {"method": "value", "longFilename": "n.txt", "data": "x"}]})");
      const auto heard = [&] { return !sink.MessageEvents(fnevNewMail).empty(); };
      PumpUntil(heard, multithreaded && SUCCEEDED(advised) ? 1000 : 0);
      if (heard()) log.Saw("new mail event");
      log.Call("Unadvise", kQuiet, [&] { return store->Unadvise(); });
      sink.Disconnect();
    }
  }
  PumpUntil([] { return false; }, 0);
  LogOff(log, session);
}

}  // namespace

void Events(MemberLog& log, const ScenarioContext& context) {
  NewMailEvents(log, context, false);
}

void EventsOnNotificationThread(MemberLog& log, const ScenarioContext& context) {
  NewMailEvents(log, context, true);
}

}  // namespace scenario
