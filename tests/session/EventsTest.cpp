// Message events end to end: changes made in an advised store of the stand-in reach a
// client's sink as MessageEvent, or, with TrackEvents on, the registry event queue; the
// identifier map of a server store; the typed events of Notify and MessageDeleted.
#include <gtest/gtest.h>
#include <mapiutil.h>

#include <cstring>
#include <map>
#include <string>

#include "EventSink.h"
#include "KelMsgs.h"
#include "foundation/ComPtr.h"
#include "foundation/HexId.h"
#include "foundation/MapiOwned.h"
#include "foundation/Owned.h"
#include "foundation/PropTags.h"
#include "frame/ObjectFactory.h"
#include "session/QMXSession.h"
#include "support/BstrText.h"
#include "support/MapiFixture.h"
#include "support/ProfileAdmin.h"
#include "support/TestRegistry.h"

using kelmsgs::Bstr;
using kelmsgs::ComPtr;
using kelmsgs::CQMXSession;
using kelmsgs::MapiBuffer;
using kelmsgs::RegKey;

namespace {

// A server mailbox (long identifiers) with a contact, a mail and a project folder.
const char* const kServerProfile = R"({"profiles": [
  {"name": "EventsWork", "default": true, "services": [
    {"service": "MSEMS", "displayName": "Exchange", "stores": [
      {"displayName": "Mailbox", "file": "mailbox.kms", "default": true, "flavour": "long",
       "folders": [
         {"name": "Inbox", "messages": [{"class": "IPM.Note", "subject": "Hello"}]},
         {"name": "Contacts", "messages": [{"class": "IPM.Contact", "subject": "Ann"}]},
         {"name": "Projects", "class": "IPF.Note"}]}]}]}]})";

// The same with a personal-folders store (short identifiers).
const char* const kPersonalProfile = R"({"profiles": [
  {"name": "EventsWork", "default": true, "services": [
    {"service": "MSPST MS", "displayName": "Personal Folders", "stores": [
      {"displayName": "Mailbox", "file": "mailbox.kms", "default": true, "flavour": "short",
       "folders": [{"name": "Contacts", "class": "IPF.Contact"}]}]}]}]})";

const char* const kVendor = "Software\\Vexa\\Quillora";
const std::string kQueue = std::string(kVendor) + "\\EventsWork\\AutoUpdate";

struct RegValue {
  DWORD type = 0;
  std::string text;
  DWORD number = 0;
};

// Every value of a key below HKEY_CURRENT_USER, by name. Strings lose their terminator:
// the registry adds one to string data written without it when the byte after the data
// is zero (as with std::string), so both forms are alike to a reader.
std::map<std::string, RegValue> Values(const std::string& key) {
  std::map<std::string, RegValue> values;
  RegKey handle;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, handle.put()) != ERROR_SUCCESS)
    return values;
  const auto narrow = [](const wchar_t* text, std::size_t length) {
    return std::string(text, text + length);
  };
  for (DWORD i = 0;; ++i) {
    wchar_t name[1024];
    wchar_t data[1024];
    DWORD nameSize = 1024, dataSize = sizeof data, type = 0;
    if (RegEnumValueW(handle.get(), i, name, &nameSize, nullptr, &type,
                      reinterpret_cast<BYTE*>(data), &dataSize) != ERROR_SUCCESS)
      break;
    RegValue value{type, {}, 0};
    if (type == REG_DWORD)
      std::memcpy(&value.number, data, sizeof value.number);
    else
      value.text = narrow(data, dataSize / sizeof(wchar_t));
    while (!value.text.empty() && value.text.back() == '\0') value.text.pop_back();
    values[narrow(name, nameSize)] = value;
  }
  return values;
}

DWORD EventsCount() {
  const auto values = Values(kQueue);
  const auto it = values.find("Events");
  return it == values.end() ? 0 : it->second.number;
}

