// The message-on-storage service: messages written into structured storage files in the
// ".msg" layout and read back. MsgFileWriter writes the sample files that independent
// readers check (msgfile_readers.sh): into KELMSGS_MSG_OUT_DIR when it is set, else into
// a scratch directory.
#include <imessage.h>

#include <cstdlib>
#include <map>

#include "StandinTest.h"

namespace standin_test {
namespace {

// What the sample file holds; msgfile_readers.py and msgfile_readers.js expect the same.
const wchar_t kSubject[] = L"Quarterly report \u00FCber \u00C6rger \u2013 \u4F60\u597D";
const wchar_t kBody[] = L"Hello,\r\nthis is the plain body.\r\n";
const char kRtf[] = "{\\rtf1\\ansi\\ansicpg1252\\deff0 Hello, {\\b rich} body.\\par}";
const char kNotesName[] = "notes.txt";
const char kOleName[] = "drawing.bin";
const char kInnerSubject[] = "Inner message";
const char kInnerBody[] = "Inner body\r\n";
const char kInnerAttachName[] = "inner.txt";
const char kInnerAttachData[] = "Inner attachment data\r\n";
const char kOleData[] = "OLE object payload";
const GUID kProjectSet = {0x4b4d5301, 0x1111, 0x4000, {0x80, 0, 0, 0, 0, 0, 0, 1}};
const GUID kPublicStrings = {0x00020329, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const CLSID kMailMessage = {0x00020D0B, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

std::string NotesData() {
  std::string data = "These are the notes.\r\n";
  for (int i = 0; i < 256; ++i) data.push_back(static_cast<char>(i));
  return data;
}

std::wstring Wide(const std::string& s) {
  std::wstring w(s.size() + 1, L'\0');
  w.resize(MultiByteToWideChar(CP_ACP, 0, s.c_str(), -1, w.data(), static_cast<int>(w.size())) - 1);
  return w;
}

// A message session, closed when it goes.
struct MsgSession {
  LPMSGSESS s = nullptr;
  MsgSession() { EXPECT_EQ(OpenIMsgSession(MAPIGetDefaultMalloc(), 0, &s), S_OK); }
  ~MsgSession() {
    if (s) CloseIMsgSession(s);
  }
};

HRESULT OpenOnStorage(LPMSGSESS session, IStorage* storage, IMessage** out, ULONG flags = 0,
                      MSGCALLRELEASE* release = nullptr, ULONG callerData = 0) {
  return OpenIMsgOnIStg(session, MAPIAllocateBuffer, MAPIAllocateMore, MAPIFreeBuffer,
                        MAPIGetDefaultMalloc(), nullptr, storage, release, callerData, flags, out);
}

void SetProp(IMAPIProp* object, SPropValue value) {
  ASSERT_EQ(HrSetOneProp(object, &value), S_OK) << std::hex << value.ulPropTag;
}
void SetWide(IMAPIProp* object, ULONG tag, const wchar_t* text) {
  SPropValue v{};
  v.ulPropTag = tag;
  v.Value.lpszW = const_cast<LPWSTR>(text);
  SetProp(object, v);
}

void WriteStream(IMAPIProp* object, ULONG tag, const std::string& bytes,
                 const IID& iid = IID_IStream) {
  Ref<IStream> stream;
  ASSERT_EQ(object->OpenProperty(tag, &iid, 0, MAPI_CREATE | MAPI_MODIFY,
                                 reinterpret_cast<LPUNKNOWN*>(stream.put())),
            S_OK);
  ULONG written = 0;
  ASSERT_EQ(stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), &written), S_OK);
  ASSERT_EQ(stream->Commit(0), S_OK);
}

std::string ReadStream(IMAPIProp* object, ULONG tag, const IID& iid = IID_IStream) {
  Ref<IStream> stream;
  if (object->OpenProperty(tag, &iid, 0, 0, reinterpret_cast<LPUNKNOWN*>(stream.put())) != S_OK)
    return "<missing>";
  std::string bytes;
  char buffer[4096];
  ULONG got = 0;
  while (SUCCEEDED(stream->Read(buffer, sizeof buffer, &got)) && got) bytes.append(buffer, got);
  return bytes;
}

std::wstring WideProp(IMAPIProp* object, ULONG tag) {
  MapiBuffer<SPropValue> v;
  if (HrGetOneProp(object, tag, v.put()) != S_OK) return L"<missing>";
  return v->Value.lpszW;
}

// Every property of an object as comparable text, the access properties left out.
std::map<ULONG, std::string> AllProps(IMAPIProp* object) {
  MapiBuffer<SPropValue> values;
  ULONG count = 0;
  EXPECT_TRUE(SUCCEEDED(object->GetProps(nullptr, MAPI_UNICODE, &count, values.put())));
  std::map<ULONG, std::string> out;
  for (ULONG i = 0; i < count; ++i) {
    const SPropValue& v = values.get()[i];
    std::string text;
    switch (PROP_TYPE(v.ulPropTag)) {
      case PT_UNICODE:
        text.assign(reinterpret_cast<const char*>(v.Value.lpszW), wcslen(v.Value.lpszW) * 2);
        break;
      case PT_STRING8:
        text = v.Value.lpszA;
        break;
      case PT_BINARY:
        text.assign(reinterpret_cast<const char*>(v.Value.bin.lpb), v.Value.bin.cb);
        break;
      case PT_LONG:
      case PT_BOOLEAN:
      case PT_ERROR:
        text = std::to_string(v.Value.l);
        break;
      case PT_I8:
      case PT_SYSTIME:
        text = std::to_string(v.Value.li.QuadPart);
        break;
      default:
        text = "type " + std::to_string(PROP_TYPE(v.ulPropTag));
    }
    if (PROP_ID(v.ulPropTag) != PROP_ID(PR_ACCESS) &&
        PROP_ID(v.ulPropTag) != PROP_ID(PR_ACCESS_LEVEL)) {
      out[v.ulPropTag] = text;
    }
  }
  return out;
}

// The rows of a table (all columns).
std::vector<std::map<ULONG, std::string>> Rows(IMAPITable* table) {
  RowSetOwner rows;
  EXPECT_EQ(HrQueryAllRows(table, nullptr, nullptr, nullptr, 0, rows.put()), S_OK);
  std::vector<std::map<ULONG, std::string>> out;
  for (ULONG r = 0; rows && r < rows->cRows; ++r) {
    std::map<ULONG, std::string> row;
    for (ULONG c = 0; c < rows->aRow[r].cValues; ++c) {
      const SPropValue& v = rows->aRow[r].lpProps[c];
      if (PROP_TYPE(v.ulPropTag) == PT_STRING8) row[v.ulPropTag] = v.Value.lpszA;
      if (PROP_TYPE(v.ulPropTag) == PT_LONG) row[v.ulPropTag] = std::to_string(v.Value.l);
    }
    out.push_back(row);
  }
  return out;
}

Ref<IAttach> AttachNamed(IMessage* message, const std::string& name) {
  Ref<IMAPITable> table;
  EXPECT_EQ(message->GetAttachmentTable(0, table.put()), S_OK);
  for (auto& row : Rows(table.get())) {
    if (row[PR_DISPLAY_NAME_A] != name) continue;
    Ref<IAttach> attach;
    EXPECT_EQ(message->OpenAttach(std::stoul(row[PR_ATTACH_NUM]), nullptr, MAPI_BEST_ACCESS,
                                  attach.put()),
              S_OK);
    return attach;
  }
  ADD_FAILURE() << "no attachment " << name;
  return {};
}

void AddByValue(IMessage* message, const char* name, const std::string& data) {
  ULONG num = 0;
  Ref<IAttach> attach;
  ASSERT_EQ(message->CreateAttach(nullptr, 0, &num, attach.put()), S_OK);
  SetProp(attach.get(), Long(PR_ATTACH_METHOD, ATTACH_BY_VALUE));
  SetProp(attach.get(), Str(PR_ATTACH_FILENAME_A, name));
  SetProp(attach.get(), Str(PR_ATTACH_LONG_FILENAME_A, name));
  SetProp(attach.get(), Str(PR_DISPLAY_NAME_A, name));
  WriteStream(attach.get(), PR_ATTACH_DATA_BIN, data);
  ASSERT_EQ(attach->SaveChanges(KEEP_OPEN_READWRITE), S_OK);
}

// The identifiers of the two sample names on the object (0 when unknown): the string name
// "ProjectCode" in PS_PUBLIC_STRINGS and the number 0x8501 in the project's own set.
std::pair<ULONG, ULONG> NamedIds(IMAPIProp* object, ULONG flags) {
  MAPINAMEID a{const_cast<GUID*>(&kPublicStrings), MNID_STRING, {}};
  a.Kind.lpwstrName = const_cast<LPWSTR>(L"ProjectCode");
  MAPINAMEID b{const_cast<GUID*>(&kProjectSet), MNID_ID, {}};
  b.Kind.lID = 0x8501;
  LPMAPINAMEID names[] = {&a, &b};
  MapiBuffer<SPropTagArray> tags;
  object->GetIDsFromNames(2, names, flags, tags.put());
  if (!tags) return {0, 0};
  auto id = [](ULONG tag) { return PROP_TYPE(tag) == PT_ERROR ? 0 : PROP_ID(tag); };
  return {id(tags->aulPropTag[0]), id(tags->aulPropTag[1])};
}

class MsgFileWriter : public SmallMailboxTest {
 protected:
  void SetUp() override {
    SmallMailboxTest::SetUp();
    if (HasFatalFailure()) return;
    const char* out = std::getenv("KELMSGS_MSG_OUT_DIR");
    outDir_ = out && *out ? out : dir_;
    CreateDirectoryA(outDir_.c_str(), nullptr);
  }

