// SendMail and SndPwd against the messaging stand-in: the password, the composed message as
// the spooler files it in Sent Items, the MAPI calls and flags in their order, a failure
// injected into each MAPI step, and the transport's file for the outside reader.
#include <windows.h>

#include <gtest/gtest.h>

#include <mapix.h>
#include <mapiutil.h>

#include <fstream>
#include <string>
#include <vector>

#include "faults/StandinProbe.h"
#include "foundation/MapiOwned.h"
#include "foundation/PropTags.h"
#include "session/QMXSession.h"
#include "support/BstrText.h"
#include "support/MapiFixture.h"
#include "support/ProfileAdmin.h"
#include "support/SessionLogon.h"
#include "support/SendingProfile.h"
#include "support/StandinControls.h"

namespace kelmsgs {
namespace {

const wchar_t kPassword[] = L"KorPimLud";

using standin::ClearJournal;
using standin::Journal;
using standin::SpoolerIdle;

std::vector<std::string> MailFiles(const std::string& dir) {
  return FilesIn(dir, "*.eml");
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// The sent message as MAPI reads it back: its values and recipients.
struct SentMessage {
  ULONG count = 0;
  PropValues values;
  std::vector<std::pair<std::string, LONG>> recipients;  // display name, type
  std::vector<bool> resolved;                            // has an entry identifier
  ULONG attachments = 0;
  const SPropValue* Find(ULONG tag) const { return PpropFindProp(values.get(), count, tag); }
};

class SendMailTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(fixture_.loaded()) << fixture_.error();
    ASSERT_TRUE(LogOnNewSession(session_));
    mapi_ = MapiSessionOf(session_.get());
    ASSERT_TRUE(mapi_);
    ASSERT_EQ(session_->put_SndPwd(Bstr(SysAllocString(kPassword)).get()), S_OK);
    ClearJournal();
  }
  void TearDown() override {
    if (session_) session_->Logoff(VARIANT_TRUE);
  }

  HRESULT Send(const wchar_t* subject, const wchar_t* to, const wchar_t* cc = L"",
               const wchar_t* body = L"Body", const wchar_t* attachments = L"",
               MessageImportanceConstants importance = micNormal, bool rich = false,
               const wchar_t* rtf = L"") {
    Bstr s(SysAllocString(subject)), b(SysAllocString(body)), r(SysAllocString(rtf)),
        t(SysAllocString(to)), c(SysAllocString(cc)), a(SysAllocString(attachments));
    const HRESULT hr = session_->SendMail(s.get(), b.get(), r.get(), t.get(), c.get(), a.get(),
                                          importance, rich ? VARIANT_TRUE : VARIANT_FALSE);
    EXPECT_EQ(SpoolerIdle(), S_OK);
    return hr;
  }

  static RowSet Rows(IMAPITable* table, LPSPropTagArray columns) {
    RowSet rows;
    EXPECT_EQ(HrQueryAllRows(table, columns, nullptr, nullptr, 0, rows.put()), S_OK);
    return rows;
  }

  // The default store's folder whose identifier the store holds under idTag.
  ComPtr<IMAPIFolder> Folder(ULONG idTag) {
    ComPtr<IMAPITable> table;
    EXPECT_EQ(mapi_->GetMsgStoresTable(0, table.put()), S_OK);
    auto columns = MakeTags(PR_ENTRYID, PR_DEFAULT_STORE);
    const RowSet rows = Rows(table.get(), columns.get());
    ComPtr<IMsgStore> store;
    for (ULONG i = 0; rows && i < rows.get()->cRows; ++i) {
      const SPropValue* v = rows.get()->aRow[i].lpProps;
      if (v[1].ulPropTag != PR_DEFAULT_STORE || !v[1].Value.b) continue;
      EXPECT_EQ(
          mapi_->OpenMsgStore(0, v[0].Value.bin.cb, reinterpret_cast<LPENTRYID>(v[0].Value.bin.lpb),
                              nullptr, MAPI_BEST_ACCESS, store.put()),
          S_OK);
    }
    PropValues id;
    EXPECT_EQ(HrGetOneProp(store.get(), idTag, id.put()), S_OK);
    ULONG type = 0;
    ComPtr<IMAPIFolder> folder;
    EXPECT_EQ(store->OpenEntry(id.get()->Value.bin.cb,
                               reinterpret_cast<LPENTRYID>(id.get()->Value.bin.lpb), nullptr,
                               MAPI_BEST_ACCESS, &type, reinterpret_cast<LPUNKNOWN*>(folder.put())),
              S_OK);
    return folder;
  }