// Ties the library's registry base to the test profile for the test, then puts back what
// was there before.
class CurrentProfileValue {
 public:
  CurrentProfileValue() {
    EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kVendor, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              key_.put(), nullptr),
              ERROR_SUCCESS);
    char data[256] = {};
    DWORD size = sizeof data - 1;
    had_ = RegQueryValueExA(key_.get(), "CurrentProfile", nullptr, nullptr,
                            reinterpret_cast<BYTE*>(data), &size) == ERROR_SUCCESS;
    prior_ = data;
    EXPECT_EQ(RegSetValueExA(key_.get(), "CurrentProfile", 0, REG_SZ,
                             reinterpret_cast<const BYTE*>("EventsWork"), 11),
              ERROR_SUCCESS);
    RegDeleteTreeA(HKEY_CURRENT_USER, (std::string(kVendor) + "\\EventsWork").c_str());
  }
  ~CurrentProfileValue() {
    RegDeleteTreeA(HKEY_CURRENT_USER, (std::string(kVendor) + "\\EventsWork").c_str());
    if (had_)
      RegSetValueExA(key_.get(), "CurrentProfile", 0, REG_SZ,
                     reinterpret_cast<const BYTE*>(prior_.c_str()),
                     static_cast<DWORD>(prior_.size() + 1));
    else
      RegDeleteValueA(key_.get(), "CurrentProfile");
  }

 private:
  RegKey key_;
  bool had_ = false;
  std::string prior_;
};

std::string EntryIdHex(IMAPIProp* object) {
  kelmsgs::PropValues id;
  if (FAILED(HrGetOneProp(object, PR_ENTRYID, id.put()))) return {};
  return HexOf(id.get()->Value.bin.lpb, id.get()->Value.bin.cb);
}

class EventsTestBase : public testing::Test {
 protected:
  explicit EventsTestBase(const char* profile) : fixture_(profile) {}

  void SetUp() override {
    ASSERT_TRUE(fixture_.loaded()) << fixture_.error();
    ASSERT_EQ(CQMXSession::Create(session_), S_OK);
    VARIANT_BOOL ok = VARIANT_FALSE;
    ASSERT_EQ(session_->Logon(nullptr, nullptr, &ok), S_OK);
    ASSERT_EQ(ok, VARIANT_TRUE);
    ASSERT_EQ(session_->get_MsgStore(0, mailbox_.put()), S_OK);
    ASSERT_EQ(sink_.Connect(static_cast<IQMXSession*>(session_.get())), S_OK);
    // The test changes the store through MAPI itself, as another program of the
    // process would.
    const ComPtr<IMAPISession> mapi = MapiSessionOf(session_.get());
    ASSERT_TRUE(mapi);
    MapiBuffer<unsigned char> id;
    ULONG size = 0;
    ASSERT_EQ(mailbox_->GetEntryId(id.put(), &size), S_OK);
    storeHex_ = HexOf(id.get(), size);
    ASSERT_EQ(mapi->OpenMsgStore(0, size, reinterpret_cast<LPENTRYID>(id.get()), nullptr,
                                 MAPI_BEST_ACCESS, store_.put()),
              S_OK);
  }
  void TearDown() override {
    if (mailbox_) {
      EXPECT_EQ(mailbox_->Unadvise(), S_OK);
    }
    sink_.Disconnect();
    store_.reset();
    mailbox_.reset();
    if (session_) {
      EXPECT_EQ(session_->Logoff(VARIANT_TRUE), S_OK);
    }
  }

  // Logs off and lets go of the session, which closes its log.
  void CloseSession() {
    sink_.Disconnect();
    mailbox_.reset();
    store_.reset();
    EXPECT_EQ(session_->Logoff(VARIANT_TRUE), S_OK);
    session_.reset();
  }

