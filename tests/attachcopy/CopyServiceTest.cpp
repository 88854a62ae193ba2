// The attachment copy service against the messaging stand-in and the host stand-in: what
// is written where, what the host hears, stops, and the worker's lifetime.
#include <gtest/gtest.h>

#include <atomic>
#include <vector>

#include "CopyFixture.h"
#include "attach/QlaPaths.h"
#include "support/BstrText.h"

using kelmsgs::Bstr;
using kelmsgs::ComPtr;

namespace {

using Lines = std::vector<std::string>;

class CopyServiceTest : public CopyFixture {};

// The copy's toolbar and search-control messages, in order.
TEST_F(CopyServiceTest, CopiesTheMessageAndEveryAttachmentWithProgress) {
  AttachHost();
  ASSERT_EQ(Copy(L"two", true), S_OK);
  AwaitCopy();
  const auto files = FilesByName();
  ASSERT_EQ(files.size(), 3u);
  EXPECT_EQ(files.find("a.txt")->second, "hello");
  EXPECT_EQ(files.find("b.txt")->second, std::string("\x00\xFF\r\n\x1A", 5));
  EXPECT_EQ(CopiedFiles().count("Original Message.msg"), 1u);
  EXPECT_EQ(Outcome(), 0);
  // The search control hears of the wind-up and of the worker's end.
  ASSERT_TRUE(host_.WaitFor(9));
  EXPECT_EQ(host_.Lines(), (Lines{"toolbar 046C ack status \"Copying attachments...\"",
                                  "toolbar 046E ack start", "toolbar 046D ack percent 33",
                                  "toolbar 046D ack percent 66", "toolbar 046D ack percent 100",
                                  "search 0200 - code 11 index 0", "toolbar 046C ack status none",
                                  "toolbar 046E ack end", "search 0200 - code 11 index 0"}));
  const std::string log = Log();
  EXPECT_NE(log.find("Copying original message..."), std::string::npos);
  EXPECT_NE(log.find("Copying attachment " + copyDirectory_), std::string::npos);
  EXPECT_NE(log.find(": 2 / 2..."), std::string::npos);
}

TEST_F(CopyServiceTest, WithoutTheMessageTwoItemsMakeHalves) {
  AttachHost();
  ASSERT_EQ(session_->put_ProgressbarEnabled(VARIANT_FALSE), S_OK);
  ASSERT_EQ(Copy(L"two", false), S_OK);
  AwaitCopy();
  EXPECT_EQ(CopiedFiles().count("Original Message.msg"), 0u);
  EXPECT_EQ(FilesByName().size(), 2u);
  ASSERT_TRUE(host_.WaitFor(6));
  // No search-control notification while the progress bar is off.
  EXPECT_EQ(host_.Lines(),
            (Lines{"toolbar 046C ack status \"Copying attachments...\"", "toolbar 046E ack start",
                   "toolbar 046D ack percent 50", "toolbar 046D ack percent 100",
                   "toolbar 046C ack status none", "toolbar 046E ack end"}));
}

TEST_F(CopyServiceTest, AMessageWithoutAttachmentsStillGivesItsMessageFile) {
  ASSERT_EQ(Copy(L"none", true), S_OK);
  AwaitCopy();
  const auto files = CopiedFiles();
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(files.begin()->first, "Original Message.msg");
  EXPECT_FALSE(files.begin()->second.empty());
  EXPECT_EQ(Outcome(), 0);
  EXPECT_NE(Log().find("Invalid window handle."), std::string::npos);
}

// Each attachment has a directory of its own, so equal names do not collide.
TEST_F(CopyServiceTest, EqualNamesLandInTheirOwnDirectories) {
  ASSERT_EQ(Copy(L"same", false), S_OK);
  AwaitCopy();
  const auto files = CopiedFiles();
  ASSERT_EQ(files.size(), 2u);
  EXPECT_NE(files.begin()->first, std::next(files.begin())->first);
  std::multiset<std::string> contents;
  for (const auto& [path, content] : files) {
    EXPECT_EQ(path.substr(path.find('\\') + 1), "same.txt");
    contents.insert(content);
  }
  EXPECT_EQ(contents, (std::multiset<std::string>{"first", "second"}));
}

// Names from mail never lead outside the attachment's directory, nor to a device.
TEST_F(CopyServiceTest, HostileNamesStayInsideTheCopyDirectory) {
  ASSERT_EQ(Copy(L"hostile", false), S_OK);
  AwaitCopy();
  std::map<std::string, std::string> expected;
  for (const auto& [path, content] : CopiedFiles()) {
    EXPECT_EQ(std::count(path.begin(), path.end(), '\\'), 1) << path;
    expected[path.substr(path.find('\\') + 1)] = content;
  }
  EXPECT_EQ(expected,
            (std::map<std::string, std::string>{{"x", "up"}, {"_CON", "device"}, {"b", "stream"}}));
  EXPECT_FALSE(FileExists(kelmsgs::AnsiQlaRoot() + "x"));
  EXPECT_FALSE(FileExists(kelmsgs::AnsiQlaRoot() + "..\\x"));
  EXPECT_EQ(Outcome(), 0);
}

// An embedded message becomes K + ".msg" carrying its own attachment, OLE data is copied
// as it is, a missing long name falls back to the display name, and a reference
// attachment has no data to copy.
TEST_F(CopyServiceTest, EveryKindOfAttachment) {
  ASSERT_EQ(Copy(L"kinds", false), S_OK);
  AwaitCopy();
  const auto files = CopiedFiles();
  std::string embedded;
  for (const auto& [path, content] : files) {
    const std::string dir = path.substr(0, path.find('\\'));
    if (path == dir + "\\" + dir + ".msg") embedded = content;
  }
  ASSERT_FALSE(embedded.empty());
  EXPECT_NE(embedded.find("deep down"), std::string::npos);
  const auto byName = FilesByName();
  EXPECT_EQ(byName.find("object.bin")->second, "OLE bytes");
  EXPECT_EQ(byName.find("shown.txt")->second, "by display");
  EXPECT_EQ(files.size(), 3u);
  const std::string log = Log();
  EXPECT_NE(log.find("Using display name."), std::string::npos);
  EXPECT_NE(log.find("Unexpected format (embedded bitmap, etc.)"), std::string::npos);
  // The embedded message, for the outside readers of message files.
  const std::string out = "msgfiles";
  CreateDirectoryA(out.c_str(), nullptr);
  for (const auto& [path, content] : files) {
    if (path.size() > 4 && path.ends_with(".msg"))
      CopyFileA((copyDirectory_ + path).c_str(), (out + "\\copied-embedded.msg").c_str(), FALSE);
  }
}

// An attachment with no name at all is written as "Untitled".
TEST_F(CopyServiceTest, ANamelessAttachmentIsUntitled) {
  ComPtr<IUnknown> object;
  {
    ComPtr<IQMXMessage> message;
    ASSERT_EQ(session_->get_Message(Source(L"none").get(), storeId_.get(), message.put()), S_OK);
    ASSERT_EQ(message->get_MAPIObject(object.put()), S_OK);
  }
  ComPtr<IMessage> mapi;
  ASSERT_EQ(object->QueryInterface(IID_IMessage, mapi.put_void()), S_OK);
  ComPtr<IAttach> attach;
  ULONG number = 0;
  ASSERT_EQ(mapi->CreateAttach(nullptr, 0, &number, attach.put()), S_OK);
  SPropValue method{};
  method.ulPropTag = PR_ATTACH_METHOD;
  method.Value.l = ATTACH_BY_VALUE;
  ASSERT_EQ(attach->SetProps(1, &method, nullptr), S_OK);
  ComPtr<IStream> data;
  ASSERT_EQ(attach->OpenProperty(PR_ATTACH_DATA_BIN, &IID_IStream, 0, MAPI_CREATE | MAPI_MODIFY,
                                 reinterpret_cast<LPUNKNOWN*>(data.put())),
            S_OK);
  ASSERT_EQ(data->Write("nameless", 8, nullptr), S_OK);
  ASSERT_EQ(data->Commit(0), S_OK);
  data.reset();
  ASSERT_EQ(attach->SaveChanges(0), S_OK);
  attach.reset();
  ASSERT_EQ(mapi->SaveChanges(KEEP_OPEN_READWRITE), S_OK);
  mapi.reset();
  object.reset();

  ASSERT_EQ(Copy(L"none", false), S_OK);
  AwaitCopy();
  const auto byName = FilesByName();
  ASSERT_EQ(byName.size(), 1u);
  EXPECT_EQ(byName.begin()->first, "Untitled");
  EXPECT_EQ(byName.begin()->second, "nameless");
  EXPECT_NE(Log().find("Filename missing."), std::string::npos);
}

// A stop while a large file is written removes that file and records outcome 1; the
// attachments after it are not copied.
TEST_F(CopyServiceTest, AStopInsideAFileDeletesItAndRecordsOne) {
  AttachHost();
  std::string bigFile;
  session_->SetStopPollObserver([&] {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    for (const auto& [path, content] : CopiedFiles())
      if (path.ends_with("big.bin") &&
          GetFileAttributesExA((copyDirectory_ + path).c_str(), GetFileExInfoStandard, &data) &&
          data.nFileSizeLow > 0) {
        bigFile = path;
        session_->SetStopRequest(true);
      }
  });
  ASSERT_EQ(Copy(L"large", false), S_OK);
  AwaitCopy();
  ASSERT_FALSE(bigFile.empty());
  EXPECT_TRUE(CopiedFiles().empty());
  EXPECT_EQ(Outcome(), 1);
  EXPECT_NE(Log().find("Cancelled processing " + copyDirectory_ + bigFile), std::string::npos);
  // The toolbar is still cleared.
  ASSERT_TRUE(host_.WaitFor(6));
  const Lines lines = host_.Lines();
  EXPECT_NE(std::find(lines.begin(), lines.end(), "toolbar 046E ack end"), lines.end());
}

// A stop between two attachments records no outcome.
TEST_F(CopyServiceTest, AStopBetweenAttachmentsRecordsNothing) {
  session_->SetStopPollObserver([&] {
    if (FilesByName().count("a.txt") && FilesByName().find("a.txt")->second == "hello")
      session_->SetStopRequest(true);
  });
  ASSERT_EQ(Copy(L"two", false), S_OK);
  AwaitCopy();
  const auto byName = FilesByName();
  EXPECT_EQ(byName.size(), 1u);
  EXPECT_EQ(byName.count("b.txt"), 0u);
  EXPECT_EQ(Outcome(), -1);
  EXPECT_NE(Log().find("Cancelled."), std::string::npos);
}

// A stop that arrives before the worker has opened the messages still stops that copy, and
// the caller's window messages are dispatched while it waits.
TEST_F(CopyServiceTest, AnEarlyStopEndsTheCopyBeforeItBegins) {
  static HANDLE proceed = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ResetEvent(proceed);
  std::atomic<int> polls{0};
  session_->SetStopPollObserver([&] {
    // The first look at the stop request waits for the caller's stop.
    if (polls++ == 0) WaitForSingleObject(proceed, 10000);
  });
  ASSERT_EQ(Copy(L"two", false), S_OK);
  // Set once the stop request is made and the caller dispatches its messages.
  const UINT_PTR timer = SetEventOnDispatch(proceed);
  ASSERT_EQ(session_->StopAttachmentCopy(), S_OK);
  KillTimer(nullptr, timer);
  VARIANT_BOOL copying = VARIANT_TRUE;
  EXPECT_EQ(session_->get_CopyingAttachments(&copying), S_OK);
  EXPECT_EQ(copying, VARIANT_FALSE);
  AwaitCopy();
  EXPECT_TRUE(CopiedFiles().empty());
  EXPECT_EQ(Outcome(), -1);
}

// A second copy stops the first and runs once it has ended; no file is left half-written.
TEST_F(CopyServiceTest, ASecondCopyReplacesTheFirst) {
  ASSERT_EQ(Copy(L"large", false), S_OK);
  ASSERT_EQ(Copy(L"two", false), S_OK);
  AwaitCopy();
  const auto byName = FilesByName();
  EXPECT_EQ(byName.find("a.txt")->second, "hello");
  if (byName.count("big.bin")) {
    EXPECT_EQ(byName.find("big.bin")->second.size(), kLargeSize);
  }
  EXPECT_EQ(Outcome(), 0);
}

// A host that never acknowledges is given up once; the copy goes on without it.
TEST_F(CopyServiceTest, AHostThatNeverAcknowledgesDoesNotHoldTheCopy) {
  AttachHost();
  host_.SetSilent(true);
  ASSERT_EQ(Copy(L"two", true), S_OK);
  AwaitCopy();
  EXPECT_EQ(FilesByName().size(), 3u);
  EXPECT_EQ(Outcome(), 0);
  EXPECT_NE(Log().find("Toolbar did not acknowledge"), std::string::npos);
  // The first message was the only one: the toolbar was given up after it.
  ASSERT_TRUE(host_.WaitFor(3));
  const Lines lines = host_.Lines();
  EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                          [](const std::string& line) { return line.starts_with("toolbar"); }),
            1);
}