  // The source in the store: subject, bodies, named properties, recipients.
  Ref<IMessage> SourceMessage() {
    Ref<IMessage> m;
    EXPECT_EQ(inbox_->CreateMessage(nullptr, 0, m.put()), S_OK);
    SetProp(m.get(), Str(PR_MESSAGE_CLASS_A, "IPM.Note"));
    SetWide(m.get(), PR_SUBJECT_W, kSubject);
    SetWide(m.get(), PR_BODY_W, kBody);
    SetWide(m.get(), PR_DISPLAY_TO_W, L"Alice Example");
    SetWide(m.get(), PR_DISPLAY_CC_W, L"Bob Example");
    SetProp(m.get(), Long(PR_RTF_SYNC_BODY_CRC, 1234));  // excluded from the copy
    Ref<IStream> compressed, rtf;
    EXPECT_EQ(m->OpenProperty(PR_RTF_COMPRESSED, &IID_IStream, 0, MAPI_CREATE | MAPI_MODIFY,
                              reinterpret_cast<LPUNKNOWN*>(compressed.put())),
              S_OK);
    EXPECT_EQ(WrapCompressedRTFStream(compressed.get(), MAPI_MODIFY, rtf.put()), S_OK);
    ULONG written = 0;
    EXPECT_EQ(rtf->Write(kRtf, sizeof kRtf - 1, &written), S_OK);
    EXPECT_EQ(rtf->Commit(0), S_OK);
    rtf.reset();
    compressed.reset();
    const auto [code, revision] = NamedIds(m.get(), MAPI_CREATE);
    SetWide(m.get(), PROP_TAG(PT_UNICODE, code), L"KM-42");
    SetProp(m.get(), Long(PROP_TAG(PT_LONG, revision), 7));
    // 8-bit recipients beside the Unicode subject and body: both string types travel.
    SPropValue values[2][4] = {
        {Str(PR_DISPLAY_NAME_A, "Alice Example"), Str(PR_EMAIL_ADDRESS_A, "alice@example.com"),
         Str(PR_ADDRTYPE_A, "SMTP"), Long(PR_RECIPIENT_TYPE, MAPI_TO)},
        {Str(PR_DISPLAY_NAME_A, "Bob Example"), Str(PR_EMAIL_ADDRESS_A, "bob@example.com"),
         Str(PR_ADDRTYPE_A, "SMTP"), Long(PR_RECIPIENT_TYPE, MAPI_CC)}};
    SizedADRLIST(2, list) = {2, {{0, 4, values[0]}, {0, 4, values[1]}}};
    EXPECT_EQ(m->ModifyRecipients(0, reinterpret_cast<LPADRLIST>(&list)), S_OK);
    EXPECT_EQ(m->SaveChanges(KEEP_OPEN_READWRITE), S_OK);
    return m;
  }