  // The object of the test's store with that entry identifier.
  template <class T>
  ComPtr<T> Open(const SBinary& id) {
    ComPtr<T> object;
    ULONG type = 0;
    EXPECT_EQ(
        store_->OpenEntry(id.cb, reinterpret_cast<LPENTRYID>(id.lpb), nullptr, MAPI_BEST_ACCESS,
                          &type, reinterpret_cast<LPUNKNOWN*>(object.put())),
        S_OK);
    return object;
  }
  ComPtr<IMAPIFolder> StandardFolder(MAPIFolderTypeConstants type) {
    MapiBuffer<unsigned char> id;
    ULONG size = 0;
    EXPECT_EQ(mailbox_->GetStdFolderId(type, id.put(), &size), S_OK) << type;
    return id ? Open<IMAPIFolder>(SBinary{size, id.get()}) : nullptr;
  }
  ComPtr<IMAPIFolder> Root() {
    kelmsgs::PropValues id;
    EXPECT_EQ(HrGetOneProp(store_.get(), PR_IPM_SUBTREE_ENTRYID, id.put()), S_OK);
    return id ? Open<IMAPIFolder>(id.get()->Value.bin) : nullptr;
  }
  // The rows of a table, entry identifier first.
  static kelmsgs::RowSet Rows(IMAPITable* table, LPSPropTagArray columns) {
    kelmsgs::RowSet rows;
    EXPECT_EQ(HrQueryAllRows(table, columns, nullptr, nullptr, 0, rows.put()), S_OK);
    return rows;
  }
  ComPtr<IMAPIFolder> Subfolder(IMAPIFolder* parent, const char* name) {
    ComPtr<IMAPITable> table;
    EXPECT_EQ(parent->GetHierarchyTable(0, table.put()), S_OK);
    auto columns = kelmsgs::MakeTags(PR_ENTRYID, PR_DISPLAY_NAME_A);
    const kelmsgs::RowSet rows = Rows(table.get(), columns.get());
    for (ULONG i = 0; rows && i < rows.get()->cRows; ++i) {
      const SPropValue* p = rows.get()->aRow[i].lpProps;
      if (std::string(p[1].Value.lpszA) == name) return Open<IMAPIFolder>(p[0].Value.bin);
    }
    return nullptr;
  }
  // The first message of a folder.
  ComPtr<IMessage> FirstMessage(IMAPIFolder* folder) {
    ComPtr<IMAPITable> table;
    EXPECT_EQ(folder->GetContentsTable(0, table.put()), S_OK);
    auto columns = kelmsgs::MakeTags(PR_ENTRYID);
    const kelmsgs::RowSet rows = Rows(table.get(), columns.get());
    if (!rows || rows.get()->cRows == 0) return nullptr;
    return Open<IMessage>(rows.get()->aRow[0].lpProps[0].Value.bin);
  }
  // A saved message of the class in the folder.
  ComPtr<IMessage> NewMessage(IMAPIFolder* folder, const char* messageClass) {
    ComPtr<IMessage> message;
    EXPECT_EQ(folder->CreateMessage(nullptr, 0, message.put()), S_OK);
    SPropValue v{};
    v.ulPropTag = PR_MESSAGE_CLASS_A;
    v.Value.lpszA = const_cast<LPSTR>(messageClass);
    EXPECT_EQ(HrSetOneProp(message.get(), &v), S_OK);
    EXPECT_EQ(message->SaveChanges(KEEP_OPEN_READWRITE), S_OK);
    return message;
  }
  static void Touch(IMessage* message, const char* subject) {
    SPropValue v{};
    v.ulPropTag = PR_SUBJECT_A;
    v.Value.lpszA = const_cast<LPSTR>(subject);
    EXPECT_EQ(HrSetOneProp(message, &v), S_OK);
    EXPECT_EQ(message->SaveChanges(KEEP_OPEN_READWRITE), S_OK);
  }
  // Copies or moves one message between folders.
  static void Transfer(IMessage* message, IMAPIFolder* from, IMAPIFolder* to, ULONG flags) {
    kelmsgs::PropValues id;
    ASSERT_EQ(HrGetOneProp(message, PR_ENTRYID, id.put()), S_OK);
    ENTRYLIST list{1, &id.get()->Value.bin};
    ASSERT_EQ(from->CopyMessages(&list, nullptr, to, 0, nullptr, flags), S_OK);
  }
  bool WaitForEvents(ULONG eventType, std::size_t count) {
    return PumpUntil([&] { return sink_.MessageEvents(eventType).size() >= count; });
  }

  CurrentProfileValue profileValue_;
  MapiFixture fixture_;
  ComPtr<CQMXSession> session_;
  ComPtr<IQMXMessageStore> mailbox_;
  ComPtr<IMsgStore> store_;
  std::string storeHex_;
  EventSink sink_;
};

class EventsTest : public EventsTestBase {
 protected:
  EventsTest() : EventsTestBase(kServerProfile) {}
};