  ULONG Count(ULONG folderTag) {
    ComPtr<IMAPITable> table;
    EXPECT_EQ(Folder(folderTag)->GetContentsTable(0, table.put()), S_OK);
    ULONG n = 0;
    table->GetRowCount(0, &n);
    return n;
  }

  // The one message in Sent Items.
  SentMessage Sent() {
    SentMessage out;
    ComPtr<IMAPIFolder> sent = Folder(PR_IPM_SENTMAIL_ENTRYID);
    ComPtr<IMAPITable> table;
    EXPECT_EQ(sent->GetContentsTable(0, table.put()), S_OK);
    auto idColumn = MakeTags(PR_ENTRYID);
    const RowSet rows = Rows(table.get(), idColumn.get());
    EXPECT_EQ(rows.get()->cRows, 1u);
    if (rows.get()->cRows != 1) return out;
    const SBinary& id = rows.get()->aRow[0].lpProps[0].Value.bin;
    ULONG type = 0;
    ComPtr<IMessage> message;
    EXPECT_EQ(sent->OpenEntry(id.cb, reinterpret_cast<LPENTRYID>(id.lpb), nullptr, 0, &type,
                              reinterpret_cast<LPUNKNOWN*>(message.put())),
              S_OK);
    EXPECT_EQ(message->GetProps(nullptr, 0, &out.count, out.values.put()), S_OK);
    ComPtr<IMAPITable> recipients;
    EXPECT_EQ(message->GetRecipientTable(0, recipients.put()), S_OK);
    auto columns = MakeTags(PR_DISPLAY_NAME_A, PR_RECIPIENT_TYPE, PR_ENTRYID);
    const RowSet rrows = Rows(recipients.get(), columns.get());
    for (ULONG i = 0; i < rrows.get()->cRows; ++i) {
      const SPropValue* v = rrows.get()->aRow[i].lpProps;
      out.recipients.emplace_back(v[0].ulPropTag == PR_DISPLAY_NAME_A ? v[0].Value.lpszA : "<none>",
                                  v[1].Value.l);
      out.resolved.push_back(v[2].ulPropTag == PR_ENTRYID);
    }
    ComPtr<IMAPITable> attachments;
    EXPECT_EQ(message->GetAttachmentTable(0, attachments.put()), S_OK);
    attachments->GetRowCount(0, &out.attachments);
    return out;
  }

  std::string Outgoing() const { return fixture_.directory() + "\\outgoing"; }

