#include "ServiceBench.h"

#include <mapix.h>
#include <mapiutil.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "BenchTiming.h"
#include "KelMsgs.h"
#include "MapiStandinControl.h"
#include "attach/QlaPaths.h"
#include "foundation/AnsiText.h"
#include "foundation/BstrText.h"
#include "foundation/ComPtr.h"
#include "foundation/MapiOwned.h"
#include "foundation/Owned.h"
#include "frame/resource.h"
#include "session/QMXSession.h"

namespace bench {

namespace {

using kelmsgs::Bstr;
using kelmsgs::ComPtr;

constexpr int kAttachments = 20;
constexpr std::size_t kAttachmentBytes = 256 * 1024;
constexpr int kMails = 20;
// The copy service reads attachment data in blocks of this size; the client does the same.
constexpr ULONG kCopyBlock = 65535;
constexpr DWORD kCopyLimitMs = 60000;
constexpr ULONG kSpoolerLimitMs = 30000;

bool Fail(const char* what, HRESULT hr) {
  std::fprintf(stderr, "mapi_bench: %s failed (0x%08lX)\n", what, static_cast<unsigned long>(hr));
  return false;
}

template <class F>
F StandinExport(const char* name) {
  return reinterpret_cast<F>(
      reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleA("mapi32.dll"), name)));
}