class PersonalStoreEventsTest : public EventsTestBase {
 protected:
  PersonalStoreEventsTest() : EventsTestBase(kPersonalProfile) {}
};

TEST_F(EventsTest, ChangesInTheAdvisedStoreRaiseMessageEvent) {
  ASSERT_EQ(mailbox_->Advise(session_.get()), S_OK);
  auto contacts = StandardFolder(mfldTypeContacts);
  auto projects = Subfolder(Root().get(), "Projects");
  auto inbox = StandardFolder(mfldTypeInbox);
  ASSERT_TRUE(contacts && projects && inbox);
  const std::string contactsHex = EntryIdHex(contacts.get());
  const std::string projectsHex = EntryIdHex(projects.get());

  // Created: the message's own (long) identifiers, with every argument typed as declared.
  auto contact = NewMessage(contacts.get(), "IPM.Contact");
  const std::string contactHex = EntryIdHex(contact.get());
  ASSERT_TRUE(WaitForEvents(fnevObjectCreated, 1));
  const FiredEvent created = sink_.MessageEvents(fnevObjectCreated)[0];
  EXPECT_EQ(created.lcid, 0x400u);
  EXPECT_EQ(created.flags, DISPATCH_METHOD);
  const VARTYPE bytes = VT_BYREF | VT_UI1;
  EXPECT_EQ(created.types, (std::vector<VARTYPE>{bytes, VT_I4, bytes, VT_I4, bytes, VT_I4, bytes,
                                                 VT_I4, bytes, VT_I4, VT_I4, VT_I4, VT_BOOL}));
  EXPECT_EQ(created.Store(), storeHex_);
  EXPECT_EQ(created.Entry(), contactHex);
  EXPECT_EQ(created.Entry().size(), 2 * 78u);
  EXPECT_EQ(created.Parent(), contactsHex);
  EXPECT_EQ(created.OldEntry(), "");
  EXPECT_EQ(created.ObjectType(), static_cast<ULONG>(MAPI_MESSAGE));
  EXPECT_FALSE(created.IsResult());

  // Modified: mail is quiet, a contact is reported.
  Touch(FirstMessage(inbox.get()).get(), "Changed mail");
  Touch(contact.get(), "Ann Smith");
  ASSERT_TRUE(WaitForEvents(fnevObjectModified, 1));
  const auto modified = sink_.MessageEvents(fnevObjectModified);
  ASSERT_EQ(modified.size(), 1u);
  EXPECT_EQ(modified[0].Entry(), contactHex);

  // Copied and moved: the former identifier as notified, the former folder resolved.
  Transfer(contact.get(), contacts.get(), projects.get(), 0);
  ASSERT_TRUE(WaitForEvents(fnevObjectCopied, 1));
  const FiredEvent copied = sink_.MessageEvents(fnevObjectCopied)[0];
  EXPECT_EQ(copied.Parent(), projectsHex);
  EXPECT_EQ(copied.OldParent(), contactsHex);
  EXPECT_NE(copied.OldEntry(), "");
  EXPECT_NE(copied.Entry(), contactHex);
  Transfer(contact.get(), contacts.get(), projects.get(), MESSAGE_MOVE);
  ASSERT_TRUE(WaitForEvents(fnevObjectMoved, 1));
  const FiredEvent moved = sink_.MessageEvents(fnevObjectMoved)[0];
  EXPECT_EQ(moved.Parent(), projectsHex);
  EXPECT_EQ(moved.OldParent(), contactsHex);

  // Deleted: the message cannot be opened any more; its identifier is passed as notified.
  auto copy = FirstMessage(projects.get());
  ASSERT_TRUE(copy);
  kelmsgs::PropValues copyId;
  ASSERT_EQ(HrGetOneProp(copy.get(), PR_ENTRYID, copyId.put()), S_OK);
  ENTRYLIST list{1, &copyId.get()->Value.bin};
  copy.reset();
  ASSERT_EQ(projects->DeleteMessages(&list, 0, nullptr, 0), S_OK);
  ASSERT_TRUE(WaitForEvents(fnevObjectDeleted, 1));
  const FiredEvent deleted = sink_.MessageEvents(fnevObjectDeleted)[0];
  EXPECT_EQ(deleted.Parent(), projectsHex);
  EXPECT_FALSE(deleted.Entry().empty());
}

