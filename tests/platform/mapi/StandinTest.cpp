#include "StandinTest.h"

#include <mapiguid.h>

namespace standin_test {

const char* const kSmallProfile = R"({
  "profiles": [{
    "name": "Standin Test", "default": true,
    "services": [
      {"service": "MSUPST MS", "displayName": "Personal Folders", "stores": [
        {"displayName": "Mailbox", "file": "mailbox.kms", "default": true, "uncompressedRtf": true,
         "folders": [
           {"name": "Inbox", "messages": [
             {"subject": "Budget", "body": "Numbers attached.", "from": "Ann Lee",
              "received": "2024-03-01T09:30:00Z", "sent": "2024-03-01T09:29:00Z",
              "recipients": [{"name": "Bo Chen", "email": "bo@example.com"},
                             {"name": "Cy Dale", "email": "cy@example.com", "type": "cc"}],
              "attachments": [
                {"method": "value", "filename": "numbers.txt", "data": "1,2,3\n"},
                {"method": "embedded", "longFilename": "Forwarded.msg",
                 "message": {"subject": "Inner", "body": "inner body"}},
                {"method": "reference", "longFilename": "plan.doc", "path": "\\\\server\\share\\plan.doc"}],
              "named": [{"set": "PS_PUBLIC_STRINGS", "name": "QNDDocID", "type": "string", "value": "D-1"}]},
             {"subject": "apple", "body": "a", "received": "2024-03-02T09:30:00Z", "flags": 0},
             {"subject": "Cherry", "body": "c", "received": "2024-02-01T09:30:00Z",
              "attachments": [{"method": "ole", "longFilename": "chart.xls", "hex": "D0CF11E0A1B11AE1"}]}]},
           {"name": "Projects", "class": "IPF.Note", "folders": [
             {"name": "Alpha", "messages": [{"subject": "Alpha kickoff"}]},
             {"name": "Beta"}]}]},
        {"displayName": "Archive", "file": "archive.kms", "flavour": "long",
         "folders": [{"name": "2019", "messages": [{"subject": "Old news"}]}]}]},
      {"service": "MSEMS", "displayName": "Public Folders", "stores": [
        {"displayName": "Public Folders", "file": "public.kms", "public": true, "flavour": "long",
         "folders": [{"name": "Announcements", "messages": [{"subject": "Welcome"}]}]}]}
    ]}]
})";

SRestriction PropertyIs(ULONG relop, SPropValue* value) {
  SRestriction r{};
  r.rt = RES_PROPERTY;
  r.res.resProperty.relop = relop;
  r.res.resProperty.ulPropTag = value->ulPropTag;
  r.res.resProperty.lpProp = value;
  return r;
}

RowSetOwner QueryAll(IMAPITable* table, std::vector<ULONG> columns, SRestriction* where,
                     SSortOrderSet* order) {
  // A tag array is its count followed by the tags.
  columns.insert(columns.begin(), static_cast<ULONG>(columns.size()));
  RowSetOwner rows;
  EXPECT_EQ(HrQueryAllRows(table, reinterpret_cast<LPSPropTagArray>(columns.data()), where, order,
                           0, rows.put()),
            S_OK);
  return rows;
}

HRESULT SetColumns(IMAPITable* table, std::vector<ULONG> columns) {
  columns.insert(columns.begin(), static_cast<ULONG>(columns.size()));
  return table->SetColumns(reinterpret_cast<LPSPropTagArray>(columns.data()), 0);
}

HRESULT GetProps(IMAPIProp* object, std::vector<ULONG> tags, MapiBuffer<SPropValue>& values) {
  tags.insert(tags.begin(), static_cast<ULONG>(tags.size()));
  ULONG count = 0;
  const HRESULT hr =
      object->GetProps(reinterpret_cast<LPSPropTagArray>(tags.data()), 0, &count, values.put());
  EXPECT_EQ(count, tags[0]);
  return hr;
}

