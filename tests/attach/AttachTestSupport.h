// What the attachment tests share: a profile with attachments of every kind, a logged-on
// session, messages found by subject, and a temporary directory of the test's own.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "KelMsgs.h"
#include "foundation/ComPtr.h"
#include "foundation/Owned.h"
#include "session/QMXSession.h"
#include "support/BstrText.h"
#include "support/MailboxTest.h"

namespace attachtest {

using kelmsgs::Bstr;
using kelmsgs::ComPtr;

// Folder "Alpha":
//  "kinds"   by value with a two-dot name and a position; embedded message without a
//            name; by reference; short name only; no name at all; OLE object; a ZIP
//  "hostile" by value with names that try to leave the directory or name a device
//  "three"   three small text attachments, for deleting
//  "bare"    no attachments
inline const char* const kFolders = R"([
           {"name": "Alpha", "class": "IPF.Note", "messages": [
             {"subject": "kinds", "body": "many kinds", "sent": "2024-03-01T10:00:00Z",
              "attachments": [
                {"method": "value", "filename": "REPORT~1.TXT", "longFilename": "report.final.txt",
                 "data": "Quarterly figures", "position": 120},
                {"method": "embedded", "message": {"subject": "inner",
                                                   "body": "Inner body text"}},
                {"method": "reference", "longFilename": "linked.pdf",
                 "path": "\\\\server\\share\\linked.pdf"},
                {"method": "value", "filename": "SHORT.LOG", "longFilename": "",
                 "data": "short named"},
                {"method": "value", "data": "nameless data"},
                {"method": "ole", "longFilename": "object.bin", "hex": "D0CF11E0A1B11AE1"},
                {"method": "value", "longFilename": "offsite.zip", "base64": "UEsDBBQAAAAIADc8hl1pf1OIIQAAAB8AAAAKAAAAcmVhZG1lLnR4dAvIyC/JL1ZIK8rPVSjJSFUoSU3MVchPSyvOLEnV4+UCAFBLAwQUAAAACAA3PIZdTHYWHCgAAAAsAAAACgAAAGFnZW5kYS50eHQzsLQyMFAIT81Jzs9N5eUyNABxA3IS8/Iy89KBfCMQ36c0LzmDlwsAUEsBAhQDFAAAAAgANzyGXWl/U4ghAAAAHwAAAAoAAAAAAAAAAAAAAIABAAAAAHJlYWRtZS50eHRQSwECFAMUAAAACAA3PIZdTHYWHCgAAAAsAAAACgAAAAAAAAAAAAAAgAFJAAAAYWdlbmRhLnR4dFBLBQYAAAAAAgACAHAAAACZAAAAAAA="}]},
             {"subject": "hostile", "sent": "2024-03-02T10:00:00Z",
              "attachments": [
                {"method": "value", "longFilename": "..\\..\\x-up.txt", "data": "up"},
                {"method": "value", "longFilename": "C:\\x-drive.txt", "data": "drive"},
                {"method": "value", "longFilename": "CON", "data": "device"},
                {"method": "value", "longFilename": "a/b-slash.txt", "data": "slash"},
                {"method": "value", "longFilename": "name. ", "data": "trailing"},
                {"method": "value", "longFilename": "..", "data": "dots"}]},
             {"subject": "three", "sent": "2024-03-03T10:00:00Z",
              "attachments": [
                {"method": "value", "longFilename": "one.txt", "data": "1"},
                {"method": "value", "longFilename": "two.txt", "data": "22"},
                {"method": "value", "longFilename": "three.txt", "data": "333"}]},
             {"subject": "bare", "body": "nothing attached", "sent": "2024-03-04T10:00:00Z"}]}])";

// Indexes of the "kinds" attachments.
enum Kind { kTwoDots, kEmbedded, kReference, kShortOnly, kNameless, kOle, kZip };

inline bool Exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}
inline std::string Contents(const std::string& path) {
  kelmsgs::CFile file(std::fopen(path.c_str(), "rb"));
  if (!file) return "<missing>";
  std::string text;
  char buffer[512];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file.get())) > 0;)
    text.append(buffer, n);
  return text;
}
// The names in a directory, without "." and "..".
inline std::set<std::string> Entries(const std::string& dir) {
  std::set<std::string> names;
  WIN32_FIND_DATAA data;
  kelmsgs::FindHandle find(FindFirstFileA((dir + "\\*").c_str(), &data));
  if (!find) return names;
  do {
    const std::string name = data.cFileName;
    if (name != "." && name != "..") names.insert(name);
  } while (FindNextFileA(find.get(), &data));
  return names;
}