  MapiFixture fixture_{kSendingProfile};
  ComPtr<CQMXSession> session_;
  ComPtr<IMAPISession> mapi_;
};

TEST_F(SendMailTest, PasswordIsCheckedCaseSensitivelyAndKeptByAnEmptyValue) {
  // The right password, then an empty one: the right one stays.
  ASSERT_EQ(session_->put_SndPwd(nullptr), S_OK);
  ASSERT_EQ(session_->put_SndPwd(Bstr(SysAllocString(L"")).get()), S_OK);
  EXPECT_EQ(Send(L"One", L"Bo Chen"), S_OK);
  // Letter case counts; a wrong password replaces the right one.
  for (const wchar_t* wrong : {L"korpimlud", L"KorPimLud "}) {
    ASSERT_EQ(session_->put_SndPwd(Bstr(SysAllocString(wrong)).get()), S_OK);
    EXPECT_EQ(Send(L"Two", L"Bo Chen"), E_FAIL);
    EXPECT_EQ(ErrorDescription(), L"No permission to send mails.");
  }
  EXPECT_EQ(Count(PR_IPM_SENTMAIL_ENTRYID), 1u);
  EXPECT_EQ(MailFiles(Outgoing()).size(), 1u);
}

TEST_F(SendMailTest, RecipientsKeepTheirOrderTypeAndSpelling) {
  // Two To names, one Cc name; an SMTP address no directory holds; a trailing ';' and a
  // leading blank kept as written, which the address book cannot resolve.
  ASSERT_EQ(Send(L"Order", L"Bo Chen;zed@example.org; Cy Dale;", L"Cy Dale"), S_OK);
  const SentMessage sent = Sent();
  using R = std::vector<std::pair<std::string, LONG>>;
  EXPECT_EQ(sent.recipients, (R{{"Bo Chen", MAPI_TO},
                                {"zed@example.org", MAPI_TO},
                                {" Cy Dale", MAPI_TO},
                                {"", MAPI_TO},
                                {"Cy Dale", MAPI_CC}}));
  EXPECT_EQ(sent.resolved, (std::vector<bool>{true, true, false, false, true}));
  // The transport carries the resolved addresses.
  const std::vector<std::string> files = MailFiles(Outgoing());
  ASSERT_EQ(files.size(), 1u);
  const std::string mail = ReadFileBytes(files[0]);
  EXPECT_NE(mail.find("<zed@example.org>"), std::string::npos);
  EXPECT_NE(mail.find("Cc: \"Cy Dale\" <cy@example.com>"), std::string::npos);
}

TEST_F(SendMailTest, EmptyTextsStayUnsetAndImportanceSwapsLowAndNormal) {
  ASSERT_EQ(Send(L"", L"Bo Chen", L"", L"", L"", micLow), S_OK);
  SentMessage sent = Sent();
  EXPECT_EQ(sent.Find(PR_SUBJECT_A), nullptr);
  EXPECT_EQ(sent.Find(PR_CONVERSATION_TOPIC_A), nullptr);
  EXPECT_EQ(sent.Find(PR_BODY_A), nullptr);
  ASSERT_NE(sent.Find(PR_IMPORTANCE), nullptr);
  EXPECT_EQ(sent.Find(PR_IMPORTANCE)->Value.l, 0);
  ASSERT_NE(sent.Find(PR_MESSAGE_CLASS_A), nullptr);
  EXPECT_STREQ(sent.Find(PR_MESSAGE_CLASS_A)->Value.lpszA, "IPM.Note");
  ASSERT_NE(sent.Find(PR_CONVERSATION_INDEX), nullptr);
  EXPECT_EQ(sent.Find(PR_CONVERSATION_INDEX)->Value.bin.cb, 22u);
  // The seven values with placeholders where a text is empty.
  std::string setProps;
  for (const std::string& line : Journal()) {
    if (line.rfind("IMessage::SetProps ", 0) == 0) setProps = line;
  }
  EXPECT_EQ(setProps.rfind("IMessage::SetProps flags=0x0 tags=00000001,0E0A0102,00000001,"
                           "00710102,001A001E,00170003,00000001 ",
                           0),
            0u)
      << setProps;
  // micNormal (0) is MAPI's normal (1).
  Folder(PR_IPM_SENTMAIL_ENTRYID)->EmptyFolder(0, nullptr, 0);
  ASSERT_EQ(Send(L"Normal", L"Bo Chen", L"", L"Text", L"", micNormal), S_OK);
  sent = Sent();
  ASSERT_NE(sent.Find(PR_IMPORTANCE), nullptr);
  EXPECT_EQ(sent.Find(PR_IMPORTANCE)->Value.l, 1);
  EXPECT_STREQ(sent.Find(PR_SUBJECT_A)->Value.lpszA, "Normal");
  EXPECT_STREQ(sent.Find(PR_CONVERSATION_TOPIC_A)->Value.lpszA, "Normal");
  EXPECT_STREQ(sent.Find(PR_BODY_A)->Value.lpszA, "Text");
}

TEST_F(SendMailTest, RtfBodyOnlyForRichTextWithRtf) {
  const wchar_t* rtf = L"{\\rtf1\\ansi Hello \\b bold\\b0 world\\par}";
  // RichText without RTF, and RTF without RichText: no RTF is written.
  ASSERT_EQ(Send(L"Plain", L"Bo Chen", L"", L"Body", L"", micHigh, true, L""), S_OK);
  ASSERT_EQ(Send(L"Plain too", L"Bo Chen", L"", L"Body", L"", micHigh, false, rtf), S_OK);
  for (const std::string& line : Journal())
    EXPECT_EQ(line.find("OpenProperty flags=0x3 tags=10090102"), std::string::npos) << line;
  Folder(PR_IPM_SENTMAIL_ENTRYID)->EmptyFolder(0, nullptr, 0);
  ClearJournal();
  ASSERT_EQ(Send(L"Rich", L"Bo Chen", L"", L"Body", L"", micHigh, true, rtf), S_OK);
  const SentMessage sent = Sent();
  EXPECT_NE(sent.Find(PR_RTF_COMPRESSED), nullptr);
  EXPECT_EQ(sent.Find(PR_IMPORTANCE)->Value.l, 2);
  bool opened = false;
  for (const std::string& line : Journal())
    opened = opened || line.rfind("IMessage::OpenProperty flags=0x3 tags=10090102", 0) == 0;
  EXPECT_TRUE(opened);
}

TEST_F(SendMailTest, MapiCallsComeInOrderWithTheirFlags) {
  ASSERT_EQ(Send(L"Journal", L"Bo Chen", L"Cy Dale"), S_OK);
  // The calls of SendMail itself, in order (the spooler's own come after).
  const std::vector<std::string> wanted = {"IMAPISession::OpenEntry flags=0x18",
                                           "HrQueryAllRows flags=0x0 tags=3400000B,0FFF0102",
                                           "IMAPISession::OpenMsgStore flags=0x4",
                                           "IMsgStore::GetProps flags=0x0 tags=35E20102",
                                           "IMsgStore::GetProps flags=0x0 tags=35E40102",
                                           "IMsgStore::OpenEntry flags=0x1",
                                           "IMAPIFolder::CreateMessage flags=0x0",
                                           "IMAPISession::OpenAddressBook flags=0x0",
                                           "IAddrBook::ResolveName flags=0x0",
                                           "IMessage::ModifyRecipients flags=0x0",
                                           "ScCreateConversationIndex flags=0x0 tags= new",
                                           "IMessage::SetProps flags=0x0",
                                           "IMessage::SubmitMessage flags=0x0"};
  std::vector<std::string> seen;
  for (const std::string& line : Journal()) {
    for (const std::string& w : wanted) {
      if (line.rfind(w, 0) == 0) seen.push_back(w);
    }
  }
  EXPECT_EQ(seen, wanted);
}

TEST_F(SendMailTest, FailingMapiStepIsAnsweredAndLeavesNothingBehind) {
  struct Step {
    const char* operation;
    ULONG skip;
  };
  // The identity's GetProps comes before the store's two.
  const Step steps[] = {{"HrQueryAllRows", 0},   {"OpenMsgStore", 0}, {"GetProps", 1},
                        {"GetProps", 2},         {"OpenEntry", 0},    {"CreateMessage", 0},
                        {"ModifyRecipients", 0}, {"SetProps", 0},     {"SubmitMessage", 0}};
  for (const Step& step : steps) {
    SCOPED_TRACE(std::string(step.operation) + " after " + std::to_string(step.skip));
    const Outstanding before = probe::Now();
    probe::FailOnce(step.operation, MAPI_E_DISK_ERROR, step.skip);
    EXPECT_EQ(Send(L"Faulty", L"Bo Chen"), MAPI_E_DISK_ERROR);
    probe::ClearFaults();
    EXPECT_EQ(Count(PR_IPM_OUTBOX_ENTRYID), 0u);
    EXPECT_EQ(Count(PR_IPM_SENTMAIL_ENTRYID), 0u);
    EXPECT_TRUE(MailFiles(Outgoing()).empty());
    EXPECT_EQ(probe::Now(), before);
  }
  // Steps whose failure SendMail passes over: the mail still goes.
  for (const char* quiet : {"OpenAddressBook", "ResolveName", "ScCreateConversationIndex"}) {
    SCOPED_TRACE(quiet);
    const Outstanding before = probe::Now();
    probe::FailOnce(quiet, MAPI_E_DISK_ERROR, 0);
    EXPECT_EQ(Send(L"Quiet", L"bo@example.com"), S_OK);
    probe::ClearFaults();
    EXPECT_EQ(probe::Now(), before);
  }
  EXPECT_EQ(Count(PR_IPM_SENTMAIL_ENTRYID), 3u);
}

TEST_F(SendMailTest, AttachmentThatFailsLaterIsLoggedAndTheMailStillGoes) {
  const std::string file = fixture_.directory() + "\\agenda.txt";
  const std::string log = fixture_.directory() + "\\session.log";
  WriteFile(file, "agenda");
  const std::wstring wideLog(log.begin(), log.end());
  ASSERT_EQ(session_->put_LogFile(Bstr(SysAllocString(wideLog.c_str())).get()), S_OK);
  ASSERT_EQ(session_->put_LoggingEnabled(VARIANT_TRUE), S_OK);
  probe::FailOnce("CreateAttach", MAPI_E_DISK_ERROR, 0);
  EXPECT_EQ(
      Send(L"Without", L"Bo Chen", L"", L"Body", std::wstring(file.begin(), file.end()).c_str()),
      S_OK);
  probe::ClearFaults();
  EXPECT_EQ(Sent().attachments, 0u);
  EXPECT_EQ(MailFiles(Outgoing()).size(), 1u);
  ASSERT_EQ(session_->put_LoggingEnabled(VARIANT_FALSE), S_OK);
  EXPECT_NE(ReadFileBytes(log).find("SendMail, failed to create attachments."), std::string::npos);
}

TEST_F(SendMailTest, NonAsciiSubjectTravelsInTheAnsiCodePage) {
  const wchar_t subject[] = L"Gr\u00FC\u00DFe \u00E0 tous";
  ASSERT_EQ(Send(subject, L"Bo Chen"), S_OK);
  char expected[64] = {};
  WideCharToMultiByte(CP_ACP, 0, subject, -1, expected, sizeof expected, nullptr, nullptr);
  const SentMessage sent = Sent();
  ASSERT_NE(sent.Find(PR_SUBJECT_A), nullptr);
  EXPECT_STREQ(sent.Find(PR_SUBJECT_A)->Value.lpszA, expected);
  // Under the usual Western code page, one byte per letter.
  if (GetACP() == 1252) {
    EXPECT_STREQ(expected,
                 "Gr\xFC\xDF"
                 "e \xE0 tous");
  }
}

TEST_F(SendMailTest, NotLoggedOnIsAnErrorThatSaysSo) {
  ComPtr<CQMXSession> idle;
  ASSERT_EQ(CQMXSession::Create(idle), S_OK);
  ASSERT_EQ(idle->put_SndPwd(Bstr(SysAllocString(kPassword)).get()), S_OK);
  Bstr text(SysAllocString(L"x"));
  EXPECT_EQ(idle->SendMail(text.get(), text.get(), text.get(), text.get(), text.get(), nullptr,
                           micNormal, VARIANT_FALSE),
            E_FAIL);
  EXPECT_NE(ErrorDescription().find(L"not logged on"), std::wstring::npos) << ErrorDescription();
}

TEST_F(SendMailTest, ArgumentsAreCheckedBeforeAnythingIsCreated) {
  const std::string present = fixture_.directory() + "\\present.txt";
  WriteFile(present, "here");
  const std::wstring list = std::wstring(present.begin(), present.end()) + L";" +
                            std::wstring(fixture_.directory().begin(), fixture_.directory().end()) +
                            L"\\missing.txt";
  // An attachment file that cannot be read is named, and nothing is sent.
  EXPECT_EQ(Send(L"Files", L"Bo Chen", L"", L"Body", list.c_str()),
            HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
  EXPECT_NE(ErrorDescription().find(L"missing.txt"), std::wstring::npos) << ErrorDescription();
  // An importance MAPI has no value for.
  EXPECT_EQ(Send(L"Importance", L"Bo Chen", L"", L"Body", L"",
                 static_cast<MessageImportanceConstants>(3)),
            E_INVALIDARG);
  for (const std::string& line : Journal())
    EXPECT_EQ(line.rfind("IMAPIFolder::CreateMessage", 0), std::string::npos) << line;
  EXPECT_TRUE(MailFiles(Outgoing()).empty());
  EXPECT_EQ(Count(PR_IPM_OUTBOX_ENTRYID), 0u);
}

TEST_F(SendMailTest, StoreTableKeepsEveryStoreAfterASend) {
  ASSERT_EQ(Send(L"Stores", L"Bo Chen"), S_OK);
  // A change of the profile's stores makes the session read its store table again: it
  // must still list both stores, not only the default one SendMail looked for.
  LONG count = 0;
  ASSERT_EQ(session_->get_StoreCount(&count), S_OK);
  ASSERT_EQ(count, 2);
  // The other store becomes the default one.
  Bstr archiveId;
  ASSERT_EQ(session_->get_MsgStoreId(0, archiveId.put()), S_OK);
  Bstr archiveName;
  ASSERT_EQ(session_->get_MsgStoreDisplayName(0, archiveName.put()), S_OK);
  ASSERT_EQ(Text(archiveName.get()), L"Archive");
  std::string hex = Narrow(archiveId.get());
  std::vector<BYTE> id(hex.size() / 2);
  ASSERT_TRUE(FBinFromHex(hex.data(), id.data()));
  ASSERT_EQ(mapi_->SetDefaultStore(MAPI_DEFAULT_STORE, static_cast<ULONG>(id.size()),
                                   reinterpret_cast<LPENTRYID>(id.data())),
            S_OK);
  PumpUntil([&] {
    session_->get_StoreCount(&count);
    return count != 2;
  });
  EXPECT_EQ(count, 2);
}

TEST(SendMailProfile, NoDefaultStoreIsNotFound) {
  MapiFixture fixture(R"({"profiles": [{"name": "Bare", "default": true,
    "services": [{"service": "MSUPST MS", "stores": [{"displayName": "Only", "file": "o.kms"}]}]}]})");
  ASSERT_TRUE(fixture.loaded()) << fixture.error();
  ComPtr<CQMXSession> session;
  ASSERT_TRUE(LogOnNewSession(session));
  ASSERT_EQ(session->put_SndPwd(Bstr(SysAllocString(kPassword)).get()), S_OK);
  Bstr text(SysAllocString(L"x"));
  EXPECT_EQ(session->SendMail(text.get(), text.get(), nullptr, text.get(), nullptr, nullptr,
                              micNormal, VARIANT_FALSE),
            MAPI_E_NOT_FOUND);
  session->Logoff(VARIANT_TRUE);
}