AdrListOwner::AdrListOwner(std::vector<std::string> wanted) : names(std::move(wanted)) {
  MAPIAllocateBuffer(CbNewADRLIST(names.size()), reinterpret_cast<void**>(&list));
  list->cEntries = static_cast<ULONG>(names.size());
  for (std::size_t i = 0; i < names.size(); ++i) {
    SPropValue* v = nullptr;
    MAPIAllocateBuffer(2 * sizeof(SPropValue), reinterpret_cast<void**>(&v));
    v[0] = Str(PR_DISPLAY_NAME_A, names[i].c_str());
    v[1] = Long(PR_RECIPIENT_TYPE, MAPI_TO);
    list->aEntries[i].cValues = 2;
    list->aEntries[i].rgPropVals = v;
  }
}

std::string ScratchDir(const std::string& name) {
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  std::string dir = std::string(temp) + "kelmsgs-standin";
  CreateDirectoryA(dir.c_str(), nullptr);
  dir += "\\" + name;
  CreateDirectoryA(dir.c_str(), nullptr);
  WIN32_FIND_DATAA found;
  HANDLE find = FindFirstFileA((dir + "\\*").c_str(), &found);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      DeleteFileA((dir + "\\" + found.cFileName).c_str());
    } while (FindNextFileA(find, &found));
    FindClose(find);
  }
  return dir;
}

std::string SampleProfilePath() {
  char exe[MAX_PATH];
  GetModuleFileNameA(nullptr, exe, MAX_PATH);
  std::string path = exe;
  path = path.substr(0, path.rfind('\\'));
  return path + "\\sample-profile.json";
}

void StandinTest::SetUp() {
  ASSERT_NE(STANDIN(ResetProfiles), nullptr) << "mapi32.dll is not the stand-in";
  ASSERT_EQ(STANDIN(ResetProfiles)(), S_OK);
  const auto* info = testing::UnitTest::GetInstance()->current_test_info();
  dir_ = ScratchDir(std::string(info->test_suite_name()) + "." + info->name());
}

void StandinTest::TearDown() {
  if (session_) {
    EXPECT_EQ(session_->Logoff(0, 0, 0), S_OK);
  }
  session_.reset();
  if (initialized_) MAPIUninitialize();
  EXPECT_EQ(STANDIN(ResetProfiles)(), S_OK);
}

void StandinTest::Load(const std::string& json) {
  char error[512] = {};
  ASSERT_EQ(STANDIN(LoadFixture)(json.c_str(), dir_.c_str(), error, sizeof error), S_OK) << error;
}

void SmallMailboxTest::SetUp() {
  StandinTest::SetUp();
  Load(kSmallProfile);
  Logon();
  store_ = OpenStore("Mailbox");
  ASSERT_TRUE(store_);
  root_ = OpenFolder(store_.get(), PR_IPM_SUBTREE_ENTRYID);
  inbox_ = Subfolder(root_.get(), "Inbox");
  ASSERT_TRUE(inbox_);
}

void StandinTest::Logon(ULONG initFlags) {
  MAPIINIT_0 init{MAPI_INIT_VERSION, initFlags};
  ASSERT_EQ(MAPIInitialize(initFlags ? &init : nullptr), S_OK);
  initialized_ = true;
  ASSERT_EQ(MAPILogonEx(0, nullptr, nullptr, MAPI_EXTENDED | MAPI_NO_MAIL, session_.put()), S_OK);
}

Ref<IMsgStore> StandinTest::OpenStore(const std::string& displayName, ULONG flags) {
  Ref<IMAPITable> table;
  EXPECT_EQ(session_->GetMsgStoresTable(0, table.put()), S_OK);
  const RowSetOwner rows = QueryAll(table.get(), {PR_ENTRYID, PR_DISPLAY_NAME_A});
  Ref<IMsgStore> store;
  for (ULONG i = 0; rows && i < rows->cRows; ++i) {
    const SPropValue* v = rows->aRow[i].lpProps;
    if (displayName != v[1].Value.lpszA) continue;
    const std::string id = Bytes(v[0].Value.bin);
    EXPECT_EQ(session_->OpenMsgStore(0, Cb(id), Eid(id), nullptr, flags, store.put()), S_OK);
  }
  return store;
}

