// Stores on disk: commits seen by other processes, a writer killed in the middle of its
// work, the sample profile across a process restart, and no leaks over many opens.
// Child processes are this test program again, running one StandinChild test selected by
// the environment variable STANDIN_CHILD ("mode|directory").
#include "StandinTest.h"

#include <cstdlib>
#include <fstream>
#include <map>
#include <set>

namespace standin_test {
namespace {

std::string ChildArg(int index) {
  char value[1024] = {};
  if (!GetEnvironmentVariableA("STANDIN_CHILD", value, sizeof value)) return {};
  std::string all = value;
  const std::size_t bar = all.find('|');
  if (bar == std::string::npos) return index == 0 ? all : std::string();
  return index == 0 ? all.substr(0, bar) : all.substr(bar + 1);
}

// Starts this program for one child test; returns its process handle.
HANDLE StartChild(const std::string& mode, const std::string& dir) {
  char exe[MAX_PATH];
  GetModuleFileNameA(nullptr, exe, MAX_PATH);
  SetEnvironmentVariableA("STANDIN_CHILD", (mode + "|" + dir).c_str());
  std::string command = std::string("\"") + exe + "\" --gtest_filter=StandinChild.Run";
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  const BOOL ok = CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                 nullptr, &si, &pi);
  SetEnvironmentVariableA("STANDIN_CHILD", nullptr);
  if (!ok) return nullptr;
  CloseHandle(pi.hThread);
  return pi.hProcess;
}

DWORD WaitChild(HANDLE process) {
  WaitForSingleObject(process, 120000);
  DWORD code = 1;
  GetExitCodeProcess(process, &code);
  CloseHandle(process);
  return code;
}

// Counts of messages by folder path of every store of the profile, with attachment counts.
std::map<std::string, std::string> Walk(IMAPISession* session) {
  std::map<std::string, std::string> seen;
  Ref<IMAPITable> stores;
  EXPECT_EQ(session->GetMsgStoresTable(0, stores.put()), S_OK);
  if (!stores) return seen;
  SizedSPropTagArray(2, cols) = {2, {PR_ENTRYID, PR_DISPLAY_NAME_A}};
  RowSetOwner rows;
  EXPECT_EQ(HrQueryAllRows(stores.get(), reinterpret_cast<LPSPropTagArray>(&cols), nullptr, nullptr,
                           0, rows.put()),
            S_OK);
  for (ULONG i = 0; rows && i < rows->cRows; ++i) {
    Ref<IMsgStore> store;
    const SBinary& id = rows->aRow[i].lpProps[0].Value.bin;
    EXPECT_EQ(session->OpenMsgStore(0, id.cb, reinterpret_cast<LPENTRYID>(id.lpb), nullptr, 0xB0,
                                    store.put()),
              S_OK)
        << i;
    if (!store) continue;
    MapiBuffer<SPropValue> subtree;
    EXPECT_EQ(HrGetOneProp(store.get(), PR_IPM_SUBTREE_ENTRYID, subtree.put()), S_OK) << i;
    if (!subtree) continue;
    ULONG type = 0;
    Ref<IMAPIFolder> root;
    EXPECT_EQ(store->OpenEntry(subtree->Value.bin.cb,
                               reinterpret_cast<LPENTRYID>(subtree->Value.bin.lpb), nullptr,
                               MAPI_BEST_ACCESS, &type, reinterpret_cast<LPUNKNOWN*>(root.put())),
              S_OK);
    if (!root) continue;
    Ref<IMAPITable> tree;
    EXPECT_EQ(root->GetHierarchyTable(CONVENIENT_DEPTH, tree.put()), S_OK);
    SizedSPropTagArray(3, fcols) = {3, {PR_ENTRYID, PR_DISPLAY_NAME_A, PR_DEPTH}};
    RowSetOwner folders;
    EXPECT_EQ(HrQueryAllRows(tree.get(), reinterpret_cast<LPSPropTagArray>(&fcols), nullptr,
                             nullptr, 0, folders.put()),
              S_OK);
    for (ULONG f = 0; folders && f < folders->cRows; ++f) {
      Ref<IMAPIFolder> folder;
      const SBinary& fid = folders->aRow[f].lpProps[0].Value.bin;
      EXPECT_EQ(
          store->OpenEntry(fid.cb, reinterpret_cast<LPENTRYID>(fid.lpb), nullptr, MAPI_BEST_ACCESS,
                           &type, reinterpret_cast<LPUNKNOWN*>(folder.put())),
          S_OK);
      if (!folder) continue;
      Ref<IMAPITable> contents;
      EXPECT_EQ(folder->GetContentsTable(0, contents.put()), S_OK);
      SizedSPropTagArray(3, mcols) = {3, {PR_ENTRYID, PR_SUBJECT_A, PR_HASATTACH}};
      RowSetOwner messages;
      EXPECT_EQ(HrQueryAllRows(contents.get(), reinterpret_cast<LPSPropTagArray>(&mcols), nullptr,
                               nullptr, 0, messages.put()),
                S_OK);
      std::string summary;
      for (ULONG m = 0; messages && m < messages->cRows; ++m) {
        Ref<IMessage> message;
        const SBinary& mid = messages->aRow[m].lpProps[0].Value.bin;
        EXPECT_EQ(
            store->OpenEntry(mid.cb, reinterpret_cast<LPENTRYID>(mid.lpb), nullptr,
                             MAPI_BEST_ACCESS, &type, reinterpret_cast<LPUNKNOWN*>(message.put())),
            S_OK);
        if (!message) continue;
        Ref<IMAPITable> attachments;
        EXPECT_EQ(message->GetAttachmentTable(0, attachments.put()), S_OK);
        ULONG n = 0;
        if (attachments) {
          EXPECT_EQ(attachments->GetRowCount(0, &n), S_OK);
        }
        summary +=
            std::string(messages->aRow[m].lpProps[1].Value.lpszA) + "/" + std::to_string(n) + ";";
      }
      seen[std::string(rows->aRow[i].lpProps[1].Value.lpszA) + ":" +
           folders->aRow[f].lpProps[1].Value.lpszA] = summary;
    }
  }
  return seen;
}

std::string Serialise(const std::map<std::string, std::string>& walk) {
  std::string out;
  for (const auto& [k, v] : walk) out += k + "=" + v + "\n";
  return out;
}

// The child side: runs only when started by a parent test.
TEST(StandinChild, Run) {
  const std::string mode = ChildArg(0);
  if (mode.empty()) GTEST_SKIP() << "only runs as a child process";
  const std::string dir = ChildArg(1);
  ASSERT_EQ(MAPIInitialize(nullptr), S_OK);
  Ref<IMAPISession> session;
  ASSERT_EQ(MAPILogonEx(0, nullptr, nullptr, MAPI_EXTENDED | MAPI_NO_MAIL, session.put()), S_OK);
  if (mode == "walk") {
    std::ofstream(dir + "\\walk.txt", std::ios::binary) << Serialise(Walk(session.get()));
  } else {
    Ref<IMAPITable> stores;
    ASSERT_EQ(session->GetMsgStoresTable(0, stores.put()), S_OK);
    // The default store.
    SizedSPropTagArray(1, cols) = {1, {PR_ENTRYID}};
    SPropValue isDefault{};
    isDefault.ulPropTag = PR_DEFAULT_STORE;
    isDefault.Value.b = TRUE;
    SRestriction r = PropertyIs(RELOP_EQ, &isDefault);
    RowSetOwner rows;
    ASSERT_EQ(HrQueryAllRows(stores.get(), reinterpret_cast<LPSPropTagArray>(&cols), &r, nullptr, 0,
                             rows.put()),
              S_OK);
    ASSERT_EQ(rows->cRows, 1u);
    Ref<IMsgStore> store;
    const SBinary& id = rows->aRow[0].lpProps[0].Value.bin;
    ASSERT_EQ(session->OpenMsgStore(0, id.cb, reinterpret_cast<LPENTRYID>(id.lpb), nullptr,
                                    MDB_WRITE, store.put()),
              S_OK);
    ULONG type = 0;
    Ref<IMAPIFolder> root;
    ASSERT_EQ(store->OpenEntry(0, nullptr, nullptr, MAPI_MODIFY, &type,
                               reinterpret_cast<LPUNKNOWN*>(root.put())),
              S_OK);
    const int count = mode == "write" ? 1 : 100000;
    HANDLE progress = CreateFileA((dir + "\\progress.txt").c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                  nullptr, CREATE_ALWAYS, 0, nullptr);
    for (int i = 0; i < count; ++i) {
      Ref<IMessage> message;
      ASSERT_EQ(root->CreateMessage(nullptr, 0, message.put()), S_OK);
      const std::string subject = "Child " + std::to_string(i);
      const std::string body(static_cast<std::size_t>(1000 + i % 5000),
                             static_cast<char>('a' + i % 26));
      SPropValue props[2] = {};
      props[0].ulPropTag = PR_SUBJECT_A;
      props[0].Value.lpszA = const_cast<LPSTR>(subject.c_str());
      props[1].ulPropTag = PR_BODY_A;
      props[1].Value.lpszA = const_cast<LPSTR>(body.c_str());
      ASSERT_EQ(message->SetProps(2, props, nullptr), S_OK);
      ASSERT_EQ(message->SaveChanges(0), S_OK);
      // Written only after the commit returned: everything listed must survive a kill.
      const std::string line = std::to_string(i) + "\n";
      DWORD put = 0;
      WriteFile(progress, line.data(), static_cast<DWORD>(line.size()), &put, nullptr);
    }
    CloseHandle(progress);
  }
  EXPECT_EQ(session->Logoff(0, 0, 0), S_OK);
  session.reset();
  MAPIUninitialize();
}

class StandinPersistence : public StandinTest {};

TEST_F(StandinPersistence, CommitIsSeenByAnotherProcess) {
  Load(kSmallProfile);
  Logon();
  Ref<IMsgStore> store = OpenStore("Mailbox");
  ULONG type = 0;
  Ref<IMAPIFolder> root;
  ASSERT_EQ(
      store->OpenEntry(0, nullptr, nullptr, 0, &type, reinterpret_cast<LPUNKNOWN*>(root.put())),
      S_OK);
  EXPECT_EQ(LongProp(root.get(), PR_CONTENT_COUNT), 0);
  HANDLE child = StartChild("write", dir_);
  ASSERT_NE(child, nullptr);
  ASSERT_EQ(WaitChild(child), 0u);
  // The open store catches up with the other process's commit.
  Ref<IMAPITable> contents;
  ASSERT_EQ(root->GetContentsTable(0, contents.put()), S_OK);
  EXPECT_EQ(RowCount(contents.get()), 1u);
  EXPECT_EQ(LongProp(root.get(), PR_CONTENT_COUNT), 1);
}

TEST_F(StandinPersistence, KilledWriterLeavesEveryCommitReadable) {
  Load(kSmallProfile);
  HANDLE child = StartChild("loop", dir_);
  ASSERT_NE(child, nullptr);
  // Let it commit for a while, then kill it wherever it is.
  const std::string progressPath = dir_ + "\\progress.txt";
  for (int i = 0; i < 200; ++i) {
    Sleep(50);
    WIN32_FILE_ATTRIBUTE_DATA attr{};
    if (GetFileAttributesExA(progressPath.c_str(), GetFileExInfoStandard, &attr) &&
        attr.nFileSizeLow > 200)
      break;
  }
  Sleep(150);
  TerminateProcess(child, 9);
  WaitForSingleObject(child, 10000);
  CloseHandle(child);
  // Every message the child reported must load whole.
  std::set<int> committed;
  {
    std::ifstream progress(progressPath);
    int n = 0;
    while (progress >> n) committed.insert(n);
  }
  ASSERT_FALSE(committed.empty());
  Logon();
  Ref<IMsgStore> store = OpenStore("Mailbox");
  ASSERT_TRUE(store);
  ULONG type = 0;
  Ref<IMAPIFolder> root;
  ASSERT_EQ(store->OpenEntry(0, nullptr, nullptr, MAPI_BEST_ACCESS, &type,
                             reinterpret_cast<LPUNKNOWN*>(root.put())),
            S_OK);
  Ref<IMAPITable> contents;
  ASSERT_EQ(root->GetContentsTable(0, contents.put()), S_OK);
  SizedSPropTagArray(2, cols) = {2, {PR_SUBJECT_A, PR_ENTRYID}};
  RowSetOwner rows;
  ASSERT_EQ(HrQueryAllRows(contents.get(), reinterpret_cast<LPSPropTagArray>(&cols), nullptr,
                           nullptr, 0, rows.put()),
            S_OK);
  std::set<int> found;
  for (ULONG i = 0; i < rows->cRows; ++i) {
    const int n = std::atoi(rows->aRow[i].lpProps[0].Value.lpszA + 6);
    found.insert(n);
    Ref<IMessage> message;
    const SBinary& id = rows->aRow[i].lpProps[1].Value.bin;
    ASSERT_EQ(store->OpenEntry(id.cb, reinterpret_cast<LPENTRYID>(id.lpb), nullptr, 0, &type,
                               reinterpret_cast<LPUNKNOWN*>(message.put())),
              S_OK);
    const std::string body = StringProp(message.get(), PR_BODY_A);
    ASSERT_EQ(body, std::string(static_cast<std::size_t>(1000 + n % 5000),
                                static_cast<char>('a' + n % 26)));
  }
  for (int n : committed) EXPECT_TRUE(found.count(n)) << "lost committed message " << n;
  // The rest of the store is intact.
  Ref<IMAPIFolder> inbox =
      Subfolder(OpenFolder(store.get(), PR_IPM_SUBTREE_ENTRYID).get(), "Inbox");
  EXPECT_EQ(LongProp(inbox.get(), PR_CONTENT_COUNT), 3);
  // And it still takes commits after the torn tail.
  Ref<IMessage> more;
  ASSERT_EQ(root->CreateMessage(nullptr, 0, more.put()), S_OK);
  ASSERT_EQ(more->SaveChanges(0), S_OK);
  EXPECT_EQ(LongProp(root.get(), PR_CONTENT_COUNT), static_cast<LONG>(found.size() + 1));
}

TEST_F(StandinPersistence, SampleProfileSurvivesARestart) {
  char error[512] = {};
  ASSERT_EQ(Control().loadFixture(SampleProfilePath().c_str(), dir_.c_str(), error, sizeof error),
            S_OK)
      << error;
  Logon();
  const std::map<std::string, std::string> here = Walk(session_.get());
  EXPECT_EQ(here.at("Mailbox:Inbox"),
            "Quarterly report/1;Offsite photos/1;Meeting notes/1;FW: Supplier contract/1;Shared "
            "drive link/1;");
  EXPECT_EQ(here.at("Mailbox:Fabrikam"), "Invoice 77/1;");
  EXPECT_EQ(here.at("Public Folders:Company News"), "Welcome to the new intranet/0;");
  EXPECT_EQ(here.at("Archive:2022"), "");
  HANDLE child = StartChild("walk", dir_);
  ASSERT_NE(child, nullptr);
  ASSERT_EQ(WaitChild(child), 0u);
  std::ifstream in(dir_ + "\\walk.txt", std::ios::binary);
  const std::string there((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(there, Serialise(here));
}

TEST_F(StandinPersistence, LongOpenCloseLoopLeavesNothingBehind) {
  Load(kSmallProfile);
  ASSERT_EQ(MAPIInitialize(nullptr), S_OK);
  const LONG before = Control().liveObjects();
  DWORD handlesBefore = 0;
  GetProcessHandleCount(GetCurrentProcess(), &handlesBefore);
  for (int i = 0; i < 150; ++i) {
    ASSERT_EQ(MAPILogonEx(0, nullptr, nullptr, MAPI_EXTENDED | MAPI_NO_MAIL, session_.put()), S_OK);
    Ref<IMsgStore> store = OpenStore("Mailbox");
    Ref<IMAPIFolder> inbox =
        Subfolder(OpenFolder(store.get(), PR_IPM_SUBTREE_ENTRYID).get(), "Inbox");
    Ref<IMAPITable> contents;
    ASSERT_EQ(inbox->GetContentsTable(0, contents.put()), S_OK);
    RowSetOwner rows;
    ASSERT_EQ(HrQueryAllRows(contents.get(), nullptr, nullptr, nullptr, 0, rows.put()), S_OK);
    ULONG type = 0;
    Ref<IMessage> message;
    const SBinary& id = rows->aRow[0].lpProps[0].Value.bin;
    ASSERT_EQ(store->OpenEntry(id.cb, reinterpret_cast<LPENTRYID>(id.lpb), nullptr, 0, &type,
                               reinterpret_cast<LPUNKNOWN*>(message.put())),
              S_OK);
    Ref<IMAPITable> attachments;
    ASSERT_EQ(message->GetAttachmentTable(0, attachments.put()), S_OK);
    ASSERT_EQ(session_->Logoff(0, 0, 0), S_OK);
    session_.reset();
  }
  EXPECT_EQ(Control().liveObjects(), before);
  DWORD handlesAfter = 0;
  GetProcessHandleCount(GetCurrentProcess(), &handlesAfter);
  EXPECT_LT(handlesAfter, handlesBefore + 10);
  MAPIUninitialize();
}

TEST_F(StandinPersistence, GeneratedLargeProfileIsWorkable) {
  const DWORD start = GetTickCount();
  ASSERT_EQ(Control().generateProfile("Large", dir_.c_str(), 1000, 10000), S_OK);
  Logon();
  Ref<IMsgStore> store = OpenStore("Mailbox");
  Ref<IMAPIFolder> root = OpenFolder(store.get(), PR_IPM_SUBTREE_ENTRYID);
  Ref<IMAPITable> tree;
  ASSERT_EQ(root->GetHierarchyTable(CONVENIENT_DEPTH, tree.put()), S_OK);
  EXPECT_EQ(RowCount(tree.get()), 1010u);  // the generated folders and the standard ones
  Ref<IMAPIFolder> folder = Subfolder(root.get(), "Folder 0");
  ASSERT_TRUE(folder);
  EXPECT_EQ(LongProp(folder.get(), PR_CONTENT_COUNT), 10);
  EXPECT_LT(GetTickCount() - start, 60000u);
}

}  // namespace
}  // namespace standin_test