  // The attachments, made on the file's message directly.
  static void AddAttachments(IMessage* target) {
    AddByValue(target, kNotesName, NotesData());
    ULONG num = 0;
    Ref<IAttach> ole;
    ASSERT_EQ(target->CreateAttach(nullptr, 0, &num, ole.put()), S_OK);
    SetProp(ole.get(), Long(PR_ATTACH_METHOD, ATTACH_OLE));
    SetProp(ole.get(), Str(PR_DISPLAY_NAME_A, kOleName));
    SetProp(ole.get(), Str(PR_ATTACH_LONG_FILENAME_A, kOleName));
    WriteStream(ole.get(), PR_ATTACH_DATA_OBJ, kOleData, IID_IStreamDocfile);
    ASSERT_EQ(ole->SaveChanges(KEEP_OPEN_READWRITE), S_OK);
    Ref<IAttach> attach;
    ASSERT_EQ(target->CreateAttach(nullptr, 0, &num, attach.put()), S_OK);
    SetProp(attach.get(), Long(PR_ATTACH_METHOD, ATTACH_EMBEDDED_MSG));
    SetProp(attach.get(), Str(PR_DISPLAY_NAME_A, kInnerSubject));
    Ref<IMessage> inner;
    ASSERT_EQ(attach->OpenProperty(PR_ATTACH_DATA_OBJ, &IID_IMessage, 0, MAPI_CREATE | MAPI_MODIFY,
                                   reinterpret_cast<LPUNKNOWN*>(inner.put())),
              S_OK);
    SetProp(inner.get(), Str(PR_MESSAGE_CLASS_A, "IPM.Note"));
    SetProp(inner.get(), Str(PR_SUBJECT_A, kInnerSubject));
    SetProp(inner.get(), Str(PR_BODY_A, kInnerBody));
    AddByValue(inner.get(), kInnerAttachName, kInnerAttachData);
    ASSERT_EQ(inner->SaveChanges(KEEP_OPEN_READWRITE), S_OK);
    ASSERT_EQ(attach->SaveChanges(KEEP_OPEN_READWRITE), S_OK);
  }