// TMP and TEMP point at root\outer\inner\temp\ while the object lives, so the user's
// temporary directory is fresh and a test can prove that nothing landed beside it.
class ScratchTemp {
 public:
  ScratchTemp() {
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    root_ = std::string(temp) + "kelmsgs_attach_" + std::to_string(GetCurrentProcessId()) + "_" +
            std::to_string(++serial_);
    for (const char* sub : {"", "\\outer", "\\outer\\inner", "\\outer\\inner\\temp"})
      CreateDirectoryA((root_ + sub).c_str(), nullptr);
    temp_ = root_ + "\\outer\\inner\\temp\\";
    Save("TMP", savedTmp_);
    Save("TEMP", savedTemp_);
    SetEnvironmentVariableA("TMP", temp_.c_str());
    SetEnvironmentVariableA("TEMP", temp_.c_str());
  }
  ~ScratchTemp() {
    SetEnvironmentVariableA("TMP", savedTmp_.c_str());
    SetEnvironmentVariableA("TEMP", savedTemp_.c_str());
    RemoveDirectoryTree(root_);
  }
  ScratchTemp(const ScratchTemp&) = delete;
  ScratchTemp& operator=(const ScratchTemp&) = delete;

  const std::string& root() const { return root_; }
  // Ends with a backslash.
  const std::string& temp() const { return temp_; }
  std::string qla() const { return temp_ + "QLA\\"; }

 private:
  static void Save(const char* name, std::string& value) {
    char buffer[MAX_PATH] = {};
    GetEnvironmentVariableA(name, buffer, MAX_PATH);
    value = buffer;
  }
  static inline int serial_ = 0;
  std::string root_, temp_, savedTmp_, savedTemp_;
};

class AttachmentTest : public MailboxTest {
 protected:
  AttachmentTest() : MailboxTest(kFolders) {}
  void SetUp() override {
    MailboxTest::SetUp();
    if (HasFatalFailure()) return;
    folder_ = alpha_;
    kinds_ = Message(L"kinds");
    ASSERT_TRUE(kinds_);
  }
  void TearDown() override {
    kinds_.reset();
    folder_.reset();
    MailboxTest::TearDown();
    session_.reset();  // before the temporary directory goes
  }

  // A new message object for the message with that subject, read from the store now.
  ComPtr<IQMXMessage> Message(const std::wstring& subject) {
    LONG count = 0;
    EXPECT_EQ(folder_->get_MessageCount(&count), S_OK);
    for (LONG i = 0; i < count; ++i) {
      ComPtr<IQMXMessage> message;
      Bstr text;
      EXPECT_EQ(folder_->get_Message(i, message.put()), S_OK) << i;
      if (!message) continue;
      EXPECT_EQ(message->get_Subject(text.put()), S_OK) << i;
      if (Str(text.get()) == subject) return message;
    }
    ADD_FAILURE() << "no message " << std::string(subject.begin(), subject.end());
    return {};
  }
  static ComPtr<IQMXAttach> AttachmentOf(IQMXMessage* message, LONG index) {
    ComPtr<IQMXAttach> attach;
    EXPECT_EQ(message->get_Attachment(index, attach.put()), S_OK) << index;
    return attach;
  }
  static std::wstring EntryIdOf(IQMXAttach* attach) {
    Bstr id;
    EXPECT_EQ(attach->get_EntryId(id.put()), S_OK);
    return Str(id.get());
  }
  static std::wstring FilenameOf(IQMXAttach* attach) {
    Bstr name;
    EXPECT_EQ(attach->get_Filename(name.put()), S_OK);
    return Str(name.get());
  }
  static LONG CountOf(IQMXMessage* message) {
    LONG count = -1;
    EXPECT_EQ(message->get_AttachmentCount(&count), S_OK);
    return count;
  }
  // Nothing landed beside the temporary directory, above it or at the root of the drive.
  void ExpectNothingAboveTemp() const {
    EXPECT_EQ(Entries(temp_.root() + "\\outer\\inner"), std::set<std::string>{"temp"});
    EXPECT_EQ(Entries(temp_.root() + "\\outer"), std::set<std::string>{"inner"});
    EXPECT_EQ(Entries(temp_.root()), std::set<std::string>{"outer"});
    EXPECT_FALSE(Exists("C:\\x-drive.txt"));
  }
  // The message object given its MAPI message again, so it reads its attachments anew.
  static void Reload(IQMXMessage* message) {
    ComPtr<IUnknown> mapi;
    EXPECT_EQ(message->get_MAPIObject(mapi.put()), S_OK);
    ASSERT_EQ(message->putref_Msg(mapi.get(), 0), S_OK);
  }

  ScratchTemp temp_;  // made after the fixture, whose store files stay outside it
  ComPtr<IQMXStoreFolder> folder_;
  ComPtr<IQMXMessage> kinds_;  // the message with every kind of attachment
};

}  // namespace attachtest
