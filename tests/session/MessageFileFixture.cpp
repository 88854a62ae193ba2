#include "session/MessageFileFixture.h"

#include <cstdio>

#include "foundation/PropTags.h"
#include "support/BstrText.h"

using kelmsgs::ComPtr;

namespace {

const GUID kPublicStrings = {0x00020329, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

void Set(IMAPIProp* object, const SPropValue& value) {
  SPropValue copy = value;
  ASSERT_EQ(object->SetProps(1, &copy, nullptr), S_OK) << std::hex << value.ulPropTag;
}

void WriteData(IMAPIProp* object, ULONG tag, const std::string& data, const IID& iid) {
  ComPtr<IStream> stream;
  ASSERT_EQ(object->OpenProperty(tag, &iid, 0, MAPI_CREATE | MAPI_MODIFY,
                                 reinterpret_cast<LPUNKNOWN*>(stream.put())),
            S_OK);
  for (std::size_t at = 0; at < data.size(); at += 1 << 20) {
    const ULONG n = static_cast<ULONG>(std::min<std::size_t>(1 << 20, data.size() - at));
    ULONG written = 0;
    ASSERT_EQ(stream->Write(data.data() + at, n, &written), S_OK);
  }
  ASSERT_EQ(stream->Commit(0), S_OK);
}

std::string Hex(ULONG value) {
  char text[16];
  std::snprintf(text, sizeof text, "%08lX", value);
  return text;
}

std::string ValueText(const SPropValue& v) {
  switch (PROP_TYPE(v.ulPropTag)) {
    case PT_STRING8:
      return v.Value.lpszA;
    case PT_UNICODE:
      return std::string(reinterpret_cast<const char*>(v.Value.lpszW), wcslen(v.Value.lpszW) * 2);
    case PT_BINARY:
      return std::string(reinterpret_cast<const char*>(v.Value.bin.lpb), v.Value.bin.cb);
    case PT_BOOLEAN:
      return v.Value.b ? "true" : "false";
    case PT_LONG:
    case PT_ERROR:
      return std::to_string(v.Value.l);
    case PT_I8:
    case PT_SYSTIME:
      return std::to_string(v.Value.li.QuadPart);
    default:
      return "type " + std::to_string(PROP_TYPE(v.ulPropTag));
  }
}

// The key of a property: its tag, or for a named property its name and type.
std::string KeyOf(IMAPIProp* object, ULONG tag) {
  if (PROP_ID(tag) < 0x8000) return Hex(tag);
  SizedSPropTagArray(1, one) = {1, {tag}};
  LPSPropTagArray tags = reinterpret_cast<LPSPropTagArray>(&one);
  kelmsgs::MapiBuffer<LPMAPINAMEID> names;
  ULONG count = 0;
  if (FAILED(object->GetNamesFromIDs(&tags, nullptr, 0, &count, names.put())) || count != 1 ||
      !names.get()[0])
    return "unnamed " + Hex(tag);
  const MAPINAMEID& name = *names.get()[0];
  std::string key = "named " + Hex(name.lpguid->Data1) + ":";
  if (name.ulKind == MNID_ID)
    return key + std::to_string(name.Kind.lID) + "/" + Hex(PROP_TYPE(tag));
  for (const wchar_t* c = name.Kind.lpwstrName; *c; ++c) key.push_back(static_cast<char>(*c));
  return key + "/" + Hex(PROP_TYPE(tag));
}

// Properties that name the object where it lives or that each save sets, not what it holds.
bool IsIdentity(ULONG tag) {
  switch (PROP_ID(tag)) {
    case PROP_ID(PR_ENTRYID):
    case PROP_ID(PR_RECORD_KEY):
    case PROP_ID(PR_PARENT_ENTRYID):
    case PROP_ID(PR_STORE_ENTRYID):
    case PROP_ID(PR_STORE_RECORD_KEY):
    case PROP_ID(PR_INSTANCE_KEY):
    case PROP_ID(PR_ACCESS):
    case PROP_ID(PR_ACCESS_LEVEL):
    case PROP_ID(PR_MESSAGE_SIZE):
    case PROP_ID(PR_ATTACH_NUM):
    case PROP_ID(PR_ATTACH_SIZE):
    case PROP_ID(PR_ROWID):
    case PROP_ID(PR_ATTACH_DATA_BIN):
    case PROP_ID(PR_LAST_MODIFICATION_TIME):
      return true;
    default:
      return false;
  }
}

void DescribeProps(IMAPIProp* object, const std::string& prefix,
                   std::map<std::string, std::string>& out) {
  kelmsgs::MapiBuffer<SPropValue> values;
  ULONG count = 0;
  ASSERT_TRUE(SUCCEEDED(object->GetProps(nullptr, 0, &count, values.put())));
  for (ULONG i = 0; i < count; ++i) {
    const SPropValue& v = values.get()[i];
    if (!IsIdentity(v.ulPropTag)) out[prefix + KeyOf(object, v.ulPropTag)] = ValueText(v);
  }
}

void DescribeInto(IMessage* message, const std::string& prefix,
                  std::map<std::string, std::string>& out) {
  // 1. The message's own properties.
  DescribeProps(message, prefix, out);
  // 2. Its recipients, in table order.
  ComPtr<IMAPITable> recipients;
  ASSERT_EQ(message->GetRecipientTable(0, recipients.put()), S_OK);
  kelmsgs::RowSet rows;
  ASSERT_EQ(HrQueryAllRows(recipients.get(), nullptr, nullptr, nullptr, 0, rows.put()), S_OK);
  for (ULONG r = 0; r < rows.get()->cRows; ++r) {
    for (ULONG c = 0; c < rows.get()->aRow[r].cValues; ++c) {
      const SPropValue& v = rows.get()->aRow[r].lpProps[c];
      if (!IsIdentity(v.ulPropTag))
        out[prefix + "recipient " + std::to_string(r) + " " + Hex(v.ulPropTag)] = ValueText(v);
    }
  }
  // 3. Its attachments by name: properties, data, embedded message.
  for (const auto& [name, num] : AttachmentNumbers(message)) {
    ComPtr<IAttach> attach;
    ASSERT_EQ(message->OpenAttach(num, nullptr, 0, attach.put()), S_OK);
    const std::string at = prefix + "attachment " + name + " ";
    DescribeProps(attach.get(), at, out);
    out[at + "data"] = ReadData(attach.get(), PR_ATTACH_DATA_BIN);
    ComPtr<IMessage> inner;
    if (SUCCEEDED(attach->OpenProperty(PR_ATTACH_DATA_OBJ, &IID_IMessage, 0, 0,
                                       reinterpret_cast<LPUNKNOWN*>(inner.put()))))
      DescribeInto(inner.get(), at + "embedded ", out);
  }
}

}  // namespace

SourceMessage& SourceMessage::String(ULONG tag, const std::string& text) {
  SPropValue v{};
  v.ulPropTag = tag;
  v.Value.lpszA = const_cast<LPSTR>(text.c_str());
  Set(message_.get(), v);
  return *this;
}

SourceMessage& SourceMessage::Wide(ULONG tag, const std::wstring& text) {
  SPropValue v{};
  v.ulPropTag = tag;
  v.Value.lpszW = const_cast<LPWSTR>(text.c_str());
  Set(message_.get(), v);
  return *this;
}

SourceMessage& SourceMessage::Long(ULONG tag, LONG value) {
  SPropValue v{};
  v.ulPropTag = tag;
  v.Value.l = value;
  Set(message_.get(), v);
  return *this;
}

SourceMessage& SourceMessage::Rtf(const std::string& rtf) {
  ComPtr<IStream> compressed, text;
  EXPECT_EQ(message_->OpenProperty(PR_RTF_COMPRESSED, &IID_IStream, 0, MAPI_CREATE | MAPI_MODIFY,
                                   reinterpret_cast<LPUNKNOWN*>(compressed.put())),
            S_OK);
  EXPECT_EQ(WrapCompressedRTFStream(compressed.get(), MAPI_MODIFY, text.put()), S_OK);
  ULONG written = 0;
  EXPECT_EQ(text->Write(rtf.data(), static_cast<ULONG>(rtf.size()), &written), S_OK);
  EXPECT_EQ(text->Commit(0), S_OK);
  return *this;
}

SourceMessage& SourceMessage::Named(const std::wstring& name, const std::wstring& value) {
  MAPINAMEID id{};
  id.lpguid = const_cast<GUID*>(&kPublicStrings);
  id.ulKind = MNID_STRING;
  id.Kind.lpwstrName = const_cast<LPWSTR>(name.c_str());
  LPMAPINAMEID names[] = {&id};
  kelmsgs::MapiBuffer<SPropTagArray> tags;
  EXPECT_EQ(message_->GetIDsFromNames(1, names, MAPI_CREATE, tags.put()), S_OK);
  if (tags) Wide(PROP_TAG(PT_UNICODE, PROP_ID(tags.get()->aulPropTag[0])), value);
  return *this;
}

SourceMessage& SourceMessage::Recipients(const std::vector<Recipient>& recipients) {
  kelmsgs::MapiBuffer<ADRLIST> list;
  const ULONG count = static_cast<ULONG>(recipients.size());
  EXPECT_EQ(MAPIAllocateBuffer(CbNewADRLIST(count), reinterpret_cast<LPVOID*>(list.put())), S_OK);
  std::vector<std::vector<SPropValue>> values(count, std::vector<SPropValue>(4));
  list.get()->cEntries = count;
  for (ULONG i = 0; i < count; ++i) {
    values[i][0].ulPropTag = PR_DISPLAY_NAME_A;
    values[i][0].Value.lpszA = const_cast<LPSTR>(recipients[i].name);
    values[i][1].ulPropTag = PR_EMAIL_ADDRESS_A;
    values[i][1].Value.lpszA = const_cast<LPSTR>(recipients[i].address);
    values[i][2].ulPropTag = PR_ADDRTYPE_A;
    values[i][2].Value.lpszA = const_cast<LPSTR>("SMTP");
    values[i][3].ulPropTag = PR_RECIPIENT_TYPE;
    values[i][3].Value.l = recipients[i].type;
    list.get()->aEntries[i].cValues = 4;
    list.get()->aEntries[i].rgPropVals = values[i].data();
  }
  EXPECT_EQ(message_->ModifyRecipients(0, list.get()), S_OK);
  return *this;
}

SourceMessage& SourceMessage::Attach(LONG method, const std::string& name,
                                     const std::string& data) {
  ComPtr<IAttach> attach;
  ULONG num = 0;
  EXPECT_EQ(message_->CreateAttach(nullptr, 0, &num, attach.put()), S_OK);
  if (!attach) return *this;
  SPropValue v{};
  if (method) {
    v.ulPropTag = PR_ATTACH_METHOD;
    v.Value.l = method;
    Set(attach.get(), v);
  }
  const std::string path = "C:\\outbox\\" + name;
  for (ULONG tag : {PR_ATTACH_FILENAME_A, PR_ATTACH_LONG_FILENAME_A, PR_DISPLAY_NAME_A,
                    PR_ATTACH_LONG_PATHNAME_A}) {
    v.ulPropTag = tag;
    v.Value.lpszA =
        const_cast<LPSTR>(tag == PR_ATTACH_LONG_PATHNAME_A ? path.c_str() : name.c_str());
    Set(attach.get(), v);
  }
  if (method == ATTACH_OLE)
    WriteData(attach.get(), PR_ATTACH_DATA_OBJ, data, IID_IStreamDocfile);
  else
    WriteData(attach.get(), PR_ATTACH_DATA_BIN, data, IID_IStream);
  EXPECT_EQ(attach->SaveChanges(KEEP_OPEN_READWRITE), S_OK);
  return *this;
}

SourceMessage SourceMessage::Embedded(const std::string& name) {
  ComPtr<IAttach> attach;
  ULONG num = 0;
  EXPECT_EQ(message_->CreateAttach(nullptr, 0, &num, attach.put()), S_OK);
  SPropValue v{};
  v.ulPropTag = PR_ATTACH_METHOD;
  v.Value.l = ATTACH_EMBEDDED_MSG;
  Set(attach.get(), v);
  v.ulPropTag = PR_DISPLAY_NAME_A;
  v.Value.lpszA = const_cast<LPSTR>(name.c_str());
  Set(attach.get(), v);
  ComPtr<IMessage> inner;
  EXPECT_EQ(attach->OpenProperty(PR_ATTACH_DATA_OBJ, &IID_IMessage, 0, MAPI_CREATE | MAPI_MODIFY,
                                 reinterpret_cast<LPUNKNOWN*>(inner.put())),
            S_OK);
  SourceMessage embedded(inner);
  embedded.holder_ = attach;
  embedded.String(PR_MESSAGE_CLASS_A, "IPM.Note").String(PR_SUBJECT_A, name);
  return embedded;
}

void SourceMessage::Save() {
  EXPECT_EQ(message_->SaveChanges(KEEP_OPEN_READWRITE), S_OK);
  if (holder_) {
    EXPECT_EQ(holder_->SaveChanges(KEEP_OPEN_READWRITE), S_OK);
  }
}

void MessageFileTest::SetUp() {
  MailboxTest::SetUp();
  standin::ClearCalls();
}

void MessageFileTest::TearDown() {
  session_->SetStopPollObserver(nullptr);
  session_->SetStopRequest(false);
  MailboxTest::TearDown();
}

SourceMessage MessageFileTest::NewMessage(const std::string& subject) {
  ComPtr<IUnknown> unknown;
  EXPECT_EQ(alpha_->get_MAPIObject(unknown.put()), S_OK);
  ComPtr<IMAPIFolder> folder;
  EXPECT_EQ(unknown->QueryInterface(IID_IMAPIFolder, folder.put_void()), S_OK);
  ComPtr<IMessage> message;
  EXPECT_EQ(folder->CreateMessage(nullptr, 0, message.put()), S_OK);
  SourceMessage source(message);
  source.String(PR_MESSAGE_CLASS_A, "IPM.Note").String(PR_SUBJECT_A, subject);
  return source;
}

SourceMessage MessageFileTest::FullMessage() {
  SourceMessage m = NewMessage("Full message");
  m.Wide(PR_SUBJECT_W, L"Bericht \u00FCber \u00C6rger")
      .String(PR_BODY_A, "Plain body\r\n")
      .Rtf("{\\rtf1\\ansi Rich {\\b body}\\par}")
      .Long(PR_RTF_SYNC_BODY_CRC, 77)
      .Named(L"ProjectCode", L"KM-42")
      .Recipients({{"Alice Example", "alice@example.com", MAPI_TO},
                   {"Bob Example", "bob@example.com", MAPI_CC}})
      .Attach(ATTACH_BY_VALUE, "notes.txt", std::string("notes\0bytes\xFF", 12))
      .Attach(ATTACH_OLE, "drawing.bin", "OLE object payload");
  SourceMessage inner = m.Embedded("Inner message");
  inner.String(PR_BODY_A, "Inner body\r\n").Attach(ATTACH_BY_VALUE, "inner.txt", "inner data");
  inner.Save();
  m.Save();
  return m;
}

bool MessageFileTest::Exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

HRESULT MessageFileTest::Reopen(const std::string& path, OpenedFile& file) {
  const std::wstring wide(path.begin(), path.end());
  HRESULT hr = StgOpenStorage(wide.c_str(), nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, nullptr, 0,
                              file.storage.put());
  if (FAILED(hr)) return hr;
  hr = ReadClassStg(file.storage.get(), &file.clsid);
  if (FAILED(hr)) return hr;
  hr = OpenIMsgSession(MAPIGetDefaultMalloc(), 0, file.session.put());
  if (FAILED(hr)) return hr;
  return OpenIMsgOnIStg(file.session.get(), MAPIAllocateBuffer, MAPIAllocateMore, MAPIFreeBuffer,
                        MAPIGetDefaultMalloc(), nullptr, file.storage.get(), nullptr, 0, 0,
                        file.message.put());
}

void MessageFileTest::StartLog() {
  ASSERT_EQ(session_->put_LogFile(B(log_.wpath()).get()), S_OK);
  ASSERT_EQ(session_->put_LoggingEnabled(VARIANT_TRUE), S_OK);
}

std::map<std::string, std::string> MessageFileTest::Describe(IMessage* message) {
  std::map<std::string, std::string> out;
  DescribeInto(message, "", out);
  return out;
}

PostedAction::PostedAction(std::function<void()> action) : action_(std::move(action)) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = Proc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "KelMsgsPostedAction";
  RegisterClassA(&wc);
  hwnd_ = CreateWindowA(wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance,
                        nullptr);
  SetWindowLongPtrA(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

PostedAction::~PostedAction() {
  DestroyWindow(hwnd_);
}

LRESULT CALLBACK PostedAction::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg != WM_APP) return DefWindowProcA(hwnd, msg, wp, lp);
  reinterpret_cast<PostedAction*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA))->action_();
  return 0;
}

