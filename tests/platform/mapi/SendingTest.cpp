// What the stand-in offers for sending: the address book and name resolution, the
// conversation index, and the spooler that hands submitted mail to the SMTP transport,
// files it as sent and delivers mail for the profile's owner to the owner's inbox.
#include "StandinTest.h"

#include <tlhelp32.h>

#include <cstring>

#include "support/StandinControls.h"
#include "support/SendingProfile.h"
#include "support/StackAdviseSink.h"

namespace standin_test {
namespace {

ULONG ThreadsOfThisProcess() {
  HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  THREADENTRY32 t{};
  t.dwSize = sizeof t;
  ULONG n = 0;
  for (BOOL more = Thread32First(snap, &t); more; more = Thread32Next(snap, &t))
    n += t.th32OwnerProcessID == GetCurrentProcessId();
  CloseHandle(snap);
  return n;
}

// The transport's files in a directory, their bytes.
std::vector<std::string> MailsIn(const std::string& dir) {
  std::vector<std::string> out;
  for (const std::string& path : FilesIn(dir, "*.eml")) out.push_back(ReadFileBytes(path));
  return out;
}

// Signals an event at the first new-mail notification.
class NewMailSink : public StackAdviseSink {
 public:
  NewMailSink() : event_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
  ~NewMailSink() {
    WaitUnreferenced();
    CloseHandle(event_);
  }
  ULONG STDMETHODCALLTYPE OnNotify(ULONG count, LPNOTIFICATION n) override {
    for (ULONG i = 0; i < count; ++i) {
      if (n[i].ulEventType == fnevNewMail) SetEvent(event_);
    }
    return 0;
  }
  bool Wait() const { return WaitForSingleObject(event_, 5000) == WAIT_OBJECT_0; }

 private:
  HANDLE event_;
};

class StandinSending : public StandinTest {
 protected:
  void SetUp() override {
    StandinTest::SetUp();
    const auto* info = testing::UnitTest::GetInstance()->current_test_info();
    ScratchDir(std::string(info->test_suite_name()) + "." + info->name() + "\\outgoing");
    Load(kSendingProfile);
    Logon(MAPI_MULTITHREAD_NOTIFICATIONS);
    store_ = OpenStore("Mailbox");
    ASSERT_TRUE(store_);
    outbox_ = OpenFolder(store_.get(), PR_IPM_OUTBOX_ENTRYID);
    sent_ = OpenFolder(store_.get(), PR_IPM_SENTMAIL_ENTRYID);
    ASSERT_TRUE(outbox_ && sent_);
    ULONG cb = 0;
    MapiBuffer<ENTRYID> inboxId;
    ASSERT_EQ(store_->GetReceiveFolder(nullptr, 0, &cb, inboxId.put(), nullptr), S_OK);
    const std::string id(reinterpret_cast<const char*>(inboxId.get()), cb);
    ASSERT_EQ(OpenId(store_.get(), id, inbox_.put()), S_OK);
  }

  // A message in the outbox to the named recipients, with a small attachment.
  Ref<IMessage> Compose(const std::vector<std::string>& to, bool deleteAfter) {
    Ref<IMessage> m;
    EXPECT_EQ(outbox_->CreateMessage(nullptr, 0, m.put()), S_OK);
    AdrListOwner list(to);
    Ref<IAddrBook> book;
    EXPECT_EQ(session_->OpenAddressBook(0, nullptr, 0, book.put()), S_OK);
    EXPECT_EQ(book->ResolveName(0, 0, nullptr, list.list), S_OK);
    EXPECT_EQ(m->ModifyRecipients(0, list.list), S_OK);
    const std::string sentId = BinaryProp(store_.get(), PR_IPM_SENTMAIL_ENTRYID);
    SPropValue v[3] = {
        Str(PR_SUBJECT_A, "Status"), {PR_SENTMAIL_ENTRYID, 0, {}}, {PR_DELETE_AFTER_SUBMIT, 0, {}}};
    v[1].Value.bin = {Cb(sentId), reinterpret_cast<LPBYTE>(Eid(sentId))};
    v[2].Value.b = deleteAfter;
    EXPECT_EQ(m->SetProps(3, v, nullptr), S_OK);
    ULONG num = 0;
    Ref<IAttach> a;
    EXPECT_EQ(m->CreateAttach(nullptr, 0, &num, a.put()), S_OK);
    SPropValue av[2] = {Str(PR_ATTACH_LONG_FILENAME_A, "notes.txt"), {PR_ATTACH_DATA_BIN, 0, {}}};
    av[1].Value.bin = {5, reinterpret_cast<LPBYTE>(const_cast<char*>("hello"))};
    EXPECT_EQ(a->SetProps(2, av, nullptr), S_OK);
    EXPECT_EQ(a->SaveChanges(0), S_OK);
    return m;
  }

