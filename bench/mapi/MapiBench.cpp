// mapi_bench: the library's object model against direct C++ calls and raw MAPI, through
// the messaging stand-in, over a generated profile of one folder of 10,000 messages.
// Prints one line per figure, "BENCH<tab>figure<tab>library us<tab>baseline us<tab>target",
// times per operation, best of several repetitions.
//   mapi_bench [store directory]
#include <windows.h>
#include <mapix.h>
#include <objbase.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "BaselineFolder.h"
#include "BenchTiming.h"
#include "KelMsgs.h"
#include "MapiStandinControl.h"
#include "RawClient.h"
#include "TraceLogBench.h"
#include "foundation/ComPtr.h"
#include "foundation/Owned.h"
#include "frame/Module.h"
#include "session/QMXSession.h"

namespace {

using kelmsgs::ComPtr;

constexpr ULONG kMessages = 10000;
constexpr ULONG kOpened = 1000;
constexpr ULONG kFolders = 1000;
using bench::BestOfBoth;
using bench::Report;
using bench::Times;

bool Fail(const char* what, HRESULT hr) {
  std::fprintf(stderr, "mapi_bench: %s failed (0x%08lX)\n", what, static_cast<unsigned long>(hr));
  return false;
}

// What every figure works on: the library's session, store, root and the generated folder,
// and the same folder through MAPI.
struct Mailbox {
  ComPtr<kelmsgs::CQMXSession> session;
  ComPtr<IQMXMessageStore> store;
  ComPtr<IQMXStoreFolder> root;
  ComPtr<IQMXStoreFolder> folder;
  ComPtr<IMAPIFolder> rootMapi;
  ComPtr<IMAPIFolder> folderMapi;
  LONG folderIndex = -1;
};

// The index of the generated folder of the messages among the root's subfolders.
LONG GeneratedFolder(IQMXStoreFolder* root) {
  LONG count = 0;
  root->get_SubfolderCount(&count);
  for (LONG i = 0; i < count; ++i) {
    kelmsgs::Bstr name;
    if (SUCCEEDED(root->get_SubfolderName(i, name.put())) && name.get() &&
        std::wstring(name.get()) == L"Folder 0")
      return i;
  }
  return -1;
}

// The library's session on the default profile, its first store and root folder.
bool OpenSession(Mailbox& box) {
  HRESULT hr = kelmsgs::CQMXSession::Create(box.session);
  if (FAILED(hr)) return Fail("session", hr);
  VARIANT_BOOL ok = VARIANT_FALSE;
  hr = box.session->Logon(nullptr, nullptr, &ok);
  if (FAILED(hr) || !ok) return Fail("logon", hr);
  if (FAILED(hr = box.session->get_MsgStore(0, box.store.put()))) return Fail("store", hr);
  if (FAILED(hr = box.store->get_RootFolder(box.root.put()))) return Fail("root", hr);
  ComPtr<IUnknown> mapi;
  if (FAILED(hr = box.root->get_MAPIObject(mapi.put())) ||
      FAILED(hr = mapi->QueryInterface(IID_IMAPIFolder, box.rootMapi.put_void())))
    return Fail("root folder object", hr);
  return true;
}

// The generated folder of every message, in the library and through MAPI.
bool OpenFolder(Mailbox& box) {
  box.folderIndex = GeneratedFolder(box.root.get());
  if (box.folderIndex < 0) return Fail("the generated folder", MAPI_E_NOT_FOUND);
  HRESULT hr = box.root->get_Folder(box.folderIndex, box.folder.put());
  if (FAILED(hr) || !box.folder) return Fail("folder", hr);
  ComPtr<IUnknown> mapi;
  if (FAILED(hr = box.folder->get_MAPIObject(mapi.put())) ||
      FAILED(hr = mapi->QueryInterface(IID_IMAPIFolder, box.folderMapi.put_void())))
    return Fail("folder object", hr);
  LONG count = 0;
  box.folder->get_MessageCount(&count);
  if (count != static_cast<LONG>(kMessages)) {
    std::fprintf(stderr, "mapi_bench: the folder holds %ld messages\n", static_cast<long>(count));
    return false;
  }
  return true;
}

// Early-bound gets through the dual interfaces against virtual calls on BaselineFolder.
void EarlyBound(Mailbox& box) {
  SizedSPropTagArray(1, subjectColumn) = {1, {PR_SUBJECT_A}};
  kelmsgs::RowSet rows;
  HRESULT hr = rawclient::AllRows(box.folderMapi.get(),
                                  reinterpret_cast<LPSPropTagArray>(&subjectColumn), rows);
  if (FAILED(hr)) return void(Fail("contents rows", hr));
  ComPtr<IQMXMessage> message;
  if (FAILED(hr = box.folder->get_Message(0, message.put())) || !message)
    return void(Fail("message", hr));
  kelmsgs::Bstr held;
  message->get_Subject(held.put());
  const std::unique_ptr<BaselineFolder> baseline = MakeBaselineFolder(rows.get(), held.get());
  IQMXStoreFolder* folder = box.folder.get();

  constexpr int kCalls = 1000000;
  volatile LONG sink = 0;
  Report("early-bound MessageCount",
         BestOfBoth(
             [&] {
               for (int i = 0; i < kCalls; ++i) {
                 LONG n = 0;
                 folder->get_MessageCount(&n);
                 sink = sink + n;
               }
               return true;
             },
             [&] {
               for (int i = 0; i < kCalls; ++i) sink = sink + baseline->MessageCount();
               return true;
             }),
         kCalls, "1.5");

  constexpr int kGets = 200000;
  Report("early-bound MessageProperty(i, 2)",
         BestOfBoth(
             [&] {
               for (int i = 0; i < kGets; ++i) {
                 kelmsgs::Variant v;
                 if (FAILED(folder->get_MessageProperty(i % kMessages, mpSubject, &v)))
                   return false;
               }
               return true;
             },
             [&] {
               for (int i = 0; i < kGets; ++i) {
                 kelmsgs::Variant v;
                 if (FAILED(baseline->Subject(i % kMessages, &v))) return false;
               }
               return true;
             }),
         kGets, "1.5");

  Report("early-bound Subject",
         BestOfBoth(
             [&] {
               for (int i = 0; i < kGets; ++i) {
                 kelmsgs::Bstr s;
                 if (FAILED(message->get_Subject(s.put()))) return false;
               }
               return true;
             },
             [&] {
               for (int i = 0; i < kGets; ++i) {
                 kelmsgs::Bstr s;
                 if (FAILED(baseline->HeldSubject(s.put()))) return false;
               }
               return true;
             }),
         kGets, "1.5");
}

// The subjects of every message of the folder: a new folder object (its snapshot) and
// MessageProperty for each row, against OpenEntry and QueryRows of the subject column.
void Enumerate(Mailbox& box) {
  SizedSPropTagArray(1, idColumn) = {1, {PR_ENTRYID}};
  kelmsgs::PropValues folderProps;
  ULONG got = 0;
  HRESULT hr = box.folderMapi->GetProps(reinterpret_cast<LPSPropTagArray>(&idColumn), 0, &got,
                                        folderProps.put());
  if (FAILED(hr) || PROP_TYPE(folderProps.get()[0].ulPropTag) != PT_BINARY)
    return void(Fail("folder identifier", hr));
  const SBinary folderId = folderProps.get()[0].Value.bin;
  const LONG index = box.folderIndex;
  IQMXStoreFolder* root = box.root.get();
  const auto library = [&] {
    ComPtr<IQMXStoreFolder> folder;
    LONG count = 0;
    if (FAILED(root->get_Folder(index, folder.put())) || !folder ||
        FAILED(folder->get_MessageCount(&count)) || count != LONG(kMessages))
      return false;
    for (LONG i = 0; i < count; ++i) {
      kelmsgs::Variant v;
      if (FAILED(folder->get_MessageProperty(i, mpSubject, &v))) return false;
    }
    return true;
  };
  Report("enumerate 10,000 subjects (MessageProperty vs QueryRows)",
         BestOfBoth(library,
                    [&] {
                      std::size_t rows = 0, chars = 0;
                      return SUCCEEDED(rawclient::ReadSubjects(box.rootMapi.get(), folderId, rows,
                                                               chars)) &&
                             rows == kMessages;
                    }),
         1, "1.2");
  // The same against a client that reads what the snapshot holds: its five columns,
  // sorted by submit time. The difference to the figure above is the table work that the
  // snapshot's contents ask of the message store.
  Report("enumerate 10,000 subjects (vs QueryRows of the snapshot's columns)",
         BestOfBoth(library,
                    [&] {
                      std::size_t rows = 0, chars = 0;
                      return SUCCEEDED(rawclient::ReadSnapshotColumns(box.rootMapi.get(), folderId,
                                                                      rows, chars)) &&
                             rows == kMessages;
                    }),
         1, "1.2");

  kelmsgs::RowSet ids;
  hr = rawclient::AllRows(box.folderMapi.get(), reinterpret_cast<LPSPropTagArray>(&idColumn), ids);
  if (FAILED(hr)) return void(Fail("message identifiers", hr));
  IQMXStoreFolder* folder = box.folder.get();
  Report("open 1,000 messages + Subject (Message(i) vs OpenEntry+GetProps)",
         BestOfBoth(
             [&] {
               for (ULONG i = 0; i < kOpened; ++i) {
                 ComPtr<IQMXMessage> message;
                 kelmsgs::Bstr s;
                 if (FAILED(folder->get_Message(LONG(i), message.put())) || !message ||
                     FAILED(message->get_Subject(s.put())))
                   return false;
               }
               return true;
             },
             [&] {
               std::size_t chars = 0;
               return SUCCEEDED(
                   rawclient::OpenAndReadSubjects(box.folderMapi.get(), ids.get(), kOpened, chars));
             }),
         1, "1.5");
}

// Opens every folder below `folder` through Folder(i), depth first.
bool WalkLibrary(IQMXStoreFolder* folder, long& visited) {
  LONG count = 0;
  if (FAILED(folder->get_SubfolderCount(&count))) return false;
  for (LONG i = 0; i < count; ++i) {
    ComPtr<IQMXStoreFolder> sub;
    if (FAILED(folder->get_Folder(i, sub.put())) || !sub) return false;
    ++visited;
    if (!WalkLibrary(sub.get(), visited)) return false;
  }
  return true;
}

// A walk of every folder of a store of 1,000 generated folders (nested three deep), through
// the library's folder objects against the hierarchy tables of the same folders.
void FolderWalk(Mailbox& box) {
  long libraryVisited = 0, rawVisited = 0;
  IQMXStoreFolder* root = box.root.get();
  const Times times = BestOfBoth(
      [&] {
        libraryVisited = 0;
        return WalkLibrary(root, libraryVisited);
      },
      [&] {
        rawVisited = 0;
        return SUCCEEDED(rawclient::WalkHierarchy(box.rootMapi.get(), rawVisited));
      });
  if (libraryVisited != rawVisited || libraryVisited < long(kFolders)) {
    std::fprintf(stderr, "mapi_bench: the walks visited %ld and %ld folders\n", libraryVisited,
                 rawVisited);
    Report("walk 1,000 folders (Folder(i) vs hierarchy tables)", {-1, -1}, 1, "1.3");
    return;
  }
  Report("walk 1,000 folders (Folder(i) vs hierarchy tables)", times, 1, "1.3");
}

}  // namespace