TEST_F(EventsTest, DeliveredMailIsReportedAsCreatedAndNewMail) {
  ASSERT_EQ(mailbox_->Advise(session_.get()), S_OK);
  ASSERT_EQ(MapiFixture::DeliverMail("EventsWork", R"({"subject": "Fresh", "class": "IPM.Note"})"),
            S_OK);
  ASSERT_TRUE(WaitForEvents(fnevNewMail, 1));
  const auto created = sink_.MessageEvents(fnevObjectCreated);
  const auto mail = sink_.MessageEvents(fnevNewMail);
  ASSERT_EQ(created.size(), 1u);
  ASSERT_EQ(mail.size(), 1u);
  auto inbox = StandardFolder(mfldTypeInbox);
  EXPECT_EQ(mail[0].Parent(), EntryIdHex(inbox.get()));
  EXPECT_EQ(mail[0].Entry(), created[0].Entry());
  EXPECT_EQ(mail[0].Entry().size(), 2 * 78u);
  EXPECT_EQ(mail[0].Store(), storeHex_);
  // New mail maps the short-term identifier it was notified with to the message's own.
  const auto map = Values(kQueue + "\\EntryIdMap");
  ASSERT_EQ(map.size(), 1u);
  EXPECT_EQ(map.begin()->second.type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(map.begin()->second.text, mail[0].Entry());  // no terminating zero
  EXPECT_EQ(map.begin()->first.size(), 2 * 46u);
}

TEST_F(EventsTest, ServerStoreMapsNotifiedIdentifiersOfItsMessages) {
  ASSERT_EQ(mailbox_->Advise(session_.get()), S_OK);
  auto contacts = StandardFolder(mfldTypeContacts);
  auto contact = NewMessage(contacts.get(), "IPM.Contact");
  ASSERT_TRUE(WaitForEvents(fnevObjectCreated, 1));
  const std::string own = EntryIdHex(contact.get());
  const auto map = Values(kQueue + "\\EntryIdMap");
  ASSERT_EQ(map.size(), 1u);
  const auto& [notified, value] = *map.begin();
  EXPECT_EQ(value.text, own);
  EXPECT_EQ(notified.size(), 2 * 46u);
  // The notified identifier opens the same message.
  MapiBuffer<BYTE> bytes;
  ULONG size = 0;
  ASSERT_EQ(kelmsgs::HexToEntryId(notified.c_str(), bytes, size), S_OK);
  ComPtr<IMessage> same;
  ULONG type = 0;
  ASSERT_EQ(store_->OpenEntry(size, reinterpret_cast<LPENTRYID>(bytes.get()), nullptr, 0, &type,
                              reinterpret_cast<LPUNKNOWN*>(same.put())),
            S_OK);
  EXPECT_EQ(EntryIdHex(same.get()), own);
}

TEST_F(PersonalStoreEventsTest, PersonalStoresReportNewMailWithoutMapping) {
  ASSERT_EQ(mailbox_->Advise(session_.get()), S_OK);
  ASSERT_EQ(MapiFixture::DeliverMail("EventsWork", R"({"subject": "Fresh"})"), S_OK);
  auto contacts = StandardFolder(mfldTypeContacts);
  NewMessage(contacts.get(), "IPM.Contact");
  ASSERT_TRUE(WaitForEvents(fnevNewMail, 1));
  ASSERT_TRUE(WaitForEvents(fnevObjectCreated, 2));
  EXPECT_LT(sink_.MessageEvents(fnevNewMail)[0].Entry().size(), 2 * 50u);
  EXPECT_TRUE(Values(kQueue + "\\EntryIdMap").empty());
}

TEST_F(EventsTest, TrackEventsRecordsTheRegistryQueue) {
  ASSERT_EQ(session_->put_TrackEvents(VARIANT_TRUE), S_OK);
  ASSERT_EQ(mailbox_->Advise(session_.get()), S_OK);
  auto contacts = StandardFolder(mfldTypeContacts);
  auto projects = Subfolder(Root().get(), "Projects");
  const std::string contactsHex = EntryIdHex(contacts.get());
  const std::string projectsHex = EntryIdHex(projects.get());

  // Created.
  auto contact = NewMessage(contacts.get(), "IPM.Contact");
  const std::string contactHex = EntryIdHex(contact.get());
  ASSERT_TRUE(PumpUntil([] { return EventsCount() == 1; })) << EventsCount();
  EXPECT_EQ(Values(kQueue + "\\Event")[contactHex].number, 1u);
  EXPECT_EQ(Values(kQueue + "\\StoreId")[contactHex].text, storeHex_);
  EXPECT_EQ(Values(kQueue + "\\FolderId")[contactHex].text, contactsHex);
  EXPECT_TRUE(Values(kQueue + "\\OldEntryId").empty());

  // A mail's change is not recorded; two changes of the contact leave one value and
  // count twice.
  Touch(FirstMessage(StandardFolder(mfldTypeInbox).get()).get(), "Changed mail");
  Touch(contact.get(), "Ann Smith");
  Touch(contact.get(), "Ann Jones");
  ASSERT_TRUE(PumpUntil([] { return EventsCount() == 3; })) << EventsCount();
  auto events = Values(kQueue + "\\Event");
  EXPECT_EQ(events.size(), 1u);
  EXPECT_EQ(events[contactHex].number, 3u);
  EXPECT_EQ(events[contactHex].type, static_cast<DWORD>(REG_DWORD));

  // Copied: code 0 under the copy's identifier, with the former identifiers.
  Transfer(contact.get(), contacts.get(), projects.get(), 0);
  ASSERT_TRUE(PumpUntil([] { return EventsCount() == 4; })) << EventsCount();
  events = Values(kQueue + "\\Event");
  ASSERT_EQ(events.size(), 2u);
  std::string copyHex;
  for (const auto& [name, value] : events)
    if (name != contactHex) copyHex = name;
  EXPECT_EQ(events[copyHex].number, 0u);
  EXPECT_EQ(Values(kQueue + "\\FolderId")[copyHex].text, projectsHex);
  EXPECT_EQ(Values(kQueue + "\\OldFolderId")[copyHex].text, contactsHex);
  EXPECT_FALSE(Values(kQueue + "\\OldEntryId")[copyHex].text.empty());
  EXPECT_EQ(Values(kQueue + "\\StoreId")[copyHex].text, storeHex_);

  // A new folder is recorded apart and not counted.
  ComPtr<IMAPIFolder> folder;
  auto root = Root();
  ASSERT_EQ(root->CreateFolder(FOLDER_GENERIC, const_cast<LPTSTR>("Fresh"), nullptr, nullptr, 0,
                               folder.put()),
            S_OK);
  const std::string folderHex = EntryIdHex(folder.get());
  ASSERT_TRUE(PumpUntil([&] { return Values(kQueue + "\\NewFolder\\Parent").count(folderHex); }));
  EXPECT_EQ(Values(kQueue + "\\NewFolder\\Store")[folderHex].text, storeHex_);
  EXPECT_EQ(Values(kQueue + "\\NewFolder\\Parent")[folderHex].text, EntryIdHex(root.get()));
  EXPECT_EQ(EventsCount(), 4u);
  // Nothing reached the client's sink meanwhile.
  EXPECT_EQ(sink_.Count(), 0u);
}

TEST_F(EventsTest, QueueCounterRestartsFromABadValue) {
  ASSERT_EQ(session_->put_TrackEvents(VARIANT_TRUE), S_OK);
  ASSERT_EQ(mailbox_->Advise(session_.get()), S_OK);
  RegKey key;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kQueue.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, key.put(), nullptr),
            ERROR_SUCCESS);
  const DWORD negative = 0xFFFFFFF0;
  EXPECT_EQ(RegSetValueExA(key.get(), "Events", 0, REG_DWORD,
                           reinterpret_cast<const BYTE*>(&negative), 4),
            ERROR_SUCCESS);
  auto contacts = StandardFolder(mfldTypeContacts);
  NewMessage(contacts.get(), "IPM.Contact");
  ASSERT_TRUE(PumpUntil([] { return Values(kQueue + "\\Event").size() == 1; }));
  EXPECT_EQ(EventsCount(), 0u);
  // A counter of another type counts as missing.
  EXPECT_EQ(RegSetValueExA(key.get(), "Events", 0, REG_SZ, reinterpret_cast<const BYTE*>("7"), 2),
            ERROR_SUCCESS);
  NewMessage(contacts.get(), "IPM.Contact");
  ASSERT_TRUE(PumpUntil([] { return EventsCount() == 1; }));
}

