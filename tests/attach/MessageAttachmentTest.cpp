// The message's attachment members: counting and indexing over the rows read with the
// message, identifiers, saving, adding, embedding and deleting attachments.
#include <mapix.h>

#include <algorithm>
#include <vector>

#include "AttachTestSupport.h"
#include "frame/ObjectFactory.h"
#include "support/MapiFixture.h"

namespace attachtest {
namespace {

using kelmsgs::Variant;

class MessageAttachmentTest : public AttachmentTest {
 protected:
  // The file names of the attachments a message object lists.
  static std::vector<std::wstring> Names(IQMXMessage* message) {
    std::vector<std::wstring> names;
    for (LONG i = 0, count = CountOf(message); i < count; ++i)
      if (ComPtr<IQMXAttach> attach = AttachmentOf(message, i))
        names.push_back(FilenameOf(attach.get()));
    return names;
  }
  std::wstring IdOf(IQMXMessage* message, LONG index) {
    ComPtr<IQMXAttach> attach = AttachmentOf(message, index);
    return attach ? EntryIdOf(attach.get()) : L"";
  }
  // DeleteAttachments on a fresh "three", then what that message object lists afterwards.
  std::vector<std::wstring> KeptBy(const VARIANT& exclude, HRESULT expected = S_OK) {
    ComPtr<IQMXMessage> three = Message(L"three");
    EXPECT_EQ(three->DeleteAttachments(exclude), expected);
    Reload(three.get());
    return Names(three.get());
  }
  static std::vector<std::wstring> LogLines(const std::string& path) {
    std::vector<std::wstring> lines;
    const std::string text = Contents(path);
    for (std::size_t at = 0; (at = text.find(" ---> ", at)) != std::string::npos;) {
      at += 6;
      const std::size_t end = text.find("\r\n", at);
      lines.emplace_back(text.begin() + at, text.begin() + end);
    }
    return lines;
  }
};

using NameList = std::vector<std::wstring>;

TEST_F(MessageAttachmentTest, CountAndIndexBounds) {
  ComPtr<IQMXMessage> kinds = Message(L"kinds");
  EXPECT_EQ(CountOf(kinds.get()), 7);
  EXPECT_EQ(CountOf(Message(L"bare").get()), 0);
  ComPtr<IQMXAttach> attach;
  EXPECT_EQ(kinds->get_Attachment(-1, attach.put()), E_INVALIDARG);
  EXPECT_EQ(kinds->get_Attachment(7, attach.put()), E_INVALIDARG);
  EXPECT_FALSE(attach);
  ASSERT_EQ(kinds->get_Attachment(kZip, attach.put()), S_OK);
  EXPECT_EQ(FilenameOf(attach.get()), L"offsite.zip");
  EXPECT_EQ(Names(Message(L"three").get()), (NameList{L"one.txt", L"two.txt", L"three.txt"}));
}

TEST_F(MessageAttachmentTest, IdentifiersFindTheirAttachments) {
  ComPtr<IQMXMessage> three = Message(L"three");
  for (LONG i = 0; i < 3; ++i) {
    const std::wstring id = IdOf(three.get(), i);
    LONG index = -2;
    ASSERT_EQ(three->get_AttachmentIndexFromId(B(id).get(), &index), S_OK);
    EXPECT_EQ(index, i);
    ComPtr<IQMXAttach> found;
    ASSERT_EQ(three->get_AttachmentFromId(B(id).get(), found.put()), S_OK);
    EXPECT_EQ(FilenameOf(found.get()), Names(three.get())[i]);
    EXPECT_EQ(EntryIdOf(found.get()), id);
  }
  // Index lookup compares exactly: lower case is another identifier (an identifier with
  // letters in it is needed to tell; the record keys of "kinds" have some).
  ComPtr<IQMXMessage> kinds = Message(L"kinds");
  std::wstring upper;
  LONG withLetters = 0;
  for (; withLetters < 7 && upper.find_first_of(L"ABCDEF") == std::wstring::npos; ++withLetters)
    upper = IdOf(kinds.get(), withLetters);
  ASSERT_NE(upper.find_first_of(L"ABCDEF"), std::wstring::npos);
  std::wstring lower = upper;
  std::transform(lower.begin(), lower.end(), lower.begin(), ::towlower);
  LONG index = 0;
  ASSERT_EQ(kinds->get_AttachmentIndexFromId(B(lower).get(), &index), S_OK);
  EXPECT_EQ(index, -1);
  ASSERT_EQ(kinds->get_AttachmentIndexFromId(B(upper).get(), &index), S_OK);
  EXPECT_EQ(index, withLetters - 1);
  // The table query reads the bytes, so the lower-case form still finds the attachment,
  // and the object carries the identifier as the caller wrote it.
  ComPtr<IQMXAttach> byLower;
  ASSERT_EQ(kinds->get_AttachmentFromId(B(lower).get(), byLower.put()), S_OK);
  EXPECT_EQ(EntryIdOf(byLower.get()), lower);
  EXPECT_EQ(three->get_AttachmentIndexFromId(B(L"").get(), &index), E_INVALIDARG);
  EXPECT_EQ(three->get_AttachmentIndexFromId(nullptr, &index), E_INVALIDARG);

  ComPtr<IQMXAttach> found;
  EXPECT_EQ(three->get_AttachmentFromId(B(L"XYZ1").get(), found.put()), E_INVALIDARG);
  EXPECT_EQ(three->get_AttachmentFromId(B(L"ABC").get(), found.put()), E_INVALIDARG);
  EXPECT_EQ(three->get_AttachmentFromId(B(L"").get(), found.put()), E_INVALIDARG);
  EXPECT_EQ(three->get_AttachmentFromId(B(L"00112233").get(), found.put()), MAPI_E_NOT_FOUND);
  EXPECT_FALSE(found);
}

TEST_F(MessageAttachmentTest, AttachmentFromIdFallsBackToTheRowsWhenTheQueryFails) {
  ComPtr<IQMXMessage> three = Message(L"three");
  const std::wstring id = IdOf(three.get(), 2);
  MapiFixture::SetFault("HrQueryAllRows", MAPI_E_CALL_FAILED);
  ComPtr<IQMXAttach> found;
  ASSERT_EQ(three->get_AttachmentFromId(B(id).get(), found.put()), S_OK);
  EXPECT_EQ(FilenameOf(found.get()), L"three.txt");
  EXPECT_EQ(three->get_AttachmentFromId(B(L"00112233").get(), found.put()), MAPI_E_CALL_FAILED);
}

TEST_F(MessageAttachmentTest, SaveAttachmentWritesAttachmentsByValueWithALongName) {
  ComPtr<IQMXMessage> kinds = Message(L"kinds");
  VARIANT_BOOL saved = VARIANT_FALSE;
  ASSERT_EQ(kinds->SaveAttachment(kTwoDots, B(L"").get(), &saved), S_OK);
  EXPECT_EQ(saved, VARIANT_TRUE);
  EXPECT_EQ(Contents(temp_.temp() + "report.final.txt"), "Quarterly figures");

  const std::string given = temp_.root() + "\\given.zip";
  ASSERT_EQ(kinds->SaveAttachment(kZip, B(std::wstring(given.begin(), given.end())).get(), &saved),
            S_OK);
  EXPECT_EQ(saved, VARIANT_TRUE);
  EXPECT_EQ(Contents(given).substr(0, 2), "PK");

  // Embedded, by reference, only a short name, no name: false, and nothing written.
  for (Kind kind : {kEmbedded, kReference, kShortOnly, kNameless}) {
    saved = VARIANT_TRUE;
    EXPECT_EQ(kinds->SaveAttachment(kind, nullptr, &saved), S_OK) << kind;
    EXPECT_EQ(saved, VARIANT_FALSE) << kind;
  }
  EXPECT_EQ(Entries(temp_.temp()), std::set<std::string>{"report.final.txt"});
  saved = VARIANT_TRUE;
  EXPECT_EQ(kinds->SaveAttachment(7, nullptr, &saved), E_INVALIDARG);
  EXPECT_EQ(saved, VARIANT_FALSE);
}

TEST_F(MessageAttachmentTest, AddAttachmentCountsAndLogsButListsOnlyAfterReload) {
  ComPtr<IQMXMessage> bare = Message(L"bare");
  const std::string log = temp_.root() + "\\message.log";
  ASSERT_EQ(bare->put_LogFile(B(std::wstring(log.begin(), log.end())).get()), S_OK);
  ComPtr<IQMXAttach> source = AttachmentOf(Message(L"kinds").get(), kTwoDots);
  ASSERT_EQ(bare->AddAttachment(source.get()), S_OK);
  EXPECT_EQ(CountOf(bare.get()), 1);
  ComPtr<IQMXAttach> added;
  EXPECT_EQ(bare->get_Attachment(0, added.put()), E_INVALIDARG);
  VARIANT_BOOL saved = VARIANT_TRUE;
  EXPECT_EQ(bare->SaveAttachment(0, nullptr, &saved), E_INVALIDARG);
  EXPECT_EQ(LogLines(log),
            (NameList{L"Creating attachment...", L"...succeeded, setting properties...",
                      L"...succeeded, saving attachment...", L"...succeeded, saving message...",
                      L"...successfully completed."}));

  Reload(bare.get());
  EXPECT_EQ(Names(bare.get()), NameList{L"report.final.txt"});
  // Saved in the store: a new object for the message has it too, with its data.
  ComPtr<IQMXMessage> again = Message(L"bare");
  EXPECT_EQ(Names(again.get()), NameList{L"report.final.txt"});
  ASSERT_EQ(again->SaveAttachment(0, nullptr, &saved), S_OK);
  EXPECT_EQ(Contents(temp_.temp() + "report.final.txt"), "Quarterly figures");
}

TEST_F(MessageAttachmentTest, AddAttachmentStopsAtTheFirstFailingStep) {
  ComPtr<IQMXMessage> bare = Message(L"bare");
  const std::string log = temp_.root() + "\\failing.log";
  ASSERT_EQ(bare->put_LogFile(B(std::wstring(log.begin(), log.end())).get()), S_OK);
  ComPtr<IQMXAttach> source = AttachmentOf(Message(L"kinds").get(), kTwoDots);
  MapiFixture::SetFault("SaveChanges", MAPI_E_NO_ACCESS, 1);  // the message's save fails
  EXPECT_EQ(bare->AddAttachment(source.get()), S_OK);
  MapiFixture::ClearFaults();
  EXPECT_EQ(CountOf(bare.get()), 0);
  const NameList lines = LogLines(log);
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[3], L"...succeeded, saving message...");
  EXPECT_EQ(lines[4], L"...failed.");