// Writes a mail with every kind of content for the outside reader (an RFC 822 parser run
// by CTest after this program): the transport's file, and the attached files to compare.
TEST_F(SendMailTest, MailFileForTheOutsideReader) {
  char out[MAX_PATH] = {};
  if (!GetEnvironmentVariableA("KELMSGS_MAIL_OUT_DIR", out, MAX_PATH))
    GTEST_SKIP() << "no output directory";
  CreateDirectoryA(out, nullptr);
  std::string binary;
  for (int i = 0; i < 700; ++i) binary += static_cast<char>(i * 7 % 256);
  const std::string text = fixture_.directory() + "\\notes.txt";
  const std::string data = fixture_.directory() + "\\data.bin";
  WriteFile(text, "Line one\r\nLine two\r\n");
  WriteFile(data, binary);
  const std::wstring list =
      std::wstring(text.begin(), text.end()) + L";" + std::wstring(data.begin(), data.end());
  ASSERT_EQ(Send(L"Gr\u00FC\u00DFe vom Team", L"Bo Chen;zed@example.org", L"Cy Dale",
                 L"Hello,\r\nthe files are attached.\r\n", list.c_str(), micHigh, true,
                 L"{\\rtf1\\ansi Hello,\\par the files are attached.\\par}"),
            S_OK);
  EXPECT_EQ(Sent().attachments, 2u);
  const std::vector<std::string> files = MailFiles(Outgoing());
  ASSERT_EQ(files.size(), 1u);
  const std::string dir = out;
  WriteFile(dir + "\\sent.eml", ReadFileBytes(files[0]));
  WriteFile(dir + "\\notes.txt", ReadFileBytes(text));
  WriteFile(dir + "\\data.bin", binary);
}

}  // namespace
}  // namespace kelmsgs