TEST_F(EventsTest, UnadviseStopsEvents) {
  ASSERT_EQ(mailbox_->Advise(session_.get()), S_OK);
  auto contacts = StandardFolder(mfldTypeContacts);
  NewMessage(contacts.get(), "IPM.Contact");
  ASSERT_TRUE(WaitForEvents(fnevObjectCreated, 1));
  ASSERT_EQ(mailbox_->Unadvise(), S_OK);
  NewMessage(contacts.get(), "IPM.Contact");
  PumpUntil([] { return false; }, 300);
  EXPECT_EQ(sink_.Count(), 1u);
}

// A client that unadvises and lets go of the store while it handles an event: the store
// object must survive until its handler is done.
TEST_F(EventsTest, StoreReleasedInsideItsOwnEventSurvivesTheHandler) {
  ComPtr<IQMXMessageStore> own;
  const Bstr id(SysAllocStringLen(nullptr, static_cast<UINT>(storeHex_.size())));
  for (std::size_t i = 0; i < storeHex_.size(); ++i) id.get()[i] = storeHex_[i];
  ASSERT_EQ(session_->get_MsgStoreByStoreId(id.get(), own.put()), S_OK);
  ASSERT_EQ(own->Advise(session_.get()), S_OK);
  sink_.OnEvent([&] {
    if (own) {
      EXPECT_EQ(own->Unadvise(), S_OK);
      own.reset();  // the sink was the last other holder
    }
  });
  auto contacts = StandardFolder(mfldTypeContacts);
  NewMessage(contacts.get(), "IPM.Contact");
  ASSERT_TRUE(WaitForEvents(fnevObjectCreated, 1));
  EXPECT_FALSE(own);
  PumpUntil([] { return false; }, 200);
  EXPECT_EQ(sink_.Count(), 1u);
}

