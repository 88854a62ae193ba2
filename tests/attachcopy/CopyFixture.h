// A logged-on session over a mailbox of source messages with attachments of every kind
// and one destination message, the copy's files and outcome, and the host stand-in.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "KelMsgs.h"
#include "foundation/ComPtr.h"
#include "foundation/Owned.h"
#include "session/QMXSession.h"
#include "support/HostStandin.h"
#include "support/MapiFixture.h"
#include "support/StandinControls.h"

// The bytes of the large attachment: many reads of the copy buffer.
inline constexpr std::size_t kLargeSize = 1 << 20;

class CopyFixture : public testing::Test {
 protected:
  CopyFixture();
  void SetUp() override;
  void TearDown() override;

  // The identifier string of the first message in folder "Src" (or "Dst") with that
  // subject.
  kelmsgs::Bstr MessageId(const wchar_t* folder, const std::wstring& subject);
  kelmsgs::Bstr Source(const std::wstring& subject) { return MessageId(L"Src", subject); }
  // Starts a copy of the source message into the destination's directory.
  HRESULT Copy(const std::wstring& subject, bool withMessage);
  // Waits for the copy to end by itself.
  void AwaitCopy();
  // Every file below the destination's copy directory: path relative to it -> content.
  std::map<std::string, std::string> CopiedFiles() const;
  // The names of the files below the copy directory, without their K directories.
  std::multimap<std::string, std::string> FilesByName() const;
  // The outcome recorded for the destination; -1 when none.
  long Outcome() const;
  // The session's log, as written so far.
  std::string Log() const;
  void AttachHost();

  MapiFixture fixture_;
  kelmsgs::ComPtr<kelmsgs::CQMXSession> session_;
  kelmsgs::ComPtr<IQMXMessageStore> store_;
  kelmsgs::Bstr storeId_;
  kelmsgs::Bstr destinationId_;
  std::string copyDirectory_;
  std::string logPath_;
  HostStandin host_;
};

// Sets event once this thread next dispatches its window messages (a timer of this thread);
// the timer's identifier, for KillTimer.
UINT_PTR SetEventOnDispatch(HANDLE event);

// Whether a file or directory of that path exists.
bool FileExists(const std::string& path);