// A mailbox that can send (an owner, a directory entry, an outgoing directory) and holds in
// "Src" one message with kAttachments attachments of kAttachmentBytes each and a target.
std::string ProfileJson() {
  const std::string data(kAttachmentBytes, 'a');
  std::string attachments;
  for (int i = 0; i < kAttachments; ++i) {
    if (i) attachments += ",";
    attachments += R"({"method": "value", "filename": "file-)" + std::to_string(i) +
                   R"(.bin", "data": ")" + data + "\"}";
  }
  return R"({"profiles": [{"name": "BenchMail", "default": true, "outgoing": "outgoing",
    "addressBook": {"owner": {"name": "Ann Lee", "email": "ann@example.com"},
                    "entries": [{"name": "Bo Chen", "email": "bo@example.com"}]},
    "services": [{"service": "MSUPST MS", "displayName": "Personal Folders", "stores": [
      {"displayName": "Mailbox", "file": "benchmail.kms", "default": true,
       "folders": [{"name": "Src", "class": "IPF.Note", "messages": [
         {"subject": "attachments", "attachments": [)" +
         attachments + R"(]}, {"subject": "target"}]}]}]}]}]})";
}

// The identifier of the message with that subject in the store's folder "Src", and the
// message itself.
Bstr MessageId(IQMXMessageStore* store, const wchar_t* subject, ComPtr<IQMXMessage>& found) {
  ComPtr<IQMXStoreFolder> root;
  if (FAILED(store->get_RootFolder(root.put()))) return {};
  LONG count = 0;
  root->get_SubfolderCount(&count);
  for (LONG i = 0; i < count; ++i) {
    ComPtr<IQMXStoreFolder> folder;
    Bstr name;
    if (FAILED(root->get_Folder(i, folder.put())) || FAILED(folder->get_DisplayName(name.put())) ||
        !name.get() || std::wcscmp(name.get(), L"Src") != 0)
      continue;
    LONG messages = 0;
    folder->get_MessageCount(&messages);
    for (LONG m = 0; m < messages; ++m) {
      ComPtr<IQMXMessage> message;
      Bstr text, id;
      if (FAILED(folder->get_Message(m, message.put())) ||
          FAILED(message->get_Subject(text.put())) || !text.get() ||
          std::wcscmp(text.get(), subject) != 0 || FAILED(message->get_MessageID(id.put())))
        continue;
      found = message;
      return id;
    }
  }
  return {};
}

// The files below dir and their bytes, counted depth first.
void CountFiles(const std::string& dir, int& files, ULONGLONG& bytes) {
  WIN32_FIND_DATAA entry{};
  const kelmsgs::FindHandle find(FindFirstFileA((dir + "*").c_str(), &entry));
  if (!find) return;
  do {
    const std::string name = entry.cFileName;
    if (name == "." || name == "..") continue;
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      CountFiles(dir + name + "\\", files, bytes);
    } else {
      ++files;
      bytes += (ULONGLONG(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow;
    }
  } while (FindNextFileA(find.get(), &entry));
}

// Removes everything below dir, and dir itself.
void RemoveTree(const std::string& dir) {
  {
    WIN32_FIND_DATAA entry{};
    const kelmsgs::FindHandle find(FindFirstFileA((dir + "*").c_str(), &entry));
    if (find) {
      do {
        const std::string name = entry.cFileName;
        if (name == "." || name == "..") continue;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
          RemoveTree(dir + name + "\\");
        else
          DeleteFileA((dir + name).c_str());
      } while (FindNextFileA(find.get(), &entry));
    }
  }
  RemoveDirectoryA(dir.c_str());
}

// The client's copy: the message opened by its identifier, its attachment table read, and
// each attachment's data streamed in blocks into a file of its own directory below target;
// with `flush`, each file flushed to the disk once written, as the copy service does.
HRESULT ClientCopy(IMsgStore* store, const SBinary& id, const std::string& target, bool flush) {
  // 1. The message.
  ULONG type = 0;
  ComPtr<IMessage> message;
  HRESULT hr = store->OpenEntry(id.cb, reinterpret_cast<LPENTRYID>(id.lpb), nullptr, 0, &type,
                                reinterpret_cast<LPUNKNOWN*>(message.put()));
  if (FAILED(hr)) return hr;
  // 2. The numbers and names of its attachments.
  ComPtr<IMAPITable> table;
  if (FAILED(hr = message->GetAttachmentTable(0, table.put()))) return hr;
  SizedSPropTagArray(2, columns) = {2, {PR_ATTACH_NUM, PR_ATTACH_LONG_FILENAME_A}};
  kelmsgs::RowSet rows;
  hr = HrQueryAllRows(table.get(), reinterpret_cast<LPSPropTagArray>(&columns), nullptr, nullptr, 0,
                      rows.put());
  if (FAILED(hr)) return hr;
  // 3. Each attachment's data into its file.
  CreateDirectoryA(target.c_str(), nullptr);
  std::vector<char> block(kCopyBlock);
  for (ULONG r = 0; r < rows.get()->cRows; ++r) {
    const SPropValue* values = rows.get()->aRow[r].lpProps;
    if (values[0].ulPropTag != PR_ATTACH_NUM || values[1].ulPropTag != PR_ATTACH_LONG_FILENAME_A)
      return MAPI_E_NOT_FOUND;
    ComPtr<IAttach> attach;
    if (FAILED(hr = message->OpenAttach(values[0].Value.l, nullptr, 0, attach.put()))) return hr;
    ComPtr<IStream> data;
    hr = attach->OpenProperty(PR_ATTACH_DATA_BIN, &IID_IStream, 0, 0,
                              reinterpret_cast<LPUNKNOWN*>(data.put()));
    if (FAILED(hr)) return hr;
    const std::string dir = target + std::to_string(values[0].Value.l) + "\\";
    CreateDirectoryA(dir.c_str(), nullptr);
    const kelmsgs::FileHandle file(CreateFileA((dir + values[1].Value.lpszA).c_str(), GENERIC_WRITE,
                                               0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                               nullptr));
    if (!file) return HRESULT_FROM_WIN32(GetLastError());
    for (;;) {
      ULONG read = 0;
      if (FAILED(hr = data->Read(block.data(), kCopyBlock, &read))) return hr;
      if (read == 0) break;
      DWORD written = 0;
      if (!WriteFile(file.get(), block.data(), read, &written, nullptr) || written != read)
        return HRESULT_FROM_WIN32(GetLastError());
    }
    if (flush && !FlushFileBuffers(file.get())) return HRESULT_FROM_WIN32(GetLastError());
  }
  return S_OK;
}

// The client's mail, composed as a MAPI client sends one: the default store from the
// session's store table, its Outbox, a message with resolved recipients and the values a
// note carries, submitted.
HRESULT ClientSend(IMAPISession* session, const char* subject, const char* body) {
  // 1. The default store.
  ComPtr<IMAPITable> stores;
  HRESULT hr = session->GetMsgStoresTable(0, stores.put());
  if (FAILED(hr)) return hr;
  SizedSPropTagArray(2, columns) = {2, {PR_DEFAULT_STORE, PR_ENTRYID}};
  SPropValue isDefault{};
  isDefault.ulPropTag = PR_DEFAULT_STORE;
  isDefault.Value.b = TRUE;
  SRestriction onlyDefault{};
  onlyDefault.rt = RES_PROPERTY;
  onlyDefault.res.resProperty = {RELOP_EQ, PR_DEFAULT_STORE, &isDefault};
  kelmsgs::RowSet rows;
  hr = HrQueryAllRows(stores.get(), reinterpret_cast<LPSPropTagArray>(&columns), &onlyDefault,
                      nullptr, 0, rows.put());
  if (FAILED(hr)) return hr;
  if (rows.get()->cRows == 0 || rows.get()->aRow[0].lpProps[1].ulPropTag != PR_ENTRYID)
    return MAPI_E_NOT_FOUND;
  const SBinary& storeId = rows.get()->aRow[0].lpProps[1].Value.bin;
  ComPtr<IMsgStore> store;
  hr = session->OpenMsgStore(0, storeId.cb, reinterpret_cast<LPENTRYID>(storeId.lpb), nullptr,
                             MDB_WRITE, store.put());
  if (FAILED(hr)) return hr;
  // 2. Its Outbox, and Sent Items to file the mail in.
  kelmsgs::PropValues outboxId, sentId;
  if (FAILED(hr = HrGetOneProp(store.get(), PR_IPM_OUTBOX_ENTRYID, outboxId.put()))) return hr;
  if (FAILED(hr = HrGetOneProp(store.get(), PR_IPM_SENTMAIL_ENTRYID, sentId.put()))) return hr;
  ULONG type = 0;
  ComPtr<IMAPIFolder> outbox;
  hr = store->OpenEntry(outboxId.get()->Value.bin.cb,
                        reinterpret_cast<LPENTRYID>(outboxId.get()->Value.bin.lpb), nullptr,
                        MAPI_MODIFY, &type, reinterpret_cast<LPUNKNOWN*>(outbox.put()));
  if (FAILED(hr)) return hr;
  // 3. The message and its recipients, resolved by the address book.
  ComPtr<IMessage> message;
  if (FAILED(hr = outbox->CreateMessage(nullptr, 0, message.put()))) return hr;
  kelmsgs::AdrList list;
  if (FAILED(hr = MAPIAllocateBuffer(CbNewADRLIST(2), reinterpret_cast<void**>(list.put()))))
    return hr;
  std::memset(list.get(), 0, CbNewADRLIST(2));
  const char* names[2] = {"Bo Chen", "cy@example.com"};
  for (ULONG i = 0; i < 2; ++i) {
    SPropValue* values = nullptr;
    hr = MAPIAllocateMore(2 * sizeof(SPropValue), list.get(), reinterpret_cast<void**>(&values));
    if (FAILED(hr)) return hr;
    values[0].ulPropTag = PR_DISPLAY_NAME_A;
    values[0].Value.lpszA = const_cast<LPSTR>(names[i]);
    values[1].ulPropTag = PR_RECIPIENT_TYPE;
    values[1].Value.l = MAPI_TO;
    list.get()->aEntries[i].cValues = 2;
    list.get()->aEntries[i].rgPropVals = values;
  }
  list.get()->cEntries = 2;
  ComPtr<IAddrBook> book;
  if (SUCCEEDED(session->OpenAddressBook(0, nullptr, 0, book.put())))
    book->ResolveName(0, 0, nullptr, list.get());
  if (FAILED(hr = message->ModifyRecipients(0, list.get()))) return hr;
  // 4. Its values, and the spooler.
  ULONG indexSize = 0;
  kelmsgs::MapiBuffer<BYTE> index;
  if (FAILED(hr = ScCreateConversationIndex(0, nullptr, &indexSize, index.put()))) return hr;
  SPropValue values[7] = {};
  values[0].ulPropTag = PR_SUBJECT_A;
  values[0].Value.lpszA = const_cast<LPSTR>(subject);
  values[1] = *sentId.get();
  values[1].ulPropTag = PR_SENTMAIL_ENTRYID;
  values[2].ulPropTag = PR_CONVERSATION_TOPIC_A;
  values[2].Value.lpszA = const_cast<LPSTR>(subject);
  values[3].ulPropTag = PR_CONVERSATION_INDEX;
  values[3].Value.bin = {indexSize, index.get()};
  values[4].ulPropTag = PR_MESSAGE_CLASS_A;
  values[4].Value.lpszA = const_cast<LPSTR>("IPM.Note");
  values[5].ulPropTag = PR_IMPORTANCE;
  values[5].Value.l = IMPORTANCE_NORMAL;
  values[6].ulPropTag = PR_BODY_A;
  values[6].Value.lpszA = const_cast<LPSTR>(body);
  if (FAILED(hr = message->SetProps(7, values, nullptr))) return hr;
  return message->SubmitMessage(0);
}

// The copy figures: the service's whole copy (to the end of its worker) against the
// client's, without and with each file flushed.
void CopyFigures(kelmsgs::CQMXSession* session, IQMXMessageStore* store) {
  const char* figure = "copy 20 attachments, 5 MB (CopyAttachments vs OpenAttach+streams)";
  const char* flushedFigure = "copy 20 attachments, 5 MB (vs the same, each file flushed)";
  // 1. The two messages, the store, and where each side writes.
  ComPtr<IQMXMessage> source, target;
  const Bstr sourceId = MessageId(store, L"attachments", source);
  const Bstr targetId = MessageId(store, L"target", target);
  Bstr storeId;
  ComPtr<IUnknown> sessionObject, messageObject;
  ComPtr<IMAPISession> mapi;
  ComPtr<IMsgStore> mapiStore;
  ComPtr<IMAPIProp> mapiMessage;
  kelmsgs::PropValues entryId, storeEntryId;
  HRESULT hr = S_OK;
  if (!sourceId || !targetId || FAILED(hr = store->get_EntryId(storeId.put())) ||
      FAILED(hr = session->get_MAPIObject(sessionObject.put())) || !sessionObject ||
      FAILED(hr = sessionObject->QueryInterface(IID_IMAPISession, mapi.put_void())) ||
      FAILED(hr = source->get_MAPIObject(messageObject.put())) || !messageObject ||
      FAILED(hr = messageObject->QueryInterface(IID_IMAPIProp, mapiMessage.put_void())) ||
      FAILED(hr = HrGetOneProp(mapiMessage.get(), PR_ENTRYID, entryId.put())) ||
      FAILED(hr = HrGetOneProp(mapiMessage.get(), PR_STORE_ENTRYID, storeEntryId.put())) ||
      FAILED(hr = mapi->OpenMsgStore(0, storeEntryId.get()->Value.bin.cb,
                                     reinterpret_cast<LPENTRYID>(storeEntryId.get()->Value.bin.lpb),
                                     nullptr, MDB_WRITE, mapiStore.put()))) {
    std::printf("BENCH\t%s\tfailed\tfailed\t-\n", figure);
    std::printf("BENCH\t%s\tfailed\tfailed\t-\n", flushedFigure);
    return void(Fail("the copy's messages", FAILED(hr) ? hr : E_FAIL));
  }
  const std::wstring wideTarget(targetId.get());
  const std::string serviceDir =
      kelmsgs::AnsiQlaRoot() + std::string(wideTarget.begin(), wideTarget.end()) + "\\";
  char temp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, temp);
  const std::string clientDir = std::string(temp) + "kelmsgs-bench-copy\\";
  // 2. The runs, alternating; every run starts without the files of the one before and
  //    must leave every byte of every attachment behind.
  const ULONGLONG expected = ULONGLONG(kAttachments) * kAttachmentBytes;
  const auto copied = [&](const std::string& dir) {
    int files = 0;
    ULONGLONG bytes = 0;
    CountFiles(dir, files, bytes);
    return files == kAttachments && bytes == expected;
  };
  const auto prepare = [&] {
    session->CleanupQlaTempDir();
    RemoveTree(clientDir);
  };
  const auto service = [&] {
    const HRESULT hr = session->CopyAttachments(sourceId.get(), storeId.get(), targetId.get(),
                                                storeId.get(), VARIANT_FALSE);
    return SUCCEEDED(hr) && session->AwaitAttachmentCopy(kCopyLimitMs) && copied(serviceDir);
  };
  const auto client = [&](bool flush) {
    const HRESULT hr = ClientCopy(mapiStore.get(), entryId.get()->Value.bin, clientDir, flush);
    return (SUCCEEDED(hr) || Fail("the client's copy", hr)) && copied(clientDir);
  };
  Report(figure, BestOfBothPrepared(prepare, service, [&] { return client(false); }), 1, "-");
  Report(flushedFigure, BestOfBothPrepared(prepare, service, [&] { return client(true); }), 1, "-");
  prepare();
}

// The sending figure: kMails calls of SendMail against as many mails of the client, the
// spooler idle before each run.
void SendFigure(kelmsgs::CQMXSession* session) {
  const char* figure = "send a mail to 2 recipients (SendMail vs MAPI compose+submit)";
  const auto spoolerIdle = StandinExport<decltype(&StandinSpoolerIdle)>("StandinSpoolerIdle");
  ComPtr<IUnknown> object;
  ComPtr<IMAPISession> mapi;
  char password[64] = {};
  LoadStringA(GetModuleHandleW(nullptr), IDS_SEND_PASSWORD, password, sizeof password);
  const Bstr passwordBstr = kelmsgs::BstrFromAnsi(password);
  if (!spoolerIdle || FAILED(session->get_MAPIObject(object.put())) || !object ||
      FAILED(object->QueryInterface(IID_IMAPISession, mapi.put_void())) ||
      FAILED(session->put_SndPwd(passwordBstr.get()))) {
    std::printf("BENCH\t%s\tfailed\tfailed\t-\n", figure);
    return void(Fail("the sending session", E_FAIL));
  }
  const Bstr subject = kelmsgs::BstrFromWide(L"Benchmark mail"),
             body = kelmsgs::BstrFromWide(L"A short plain body."),
             to = kelmsgs::BstrFromWide(L"Bo Chen;cy@example.com"),
             none = kelmsgs::BstrFromWide(L"");
  const Times times = BestOfBothPrepared(
      [&] { spoolerIdle(kSpoolerLimitMs); },
      [&] {
        for (int i = 0; i < kMails; ++i) {
          const HRESULT hr = session->SendMail(subject.get(), body.get(), none.get(), to.get(),
                                               none.get(), none.get(), micNormal, VARIANT_FALSE);
          if (FAILED(hr)) return Fail("SendMail", hr);
        }
        return true;
      },
      [&] {
        for (int i = 0; i < kMails; ++i) {
          const HRESULT hr = ClientSend(mapi.get(), "Benchmark mail", "A short plain body.");
          if (FAILED(hr)) return Fail("the client's mail", hr);
        }
        return true;
      });
  spoolerIdle(kSpoolerLimitMs);
  Report(figure, times, kMails, "-");
}

}  // namespace

bool ServiceFigures(const std::string& dir) {
  // 1. The profile.
  const auto load = StandinExport<decltype(&StandinLoadFixture)>("StandinLoadFixture");
  char error[512] = {};
  const std::string base = dir + "\\services";
  CreateDirectoryA(base.c_str(), nullptr);
  HRESULT hr = load ? load(ProfileJson().c_str(), base.c_str(), error, sizeof error) : E_FAIL;
  if (FAILED(hr)) {
    std::fprintf(stderr, "mapi_bench: the services' profile: %s\n", error);
    return Fail("the services' profile", hr);
  }
  // 2. A session on it, and the figures.
  ComPtr<kelmsgs::CQMXSession> session;
  if (FAILED(hr = kelmsgs::CQMXSession::Create(session))) return Fail("session", hr);
  VARIANT_BOOL ok = VARIANT_FALSE;
  if (FAILED(hr = session->Logon(nullptr, nullptr, &ok)) || !ok) return Fail("logon", hr);
  ComPtr<IQMXMessageStore> store;
  if (FAILED(hr = session->get_MsgStore(0, store.put()))) return Fail("store", hr);
  CopyFigures(session.get(), store.get());
  SendFigure(session.get());
  store.reset();
  session->Logoff(VARIANT_TRUE);
  return true;
}

}  // namespace bench