TEST_F(EventsTest, NotifyAndMessageDeletedRaiseTypedEvents) {
  ScratchFile log(".log");
  EXPECT_EQ(session_->put_LogFile(B(log.wpath()).get()), S_OK);
  EXPECT_EQ(session_->put_LoggingEnabled(VARIANT_TRUE), S_OK);
  ComPtr<IQMXMessage> message;
  ASSERT_EQ(kelmsgs::CreateObject(CLSID_QMXMessage, message), S_OK);
  const struct {
    LONG type;
    DISPID raised;
  } typed[] = {{2, 6}, {4, 1}, {16, 2}, {32, 4}, {64, 5}};
  for (const auto& t : typed) {
    ASSERT_EQ(session_->Notify(t.type, message.get()), S_OK);
    const auto events = sink_.Events();
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.back().id, t.raised) << t.type;
    EXPECT_EQ(events.back().types, std::vector<VARTYPE>{VT_DISPATCH});
    EXPECT_EQ(events.back().object, static_cast<IDispatch*>(message.get()));
  }
  // Deletions only through MessageDeleted.
  EXPECT_EQ(session_->Notify(8, message.get()), S_OK);
  EXPECT_EQ(session_->Notify(0, message.get()), S_OK);
  EXPECT_EQ(sink_.Count(), 5u);

  unsigned char msg[] = {0x01, 0xAB}, folder[] = {0xF0}, store[] = {0x57, 0x02, 0xFF};
  ASSERT_EQ(session_->MessageDeleted(msg, 2, folder, 1, store, 3), S_OK);
  ASSERT_EQ(session_->MessageDeleted(msg, 2, nullptr, 5, store, 3), S_OK);
  const auto events = sink_.Events();
  ASSERT_EQ(events.size(), 7u);
  EXPECT_EQ(events[5].id, 3);
  EXPECT_EQ(events[5].texts, (std::vector<std::string>{"01AB", "F0", "5702FF"}));
  EXPECT_EQ(events[6].texts, (std::vector<std::string>{"01AB", "", "5702FF"}));

  CloseSession();
  const std::string text = log.Read();
  for (const char* line :
       {"\tNotify\tNew mail.\t", "\tNotify\tMessage created.\t", "\tNotify\tMessage modified.\t",
        "\tNotify\tMessage moved.\t", "\tNotify\tMessage copied.\t"})
    EXPECT_NE(text.find(line), std::string::npos) << line;
}