  // No object, or an object without a MAPI attachment: refused, nothing logged.
  EXPECT_EQ(bare->AddAttachment(nullptr), E_INVALIDARG);
  ComPtr<IQMXAttach> empty;
  ASSERT_EQ(kelmsgs::CreateObject(CLSID_QMXAttach, empty), S_OK);
  EXPECT_EQ(bare->AddAttachment(empty.get()), E_INVALIDARG);
  EXPECT_EQ(LogLines(log).size(), 5u);
  EXPECT_EQ(CountOf(bare.get()), 0);
}

TEST_F(MessageAttachmentTest, AttachMessageEmbedsACopyVisibleAfterReload) {
  ComPtr<IQMXMessage> bare = Message(L"bare");
  ComPtr<IQMXMessage> kinds = Message(L"kinds");
  ASSERT_EQ(bare->AttachMessage(kinds.get()), S_OK);
  EXPECT_EQ(CountOf(bare.get()), 0);  // not counted until reloaded
  Reload(bare.get());
  ASSERT_EQ(CountOf(bare.get()), 1);
  ComPtr<IQMXAttach> embedded = AttachmentOf(bare.get(), 0);
  ASSERT_TRUE(embedded);
  Bstr extension, path;
  EXPECT_EQ(embedded->get_Extension(extension.put()), S_OK);
  EXPECT_EQ(Str(extension.get()), L"msg");
  // Its data is the copied message's body.
  ASSERT_EQ(embedded->Save(nullptr, path.put()), S_OK);
  EXPECT_EQ(Contents(Narrow(path.get())), "many kinds");
  EXPECT_EQ(CountOf(Message(L"bare").get()), 1);

  EXPECT_EQ(bare->AttachMessage(nullptr), E_INVALIDARG);
  ComPtr<IQMXMessage> unbound;
  ASSERT_EQ(kelmsgs::CreateObject(CLSID_QMXMessage, unbound), S_OK);
  EXPECT_EQ(bare->AttachMessage(unbound.get()), E_INVALIDARG);
}

TEST_F(MessageAttachmentTest, DeleteAttachmentSavesTheMessage) {
  ComPtr<IQMXMessage> three = Message(L"three");
  EXPECT_EQ(three->DeleteAttachment(3), E_INVALIDARG);
  EXPECT_EQ(three->DeleteAttachment(-1), E_INVALIDARG);
  ASSERT_EQ(three->DeleteAttachment(1), S_OK);
  EXPECT_EQ(CountOf(three.get()), 3);  // the rows stay as read
  EXPECT_EQ(Names(Message(L"three").get()), (NameList{L"one.txt", L"three.txt"}));
}

// What is kept: one index (of either integer type; the count or another type keeps
// nothing) or the identifiers of a ';'-separated list, passed as it is or, as a script
// passes its variable, by reference.
TEST_F(MessageAttachmentTest, DeleteAttachmentsKeepsTheIndexOrIdentifiersGiven) {
  ComPtr<IQMXMessage> three = Message(L"three");
  const std::wstring id[] = {IdOf(three.get(), 0), IdOf(three.get(), 1), IdOf(three.get(), 2)};
  const struct {
    VARTYPE type;
    SHORT index;
    std::wstring ids;
    NameList kept;
  } cases[] = {{VT_I4, 0, L"", {L"one.txt"}},
               {VT_I4, 3, L"", {}},
               {VT_I2, 2, L"", {L"three.txt"}},
               {VT_R8, 1, L"", {}},
               {VT_BSTR, 0, id[1], {L"two.txt"}},
               {VT_BSTR, 0, id[0] + L";" + id[2], {L"one.txt", L"three.txt"}},
               {VT_BSTR, 0, L";" + id[1] + L";;", {L"two.txt"}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "type " << c.type << " index " << c.index << " ids "
                                    << std::string(c.ids.begin(), c.ids.end()));
    Variant exclude;
    V_VT(&exclude) = c.type;
    if (c.type == VT_I4) V_I4(&exclude) = c.index;
    if (c.type == VT_I2) V_I2(&exclude) = c.index;
    if (c.type == VT_R8) V_R8(&exclude) = c.index;
    if (c.type == VT_BSTR) V_BSTR(&exclude) = B(c.ids).release();
    EXPECT_EQ(KeptBy(exclude), c.kept);
    Variant byRef;
    V_VT(&byRef) = VT_BYREF | VT_VARIANT;
    V_VARIANTREF(&byRef) = &exclude;
    EXPECT_EQ(KeptBy(byRef), c.kept);
    V_VT(&byRef) = VT_EMPTY;  // it does not own what it points at
  }

  Variant two;
  V_VT(&two) = VT_BSTR;
  V_BSTR(&two) = B(id[0] + L";" + id[2]).release();
  // Deleting does not save: the store still has all three until the message is saved.
  EXPECT_EQ(Names(Message(L"three").get()).size(), 3u);
  ASSERT_EQ(three->DeleteAttachments(two), S_OK);
  ASSERT_EQ(three->Save(), S_OK);
  EXPECT_EQ(Names(Message(L"three").get()), (NameList{L"one.txt", L"three.txt"}));
}

TEST_F(MessageAttachmentTest, WithoutAMapiMessageMembersFailSoft) {
  ComPtr<IQMXMessage> unbound;
  ASSERT_EQ(kelmsgs::CreateObject(CLSID_QMXMessage, unbound), S_OK);
  EXPECT_EQ(CountOf(unbound.get()), 0);
  ComPtr<IQMXAttach> attach;
  EXPECT_EQ(unbound->get_Attachment(0, attach.put()), E_INVALIDARG);
  EXPECT_EQ(unbound->get_AttachmentFromId(B(L"00").get(), attach.put()), E_FAIL);
  LONG index = 0;
  EXPECT_EQ(unbound->get_AttachmentIndexFromId(B(L"00").get(), &index), E_FAIL);
  VARIANT_BOOL saved = VARIANT_TRUE;
  EXPECT_EQ(unbound->SaveAttachment(0, nullptr, &saved), E_INVALIDARG);
  EXPECT_EQ(saved, VARIANT_FALSE);
  EXPECT_EQ(unbound->DeleteAttachment(0), E_INVALIDARG);
  Variant none;
  EXPECT_EQ(unbound->DeleteAttachments(none), E_FAIL);
  ComPtr<IQMXAttach> source = AttachmentOf(Message(L"three").get(), 0);
  EXPECT_EQ(unbound->AddAttachment(source.get()), E_FAIL);
  EXPECT_EQ(unbound->AttachMessage(Message(L"three").get()), E_FAIL);

  // A message without attachments has no rows: out of range, not found, -1.
  ComPtr<IQMXMessage> bare = Message(L"bare");
  EXPECT_EQ(bare->get_Attachment(0, attach.put()), E_INVALIDARG);
  EXPECT_EQ(bare->get_AttachmentFromId(B(L"00112233").get(), attach.put()), MAPI_E_NOT_FOUND);
  ASSERT_EQ(bare->get_AttachmentIndexFromId(B(L"00112233").get(), &index), S_OK);
  EXPECT_EQ(index, -1);
  EXPECT_EQ(bare->DeleteAttachments(none), S_OK);
}

}  // namespace
}  // namespace attachtest