TEST_F(CopyServiceTest, RequestsThatStartNothing) {
  const Bstr source = Source(L"two");
  EXPECT_EQ(session_->CopyAttachments(source.get(), storeId_.get(), nullptr, storeId_.get(),
                                      VARIANT_TRUE),
            E_INVALIDARG);
  EXPECT_EQ(session_->CopyAttachments(source.get(), B(L"").get(), destinationId_.get(),
                                      storeId_.get(), VARIANT_TRUE),
            E_INVALIDARG);
  // Identifiers that name no message: the worker ends without copying or recording.
  const ComPtr<IQMXStoreFolder> root = [&] {
    ComPtr<IQMXStoreFolder> folder;
    store_->get_RootFolder(folder.put());
    return folder;
  }();
  Bstr folderId;
  ASSERT_EQ(root->get_FolderID(folderId.put()), S_OK);
  ASSERT_EQ(session_->CopyAttachments(folderId.get(), storeId_.get(), destinationId_.get(),
                                      storeId_.get(), VARIANT_TRUE),
            S_OK);
  AwaitCopy();
  ASSERT_EQ(session_->CopyAttachments(B(L"XYZ").get(), storeId_.get(), destinationId_.get(),
                                      storeId_.get(), VARIANT_TRUE),
            S_OK);
  AwaitCopy();
  EXPECT_TRUE(CopiedFiles().empty());
  EXPECT_EQ(Outcome(), -1);
  // Logged off: nothing starts.
  ASSERT_EQ(session_->Logoff(VARIANT_FALSE), S_OK);
  EXPECT_EQ(session_->CopyAttachments(source.get(), storeId_.get(), destinationId_.get(),
                                      storeId_.get(), VARIANT_TRUE),
            S_OK);
  AwaitCopy();
  EXPECT_TRUE(CopiedFiles().empty());
}

}  // namespace