  std::string outDir_;
};

TEST_F(MsgFileWriter, WritesTheSampleFileAndReadsEveryPartBack) {
  const std::string path = outDir_ + "\\sample.msg";
  Ref<IMessage> source = SourceMessage();
  ASSERT_TRUE(source);
  std::map<ULONG, std::string> written;
  {
    // 1. The file, the session and the message on it, as a client saves a message.
    Ref<IStorage> storage;
    ASSERT_EQ(StgCreateDocfile(Wide(path).c_str(), 0x11002, 0, storage.put()), S_OK);
    MsgSession session;
    Ref<IMessage> target;
    ASSERT_EQ(OpenOnStorage(session.s, storage.get(), target.put()), S_OK);
    ASSERT_EQ(WriteClassStg(storage.get(), kMailMessage), S_OK);
    // 2. The store message's properties and recipients; attachments made one by one.
    SizedSPropTagArray(7, excluded) = {
        7,
        {PR_ACCESS, PR_RTF_SYNC_BODY_COUNT, PR_RTF_SYNC_BODY_CRC, PR_RTF_SYNC_BODY_TAG_A,
         PR_RTF_SYNC_PREFIX_COUNT, PR_RTF_SYNC_TRAILING_COUNT, PR_MESSAGE_ATTACHMENTS}};
    ASSERT_EQ(source->CopyTo(0, nullptr, reinterpret_cast<LPSPropTagArray>(&excluded), 0, nullptr,
                             &IID_IMessage, target.get(), 0, nullptr),
              S_OK);
    AddAttachments(target.get());
    ASSERT_EQ(target->SaveChanges(KEEP_OPEN_READWRITE), S_OK);
    ASSERT_EQ(storage->Commit(0), S_OK);
    written = AllProps(target.get());
  }
  // 3. Reopened read-only: every property, the names, recipients and attachments.
  Ref<IStorage> storage;
  ASSERT_EQ(StgOpenStorage(Wide(path).c_str(), nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, nullptr,
                           0, storage.put()),
            S_OK);
  CLSID clsid{};
  ASSERT_EQ(ReadClassStg(storage.get(), &clsid), S_OK);
  EXPECT_TRUE(IsEqualCLSID(clsid, kMailMessage));
  MsgSession session;
  Ref<IMessage> m;
  ASSERT_EQ(OpenOnStorage(session.s, storage.get(), m.put()), S_OK);
  EXPECT_EQ(AllProps(m.get()), written);
  EXPECT_EQ(WideProp(m.get(), PR_SUBJECT_W), kSubject);
  EXPECT_EQ(WideProp(m.get(), PR_BODY_W), kBody);
  EXPECT_EQ(written.count(PR_RTF_SYNC_BODY_CRC), 0u);
  Ref<IStream> compressed, rtf;
  ASSERT_EQ(m->OpenProperty(PR_RTF_COMPRESSED, &IID_IStream, 0, 0,
                            reinterpret_cast<LPUNKNOWN*>(compressed.put())),
            S_OK);
  ASSERT_EQ(WrapCompressedRTFStream(compressed.get(), 0, rtf.put()), S_OK);
  char text[256] = {};
  ULONG got = 0;
  ASSERT_EQ(rtf->Read(text, sizeof text - 1, &got), S_OK);
  EXPECT_EQ(std::string(text, got), kRtf);
  const auto [code, revision] = NamedIds(m.get(), 0);
  ASSERT_NE(code, 0u);
  ASSERT_NE(revision, 0u);
  EXPECT_EQ(WideProp(m.get(), PROP_TAG(PT_UNICODE, code)), L"KM-42");
  MapiBuffer<SPropValue> rev;
  ASSERT_EQ(HrGetOneProp(m.get(), PROP_TAG(PT_LONG, revision), rev.put()), S_OK);
  EXPECT_EQ(rev->Value.l, 7);
  Ref<IMAPITable> recipients;
  ASSERT_EQ(m->GetRecipientTable(0, recipients.put()), S_OK);
  const auto rows = Rows(recipients.get());
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].at(PR_DISPLAY_NAME_A), "Alice Example");
  EXPECT_EQ(rows[0].at(PR_EMAIL_ADDRESS_A), "alice@example.com");
  EXPECT_EQ(rows[0].at(PR_RECIPIENT_TYPE), std::to_string(MAPI_TO));
  EXPECT_EQ(rows[1].at(PR_DISPLAY_NAME_A), "Bob Example");
  EXPECT_EQ(rows[1].at(PR_RECIPIENT_TYPE), std::to_string(MAPI_CC));
  Ref<IMAPITable> attachments;
  ASSERT_EQ(m->GetAttachmentTable(0, attachments.put()), S_OK);
  EXPECT_EQ(Rows(attachments.get()).size(), 3u);
  Ref<IAttach> notes = AttachNamed(m.get(), kNotesName);
  ASSERT_TRUE(notes);
  EXPECT_EQ(ReadStream(notes.get(), PR_ATTACH_DATA_BIN), NotesData());
  Ref<IAttach> ole = AttachNamed(m.get(), kOleName);
  ASSERT_TRUE(ole);
  EXPECT_EQ(LongProp(ole.get(), PR_ATTACH_METHOD), ATTACH_OLE);
  EXPECT_EQ(ReadStream(ole.get(), PR_ATTACH_DATA_OBJ, IID_IStreamDocfile), kOleData);
  Ref<IAttach> embedded = AttachNamed(m.get(), kInnerSubject);
  ASSERT_TRUE(embedded);
  Ref<IMessage> inner;
  ASSERT_EQ(embedded->OpenProperty(PR_ATTACH_DATA_OBJ, &IID_IMessage, 0, 0,
                                   reinterpret_cast<LPUNKNOWN*>(inner.put())),
            S_OK);
  EXPECT_EQ(StringProp(inner.get(), PR_SUBJECT_A), kInnerSubject);
  EXPECT_EQ(StringProp(inner.get(), PR_BODY_A), kInnerBody);
  Ref<IAttach> innerAttach = AttachNamed(inner.get(), kInnerAttachName);
  ASSERT_TRUE(innerAttach);
  EXPECT_EQ(ReadStream(innerAttach.get(), PR_ATTACH_DATA_BIN), kInnerAttachData);
  // 4. Read-only: nothing can be changed or saved.
  EXPECT_EQ(m->SaveChanges(KEEP_OPEN_READWRITE), MAPI_E_NO_ACCESS);
  SPropValue v = Str(PR_SUBJECT_A, "changed");
  EXPECT_EQ(m->SetProps(1, &v, nullptr), MAPI_E_NO_ACCESS);
}

