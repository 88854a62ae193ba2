// QMXMessage against the messaging stand-in: what the object takes from its MAPI message
// (identity, subject, body, times, attachments), what the client sets, copies, the RTF and
// HTML texts, long bodies, string results that cannot be made, and the object log.
#include <gtest/gtest.h>

#include <string>

#include "foundation/MapiExtraTags.h"
#include "support/AllocationFault.h"
#include "support/MailboxTest.h"
#include "support/StandinControls.h"
#include "support/TestRegistry.h"

using kelmsgs::Bstr;
using kelmsgs::ComPtr;

namespace {

DATE DateOf(WORD year, WORD month, WORD day, WORD hour, WORD minute) {
  SYSTEMTIME st{year, month, 0, day, hour, minute, 0, 0};
  DATE date = 0;
  EXPECT_TRUE(SystemTimeToVariantTime(&st, &date));
  return date;
}

// The text of a string property of a MAPI message, read through its stream.
std::string StreamText(IUnknown* mapiMessage, ULONG tag) {
  ComPtr<IMessage> message;
  EXPECT_EQ(mapiMessage->QueryInterface(IID_IMessage, message.put_void()), S_OK);
  ComPtr<IStream> stream;
  const HRESULT hr =
      message->OpenProperty(tag, &IID_IStream, 0, 0, reinterpret_cast<LPUNKNOWN*>(stream.put()));
  if (FAILED(hr)) return "<" + std::to_string(hr) + ">";
  std::string text;
  char chunk[256];
  ULONG read = 0;
  while (SUCCEEDED(stream->Read(chunk, sizeof chunk, &read)) && read > 0) text.append(chunk, read);
  return text;
}

class MessageTest : public MailboxTest {
 protected:
  static std::wstring Body(IQMXMessage* message) {
    Bstr body;
    EXPECT_EQ(message->get_Body(body.put()), S_OK);
    return Str(body.get());
  }
  static LONG Attachments(IQMXMessage* message) {
    LONG count = -1;
    EXPECT_EQ(message->get_AttachmentCount(&count), S_OK);
    return count;
  }
  // The message with that identifier, opened afresh by the session.
  ComPtr<IQMXMessage> Reopened(BSTR id) {
    ComPtr<IQMXMessage> message;
    EXPECT_EQ(session_->get_Message(id, nullptr, message.put()), S_OK);
    return message;
  }
};

TEST_F(MessageTest, IdentityComesFromTheMapiMessage) {
  ComPtr<IQMXMessage> second = MessageAt(alpha_.get(), 1);
  ASSERT_TRUE(second);
  EXPECT_EQ(Subject(second.get()), L"second");
  EXPECT_EQ(Body(second.get()), L"two");
  Bstr messageId, folderId, storeId, className;
  ASSERT_EQ(second->get_MessageID(messageId.put()), S_OK);
  EXPECT_EQ(Str(messageId.get()), Str(MessageId(alpha_.get(), 1).get()));
  ASSERT_EQ(second->get_FolderID(folderId.put()), S_OK);
  EXPECT_EQ(Str(folderId.get()), Str(FolderId(alpha_.get()).get()));
  ASSERT_EQ(second->get_StoreID(storeId.put()), S_OK);
  EXPECT_EQ(Str(storeId.get()), Str(StoreId().get()));
  ASSERT_EQ(second->get_MessageClass(className.put()), S_OK);
  EXPECT_EQ(Str(className.get()), L"IPM.Note");
  EXPECT_EQ(Attachments(second.get()), 0);
  EXPECT_EQ(Attachments(MessageAt(alpha_.get(), 0).get()), 2);
}

// Values set by the client change the object only, also after Save.
TEST_F(MessageTest, ClientSetValuesStayInTheObject) {
  ComPtr<IQMXMessage> second = MessageAt(alpha_.get(), 1);
  ASSERT_TRUE(second);
  ASSERT_EQ(second->put_Subject(B(L"changed").get()), S_OK);
  ASSERT_EQ(second->put_Body(B(L"other").get()), S_OK);
  ASSERT_EQ(second->put_FolderID(B(L"00FF").get()), S_OK);
  ASSERT_EQ(second->put_OldMessageID(B(L"0A0B").get()), S_OK);
  ASSERT_EQ(second->put_SentTime(1.5), S_OK);
  EXPECT_EQ(Subject(second.get()), L"changed");
  EXPECT_EQ(Body(second.get()), L"other");
  Bstr folderId, oldId;
  ASSERT_EQ(second->get_FolderID(folderId.put()), S_OK);
  EXPECT_EQ(Str(folderId.get()), L"00FF");
  ASSERT_EQ(second->get_OldMessageID(oldId.put()), S_OK);
  EXPECT_EQ(Str(oldId.get()), L"0A0B");
  ASSERT_EQ(second->put_OldMessageID(nullptr), S_OK);
  ASSERT_EQ(second->get_OldMessageID(oldId.put()), S_OK);
  EXPECT_EQ(oldId.get(), nullptr);
  DATE sent = 0;
  ASSERT_EQ(second->get_SentTime(&sent), S_OK);
  EXPECT_EQ(sent, 1.5);
  ASSERT_EQ(second->Save(), S_OK);
  ComPtr<IQMXMessage> again = MessageAt(alpha_.get(), 1);
  EXPECT_EQ(Subject(again.get()), L"second");
  EXPECT_EQ(Body(again.get()), L"two");
}

// Submit and delivery times become the sent and received times, in UTC; a missing time
// is 0, and a missing subject is an empty string, not none.
TEST_F(MessageTest, SubjectAndTimesOrTheirEmptyValues) {
  const struct {
    const wchar_t* folder;
    LONG index;
    const wchar_t* subject;
    DATE sent, received;
  } cases[] = {{L"Alpha", 1, L"second", DateOf(2024, 3, 2, 10, 0), DateOf(2024, 3, 2, 10, 5)},
               {L"Alpha", 0, L"first", DateOf(2024, 3, 1, 10, 0), 0.0},
               {L"Bare", 0, L"", 0.0, 0.0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.subject);
    ComPtr<IQMXStoreFolder> folder = Folder(c.folder);
    ASSERT_TRUE(folder);
    ComPtr<IQMXMessage> message = MessageAt(folder.get(), c.index);
    ASSERT_TRUE(message);
    EXPECT_EQ(Subject(message.get()), c.subject);  // Str shows a null BSTR as "<null>"
    DATE sent = -1, received = -1;
    ASSERT_EQ(message->get_SentTime(&sent), S_OK);
    ASSERT_EQ(message->get_ReceivedTime(&received), S_OK);
    EXPECT_NEAR(sent, c.sent, 0.5 / 86400);
    EXPECT_NEAR(received, c.received, 0.5 / 86400);
  }
}

// Given something that is not a message, the object refuses it and forgets what it had
// taken from the message it held.
TEST_F(MessageTest, RefusedMessageForgetsTheOldOne) {
  ComPtr<IQMXMessage> first = MessageAt(alpha_.get(), 0);
  ComPtr<IUnknown> folder;
  ASSERT_EQ(alpha_->get_MAPIObject(folder.put()), S_OK);
  EXPECT_EQ(first->putref_Msg(folder.get(), 0), E_NOINTERFACE);
  Bstr subject, id, body;
  ASSERT_EQ(first->get_Subject(subject.put()), S_OK);
  EXPECT_EQ(subject.get(), nullptr);
  ASSERT_EQ(first->get_MessageID(id.put()), S_OK);
  EXPECT_EQ(id.get(), nullptr);
  ASSERT_EQ(first->get_Body(body.put()), S_OK);
  EXPECT_EQ(body.get(), nullptr);
  EXPECT_EQ(Attachments(first.get()), 0);
  DATE sent = -1;
  ASSERT_EQ(first->get_SentTime(&sent), S_OK);
  EXPECT_EQ(sent, 0.0);
  ComPtr<IUnknown> held;
  ASSERT_EQ(first->get_MAPIObject(held.put()), S_OK);
  EXPECT_FALSE(held);
}

// A copy carries the attachments only when they are asked for.
TEST_F(MessageTest, CopiesCarryAttachmentsOnlyWhenAsked) {
  ComPtr<IQMXStoreFolder> zeta = Folder(L"Zeta");
  ASSERT_TRUE(zeta);
  ComPtr<IQMXMessage> first = MessageAt(alpha_.get(), 0);
  ComPtr<IQMXMessage> without, with;
  ASSERT_EQ(first->get_CopyTo(zeta.get(), VARIANT_FALSE, without.put()), S_OK);
  ASSERT_EQ(first->get_CopyTo(zeta.get(), VARIANT_TRUE, with.put()), S_OK);
  ASSERT_TRUE(without && with);
  EXPECT_EQ(Subject(without.get()), L"first");
  EXPECT_EQ(Attachments(without.get()), 0);
  EXPECT_EQ(Attachments(with.get()), 2);
  // Both are stored in the destination.
  Refresh(zeta.get());
  ASSERT_EQ(MessageCount(zeta.get()), 2);
  LONG withAttachments = 0;
  for (LONG i = 0; i < 2; ++i) {
    kelmsgs::Variant subject, attachments;
    ASSERT_EQ(zeta->get_MessageProperty(i, mpSubject, &subject), S_OK);
    EXPECT_EQ(Str(V_BSTR(&subject)), L"first");
    ASSERT_EQ(zeta->get_MessageProperty(i, mpAttachments, &attachments), S_OK);
    if (V_BOOL(&attachments)) ++withAttachments;
  }
  EXPECT_EQ(withAttachments, 1);
  ComPtr<IQMXMessage> none;
  EXPECT_EQ(first->get_CopyTo(nullptr, VARIANT_FALSE, none.put()), E_INVALIDARG);
}

TEST_F(MessageTest, RtfTextIsReadWrittenAndKeptInStepWithTheBody) {
  ComPtr<IQMXMessage> third = MessageAt(alpha_.get(), 2);
  Bstr rtf;
  ASSERT_EQ(third->get_TextRTF(rtf.put()), S_OK);
  EXPECT_EQ(Str(rtf.get()).rfind(L"{\\rtf1", 0), 0u);

  // A long RTF text is written and read back whole; the plain body follows it.
  std::wstring text = L"{\\rtf1\\ansi ";
  for (int i = 0; i < 2000; ++i) text += L"line " + std::to_wstring(i) + L"\\par ";
  text += L"}";
  ComPtr<IQMXMessage> second = MessageAt(alpha_.get(), 1);
  ASSERT_EQ(second->put_TextRTF(B(text).get()), S_OK);
  ASSERT_EQ(second->Save(), S_OK);
  ASSERT_EQ(second->get_TextRTF(rtf.put()), S_OK);
  EXPECT_EQ(Str(rtf.get()), text);
  EXPECT_EQ(Body(MessageAt(alpha_.get(), 1).get()).substr(0, 14), L"line 0\r\nline 1");

  // A plain body without RTF gets one made from it.
  ComPtr<IQMXMessage> first = MessageAt(alpha_.get(), 0);
  ASSERT_EQ(first->get_TextRTF(rtf.put()), S_OK);
  EXPECT_NE(Str(rtf.get()).find(L"one"), std::wstring::npos);
}

// The HTML text reaches the message's HTML body and is saved; it is not read back.
TEST_F(MessageTest, HtmlTextIsWrittenAndSaved) {
  ComPtr<IQMXMessage> first = MessageAt(alpha_.get(), 0);
  EXPECT_EQ(first->put_TextHTML(B(L"").get()), S_OK);
  ASSERT_EQ(first->put_TextHTML(B(L"<p>hi</p>").get()), S_OK);
  Bstr html;
  EXPECT_EQ(first->get_TextHTML(html.put()), S_OK);
  EXPECT_EQ(html.get(), nullptr);
  ComPtr<IQMXMessage> reopened = Reopened(MessageId(alpha_.get(), 0).get());
  ASSERT_TRUE(reopened);
  ComPtr<IUnknown> mapi;
  ASSERT_EQ(reopened->get_MAPIObject(mapi.put()), S_OK);
  EXPECT_EQ(StreamText(mapi.get(), PR_BODY_HTML_A), "<p>hi</p>");
}

// A body longer than a single property read delivers is read from its stream once.
TEST_F(MessageTest, LongBodiesAndStreams) {
  standin::SetSizeLimit(2);
  ComPtr<IQMXMessage> second = MessageAt(alpha_.get(), 1);
  standin::SetSizeLimit(0x100000);
  ASSERT_TRUE(second);
  EXPECT_EQ(Body(second.get()), L"two");
  ComPtr<IStream> stream;
  ASSERT_EQ(second->get_Stream(stream.put()), S_OK);
  char text[8] = {};
  ULONG read = 0;
  ASSERT_EQ(stream->Read(text, sizeof text - 1, &read), S_OK);
  EXPECT_STREQ(text, "two");
}

// A string result that cannot be made is reported, not handed out as no string.
TEST_F(MessageTest, StringsThatCannotBeMadeReportOutOfMemory) {
  const std::wstring big(70000, L'x');
  ComPtr<IQMXMessage> second = MessageAt(alpha_.get(), 1);
  ASSERT_EQ(second->put_Body(B(big).get()), S_OK);
  ASSERT_EQ(second->put_TextRTF(B(L"{\\rtf1\\ansi " + big + L"}").get()), S_OK);
  BSTR body = reinterpret_cast<BSTR>(1), rtf = reinterpret_cast<BSTR>(1);
  {
    AllocationFault fault(100000);
    ASSERT_TRUE(fault.registered());
    EXPECT_EQ(second->get_Body(&body), E_OUTOFMEMORY);
    EXPECT_EQ(second->get_TextRTF(&rtf), E_OUTOFMEMORY);
    EXPECT_GE(fault.refused(), 2u);
  }
  EXPECT_EQ(body, reinterpret_cast<BSTR>(1));
  EXPECT_EQ(rtf, reinterpret_cast<BSTR>(1));
  // Once memory is there again the same strings come out whole.
  Bstr whole;
  ASSERT_EQ(second->get_Body(whole.put()), S_OK);
  EXPECT_EQ(SysStringLen(whole.get()), big.size());
}

TEST_F(MessageTest, ObjectLogRecordsRelease) {
  ScratchFile log(".log");
  ComPtr<IQMXMessage> message = MessageAt(alpha_.get(), 1);
  ASSERT_EQ(message->put_LogFile(B(log.wpath()).get()), S_OK);
  EXPECT_EQ(message->put_LogFile(B(L"").get()), E_INVALIDARG);
  message.reset();
  const std::string text = log.Read();
  EXPECT_EQ(text.rfind("New session started: ", 0), 0u);
  EXPECT_NE(text.find("---> Message released.\r\n"), std::string::npos);
}

}  // namespace
