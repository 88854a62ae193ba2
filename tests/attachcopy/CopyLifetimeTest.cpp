// The copy worker's lifetime: many copies started and stopped, a session let go of in the
// middle of a copy, and the clean-up of the temporary root.
#include <gtest/gtest.h>

#include "CopyFixture.h"
#include "attach/QlaPaths.h"

namespace {

class CopyLifetimeTest : public CopyFixture {
 protected:
  // Holds the copy of session at its first stop check inside the large file until the
  // client's thread next dispatches its messages: that is, until the client waits.
  void HoldInsideLargeFile(kelmsgs::CQMXSession* session) {
    ResetEvent(inFile_.get());
    ResetEvent(proceed_.get());
    session->SetStopPollObserver([this] {
      for (const auto& [path, content] : CopiedFiles())
        if (path.ends_with("big.bin") && !content.empty()) SetEvent(inFile_.get());
      if (WaitForSingleObject(inFile_.get(), 0) == WAIT_OBJECT_0)
        WaitForSingleObject(proceed_.get(), 10000);
    });
  }
  bool AwaitInsideLargeFile() {
    if (WaitForSingleObject(inFile_.get(), 30000) != WAIT_OBJECT_0) return false;
    timer_ = SetEventOnDispatch(proceed_.get());
    return true;
  }
  void EndHold() { KillTimer(nullptr, timer_); }

  const kelmsgs::KernelHandle inFile_{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
  const kelmsgs::KernelHandle proceed_{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
  UINT_PTR timer_ = 0;
};

// The value the next kernel handle gets: freed handle slots are used again, so handles
// left open push it up.
ULONG_PTR NextHandleValue() {
  const kelmsgs::KernelHandle probe(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  return reinterpret_cast<ULONG_PTR>(probe.get());
}

// Starting and stopping a copy over and over neither hangs nor leaves threads or handles.
TEST_F(CopyLifetimeTest, TwoHundredStartsAndStops) {
  ASSERT_EQ(Copy(L"two", false), S_OK);
  ASSERT_EQ(session_->StopAttachmentCopy(), S_OK);
  const ULONG_PTR before = NextHandleValue();
  for (int i = 0; i < 200; ++i) {
    ASSERT_EQ(Copy(i % 2 ? L"two" : L"large", i % 3 == 0), S_OK);
    ASSERT_EQ(session_->StopAttachmentCopy(), S_OK);
    VARIANT_BOOL copying = VARIANT_TRUE;
    ASSERT_EQ(session_->get_CopyingAttachments(&copying), S_OK);
    ASSERT_EQ(copying, VARIANT_FALSE) << i;
  }
  // A few handles come and go with MAPI's own state; one per copy would be 200.
  EXPECT_LT(NextHandleValue(), before + 50 * sizeof(HANDLE));
  // No half-written large file stays behind.
  for (const auto& [path, content] : CopiedFiles())
    if (path.ends_with("big.bin")) {
      EXPECT_EQ(content.size(), kLargeSize);
    }
}

// The client lets go of the session while its copy writes a large file: the copy is
// stopped and awaited first, on the client's thread, with its window messages dispatched.
// (A session that logged on itself is also held by its store table's advise sink until
// Logoff; this one works through the MAPI session of another.)
TEST_F(CopyLifetimeTest, ASessionLetGoOfDuringACopyStopsItFirst) {
  kelmsgs::ComPtr<kelmsgs::CQMXSession> other;
  ASSERT_EQ(kelmsgs::CQMXSession::Create(other), S_OK);
  kelmsgs::ComPtr<IUnknown> mapi;
  ASSERT_EQ(session_->get_MAPIObject(mapi.put()), S_OK);
  ASSERT_EQ(other->put_MAPIObject(mapi.get()), S_OK);
  HoldInsideLargeFile(other.get());
  const kelmsgs::Bstr source = Source(L"large");
  ASSERT_EQ(other->CopyAttachments(source.get(), storeId_.get(), destinationId_.get(),
                                   storeId_.get(), VARIANT_FALSE),
            S_OK);
  ASSERT_TRUE(AwaitInsideLargeFile());
  other.reset();
  EndHold();
  // Stopped inside the large file, which is gone; nothing after it was copied.
  EXPECT_TRUE(CopiedFiles().empty());
}

// Logoff stops a running copy and waits for it before the MAPI session goes.
TEST_F(CopyLifetimeTest, LogoffStopsARunningCopyFirst) {
  HoldInsideLargeFile(session_.get());
  ASSERT_EQ(Copy(L"large", false), S_OK);
  ASSERT_TRUE(AwaitInsideLargeFile());
  store_.reset();
  ASSERT_EQ(session_->Logoff(VARIANT_FALSE), S_OK);
  EndHold();
  EXPECT_TRUE(CopiedFiles().empty());
  EXPECT_EQ(Outcome(), 1);
}

// Everything below the root goes, the root stays, and a link below it is removed without
// anything being deleted where it points.
TEST_F(CopyLifetimeTest, CleanupEmptiesTheRootWithoutFollowingLinks) {
  ASSERT_EQ(Copy(L"two", true), S_OK);
  AwaitCopy();
  ASSERT_FALSE(CopiedFiles().empty());
  const std::string root = kelmsgs::AnsiQlaRoot();
  const std::string outside = fixture_.directory() + "\\outside";
  ASSERT_TRUE(CreateDirectoryA(outside.c_str(), nullptr));
  {
    const kelmsgs::FileHandle kept(CreateFileA((outside + "\\kept.txt").c_str(), GENERIC_WRITE, 0,
                                               nullptr, CREATE_ALWAYS, 0, nullptr));
    ASSERT_TRUE(kept);
  }
  // Wine answers success without making the link: only a link that is there counts.
  const bool linked =
      CreateSymbolicLinkA((root + "link").c_str(), outside.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY) &&
      GetFileAttributesA((root + "link").c_str()) != INVALID_FILE_ATTRIBUTES;
  ASSERT_EQ(session_->CleanupQlaTempDir(), S_OK);
  EXPECT_NE(GetFileAttributesA(root.c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
  WIN32_FIND_DATAA entry{};
  const kelmsgs::FindHandle find(FindFirstFileA((root + "*").c_str(), &entry));
  ASSERT_TRUE(find);
  int left = 0;
  do {
    const std::string name = entry.cFileName;
    if (name != "." && name != "..") ++left;
  } while (FindNextFileA(find.get(), &entry));
  EXPECT_EQ(left, 0);
  EXPECT_TRUE(FileExists(outside + "\\kept.txt"));
  if (!linked) GTEST_SKIP() << "no directory links here: only the plain clean-up was checked";
}

}  // namespace