TEST_F(EventsTest, MessageNotificationRaisesOrRecords) {
  EventSink second(42);
  ASSERT_EQ(second.Connect(static_cast<IQMXSession*>(session_.get())), S_OK);
  const auto buffer = [](std::initializer_list<BYTE> bytes) {
    BYTE* p = nullptr;
    EXPECT_EQ(MAPIAllocateBuffer(static_cast<ULONG>(bytes.size()), reinterpret_cast<void**>(&p)),
              S_OK);
    std::copy(bytes.begin(), bytes.end(), p);
    return p;
  };
  const HRESULT hr =
      session_->MessageNotification(buffer({0x57}), 1, buffer({0xAB, 0x01}), 2, buffer({0xF1}), 1,
                                    nullptr, 0, nullptr, 0, 16, 5, VARIANT_TRUE);
  EXPECT_EQ(hr, 42);
  second.Disconnect();
  const auto events = second.Events();
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].Store(), "57");
  EXPECT_EQ(events[0].Entry(), "AB01");
  EXPECT_EQ(events[0].Parent(), "F1");
  EXPECT_EQ(events[0].EventType(), 16u);
  EXPECT_TRUE(events[0].IsResult());

  // Recorded instead: S_OK whatever the sinks would answer, nothing raised.
  ASSERT_EQ(session_->put_TrackEvents(VARIANT_TRUE), S_OK);
  EXPECT_EQ(session_->MessageNotification(buffer({0x57}), 1, buffer({0xAB, 0x02}), 2,
                                          buffer({0xF2}), 1, buffer({0xAB, 0x01}), 2,
                                          buffer({0xF1}), 1, 32, 5, VARIANT_FALSE),
            S_OK);
  EXPECT_EQ(Values(kQueue + "\\Event")["AB02"].number, 4u);
  EXPECT_EQ(Values(kQueue + "\\StoreId")["AB02"].text, "57");
  EXPECT_EQ(Values(kQueue + "\\FolderId")["AB02"].text, "F2");
  EXPECT_EQ(Values(kQueue + "\\OldEntryId")["AB02"].text, "AB01");
  EXPECT_EQ(Values(kQueue + "\\OldFolderId")["AB02"].text, "F1");
  EXPECT_EQ(EventsCount(), 1u);
  // An unknown event type records nothing; the buffers are still taken over.
  EXPECT_EQ(session_->MessageNotification(buffer({0x57}), 1, buffer({0xAB, 0x03}), 2, nullptr, 0,
                                          nullptr, 0, nullptr, 0, 0x80000000, 5, VARIANT_FALSE),
            S_OK);
  EXPECT_EQ(Values(kQueue + "\\Event").size(), 1u);
  EXPECT_EQ(EventsCount(), 1u);
  EXPECT_EQ(sink_.Count(), 1u);
}

TEST_F(EventsTest, EventCountIsAPlainNumberTracedOnPut) {
  ScratchFile log(".log");
  EXPECT_EQ(session_->put_LogFile(B(log.wpath()).get()), S_OK);
  EXPECT_EQ(session_->put_LoggingEnabled(VARIANT_TRUE), S_OK);
  LONG count = -1;
  ASSERT_EQ(session_->get_EventCount(&count), S_OK);
  EXPECT_EQ(count, 0);
  ASSERT_EQ(session_->put_EventCount(5), S_OK);
  ASSERT_EQ(session_->get_EventCount(&count), S_OK);
  EXPECT_EQ(count, 5);
  EXPECT_TRUE(Values(kQueue).empty());
  VARIANT_BOOL track = VARIANT_TRUE;
  ASSERT_EQ(session_->get_TrackEvents(&track), S_OK);
  EXPECT_EQ(track, VARIANT_FALSE);
  CloseSession();
  EXPECT_NE(log.Read().find("\tput_EventCount\t5\t"), std::string::npos);
}

}  // namespace
