// mapi_bench: the library's object model against direct C++ calls and raw MAPI, through
// the messaging stand-in, over generated profiles: one folder of 1,000, 10,000 and 100,000
// messages, stores of 100, 1,000 and 10,000 folders.
// Prints one line per figure of the table (the 10,000-message and 1,000-folder sizes),
// "BENCH<tab>figure<tab>library us<tab>baseline us<tab>target", times per operation, best
// of several repetitions; and one line per size of each figure's scaling curve,
// "SCALE<tab>figure<tab>size<tab>library<tab>baseline", the cost per item.
//   mapi_bench [store directory] [trace | services]
#include <windows.h>
#include <mapix.h>
#include <objbase.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "BaselineFolder.h"
#include "BenchTiming.h"
#include "FolderWalkBench.h"
#include "KelMsgs.h"
#include "MapiStandinControl.h"
#include "RawClient.h"
#include "ServiceBench.h"
#include "SnapshotMemory.h"
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
using bench::ReportScale;
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
bool OpenFolder(Mailbox& box, ULONG messages) {
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
  if (count != static_cast<LONG>(messages)) {
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
// Then messages opened by index, and the memory of the snapshot. The table lines are
// printed for the table's size only; every size gives a point of each curve.
void MessageFigures(Mailbox& box, ULONG messages) {
  const bool inTable = messages == kMessages;
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
        FAILED(folder->get_MessageCount(&count)) || count != LONG(messages))
      return false;
    for (LONG i = 0; i < count; ++i) {
      kelmsgs::Variant v;
      if (FAILED(folder->get_MessageProperty(i, mpSubject, &v))) return false;
    }
    return true;
  };
  // Runs of a few milliseconds: more repetitions than the default, so a burst of other
  // work on a shared machine is less likely to be in every one of them.
  constexpr int kEnumerations = 11;
  const Times enumerated = BestOfBoth(
      library,
      [&] {
        std::size_t rows = 0, chars = 0;
        return SUCCEEDED(rawclient::ReadSubjects(box.rootMapi.get(), folderId, rows, chars)) &&
               rows == messages;
      },
      kEnumerations);
  if (inTable)
    Report("enumerate 10,000 subjects (MessageProperty vs QueryRows)", enumerated, 1, "1.2");
  ReportScale("enumerate subjects (MessageProperty vs QueryRows), per message", messages,
              enumerated, messages);
  // The same against a client that reads what the snapshot holds: its five columns,
  // sorted by submit time. The difference to the figure above is the table work that the
  // snapshot's contents ask of the message store.
  if (inTable)
    Report("enumerate 10,000 subjects (vs QueryRows of the snapshot's columns)",
           BestOfBoth(
               library,
               [&] {
                 std::size_t rows = 0, chars = 0;
                 return SUCCEEDED(rawclient::ReadSnapshotColumns(box.rootMapi.get(), folderId, rows,
                                                                 chars)) &&
                        rows == messages;
               },
               kEnumerations),
           1, "1.2");

  // Messages opened by index: kOpened of them spread evenly over the folder.
  kelmsgs::RowSet ids;
  hr = rawclient::AllRows(box.folderMapi.get(), reinterpret_cast<LPSPropTagArray>(&idColumn), ids);
  if (FAILED(hr)) return void(Fail("message identifiers", hr));
  IQMXStoreFolder* folder = box.folder.get();
  const ULONG opened = std::min(kOpened, messages);
  const ULONG step = messages / opened;
  const Times openTimes = BestOfBoth(
      [&] {
        for (ULONG i = 0; i < opened; ++i) {
          ComPtr<IQMXMessage> message;
          kelmsgs::Bstr s;
          if (FAILED(folder->get_Message(LONG(i * step), message.put())) || !message ||
              FAILED(message->get_Subject(s.put())))
            return false;
        }
        return true;
      },
      [&] {
        std::size_t chars = 0;
        return SUCCEEDED(
            rawclient::OpenAndReadSubjects(box.folderMapi.get(), ids.get(), opened, step, chars));
      });
  if (inTable)
    Report("open 1,000 messages + Subject (Message(i) vs OpenEntry+GetProps)", openTimes, 1, "1.5");
  ReportScale("open message + Subject (Message(i) vs OpenEntry+GetProps), per message", messages,
              openTimes, opened);

  // The memory of a snapshot: the heaps' growth while a new folder object holds it (a first
  // object made and released before, so that what the store keeps after a first read is
  // not counted), against the bytes of the rows it holds.
  {
    ComPtr<IQMXStoreFolder> warm;
    root->get_Folder(index, warm.put());
  }
  const std::optional<std::size_t> heapBefore = bench::HeapBytesInUse();
  const std::size_t privateBefore = bench::PrivateBytes();
  ComPtr<IQMXStoreFolder> held;
  hr = root->get_Folder(index, held.put());
  const std::optional<std::size_t> heapAfter = bench::HeapBytesInUse();
  const std::size_t privateAfter = bench::PrivateBytes();
  kelmsgs::RowSet rows;
  if (FAILED(hr) || !held || FAILED(hr = rawclient::SnapshotRows(box.folderMapi.get(), rows)))
    return void(Fail("snapshot", hr));
  // A heap walk that failed makes the figure "failed" (a negative growth).
  const double growth = heapBefore && heapAfter ? double(*heapAfter) - double(*heapBefore) : -1.0;
  if (!heapBefore || !heapAfter)
    std::fprintf(stderr,
                 "mapi_bench: a heap could not be walked whole (HeapWalk came back to "
                 "a region); no snapshot figure at %lu messages\n",
                 static_cast<unsigned long>(messages));
  const double data = double(bench::RowDataBytes(rows.get()));
  std::printf(
      "snapshot of %lu messages: heap growth %.0f bytes, private bytes growth %.0f, "
      "row data %.0f bytes\n",
      static_cast<unsigned long>(messages), growth, double(privateAfter) - double(privateBefore),
      data);
  if (inTable)
    bench::ReportAmounts("snapshot of 10,000 messages, bytes (heap growth vs row data)", growth,
                         data, "2");
  ReportScale("snapshot memory, bytes per message (heap growth vs row data)", messages,
              growth / messages, data / messages);
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

// A walk of every folder of a store of generated folders (nested three deep), through the
// library's folder objects against the hierarchy tables of the same folders; then the
// session's walk with its events against a client listing the same folders.
void FolderFigures(Mailbox& box, ULONG folders) {
  const bool inTable = folders == kFolders;
  long libraryVisited = 0, rawVisited = 0;
  IQMXStoreFolder* root = box.root.get();
  Times times = BestOfBoth(
      [&] {
        libraryVisited = 0;
        return WalkLibrary(root, libraryVisited);
      },
      [&] {
        rawVisited = 0;
        return SUCCEEDED(rawclient::WalkHierarchy(box.rootMapi.get(), rawVisited));
      });
  if (libraryVisited != rawVisited || libraryVisited < long(folders)) {
    std::fprintf(stderr, "mapi_bench: the walks visited %ld and %ld folders\n", libraryVisited,
                 rawVisited);
    times = {-1, -1};
  }
  if (inTable) Report("walk 1,000 folders (Folder(i) vs hierarchy tables)", times, 1, "1.3");
  ReportScale("walk folders (Folder(i) vs hierarchy tables), per folder", folders, times,
              double(std::max(rawVisited, 1L)));

  long listed = 0;
  const Times events = bench::FolderWalkEvents(box.session.get(), box.rootMapi.get(), listed);
  if (inTable)
    Report("walk 1,000 folders (FolderInfo events vs hierarchy tables)", events, 1, "1.3");
  ReportScale("walk folders (FolderInfo events vs hierarchy tables), per folder", folders, events,
              double(std::max(listed, 1L)));
}

}  // namespace

