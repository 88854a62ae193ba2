// Logon, profile administration and the session's tables, as the library's session
// class uses them.
#include "StandinTest.h"

#include <mapiguid.h>

#include <cstring>

namespace standin_test {
namespace {

class StandinSession : public StandinTest {};

// Exports under the names of this bitness's mapi32.dll: a 32-bit one exports name@bytes
// and, for the functions documented for GetProcAddress, the plain name as well; a 64-bit
// one plain names only. A client that imports another name must fail to load here too.
TEST(StandinExports, NamesFollowThisBitnessMapi32) {
  HMODULE mapi = GetModuleHandleA("mapi32.dll");
  ASSERT_NE(mapi, nullptr);
  const bool x86 = sizeof(void*) == 4;
  EXPECT_EQ(GetProcAddress(mapi, "HrQueryAllRows@24") != nullptr, x86);
  EXPECT_EQ(GetProcAddress(mapi, "HrQueryAllRows") != nullptr, !x86);
  EXPECT_EQ(GetProcAddress(mapi, "MAPIInitialize@4") != nullptr, x86);
  EXPECT_NE(GetProcAddress(mapi, "MAPIInitialize"), nullptr);
}

TEST_F(StandinSession, LogonJoinsTheDefaultProfileOrAsksTheChooser) {
  ASSERT_EQ(MAPIInitialize(nullptr), S_OK);
  initialized_ = true;
  // No profile at all: the plain logon fails; the chooser is cancelled or finds nothing.
  Ref<IMAPISession> none;
  EXPECT_EQ(MAPILogonEx(0, nullptr, nullptr, MAPI_EXTENDED | MAPI_NO_MAIL, none.put()),
            MAPI_E_LOGON_FAILED);
  STANDIN(SetLogonUiAnswer)(FALSE);
  EXPECT_EQ(MAPILogonEx(0, nullptr, nullptr, 0x8033, none.put()), MAPI_E_USER_CANCEL);
  EXPECT_FALSE(none);

  Load(kSmallProfile);
  // The chooser with "pick the default" answer, then the running-session logon.
  STANDIN(SetLogonUiAnswer)(TRUE);
  ASSERT_EQ(MAPILogonEx(0, nullptr, nullptr, 0x8033, none.put()), S_OK);
  none->Logoff(0, 0, 0);
  ASSERT_EQ(MAPILogonEx(0, nullptr, nullptr, MAPI_EXTENDED | MAPI_NO_MAIL, session_.put()), S_OK);
  // A named profile that does not exist.
  Ref<IMAPISession> other;
  EXPECT_EQ(MAPILogonEx(0, const_cast<LPSTR>("Nobody"), nullptr, MAPI_EXTENDED, other.put()),
            MAPI_E_LOGON_FAILED);
  // The journal keeps the flags the caller passed.
  const auto logons = Journal("MAPILogonEx");
  ASSERT_GE(logons.size(), 3u);
  EXPECT_NE(logons[logons.size() - 2].find("flags=0x8020"), std::string::npos)
      << logons[logons.size() - 2];
  EXPECT_NE(logons[1].find("flags=0x8033"), std::string::npos) << logons[1];
}

TEST_F(StandinSession, LogonNeedsInitialisationAndCountsIt) {
  Load(kSmallProfile);
  Ref<IMAPISession> s;
  EXPECT_EQ(MAPILogonEx(0, nullptr, nullptr, MAPI_EXTENDED, s.put()), MAPI_E_NOT_INITIALIZED);
  MAPIINIT_0 init{MAPI_INIT_VERSION, MAPI_MULTITHREAD_NOTIFICATIONS};
  ASSERT_EQ(MAPIInitialize(&init), S_OK);
  ASSERT_EQ(MAPIInitialize(nullptr), S_OK);
  MAPIUninitialize();
  EXPECT_EQ(MAPILogonEx(0, nullptr, nullptr, MAPI_EXTENDED, s.put()), S_OK);
  s.reset();
  MAPIUninitialize();
  EXPECT_EQ(MAPILogonEx(0, nullptr, nullptr, MAPI_EXTENDED, s.put()), MAPI_E_NOT_INITIALIZED);
  const auto inits = Journal("MAPIInitialize");
  ASSERT_EQ(inits.size(), 2u);
  EXPECT_NE(inits[0].find("flags=0x1 "), std::string::npos) << inits[0];
}

TEST_F(StandinSession, StatusTableNamesTheProfileAndIdentityIsMissing) {
  Load(kSmallProfile);
  Logon();
  Ref<IMAPITable> status;
  ASSERT_EQ(session_->GetStatusTable(0, status.put()), S_OK);
  SPropValue type = Long(PR_RESOURCE_TYPE, MAPI_SUBSYSTEM);
  SRestriction r = PropertyIs(RELOP_EQ, &type);
  ASSERT_EQ(status->FindRow(&r, BOOKMARK_BEGINNING, 0), S_OK);
  const RowSetOwner rows = QueryAll(status.get(), {PR_DISPLAY_NAME_A}, &r);
  ASSERT_EQ(rows->cRows, 1u);
  EXPECT_STREQ(rows->aRow[0].lpProps[0].Value.lpszA, "Standin Test");

  ULONG cb = 1;
  LPENTRYID id = reinterpret_cast<LPENTRYID>(1);
  EXPECT_EQ(session_->QueryIdentity(&cb, &id), MAPI_W_NO_SERVICE);
  EXPECT_EQ(cb, 0u);
  MapiBuffer<MAPIERROR> error;
  ASSERT_EQ(session_->GetLastError(MAPI_E_NOT_FOUND, 0, error.put()), S_OK);
  EXPECT_NE(std::string(error->lpszError).find("not found"), std::string::npos);
  // After Logoff the session refuses work.
  ASSERT_EQ(session_->Logoff(0, 0, 0), S_OK);
  EXPECT_EQ(session_->GetStatusTable(0, status.put()), MAPI_E_END_OF_SESSION);
}

TEST_F(StandinSession, StoreTableListsTheStoresAndFollowsTheProfile) {
  Load(kSmallProfile);
  Logon();
  Ref<IMAPITable> stores;
  ASSERT_EQ(session_->GetMsgStoresTable(0, stores.put()), S_OK);
  SSortOrderSet byName = SortBy(PR_DISPLAY_NAME_A);
  const RowSetOwner rows =
      QueryAll(stores.get(), {PR_DISPLAY_NAME_A, PR_DEFAULT_STORE, PR_ENTRYID, PR_MDB_PROVIDER},
               nullptr, &byName);
  ASSERT_EQ(rows->cRows, 3u);
  EXPECT_STREQ(rows->aRow[0].lpProps[0].Value.lpszA, "Archive");
  EXPECT_STREQ(rows->aRow[1].lpProps[0].Value.lpszA, "Mailbox");
  EXPECT_EQ(rows->aRow[1].lpProps[1].Value.b, TRUE);
  EXPECT_EQ(rows->aRow[0].lpProps[1].Value.b, FALSE);
  // Short identifiers for personal stores' objects, long ones for the server-like ones.
  EXPECT_LT(rows->aRow[1].lpProps[2].Value.bin.cb, 50u);
  EXPECT_GT(rows->aRow[0].lpProps[2].Value.bin.cb, 50u);

  // Removing the Archive provider through the administration changes the held table.
  Ref<IProviderAdmin> providers = ServiceProviders("Personal Folders");
  ASSERT_TRUE(providers);
  Ref<IMAPITable> providerTable;
  ASSERT_EQ(providers->GetProviderTable(0, providerTable.put()), S_OK);
  SPropValue name = Str(PR_DISPLAY_NAME_A, "Archive");
  SRestriction r = PropertyIs(RELOP_EQ, &name);
  const RowSetOwner provider = QueryAll(providerTable.get(), {PR_PROVIDER_UID}, &r);
  ASSERT_EQ(provider->cRows, 1u);
  MAPIUID uid;
  std::memcpy(uid.ab, provider->aRow[0].lpProps[0].Value.bin.lpb, 16);

  // The provider's section: only with MAPI_FORCE_ACCESS, and it carries the store's data.
  Ref<IProfSect> section;
  EXPECT_EQ(providers->OpenProfileSection(&uid, nullptr, 0, section.put()), MAPI_E_NO_ACCESS);
  ASSERT_EQ(providers->OpenProfileSection(&uid, nullptr, 0x00080001, section.put()), S_OK);
  EXPECT_NE(StringProp(section.get(), PROP_TAG(PT_STRING8, 0x6700)).find("archive.kms"),
            std::string::npos);
  EXPECT_EQ(StringProp(section.get(), PR_SERVICE_NAME_A), "MSUPST MS");
  EXPECT_GT(BinaryProp(section.get(), PR_ENTRYID).size(), 50u);
  section.reset();
  // The section lives in the registry where MAPI keeps it.
  char hex[33];
  HexFromBin(uid.ab, 16, hex);
  const std::string key = std::string(
                              "Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows Messaging "
                              "Subsystem\\Profiles\\Standin Test\\") +
                          hex;
  char value[MAX_PATH] = {};
  DWORD size = sizeof value;
  EXPECT_EQ(RegGetValueA(HKEY_CURRENT_USER, key.c_str(), "001e3001", RRF_RT_REG_SZ, nullptr, value,
                         &size),
            ERROR_SUCCESS);
  EXPECT_STREQ(value, "Archive");

  // Another service's administration does not know the provider and leaves it.
  Ref<IProviderAdmin> otherService = ServiceProviders("Public Folders");
  ASSERT_TRUE(otherService);
  EXPECT_EQ(otherService->DeleteProvider(&uid), MAPI_E_NOT_FOUND);
  EXPECT_EQ(RowCount(stores.get()), 3u);

  ASSERT_EQ(providers->DeleteProvider(&uid), S_OK);
  EXPECT_EQ(RowCount(stores.get()), 2u);
  EXPECT_EQ(providers->DeleteProvider(&uid), MAPI_E_NOT_FOUND);
}

TEST_F(StandinSession, StoreTableMayOutliveItsSession) {
  Load(kSmallProfile);
  Logon();
  Ref<IMAPITable> stores;
  ASSERT_EQ(session_->GetMsgStoresTable(0, stores.put()), S_OK);
  ASSERT_EQ(session_->Logoff(0, 0, 0), S_OK);
  session_.reset();
  // A profile change after the session is gone reaches no session; the table still reads.
  Load(kSmallProfile);
  EXPECT_EQ(RowCount(stores.get()), 3u);
  stores.reset();
}

TEST_F(StandinSession, ProfileTableMarksTheDefault) {
  Load(kSmallProfile);
  Load(R"({"profiles": [{"name": "Second", "services": []}]})");
  Ref<IProfAdmin> admin;
  ASSERT_EQ(MAPIAdminProfiles(0, admin.put()), S_OK);
  Ref<IMAPITable> table;
  ASSERT_EQ(admin->GetProfileTable(0, table.put()), S_OK);
  const RowSetOwner rows = QueryAll(table.get(), {PR_DISPLAY_NAME_A, PR_DEFAULT_PROFILE});
  ASSERT_EQ(rows->cRows, 2u);
  int defaults = 0;
  for (ULONG i = 0; i < rows->cRows; ++i) {
    ASSERT_EQ(rows->aRow[i].lpProps[1].ulPropTag, PR_DEFAULT_PROFILE);
    if (rows->aRow[i].lpProps[1].Value.b) {
      ++defaults;
      EXPECT_STREQ(rows->aRow[i].lpProps[0].Value.lpszA, "Standin Test");
    }
  }
  EXPECT_EQ(defaults, 1);
  // A row limit below the row count is an error, as HrQueryAllRows documents.
  RowSetOwner limited;
  EXPECT_EQ(HrQueryAllRows(table.get(), nullptr, nullptr, nullptr, 1, limited.put()),
            MAPI_E_TABLE_TOO_BIG);
  Ref<IMsgServiceAdmin> services;
  EXPECT_EQ(admin->AdminServices(const_cast<LPSTR>("Missing"), nullptr, 0, 0, services.put()),
            MAPI_E_NOT_FOUND);
}

}  // namespace
}  // namespace standin_test
