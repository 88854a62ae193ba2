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

const Controls& Control() {
  static const Controls controls = [] {
    HMODULE mapi = GetModuleHandleA("mapi32.dll");
    if (!mapi) mapi = LoadLibraryA("mapi32.dll");
    Controls c{};
#define STANDIN_RESOLVE(field, name)             \
  c.field = reinterpret_cast<decltype(c.field)>( \
      reinterpret_cast<void (*)()>(GetProcAddress(mapi, #name)))
    STANDIN_RESOLVE(setFault, StandinSetFault);
    STANDIN_RESOLVE(clearFaults, StandinClearFaults);
    STANDIN_RESOLVE(setLogonUiAnswer, StandinSetLogonUiAnswer);
    STANDIN_RESOLVE(setSizeLimit, StandinSetSizeLimit);
    STANDIN_RESOLVE(loadFixture, StandinLoadFixture);
    STANDIN_RESOLVE(generateProfile, StandinGenerateProfile);
    STANDIN_RESOLVE(resetProfiles, StandinResetProfiles);
    STANDIN_RESOLVE(liveObjects, StandinLiveObjects);
    STANDIN_RESOLVE(deliverMail, StandinDeliverMail);
    STANDIN_RESOLVE(raiseExtended, StandinRaiseExtended);
    STANDIN_RESOLVE(notifyConnections, StandinNotifyConnections);
#undef STANDIN_RESOLVE
    return c;
  }();
  return controls;
}

SRestriction PropertyIs(ULONG relop, SPropValue* value) {
  SRestriction r{};
  r.rt = RES_PROPERTY;
  r.res.resProperty.relop = relop;
  r.res.resProperty.ulPropTag = value->ulPropTag;
  r.res.resProperty.lpProp = value;
  return r;
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
  ASSERT_NE(Control().resetProfiles, nullptr) << "mapi32.dll is not the stand-in";
  ASSERT_EQ(Control().resetProfiles(), S_OK);
  const auto* info = testing::UnitTest::GetInstance()->current_test_info();
  dir_ = ScratchDir(std::string(info->test_suite_name()) + "." + info->name());
}

void StandinTest::TearDown() {
  if (session_) {
    EXPECT_EQ(session_->Logoff(0, 0, 0), S_OK);
  }
  session_.reset();
  if (initialized_) MAPIUninitialize();
  EXPECT_EQ(Control().resetProfiles(), S_OK);
}

void StandinTest::Load(const std::string& json) {
  char error[512] = {};
  ASSERT_EQ(Control().loadFixture(json.c_str(), dir_.c_str(), error, sizeof error), S_OK) << error;
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

void StandinTest::Logon() {
  ASSERT_EQ(MAPIInitialize(nullptr), S_OK);
  initialized_ = true;
  ASSERT_EQ(MAPILogonEx(0, nullptr, nullptr, MAPI_EXTENDED | MAPI_NO_MAIL, session_.put()), S_OK);
}

Ref<IMsgStore> StandinTest::OpenStore(const std::string& displayName, ULONG flags) {
  Ref<IMAPITable> table;
  EXPECT_EQ(session_->GetMsgStoresTable(0, table.put()), S_OK);
  RowSetOwner rows;
  SizedSPropTagArray(2, cols) = {2, {PR_ENTRYID, PR_DISPLAY_NAME_A}};
  EXPECT_EQ(HrQueryAllRows(table.get(), reinterpret_cast<LPSPropTagArray>(&cols), nullptr, nullptr,
                           0, rows.put()),
            S_OK);
  Ref<IMsgStore> store;
  for (ULONG i = 0; rows && i < rows->cRows; ++i) {
    const SPropValue* v = rows->aRow[i].lpProps;
    if (displayName == v[1].Value.lpszA) {
      EXPECT_EQ(session_->OpenMsgStore(0, v[0].Value.bin.cb,
                                       reinterpret_cast<LPENTRYID>(v[0].Value.bin.lpb), nullptr,
                                       flags, store.put()),
                S_OK);
    }
  }
  return store;
}

Ref<IMAPIFolder> StandinTest::OpenFolder(IMsgStore* store, ULONG idTag) {
  MapiBuffer<SPropValue> id;
  EXPECT_EQ(HrGetOneProp(store, idTag, id.put()), S_OK);
  Ref<IMAPIFolder> folder;
  ULONG type = 0;
  if (id) {
    EXPECT_EQ(
        store->OpenEntry(id->Value.bin.cb, reinterpret_cast<LPENTRYID>(id->Value.bin.lpb), nullptr,
                         MAPI_BEST_ACCESS, &type, reinterpret_cast<LPUNKNOWN*>(folder.put())),
        S_OK);
  }
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
  SizedSPropTagArray(2, cols) = {2, {PR_SERVICE_UID, PR_DISPLAY_NAME_A}};
  RowSetOwner rows;
  if (FAILED(HrQueryAllRows(services.get(), reinterpret_cast<LPSPropTagArray>(&cols), nullptr,
                            nullptr, 0, rows.put())))
    return {};
  Ref<IProviderAdmin> providers;
  for (ULONG i = 0; i < rows->cRows; ++i) {
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
  SPropValue value{};
  value.ulPropTag = PR_DISPLAY_NAME_A;
  value.Value.lpszA = const_cast<LPSTR>(name.c_str());
  SRestriction r = PropertyIs(RELOP_EQ, &value);
  Ref<IMAPIFolder> folder;
  if (table->FindRow(&r, BOOKMARK_BEGINNING, 0) != S_OK) return folder;
  SizedSPropTagArray(1, cols) = {1, {PR_ENTRYID}};
  EXPECT_EQ(table->SetColumns(reinterpret_cast<LPSPropTagArray>(&cols), 0), S_OK);
  RowSetOwner rows;
  EXPECT_EQ(table->QueryRows(1, 0, rows.put()), S_OK);
  ULONG type = 0;
  const SBinary& id = rows->aRow[0].lpProps[0].Value.bin;
  EXPECT_EQ(parent->OpenEntry(id.cb, reinterpret_cast<LPENTRYID>(id.lpb), nullptr, MAPI_BEST_ACCESS,
                              &type, reinterpret_cast<LPUNKNOWN*>(folder.put())),
            S_OK);
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

}  // namespace standin_test
