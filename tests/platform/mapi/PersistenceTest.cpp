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
  const RowSetOwner rows = QueryAll(stores.get(), {PR_ENTRYID, PR_DISPLAY_NAME_A});
  for (ULONG i = 0; rows && i < rows->cRows; ++i) {
    Ref<IMsgStore> store;
    const std::string id = Bytes(rows->aRow[i].lpProps[0].Value.bin);
    EXPECT_EQ(session->OpenMsgStore(0, Cb(id), Eid(id), nullptr, 0xB0, store.put()), S_OK) << i;
    if (!store) continue;
    MapiBuffer<SPropValue> subtree;
    EXPECT_EQ(HrGetOneProp(store.get(), PR_IPM_SUBTREE_ENTRYID, subtree.put()), S_OK) << i;
    if (!subtree) continue;
    Ref<IMAPIFolder> root;
    EXPECT_EQ(OpenId(store.get(), Bytes(subtree->Value.bin), root.put()), S_OK) << i;
    if (!root) continue;
    Ref<IMAPITable> tree;
    EXPECT_EQ(root->GetHierarchyTable(CONVENIENT_DEPTH, tree.put()), S_OK);
    const RowSetOwner folders = QueryAll(tree.get(), {PR_ENTRYID, PR_DISPLAY_NAME_A, PR_DEPTH});
    for (ULONG f = 0; folders && f < folders->cRows; ++f) {
      Ref<IMAPIFolder> folder;
      EXPECT_EQ(OpenId(store.get(), Bytes(folders->aRow[f].lpProps[0].Value.bin), folder.put()),
                S_OK);
      if (!folder) continue;
      Ref<IMAPITable> contents;
      EXPECT_EQ(folder->GetContentsTable(0, contents.put()), S_OK);
      const RowSetOwner messages =
          QueryAll(contents.get(), {PR_ENTRYID, PR_SUBJECT_A, PR_HASATTACH});
      std::string summary;
      for (ULONG m = 0; messages && m < messages->cRows; ++m) {
        Ref<IMessage> message;
        EXPECT_EQ(OpenId(store.get(), Bytes(messages->aRow[m].lpProps[0].Value.bin), message.put()),
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
    SPropValue isDefault = Long(PR_DEFAULT_STORE, TRUE);
    SRestriction r = PropertyIs(RELOP_EQ, &isDefault);
    const RowSetOwner rows = QueryAll(stores.get(), {PR_ENTRYID}, &r);
    ASSERT_EQ(rows->cRows, 1u);
    Ref<IMsgStore> store;
    const std::string id = Bytes(rows->aRow[0].lpProps[0].Value.bin);
    ASSERT_EQ(session->OpenMsgStore(0, Cb(id), Eid(id), nullptr, MDB_WRITE, store.put()), S_OK);
    Ref<IMAPIFolder> root;
    ASSERT_EQ(OpenId(store.get(), "", root.put(), MAPI_MODIFY), S_OK);
    const int count = mode == "write" ? 1 : 100000;
    HANDLE progress = CreateFileA((dir + "\\progress.txt").c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                  nullptr, CREATE_ALWAYS, 0, nullptr);
    for (int i = 0; i < count; ++i) {
      Ref<IMessage> message;
      ASSERT_EQ(root->CreateMessage(nullptr, 0, message.put()), S_OK);
      const std::string subject = "Child " + std::to_string(i);
      const std::string body(static_cast<std::size_t>(1000 + i % 5000),
                             static_cast<char>('a' + i % 26));
      SPropValue props[2] = {Str(PR_SUBJECT_A, subject.c_str()), Str(PR_BODY_A, body.c_str())};
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
  Ref<IMAPIFolder> root;
  ASSERT_EQ(OpenId(store.get(), "", root.put(), 0), S_OK);
  EXPECT_EQ(LongProp(root.get(), PR_CONTENT_COUNT), 0);
  HANDLE child = StartChild("write", dir_);
  ASSERT_NE(child, nullptr);
  ASSERT_EQ(WaitChild(child), 0u);
  // The open store catches up with the other process's commit.
  EXPECT_EQ(RowCount(Contents(root.get()).get()), 1u);
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
  Ref<IMAPIFolder> root;
  ASSERT_EQ(OpenId(store.get(), "", root.put()), S_OK);
  const RowSetOwner rows = QueryAll(Contents(root.get()).get(), {PR_SUBJECT_A, PR_ENTRYID});
  std::set<int> found;
  for (ULONG i = 0; i < rows->cRows; ++i) {
    const int n = std::atoi(rows->aRow[i].lpProps[0].Value.lpszA + 6);
    found.insert(n);
    Ref<IMessage> message;
    ASSERT_EQ(OpenId(store.get(), Bytes(rows->aRow[i].lpProps[1].Value.bin), message.put(), 0),
              S_OK);
    const std::string body = StringProp(message.get(), PR_BODY_A);
    ASSERT_EQ(body, std::string(static_cast<std::size_t>(1000 + n % 5000),
                                static_cast<char>('a' + n % 26)));
  }
  for (int n : committed) EXPECT_TRUE(found.count(n)) << "lost committed message " << n;
  // The rest of the store is intact.
  EXPECT_EQ(LongProp(TopFolder(store.get(), "Inbox").get(), PR_CONTENT_COUNT), 3);
  // And it still takes commits after the torn tail.
  Ref<IMessage> more;
  ASSERT_EQ(root->CreateMessage(nullptr, 0, more.put()), S_OK);
  ASSERT_EQ(more->SaveChanges(0), S_OK);
  EXPECT_EQ(LongProp(root.get(), PR_CONTENT_COUNT), static_cast<LONG>(found.size() + 1));
}

TEST_F(StandinPersistence, SampleProfileSurvivesARestart) {
  Load(SampleProfilePath());
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
  const LONG before = STANDIN(LiveObjects)();
  DWORD handlesBefore = 0;
  GetProcessHandleCount(GetCurrentProcess(), &handlesBefore);
  for (int i = 0; i < 150; ++i) {
    ASSERT_EQ(MAPILogonEx(0, nullptr, nullptr, MAPI_EXTENDED | MAPI_NO_MAIL, session_.put()), S_OK);
    Ref<IMsgStore> store = OpenStore("Mailbox");
    Ref<IMAPIFolder> inbox = TopFolder(store.get(), "Inbox");
    const RowSetOwner rows = QueryAll(Contents(inbox.get()).get(), {PR_ENTRYID});
    Ref<IMessage> message;
    ASSERT_EQ(OpenId(store.get(), Bytes(rows->aRow[0].lpProps[0].Value.bin), message.put(), 0),
              S_OK);
    Ref<IMAPITable> attachments;
    ASSERT_EQ(message->GetAttachmentTable(0, attachments.put()), S_OK);
    ASSERT_EQ(session_->Logoff(0, 0, 0), S_OK);
    session_.reset();
  }
  EXPECT_EQ(STANDIN(LiveObjects)(), before);
  DWORD handlesAfter = 0;
  GetProcessHandleCount(GetCurrentProcess(), &handlesAfter);
  EXPECT_LT(handlesAfter, handlesBefore + 10);
  MAPIUninitialize();
}

TEST_F(StandinPersistence, GeneratedLargeProfileIsWorkable) {
  const DWORD start = GetTickCount();
  ASSERT_EQ(STANDIN(GenerateProfile)("Large", dir_.c_str(), 1000, 10000), S_OK);
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