int main(int argc, char** argv) {
  kelmsgs::Module::SetInstance(GetModuleHandleW(nullptr));
  if (FAILED(CoInitialize(nullptr))) return 1;
  // 1. The stand-in's profile generator: every figure makes its inputs with it.
  const std::string dir = argc > 1 ? argv[1] : "C:\\windows\\temp\\kelmsgs-bench";
  // "mapi_bench DIR trace" times the trace log only.
  if (argc > 2 && std::string(argv[2]) == "trace") {
    bench::TraceLogFigures();
    CoUninitialize();
    return 0;
  }
  kelmsgs::Library mapi(LoadLibraryA("mapi32.dll"));
  const auto generate =
      mapi.valid()
          ? reinterpret_cast<decltype(&StandinGenerateProfile)>(
                reinterpret_cast<void (*)()>(GetProcAddress(mapi.get(), "StandinGenerateProfile")))
          : nullptr;
  if (!generate) {
    std::fputs("mapi_bench: the messaging stand-in is not installed\n", stderr);
    return 1;
  }
  int result = 0;
  {
    // 2. The figures over one folder of every message.
    Mailbox box;
    const HRESULT hr = generate("Bench", dir.c_str(), 1, kMessages);
    if (FAILED(hr)) Fail("profile generation", hr);
    if (SUCCEEDED(hr) && OpenSession(box) && OpenFolder(box)) {
      EarlyBound(box);
      Enumerate(box);
    } else {
      result = 1;
    }
    if (box.session) box.session->Logoff(VARIANT_TRUE);
  }
  {
    // 3. The folder walk, over a profile of folders only.
    Mailbox box;
    const HRESULT hr = generate("BenchFolders", dir.c_str(), kFolders, 0);
    if (FAILED(hr)) Fail("profile generation", hr);
    if (SUCCEEDED(hr) && OpenSession(box))
      FolderWalk(box);
    else
      result = 1;
    if (box.session) box.session->Logoff(VARIANT_TRUE);
  }
  // 4. The trace log.
  bench::TraceLogFigures();
  kelmsgs::Module::Shutdown();
  CoUninitialize();
  return result;
}
