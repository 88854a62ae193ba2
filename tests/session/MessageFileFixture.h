// Tests of message files and attachment transfer: messages built in the stand-in's store
// through MAPI, the files written from them reopened through the message-on-storage
// service, the session's trace log and the stand-in's call journal and counters.
#pragma once

#include <imessage.h>
#include <mapiutil.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "foundation/MapiOwned.h"
#include "foundation/MsgSessionOwned.h"
#include "support/MailboxTest.h"
#include "support/StandinControls.h"
#include "support/TestRegistry.h"

// A message of the store under construction, with what a test writes on it.
class SourceMessage {
 public:
  explicit SourceMessage(kelmsgs::ComPtr<IMessage> message) : message_(std::move(message)) {}
  IMessage* get() const { return message_.get(); }

  SourceMessage& String(ULONG tag, const std::string& text);
  SourceMessage& Wide(ULONG tag, const std::wstring& text);
  SourceMessage& Long(ULONG tag, LONG value);
  SourceMessage& Rtf(const std::string& rtf);
  // A named property (string name in PS_PUBLIC_STRINGS) with a Unicode value.
  SourceMessage& Named(const std::wstring& name, const std::wstring& value);
  // Recipients: (display name, address, MAPI_TO/MAPI_CC) each.
  struct Recipient {
    const char* name;
    const char* address;
    LONG type;
  };
  SourceMessage& Recipients(const std::vector<Recipient>& recipients);
  // An attachment of the method with its names and data (OLE data as an OLE stream);
  // method 0 leaves PR_ATTACH_METHOD unset.
  SourceMessage& Attach(LONG method, const std::string& name, const std::string& data);
  // An embedded message, given back to be filled before Save of this message.
  SourceMessage Embedded(const std::string& name);
  // Saves the message (the attachment of an embedded message with it).
  void Save();

 private:
  kelmsgs::ComPtr<IMessage> message_;
  kelmsgs::ComPtr<IAttach> holder_;  // the attachment that holds an embedded message
  std::vector<SourceMessage> embedded_;
};

// A message file opened read-only, with the storage and session it lives in.
struct OpenedFile {
  kelmsgs::MsgSession session;
  kelmsgs::ComPtr<IStorage> storage;
  kelmsgs::ComPtr<IMessage> message;
  CLSID clsid{};
};

class MessageFileTest : public MailboxTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // A new message in Alpha, class IPM.Note, with the subject.
  SourceMessage NewMessage(const std::string& subject);
  // The message every save test starts from: plain and RTF body, a named property, two
  // recipients, an attachment by value, an OLE attachment and an embedded message with
  // an attachment of its own.
  SourceMessage FullMessage();
  std::string PathOf(const std::string& name) const { return fixture_.directory() + "\\" + name; }
  static bool Exists(const std::string& path);
  static HRESULT Reopen(const std::string& path, OpenedFile& file);
  // The session's trace log, switched on.
  void StartLog();
  std::string LogText() const { return log_.Read(); }

  // Every property (named ones by name), recipient and attachment (data and embedded
  // message included) of a message, as comparable text keyed by where it is.
  static std::map<std::string, std::string> Describe(IMessage* message);

  ScratchFile log_{".log"};
};

// A message-only window that runs an action when the message posted to it is dispatched,
// by the message pumps of the operation under test.
class PostedAction {
 public:
  explicit PostedAction(std::function<void()> action);
  ~PostedAction();
  PostedAction(const PostedAction&) = delete;
  PostedAction& operator=(const PostedAction&) = delete;
  void Post() const { PostMessageA(hwnd_, WM_APP, 0, 0); }

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  std::function<void()> action_;
  HWND hwnd_ = nullptr;
};

// Journal text of a list of tags, as the stand-in writes it ("tags=0FFF0003,...").
std::string TagsText(const std::vector<ULONG>& tags);
// The data of a binary property, read through its stream.
std::string ReadData(IMAPIProp* object, ULONG tag, const IID& iid = IID_IStream);
// The attachments of a message: display name and attachment number.
std::map<std::string, ULONG> AttachmentNumbers(IMessage* message);