class MsgOnStorage : public StandinTest {
 protected:
  void SetUp() override {
    StandinTest::SetUp();
    ASSERT_EQ(MAPIInitialize(nullptr), S_OK);
    initialized_ = true;
  }
  // A new compound file in the test's directory.
  Ref<IStorage> NewFile(const char* name, DWORD mode = 0x11002) {
    Ref<IStorage> storage;
    EXPECT_EQ(StgCreateDocfile(Wide(dir_ + "\\" + name).c_str(), mode, 0, storage.put()), S_OK);
    return storage;
  }
  // The subject of the message in that file, opened read-only.
  std::string SubjectIn(const char* name) {
    Ref<IStorage> storage;
    EXPECT_EQ(StgOpenStorage(Wide(dir_ + "\\" + name).c_str(), nullptr,
                             STGM_READ | STGM_SHARE_EXCLUSIVE, nullptr, 0, storage.put()),
              S_OK);
    MsgSession session;
    Ref<IMessage> m;
    EXPECT_EQ(OpenOnStorage(session.s, storage.get(), m.put()), S_OK);
    return m ? StringProp(m.get(), PR_SUBJECT_A) : "<no message>";
  }
};

TEST_F(MsgOnStorage, RefusesBadArgumentsAndDamagedFiles) {
  Ref<IStorage> storage = NewFile("args.msg");
  MsgSession session;
  Ref<IMessage> m;
  EXPECT_EQ(OpenOnStorage(session.s, nullptr, m.put()), MAPI_E_INVALID_PARAMETER);
  EXPECT_EQ(OpenOnStorage(session.s, storage.get(), nullptr), MAPI_E_INVALID_PARAMETER);
  EXPECT_EQ(OpenIMsgOnIStg(session.s, nullptr, MAPIAllocateMore, MAPIFreeBuffer,
                           MAPIGetDefaultMalloc(), nullptr, storage.get(), nullptr, 0, 0, m.put()),
            MAPI_E_INVALID_PARAMETER);
  EXPECT_EQ(OpenOnStorage(session.s, storage.get(), m.put(), 0x100), MAPI_E_UNKNOWN_FLAGS);
  LPMSGSESS none = nullptr;
  EXPECT_EQ(OpenIMsgSession(nullptr, 0, &none), MAPI_E_INVALID_PARAMETER);
  STANDIN(SetFault)("OpenIMsgOnIStg", MAPI_E_NOT_ENOUGH_MEMORY, nullptr, 0);
  EXPECT_EQ(OpenOnStorage(session.s, storage.get(), m.put()), MAPI_E_NOT_ENOUGH_MEMORY);
  STANDIN(ClearFaults)();
  EXPECT_EQ(OpenOnStorage(session.s, storage.get(), m.put()), S_OK);
  // A property stream too short for its header is damaged data.
  Ref<IStorage> damaged = NewFile("damaged.msg");
  Ref<IStream> stream;
  ASSERT_EQ(damaged->CreateStream(L"__properties_version1.0",
                                  STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0, 0,
                                  stream.put()),
            S_OK);
  ULONG written = 0;
  ASSERT_EQ(stream->Write("short", 5, &written), S_OK);
  stream.reset();
  EXPECT_EQ(OpenOnStorage(session.s, damaged.get(), m.put()), MAPI_E_CORRUPT_DATA);
}