Ref<IMAPIFolder> StandinTest::OpenFolder(IMsgStore* store, ULONG idTag) {
  MapiBuffer<SPropValue> id;
  EXPECT_EQ(HrGetOneProp(store, idTag, id.put()), S_OK);
  Ref<IMAPIFolder> folder;
  if (!id) return folder;
  EXPECT_EQ(OpenId(store, Bytes(id->Value.bin), folder.put()), S_OK);
  return folder;
}

Ref<IMAPIFolder> StandinTest::TopFolder(IMsgStore* store, const std::string& name) {
  Ref<IMAPIFolder> root = OpenFolder(store, PR_IPM_SUBTREE_ENTRYID);
  return root ? Subfolder(root.get(), name) : Ref<IMAPIFolder>();
}

Ref<IProviderAdmin> StandinTest::ServiceProviders(const std::string& serviceName) {
  Ref<IMsgServiceAdmin> admin;
  Ref<IMAPITable> services;
  if (FAILED(session_->AdminServices(0, admin.put())) ||
      FAILED(admin->GetMsgServiceTable(0, services.put())))
    return {};
  const RowSetOwner rows = QueryAll(services.get(), {PR_SERVICE_UID, PR_DISPLAY_NAME_A});
  Ref<IProviderAdmin> providers;
  for (ULONG i = 0; rows && i < rows->cRows; ++i) {
    if (serviceName == rows->aRow[i].lpProps[1].Value.lpszA) {
      EXPECT_EQ(
          admin->AdminProviders(reinterpret_cast<LPMAPIUID>(rows->aRow[i].lpProps[0].Value.bin.lpb),
                                0, providers.put()),
          S_OK);
    }
  }
  return providers;
}

Ref<IMAPIFolder> StandinTest::Subfolder(IMAPIFolder* parent, const std::string& name) {
  Ref<IMAPITable> table;
  EXPECT_EQ(parent->GetHierarchyTable(0, table.put()), S_OK);
  SPropValue value = Str(PR_DISPLAY_NAME_A, name.c_str());
  SRestriction r = PropertyIs(RELOP_EQ, &value);
  Ref<IMAPIFolder> folder;
  const RowSetOwner rows = QueryAll(table.get(), {PR_ENTRYID}, &r);
  if (!rows || !rows->cRows) return folder;
  EXPECT_EQ(OpenId(parent, Bytes(rows->aRow[0].lpProps[0].Value.bin), folder.put()), S_OK);
  return folder;
}

std::string StandinTest::BinaryProp(IMAPIProp* object, ULONG tag) {
  MapiBuffer<SPropValue> v;
  if (HrGetOneProp(object, tag, v.put()) != S_OK) return {};
  return std::string(reinterpret_cast<const char*>(v->Value.bin.lpb), v->Value.bin.cb);
}

std::string StandinTest::StringProp(IMAPIProp* object, ULONG tag) {
  MapiBuffer<SPropValue> v;
  if (HrGetOneProp(object, tag, v.put()) != S_OK) return "<missing>";
  return v->Value.lpszA;
}

LONG StandinTest::LongProp(IMAPIProp* object, ULONG tag) {
  MapiBuffer<SPropValue> v;
  if (HrGetOneProp(object, tag, v.put()) != S_OK) return -12345;
  return v->Value.l;
}

ULONG StandinTest::RowCount(IMAPITable* table) {
  ULONG n = 0;
  EXPECT_EQ(table->GetRowCount(0, &n), S_OK);
  return n;
}

Ref<IMAPITable> StandinTest::Contents(IMAPIFolder* folder) {
  Ref<IMAPITable> table;
  EXPECT_EQ(folder->GetContentsTable(0, table.put()), S_OK);
  return table;
}

Ref<IMessage> StandinTest::NewMessage(IMAPIFolder* folder, const char* subject) {
  Ref<IMessage> m;
  EXPECT_EQ(folder->CreateMessage(nullptr, 0, m.put()), S_OK);
  if (!m) return m;
  SPropValue v = Str(PR_SUBJECT_A, subject);
  EXPECT_EQ(HrSetOneProp(m.get(), &v), S_OK);
  EXPECT_EQ(m->SaveChanges(KEEP_OPEN_READWRITE), S_OK);
  return m;
}

}  // namespace standin_test