int main(int argc, char** argv) {
  kelmsgs::Module::SetInstance(GetModuleHandleW(nullptr));
  if (FAILED(CoInitialize(nullptr))) return 1;
  // 1. The stand-in's profile generator: every figure makes its inputs with it.
  const std::string dir = argc > 1 ? argv[1] : "C:\\windows\\temp\\kelmsgs-bench";
  const std::string option = argc > 2 ? argv[2] : "";
  // "mapi_bench DIR trace" times the trace log only.
  if (option == "trace") {
    bench::TraceLogFigures();
    CoUninitialize();
    return 0;
  }
  kelmsgs::Library mapi(LoadLibraryA("mapi32.dll"));
  // "mapi_bench DIR services" times the copy service and sending only.
  if (option == "services") {
    const bool done = mapi.valid() && bench::ServiceFigures(dir);
    kelmsgs::Module::Shutdown();
    CoUninitialize();
    return done ? 0 : 1;
  }
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
  // 2. The figures over one folder of every message, at each size.
  for (const ULONG messages : {1000ul, kMessages, 100000ul}) {
    Mailbox box;
    const HRESULT hr = generate("Bench", dir.c_str(), 1, messages);
    if (FAILED(hr)) Fail("profile generation", hr);
    if (SUCCEEDED(hr) && OpenSession(box) && OpenFolder(box, messages)) {
      if (messages == kMessages) EarlyBound(box);
      MessageFigures(box, messages);
    } else {
      result = 1;
    }
    if (box.session) box.session->Logoff(VARIANT_TRUE);
  }
  // 3. The folder walks, over profiles of folders only.
  for (const ULONG folders : {100ul, kFolders, 10000ul}) {
    Mailbox box;
    const HRESULT hr = generate("BenchFolders", dir.c_str(), folders, 0);
    if (FAILED(hr)) Fail("profile generation", hr);
    if (SUCCEEDED(hr) && OpenSession(box))
      FolderFigures(box, folders);
    else
      result = 1;
    if (box.session) box.session->Logoff(VARIANT_TRUE);
  }
  // 4. The copy service and sending, over a profile of their own.
  if (!bench::ServiceFigures(dir)) result = 1;
  // 5. The trace log.
  bench::TraceLogFigures();
  kelmsgs::Module::Shutdown();
  CoUninitialize();
  return result;
}