int g_released = 0;
void WINAPI CountRelease(ULONG callerData, LPMESSAGE message) {
  if (message && callerData == 42) ++g_released;
}

TEST_F(MsgOnStorage, SaveCommitsUnlessAskedNotToAndEndsWithTheSession) {
  // 1. IMSG_NO_ISTG_COMMIT: a transacted file that nobody commits keeps nothing.
  {
    Ref<IStorage> storage = NewFile("uncommitted.msg");
    MsgSession session;
    Ref<IMessage> m;
    ASSERT_EQ(OpenOnStorage(session.s, storage.get(), m.put(), IMSG_NO_ISTG_COMMIT), S_OK);
    SetProp(m.get(), Str(PR_SUBJECT_A, "lost"));
    ASSERT_EQ(m->SaveChanges(0), S_OK);
  }
  EXPECT_EQ(SubjectIn("uncommitted.msg"), "<missing>");
  // 2. Without the flag SaveChanges commits the file itself; the release callback runs
  //    once, when the message goes.
  g_released = 0;
  {
    Ref<IStorage> storage = NewFile("committed.msg");
    MsgSession session;
    Ref<IMessage> m;
    ASSERT_EQ(OpenOnStorage(session.s, storage.get(), m.put(), 0, CountRelease, 42), S_OK);
    SetProp(m.get(), Str(PR_SUBJECT_A, "kept"));
    ASSERT_EQ(m->SaveChanges(KEEP_OPEN_READWRITE), S_OK);
    EXPECT_EQ(g_released, 0);
  }
  EXPECT_EQ(g_released, 1);
  EXPECT_EQ(SubjectIn("committed.msg"), "kept");
  // 3. A closed session leaves its messages unable to save.
  Ref<IStorage> storage = NewFile("closed.msg");
  MsgSession session;
  Ref<IMessage> m;
  ASSERT_EQ(OpenOnStorage(session.s, storage.get(), m.put()), S_OK);
  CloseIMsgSession(session.s);
  session.s = nullptr;
  EXPECT_EQ(m->SaveChanges(0), MAPI_E_INVALID_OBJECT);
}

}  // namespace
}  // namespace standin_test