std::string TagsText(const std::vector<ULONG>& tags) {
  std::string text = "tags=";
  for (std::size_t i = 0; i < tags.size(); ++i) text += (i ? "," : "") + Hex(tags[i]);
  return text;
}

std::string ReadData(IMAPIProp* object, ULONG tag, const IID& iid) {
  ComPtr<IStream> stream;
  if (FAILED(object->OpenProperty(tag, &iid, 0, 0, reinterpret_cast<LPUNKNOWN*>(stream.put()))))
    return "<none>";
  std::string data;
  std::string chunk(1 << 20, '\0');
  ULONG got = 0;
  while (SUCCEEDED(stream->Read(chunk.data(), static_cast<ULONG>(chunk.size()), &got)) && got)
    data.append(chunk.data(), got);
  return data;
}

std::map<std::string, ULONG> AttachmentNumbers(IMessage* message) {
  std::map<std::string, ULONG> out;
  ComPtr<IMAPITable> table;
  EXPECT_EQ(message->GetAttachmentTable(0, table.put()), S_OK);
  if (!table) return out;
  auto columns = kelmsgs::MakeTags(PR_ATTACH_NUM, PR_DISPLAY_NAME_A);
  EXPECT_EQ(table->SetColumns(columns.get(), 0), S_OK);
  kelmsgs::RowSet rows;
  EXPECT_EQ(HrQueryAllRows(table.get(), nullptr, nullptr, nullptr, 0, rows.put()), S_OK);
  for (ULONG r = 0; rows && r < rows.get()->cRows; ++r) {
    const SPropValue* v = rows.get()->aRow[r].lpProps;
    const std::string name = PROP_TYPE(v[1].ulPropTag) == PT_STRING8 ? v[1].Value.lpszA : "?";
    out[name] = v[0].Value.ul;
  }
  return out;
}
