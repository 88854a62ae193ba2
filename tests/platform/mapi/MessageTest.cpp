// Messages, attachments, recipients, named properties, property streams, the GetProps size
// limit, CopyTo exclusions and injected faults.
#include "StandinTest.h"

#include <mapiguid.h>

namespace standin_test {
namespace {

// The MAPI property set, spelled out: the toolchain's libraries do not define it.
const GUID kPsMapi = {0x00020328, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const GUID kIidStreamDocfile = {0x0002032C, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

class StandinMessage : public SmallMailboxTest {
 protected:
  // The inbox message with that subject, opened with MAPI_BEST_ACCESS.
  Ref<IMessage> Find(const char* subject) {
    SPropValue v = Str(PR_SUBJECT_A, subject);
    SRestriction r = PropertyIs(RELOP_EQ, &v);
    const RowSetOwner rows = QueryAll(Contents(inbox_.get()).get(), {PR_ENTRYID}, &r);
    Ref<IMessage> message;
    if (!rows || rows->cRows != 1) return message;
    EXPECT_EQ(OpenId(store_.get(), Bytes(rows->aRow[0].lpProps[0].Value.bin), message.put()), S_OK);
    return message;
  }

  static std::string ReadAll(IStream* stream) {
    STATSTG stat{};
    EXPECT_EQ(stream->Stat(&stat, STATFLAG_NONAME), S_OK);
    std::string data(static_cast<std::size_t>(stat.cbSize.QuadPart), '\0');
    ULONG got = 0;
    EXPECT_EQ(stream->Read(data.data(), static_cast<ULONG>(data.size()), &got), S_OK);
    data.resize(got);
    return data;
  }
};

TEST_F(StandinMessage, StoreMaintainedPropertiesAndAttachmentTable) {
  Ref<IMessage> message = Find("Budget");
  ASSERT_TRUE(message);
  MapiBuffer<SPropValue> v;
  ASSERT_EQ(GetProps(message.get(),
                     {PR_SUBJECT_A, PR_BODY_A, PR_CLIENT_SUBMIT_TIME, PR_MESSAGE_DELIVERY_TIME,
                      PR_ENTRYID, PR_PARENT_ENTRYID, PR_STORE_ENTRYID, PR_HASATTACH},
                     v),
            S_OK);
  EXPECT_STREQ(v.get()[0].Value.lpszA, "Budget");
  EXPECT_STREQ(v.get()[1].Value.lpszA, "Numbers attached.");
  EXPECT_EQ(v.get()[7].Value.b, TRUE);
  EXPECT_EQ(BinaryProp(message.get(), PR_PARENT_ENTRYID), BinaryProp(inbox_.get(), PR_ENTRYID));
  EXPECT_EQ(BinaryProp(message.get(), PR_STORE_ENTRYID), BinaryProp(store_.get(), PR_ENTRYID));
  EXPECT_GT(LongProp(message.get(), PR_MESSAGE_SIZE), 0);
  // A missing property is an error value and the call warns.
  ASSERT_EQ(GetProps(message.get(), {PR_SUBJECT_A, PR_IMPORTANCE}, v), MAPI_W_ERRORS_RETURNED);
  EXPECT_EQ(v.get()[1].ulPropTag, PROP_TAG(PT_ERROR, PROP_ID(PR_IMPORTANCE)));
  EXPECT_EQ(v.get()[1].Value.err, MAPI_E_NOT_FOUND);

  Ref<IMAPITable> attachments;
  ASSERT_EQ(message->OpenProperty(PR_MESSAGE_ATTACHMENTS, &IID_IMAPITable, 0, 0,
                                  reinterpret_cast<LPUNKNOWN*>(attachments.put())),
            S_OK);
  const RowSetOwner rows =
      QueryAll(attachments.get(), {PR_RECORD_KEY, PR_ATTACH_NUM, PR_ATTACH_METHOD,
                                   PR_ATTACH_LONG_FILENAME_A, PR_RENDERING_POSITION});
  ASSERT_EQ(rows->cRows, 3u);
  EXPECT_EQ(rows->aRow[0].lpProps[2].Value.l, ATTACH_BY_VALUE);
  EXPECT_EQ(rows->aRow[1].lpProps[2].Value.l, ATTACH_EMBEDDED_MSG);
  EXPECT_EQ(rows->aRow[2].lpProps[2].Value.l, ATTACH_BY_REFERENCE);
  EXPECT_STREQ(rows->aRow[0].lpProps[3].Value.lpszA, "numbers.txt");
  EXPECT_NE(Bytes(rows->aRow[0].lpProps[0].Value.bin), Bytes(rows->aRow[1].lpProps[0].Value.bin));

  // The by-value data as a stream, the embedded message read-only.
  Ref<IAttach> attach;
  ASSERT_EQ(message->OpenAttach(rows->aRow[0].lpProps[1].Value.l, nullptr, 0, attach.put()), S_OK);
  Ref<IStream> data;
  ASSERT_EQ(attach->OpenProperty(PR_ATTACH_DATA_BIN, &IID_IStream, 0, 0,
                                 reinterpret_cast<LPUNKNOWN*>(data.put())),
            S_OK);
  EXPECT_EQ(ReadAll(data.get()), "1,2,3\n");
  ASSERT_EQ(message->OpenAttach(rows->aRow[1].lpProps[1].Value.l, nullptr, 0, attach.put()), S_OK);
  Ref<IMessage> inner;
  ASSERT_EQ(attach->OpenProperty(PR_ATTACH_DATA_OBJ, &IID_IMessage, 0, 0,
                                 reinterpret_cast<LPUNKNOWN*>(inner.put())),
            S_OK);
  EXPECT_EQ(StringProp(inner.get(), PR_SUBJECT_A), "Inner");
  SPropValue change = Str(PR_SUBJECT_A, "x");
  EXPECT_EQ(HrSetOneProp(inner.get(), &change), MAPI_E_NO_ACCESS);
  EXPECT_EQ(attach->OpenProperty(PR_ATTACH_DATA_BIN, &IID_IStream, 0, 0,
                                 reinterpret_cast<LPUNKNOWN*>(data.put())),
            MAPI_E_NOT_FOUND);
}

TEST_F(StandinMessage, OleAttachmentOpensAsDocfileStream) {
  Ref<IMessage> message = Find("Cherry");
  ASSERT_TRUE(message);
  Ref<IAttach> attach;
  ASSERT_EQ(message->OpenAttach(0, nullptr, 0, attach.put()), S_OK);
  EXPECT_EQ(LongProp(attach.get(), PR_ATTACH_METHOD), ATTACH_OLE);
  Ref<IStream> data;
  ASSERT_EQ(attach->OpenProperty(PR_ATTACH_DATA_BIN, &kIidStreamDocfile, 0, 0,
                                 reinterpret_cast<LPUNKNOWN*>(data.put())),
            S_OK);
  EXPECT_EQ(ReadAll(data.get()), std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8));
  // A by-value stream cannot be written without MAPI_MODIFY, and the attachment is read-only here.
  ULONG written = 0;
  EXPECT_EQ(data->Write("x", 1, &written), STG_E_ACCESSDENIED);
  EXPECT_EQ(attach->OpenProperty(PR_ATTACH_DATA_BIN, &IID_IStream, 0, MAPI_CREATE | MAPI_MODIFY,
                                 reinterpret_cast<LPUNKNOWN*>(data.put())),
            MAPI_E_NO_ACCESS);
}

TEST_F(StandinMessage, CreateSaveAndTransactedChanges) {
  Ref<IMessage> message;
  ASSERT_EQ(inbox_->CreateMessage(nullptr, 0, message.put()), S_OK);
  SPropValue props[2] = {Str(PR_SUBJECT_A, "Draft"), Str(PR_MESSAGE_CLASS_A, "IPM.Note")};
  ASSERT_EQ(message->SetProps(2, props, nullptr), S_OK);
  // Not in the folder until saved.
  EXPECT_EQ(LongProp(inbox_.get(), PR_CONTENT_COUNT), 3);
  ASSERT_EQ(message->SaveChanges(KEEP_OPEN_READWRITE), S_OK);
  EXPECT_EQ(LongProp(inbox_.get(), PR_CONTENT_COUNT), 4);
  // Store-maintained properties cannot be written.
  SPropValue size = Long(PR_MESSAGE_SIZE, 1);
  MapiBuffer<SPropProblemArray> problems;
  ASSERT_EQ(message->SetProps(1, &size, problems.put()), S_OK);
  ASSERT_TRUE(problems);
  EXPECT_EQ(problems->aProblem[0].scode, MAPI_E_COMPUTED);
  // A change that is not saved is not seen by another open of the message.
  props[0].Value.lpszA = const_cast<LPSTR>("Changed");
  ASSERT_EQ(message->SetProps(1, props, nullptr), S_OK);
  EXPECT_EQ(StringProp(Find("Draft").get(), PR_SUBJECT_A), "Draft");
  ASSERT_EQ(message->SaveChanges(0), S_OK);
  EXPECT_TRUE(Find("Changed"));
  // After SaveChanges without KEEP_OPEN_READWRITE the message only reads.
  EXPECT_EQ(message->SetProps(1, props, nullptr), MAPI_E_NO_ACCESS);
  EXPECT_EQ(StringProp(message.get(), PR_SUBJECT_A), "Changed");
  // Recipients: replaced, added and removed by row.
  Ref<IMessage> again = Find("Changed");
  AdrListOwner list({"First", "Second"});
  ASSERT_EQ(again->ModifyRecipients(0, list.list), S_OK);
  Ref<IMAPITable> recipients;
  ASSERT_EQ(again->GetRecipientTable(0, recipients.put()), S_OK);
  EXPECT_EQ(RowCount(recipients.get()), 2u);
  ASSERT_EQ(again->SaveChanges(KEEP_OPEN_READWRITE), S_OK);
}

TEST_F(StandinMessage, NamedPropertiesAreCreatedOnceAndNamedBack) {
  Ref<IMessage> message = Find("Budget");
  std::wstring name = L"QNDDocID";
  MAPINAMEID id{const_cast<LPGUID>(&PS_PUBLIC_STRINGS), MNID_STRING, {}};
  id.Kind.lpwstrName = name.data();
  LPMAPINAMEID names[1] = {&id};
  MapiBuffer<SPropTagArray> tags;
  // The fixture registered this name; its value is on the message.
  ASSERT_EQ(message->GetIDsFromNames(1, names, 0, tags.put()), S_OK);
  const ULONG tag = tags->aulPropTag[0];
  EXPECT_GE(PROP_ID(tag), 0x8000u);
  EXPECT_EQ(PROP_TYPE(tag), static_cast<ULONG>(PT_UNSPECIFIED));
  EXPECT_EQ(StringProp(message.get(), CHANGE_PROP_TYPE(tag, PT_STRING8)), "D-1");
  // A new name: not found without MAPI_CREATE, registered with it, the same id afterwards.
  std::wstring fresh = L"Fresh";
  MAPINAMEID newId{const_cast<LPGUID>(&PS_PUBLIC_STRINGS), MNID_STRING, {}};
  newId.Kind.lpwstrName = fresh.data();
  names[0] = &newId;
  ASSERT_EQ(message->GetIDsFromNames(1, names, 0, tags.put()), MAPI_W_ERRORS_RETURNED);
  EXPECT_EQ(PROP_TYPE(tags->aulPropTag[0]), static_cast<ULONG>(PT_ERROR));
  ASSERT_EQ(message->GetIDsFromNames(1, names, MAPI_CREATE, tags.put()), S_OK);
  const ULONG created = tags->aulPropTag[0];
  ASSERT_EQ(inbox_->GetIDsFromNames(1, names, 0, tags.put()), S_OK);
  EXPECT_EQ(tags->aulPropTag[0], created);
  EXPECT_NE(PROP_ID(created), PROP_ID(tag));
  // Numbered names in another set, and the way back from identifiers.
  MAPINAMEID numbered{const_cast<LPGUID>(&kPsMapi), MNID_ID, {}};
  numbered.Kind.lID = 0x8501;
  names[0] = &numbered;
  ASSERT_EQ(message->GetIDsFromNames(1, names, MAPI_CREATE, tags.put()), S_OK);
  SizedSPropTagArray(2, ask) = {2, {created, PROP_TAG(PT_LONG, 0x0037)}};
  LPSPropTagArray askPtr = reinterpret_cast<LPSPropTagArray>(&ask);
  ULONG count = 0;
  MapiBuffer<LPMAPINAMEID> back;
  ASSERT_EQ(message->GetNamesFromIDs(&askPtr, nullptr, 0, &count, back.put()),
            MAPI_W_ERRORS_RETURNED);
  ASSERT_EQ(count, 2u);
  ASSERT_NE(back.get()[0], nullptr);
  EXPECT_EQ(back.get()[0]->ulKind, static_cast<ULONG>(MNID_STRING));
  EXPECT_STREQ(back.get()[0]->Kind.lpwstrName, L"Fresh");
  EXPECT_EQ(back.get()[1], nullptr);
}

TEST_F(StandinMessage, LargeValuesComeBackAsErrorsAndReadAsStreams) {
  standin::SetSizeLimit(64);
  Ref<IMessage> message = Find("Budget");
  const std::string body(200, 'b');
  Ref<IStream> stream;
  ASSERT_EQ(message->OpenProperty(PR_BODY_A, &IID_IStream, 0, MAPI_CREATE | MAPI_MODIFY,
                                  reinterpret_cast<LPUNKNOWN*>(stream.put())),
            S_OK);
  ULONG written = 0;
  ASSERT_EQ(stream->Write(body.data(), static_cast<ULONG>(body.size()), &written), S_OK);
  // Nothing reaches the message before Commit.
  EXPECT_EQ(StringProp(message.get(), PR_BODY_A), "Numbers attached.");
  ASSERT_EQ(stream->Commit(0), S_OK);
  ASSERT_EQ(message->SaveChanges(KEEP_OPEN_READWRITE), S_OK);
  MapiBuffer<SPropValue> v;
  ASSERT_EQ(GetProps(message.get(), {PR_SUBJECT_A, PR_BODY_A}, v), MAPI_W_ERRORS_RETURNED);
  EXPECT_EQ(v.get()[1].ulPropTag, PROP_TAG(PT_ERROR, PROP_ID(PR_BODY_A)));
  EXPECT_EQ(v.get()[1].Value.err, MAPI_E_NOT_ENOUGH_MEMORY);
  EXPECT_EQ(HrGetOneProp(message.get(), PR_BODY_A, v.put()), MAPI_E_NOT_ENOUGH_MEMORY);
  // The stream reads the whole value; Seek, SetSize, Clone and CopyTo behave as IStream does.
  Ref<IStream> reader;
  ASSERT_EQ(message->OpenProperty(PR_BODY_A, &IID_IStream, 0, 0,
                                  reinterpret_cast<LPUNKNOWN*>(reader.put())),
            S_OK);
  EXPECT_EQ(ReadAll(reader.get()), body);
  EXPECT_EQ(reader->Write("x", 1, &written), STG_E_ACCESSDENIED);
  LARGE_INTEGER move{};
  move.QuadPart = -10;
  ULARGE_INTEGER pos{};
  ASSERT_EQ(reader->Seek(move, STREAM_SEEK_END, &pos), S_OK);
  EXPECT_EQ(pos.QuadPart, 190u);
  Ref<IStream> clone;
  ASSERT_EQ(reader->Clone(clone.put()), S_OK);
  char tail[16] = {};
  ULONG got = 0;
  ASSERT_EQ(clone->Read(tail, sizeof tail, &got), S_OK);
  EXPECT_EQ(got, 10u);
  // Copy into a file and read it back through OpenStreamOnFile.
  const std::string path = dir_ + "\\body.txt";
  Ref<IStream> file;
  ASSERT_EQ(OpenStreamOnFile(MAPIAllocateBuffer, MAPIFreeBuffer, STGM_CREATE | STGM_READWRITE,
                             const_cast<LPSTR>(path.c_str()), nullptr, file.put()),
            S_OK);
  move.QuadPart = 0;
  ASSERT_EQ(reader->Seek(move, STREAM_SEEK_SET, nullptr), S_OK);
  ULARGE_INTEGER all{};
  all.QuadPart = body.size();
  ASSERT_EQ(reader->CopyTo(file.get(), all, nullptr, nullptr), S_OK);
  ASSERT_EQ(file->Commit(0), S_OK);
  file.reset();
  ASSERT_EQ(OpenStreamOnFile(MAPIAllocateBuffer, MAPIFreeBuffer, STGM_READ,
                             const_cast<LPSTR>(path.c_str()), nullptr, file.put()),
            S_OK);
  EXPECT_EQ(ReadAll(file.get()), body);
  EXPECT_EQ(file->Write("x", 1, &written), STG_E_ACCESSDENIED);
  const std::string missing = dir_ + "\\missing.txt";
  EXPECT_EQ(OpenStreamOnFile(MAPIAllocateBuffer, MAPIFreeBuffer, STGM_READ,
                             const_cast<LPSTR>(missing.c_str()), nullptr, file.put()),
            MAPI_E_NOT_FOUND);
  // A property that does not exist opens only with MAPI_CREATE.
  EXPECT_EQ(message->OpenProperty(PR_RTF_COMPRESSED, &IID_IStream, 0, 0,
                                  reinterpret_cast<LPUNKNOWN*>(reader.put())),
            MAPI_E_NOT_FOUND);
}

TEST_F(StandinMessage, CopyToHonoursExcludedProperties) {
  Ref<IMessage> source = Find("Budget");
  Ref<IMessage> withoutAttachments, full;
  ASSERT_EQ(inbox_->CreateMessage(nullptr, 0, withoutAttachments.put()), S_OK);
  ASSERT_EQ(inbox_->CreateMessage(nullptr, 0, full.put()), S_OK);
  SizedSPropTagArray(3, exclude) = {3, {PR_MESSAGE_ATTACHMENTS, PR_ACCESS, PR_SUBJECT_A}};
  ASSERT_EQ(source->CopyTo(0, nullptr, reinterpret_cast<LPSPropTagArray>(&exclude), 0, nullptr,
                           &IID_IMessage, withoutAttachments.get(), 0, nullptr),
            S_OK);
  ASSERT_EQ(source->CopyTo(0, nullptr, nullptr, 0, nullptr, &IID_IMessage, full.get(), 0, nullptr),
            S_OK);
  EXPECT_EQ(LongProp(withoutAttachments.get(), PR_HASATTACH), 0);
  EXPECT_EQ(StringProp(withoutAttachments.get(), PR_SUBJECT_A), "<missing>");
  EXPECT_EQ(StringProp(withoutAttachments.get(), PR_BODY_A), "Numbers attached.");
  EXPECT_EQ(LongProp(full.get(), PR_HASATTACH), 1);
  EXPECT_EQ(StringProp(full.get(), PR_SUBJECT_A), "Budget");
  // Identifiers are the target's own.
  EXPECT_NE(BinaryProp(full.get(), PR_ENTRYID), BinaryProp(source.get(), PR_ENTRYID));
  Ref<IMAPITable> recipients;
  ASSERT_EQ(full->GetRecipientTable(0, recipients.put()), S_OK);
  EXPECT_EQ(RowCount(recipients.get()), 2u);
  // The journal shows the excluded tags in the order given.
  const auto copies = Journal("IMessage::CopyTo");
  ASSERT_EQ(copies.size(), 2u);
  EXPECT_NE(copies[0].find("tags=0E13000D,0FF40003,0037001E"), std::string::npos) << copies[0];

  // A message embedded in a new attachment, from a copy of the source.
  Ref<IAttach> attach;
  ULONG num = 0;
  ASSERT_EQ(full->CreateAttach(nullptr, 0, &num, attach.put()), S_OK);
  SPropValue method = Long(PR_ATTACH_METHOD, ATTACH_EMBEDDED_MSG);
  ASSERT_EQ(HrSetOneProp(attach.get(), &method), S_OK);
  Ref<IMessage> embedded;
  ASSERT_EQ(attach->OpenProperty(PR_ATTACH_DATA_OBJ, &IID_IMessage, 0, MAPI_CREATE | MAPI_MODIFY,
                                 reinterpret_cast<LPUNKNOWN*>(embedded.put())),
            S_OK);
  ASSERT_EQ(
      source->CopyTo(0, nullptr, nullptr, 0, nullptr, &IID_IMessage, embedded.get(), 0, nullptr),
      S_OK);
  ASSERT_EQ(embedded->SaveChanges(KEEP_OPEN_READWRITE), S_OK);
  ASSERT_EQ(attach->SaveChanges(KEEP_OPEN_READWRITE), S_OK);
  ASSERT_EQ(full->SaveChanges(KEEP_OPEN_READWRITE), S_OK);
  // An attachment copied onto another attachment of another message.
  Ref<IAttach> original, copy;
  ASSERT_EQ(source->OpenAttach(0, nullptr, 0, original.put()), S_OK);
  ASSERT_EQ(withoutAttachments->CreateAttach(nullptr, 0, &num, copy.put()), S_OK);
  ASSERT_EQ(
      original->CopyTo(0, nullptr, nullptr, 0, nullptr, &IID_IAttachment, copy.get(), 0, nullptr),
      S_OK);
  EXPECT_EQ(StringProp(copy.get(), PR_ATTACH_LONG_FILENAME_A), "numbers.txt");
  // The wrong interface is refused.
  EXPECT_EQ(
      original->CopyTo(0, nullptr, nullptr, 0, nullptr, &IID_IMessage, copy.get(), 0, nullptr),
      MAPI_E_INTERFACE_NOT_SUPPORTED);
}

TEST_F(StandinMessage, InjectedFaultsHitTheNamedOperation) {
  Ref<IMessage> message = Find("Budget");
  const std::string id = BinaryProp(message.get(), PR_ENTRYID);
  char hex[200];
  HexFromBin(reinterpret_cast<LPBYTE>(const_cast<char*>(id.data())), static_cast<int>(id.size()),
             hex);
  // Only for this message, and only after one good call.
  ASSERT_EQ(STANDIN(SetFault)("GetProps", MAPI_E_CALL_FAILED, hex, 1), S_OK);
  MapiBuffer<SPropValue> v;
  EXPECT_EQ(HrGetOneProp(message.get(), PR_SUBJECT_A, v.put()), S_OK);
  EXPECT_EQ(HrGetOneProp(message.get(), PR_SUBJECT_A, v.put()), MAPI_E_CALL_FAILED);
  EXPECT_EQ(HrGetOneProp(inbox_.get(), PR_DISPLAY_NAME_A, v.put()), S_OK);
  STANDIN(ClearFaults)();
  EXPECT_EQ(HrGetOneProp(message.get(), PR_SUBJECT_A, v.put()), S_OK);
  // A failing commit leaves the stored message as it was.
  ASSERT_EQ(STANDIN(SetFault)("StoreCommit", MAPI_E_DISK_ERROR, nullptr, 0), S_OK);
  SPropValue subject = Str(PR_SUBJECT_A, "Lost");
  ASSERT_EQ(HrSetOneProp(message.get(), &subject), S_OK);
  EXPECT_EQ(message->SaveChanges(KEEP_OPEN_READWRITE), MAPI_E_DISK_ERROR);
  STANDIN(ClearFaults)();
  EXPECT_FALSE(Find("Lost"));
  EXPECT_TRUE(Find("Budget"));
}

}  // namespace
}  // namespace standin_test