  Ref<IMsgStore> store_;
  Ref<IMAPIFolder> outbox_, sent_, inbox_;
};

TEST_F(StandinSending, ResolveNameFindsUniqueEntriesAndSmtpAddressesOnly) {
  Ref<IAddrBook> book;
  ASSERT_EQ(session_->OpenAddressBook(0, nullptr, 0, book.put()), S_OK);
  // A whole display name, an address of the directory, and an address it does not hold.
  AdrListOwner list({"Bo Chen", "cy@example.com", "zed@example.org"});
  ASSERT_EQ(book->ResolveName(0, 0, nullptr, list.list), S_OK);
  EXPECT_EQ(list.Text(0, PR_EMAIL_ADDRESS_A), "bo@example.com");
  EXPECT_EQ(list.Text(0, PR_ADDRTYPE_A), "SMTP");
  EXPECT_EQ(list.Text(1, PR_DISPLAY_NAME_A), "Cy Dale");
  EXPECT_EQ(list.Text(2, PR_EMAIL_ADDRESS_A), "zed@example.org");
  for (ULONG i = 0; i < 3; ++i) {
    ASSERT_NE(list.Find(i, PR_ENTRYID), nullptr);
    ASSERT_NE(list.Find(i, PR_RECIPIENT_TYPE), nullptr) << "the entry's own values stay";
    // Each entry identifier opens the mail user it names.
    ULONG type = 0;
    Ref<IMailUser> user;
    ASSERT_EQ(OpenId(book.get(), Bytes(list.Find(i, PR_ENTRYID)->Value.bin), user.put(), 0, &type),
              S_OK);
    EXPECT_EQ(type, static_cast<ULONG>(MAPI_MAILUSER));
    EXPECT_EQ(StringProp(user.get(), PR_EMAIL_ADDRESS_A), list.Text(i, PR_EMAIL_ADDRESS_A));
  }
  // "Cy" starts two display names; "Nobody" none. An ambiguous name outweighs an unknown one.
  AdrListOwner both({"Cy", "Bo Chen", "Nobody"});
  EXPECT_EQ(book->ResolveName(0, 0, nullptr, both.list), MAPI_E_AMBIGUOUS_RECIP);
  EXPECT_EQ(both.Find(0, PR_ENTRYID), nullptr);
  EXPECT_EQ(both.Text(0, PR_DISPLAY_NAME_A), "Cy");
  EXPECT_NE(both.Find(1, PR_ENTRYID), nullptr);
  EXPECT_EQ(both.Find(2, PR_ENTRYID), nullptr);
  AdrListOwner unknown({"Nobody", " Bo Chen", ""});
  EXPECT_EQ(book->ResolveName(0, 0, nullptr, unknown.list), MAPI_E_NOT_FOUND);
  for (ULONG i = 0; i < 3; ++i) EXPECT_EQ(unknown.Find(i, PR_ENTRYID), nullptr);
}

TEST_F(StandinSending, IdentityIsTheOwnersDirectoryEntry) {
  ULONG cb = 0, type = 0;
  MapiBuffer<ENTRYID> id;
  ASSERT_EQ(session_->QueryIdentity(&cb, id.put()), S_OK);
  Ref<IMailUser> owner;
  ASSERT_EQ(session_->OpenEntry(cb, id.get(), nullptr, MAPI_DEFERRED_ERRORS | MAPI_BEST_ACCESS,
                                &type, reinterpret_cast<LPUNKNOWN*>(owner.put())),
            S_OK);
  EXPECT_EQ(StringProp(owner.get(), PR_DISPLAY_NAME_A), "Ann Lee");
  EXPECT_EQ(StringProp(owner.get(), PR_EMAIL_ADDRESS_A), "ann@example.com");
}

TEST_F(StandinSending, ConversationIndexHasTheHeaderAndOneBlockPerReply) {
  FILETIME before{}, after{};
  GetSystemTimeAsFileTime(&before);
  ULONG cb = 0;
  MapiBuffer<BYTE> index;
  ASSERT_EQ(ScCreateConversationIndex(0, nullptr, &cb, index.put()), S_OK);
  GetSystemTimeAsFileTime(&after);
  ASSERT_EQ(cb, 22u);
  EXPECT_EQ(index.get()[0], 1);
  // Five bytes of the time, most significant first: the top 40 bits of the FILETIME.
  ULONGLONG stamped = 0;
  for (int i = 1; i <= 5; ++i) stamped = stamped << 8 | index.get()[i];
  auto top40 = [](FILETIME t) {
    return (ULONGLONG{t.dwHighDateTime} << 32 | t.dwLowDateTime) >> 24;
  };
  EXPECT_GE(stamped, top40(before));
  EXPECT_LE(stamped, top40(after));
  // Two new conversations never share their GUID.
  ULONG cb2 = 0;
  MapiBuffer<BYTE> other;
  ASSERT_EQ(ScCreateConversationIndex(0, nullptr, &cb2, other.put()), S_OK);
  EXPECT_NE(std::memcmp(index.get() + 6, other.get() + 6, 16), 0);
  // A reply keeps its parent and adds five bytes; the low nibble counts the level.
  ULONG cbChild = 0, cbGrand = 0;
  MapiBuffer<BYTE> child, grand;
  ASSERT_EQ(ScCreateConversationIndex(cb, index.get(), &cbChild, child.put()), S_OK);
  ASSERT_EQ(cbChild, 27u);
  EXPECT_EQ(std::memcmp(child.get(), index.get(), 22), 0);
  ASSERT_EQ(ScCreateConversationIndex(cbChild, child.get(), &cbGrand, grand.put()), S_OK);
  ASSERT_EQ(cbGrand, 32u);
  EXPECT_EQ(grand.get()[26] & 0x0F, 0);
  EXPECT_EQ(grand.get()[31] & 0x0F, 1);
  // Bytes that are no index are refused.
  BYTE junk[7] = {1, 2, 3, 4, 5, 6, 7};
  MapiBuffer<BYTE> none;
  EXPECT_EQ(ScCreateConversationIndex(sizeof junk, junk, &cbChild, none.put()),
            MAPI_E_INVALID_PARAMETER);
}

TEST_F(StandinSending, SpoolerSendsFilesAsSentAndDeliversToTheOwner) {
  Ref<IMsgStore> watched = OpenStore("Mailbox");
  NewMailSink sink;
  ULONG connection = 0;
  ASSERT_EQ(watched->Advise(0, nullptr, fnevNewMail, &sink, &connection), S_OK);
  const ULONG inboxBefore = RowCount(Contents(inbox_.get()).get());
  {
    Ref<IMessage> m = Compose({"Bo Chen", "Ann Lee"}, false);
    ASSERT_EQ(m->SubmitMessage(0), S_OK);
    // Submitted: the message is the spooler's now.
    EXPECT_EQ(m->SaveChanges(KEEP_OPEN_READWRITE), MAPI_E_NO_ACCESS);
  }
  ASSERT_EQ(standin::SpoolerIdle(), S_OK);
  // Filed in Sent Items, no longer unsent; the outbox is empty.
  EXPECT_EQ(RowCount(Contents(outbox_.get()).get()), 0u);
  const RowSetOwner rows = QueryAll(Contents(sent_.get()).get(), {PR_SUBJECT_A, PR_MESSAGE_FLAGS});
  ASSERT_EQ(rows->cRows, 1u);
  EXPECT_STREQ(rows->aRow[0].lpProps[0].Value.lpszA, "Status");
  EXPECT_EQ(rows->aRow[0].lpProps[1].Value.l & (MSGFLAG_UNSENT | MSGFLAG_SUBMIT), 0);
  // The transport's file, with both recipients and the attachment.
  const std::vector<std::string> files = MailsIn(dir_ + "\\outgoing");
  ASSERT_EQ(files.size(), 1u);
  EXPECT_NE(files[0].find("Subject: Status\r\n"), std::string::npos);
  EXPECT_NE(files[0].find("<bo@example.com>"), std::string::npos);
  EXPECT_NE(files[0].find("From: \"Ann Lee\" <ann@example.com>"), std::string::npos);
  EXPECT_NE(files[0].find("filename=\"notes.txt\""), std::string::npos);
  EXPECT_NE(files[0].find("aGVsbG8="), std::string::npos);
  // The owner was a recipient: the mail arrived in the inbox, with a new-mail notification.
  EXPECT_TRUE(sink.Wait());
  EXPECT_EQ(RowCount(Contents(inbox_.get()).get()), inboxBefore + 1);
  EXPECT_EQ(watched->Unadvise(connection), S_OK);
}

TEST_F(StandinSending, DeleteAfterSubmitLeavesNoCopyAndUnaddressedMailIsRefused) {
  {
    Ref<IMessage> m = Compose({"Bo Chen"}, true);
    ASSERT_EQ(m->SubmitMessage(0), S_OK);
  }
  ASSERT_EQ(standin::SpoolerIdle(), S_OK);
  EXPECT_EQ(RowCount(Contents(outbox_.get()).get()), 0u);
  EXPECT_EQ(RowCount(Contents(sent_.get()).get()), 0u);
  EXPECT_EQ(MailsIn(dir_ + "\\outgoing").size(), 1u);
  // Without recipients there is nothing to submit.
  Ref<IMessage> empty;
  ASSERT_EQ(outbox_->CreateMessage(nullptr, 0, empty.put()), S_OK);
  EXPECT_EQ(empty->SubmitMessage(0), MAPI_E_NO_RECIPIENTS);
}

TEST_F(StandinSending, LastUninitializeEndsTheSpoolerThread) {
  // The session's notification thread exists already; the spooler's starts with a submit.
  const ULONG before = ThreadsOfThisProcess();
  {
    Ref<IMessage> m = Compose({"Bo Chen"}, false);
    ASSERT_EQ(m->SubmitMessage(0), S_OK);
  }
  EXPECT_GT(ThreadsOfThisProcess(), before);
  // Logoff lets the spooler finish; the last MAPIUninitialize ends its thread.
  ASSERT_EQ(session_->Logoff(0, 0, 0), S_OK);
  session_.reset();
  store_.reset();
  outbox_.reset();
  sent_.reset();
  inbox_.reset();
  EXPECT_EQ(MailsIn(dir_ + "\\outgoing").size(), 1u);
  MAPIUninitialize();
  initialized_ = false;
  EXPECT_LT(ThreadsOfThisProcess(), before + 1);
}

}  // namespace
}  // namespace standin_test
