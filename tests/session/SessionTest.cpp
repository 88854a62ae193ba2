// QMXSession against the messaging stand-in: logon to the running profile, the store
// table and its lookups, profile information and "Profiles.ini", logoff.
#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "KelMsgs.h"
#include "foundation/ComPtr.h"
#include "foundation/MapiOwned.h"
#include "foundation/Owned.h"
#include "session/QMXSession.h"
#include "support/BstrText.h"
#include "support/MapiFixture.h"
#include "support/ProfileAdmin.h"
#include "support/TestRegistry.h"
#include "WorkAndHomeProfiles.h"

using kelmsgs::Bstr;
using kelmsgs::ComPtr;
using kelmsgs::CQMXSession;

namespace {

class SessionTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(fixture_.loaded()) << fixture_.error();
    ASSERT_EQ(CQMXSession::Create(session_), S_OK);
  }
  void TearDown() override {
    if (session_) session_->Logoff(VARIANT_TRUE);
  }

  bool Logon() {
    VARIANT_BOOL ok = VARIANT_FALSE;
    EXPECT_EQ(session_->Logon(nullptr, nullptr, &ok), S_OK);
    return ok == VARIANT_TRUE;
  }
  std::wstring StoreName(LONG i) {
    Bstr name;
    EXPECT_EQ(session_->get_MsgStoreDisplayName(i, name.put()), S_OK);
    return Str(name.get());
  }
  std::wstring StoreId(LONG i) {
    Bstr id;
    EXPECT_EQ(session_->get_MsgStoreId(i, id.put()), S_OK);
    return Str(id.get());
  }

  // The provider administration of the logged-on profile's "Personal Folders" service.
  ComPtr<IProviderAdmin> PersonalFoldersProviders() {
    return ServiceProviders(MapiSessionOf(session_.get()).get(), "Personal Folders");
  }
  HRESULT AddStore(IProviderAdmin* providers, const char* name, MAPIUID& uid) {
    return AddPersonalStore(providers, fixture_.directory(), name, uid);
  }

  MapiFixture fixture_{kWorkAndHomeProfiles};
  ComPtr<CQMXSession> session_;
};

TEST_F(SessionTest, LogonWrapsEveryStoreInDisplayNameOrder) {
  // Logon initialises MAPI itself when the client did not.
  ASSERT_TRUE(Logon());
  LONG count = 0;
  ASSERT_EQ(session_->get_StoreCount(&count), S_OK);
  ASSERT_EQ(count, 3);
  const struct {
    LONG index;
    const wchar_t* name;
    VARIANT_BOOL isDefault, isPublic;
  } expected[] = {{0, L"Archive", VARIANT_FALSE, VARIANT_FALSE},
                  {1, L"Mailbox", VARIANT_TRUE, VARIANT_FALSE},
                  {2, L"Public Folders", VARIANT_FALSE, VARIANT_TRUE}};
  for (const auto& e : expected) {
    ComPtr<IQMXMessageStore> store;
    ASSERT_EQ(session_->get_MsgStore(e.index, store.put()), S_OK);
    Bstr name, id;
    VARIANT_BOOL isDefault = 0, isPublic = 0;
    store->get_DisplayName(name.put());
    store->get_Default(&isDefault);
    store->get_Public(&isPublic);
    EXPECT_EQ(Str(name.get()), e.name);
    EXPECT_EQ(StoreName(e.index), e.name);
    EXPECT_EQ(isDefault, e.isDefault) << e.index;
    EXPECT_EQ(isPublic, e.isPublic) << e.index;
    // The object's own identifier is the one the row lists.
    ASSERT_EQ(store->get_EntryId(id.put()), S_OK);
    VARIANT_BOOL same = VARIANT_FALSE;
    EXPECT_EQ(session_->IsSameAs(id.get(), B(StoreId(e.index)).get(), &same), S_OK);
    EXPECT_EQ(same, VARIANT_TRUE);
  }
  ComPtr<IQMXMessageStore> none;
  EXPECT_EQ(session_->get_MsgStore(-1, none.put()), E_INVALIDARG);
  EXPECT_EQ(session_->get_MsgStore(3, none.put()), E_INVALIDARG);
}

TEST_F(SessionTest, StoreRowsAnswerByIndexAndIdentifier) {
  // Before logon there are no rows: null strings, no error.
  Bstr text;
  EXPECT_EQ(session_->get_MsgStoreId(0, text.put()), S_OK);
  EXPECT_EQ(text.get(), nullptr);
  ASSERT_TRUE(Logon());
  EXPECT_EQ(session_->get_MsgStoreId(3, text.put()), E_INVALIDARG);
  EXPECT_EQ(session_->get_MsgStoreDisplayName(-1, text.put()), E_INVALIDARG);

  // Identifiers are upper-case hexadecimal; the server flavour's are long.
  const std::wstring archive = StoreId(0), mailbox = StoreId(1);
  EXPECT_LT(archive.size(), 100u);
  EXPECT_GT(mailbox.size(), 100u);
  EXPECT_EQ(archive.find_first_not_of(L"0123456789ABCDEF"), std::wstring::npos);

  VARIANT_BOOL same = VARIANT_TRUE;
  EXPECT_EQ(session_->IsSameAs(B(archive).get(), B(mailbox).get(), &same), S_OK);
  EXPECT_EQ(same, VARIANT_FALSE);
  EXPECT_EQ(session_->IsSameAs(B(archive).get(), B(L"").get(), &same), E_INVALIDARG);
  EXPECT_EQ(session_->IsSameAs(B(archive).get(), B(L"ABC").get(), &same), E_INVALIDARG);

  // A store by identifier is a new object named by the store.
  ComPtr<IQMXMessageStore> byId;
  ASSERT_EQ(session_->get_MsgStoreByStoreId(B(mailbox).get(), byId.put()), S_OK);
  Bstr name;
  byId->get_DisplayName(name.put());
  EXPECT_EQ(Str(name.get()), L"Mailbox");
  ComPtr<IQMXMessageStore> fromTable;
  session_->get_MsgStore(1, fromTable.put());
  EXPECT_NE(byId.get(), fromTable.get());
  EXPECT_EQ(session_->get_MsgStoreByStoreId(B(L"ABC").get(), byId.put()), E_INVALIDARG);
  EXPECT_EQ(session_->get_MsgStoreByStoreId(B(L"").get(), byId.put()), E_INVALIDARG);
}

TEST_F(SessionTest, ProfileInformationAndProfilesIni) {
  ScratchFile ini("_dir");
  CreateDirectoryA(ini.path().c_str(), nullptr);
  session_->put_InifilePath(B(ini.wpath()).get());
  const std::string file = ini.path() + "\\Profiles.ini";
  // Hosts before version 10 refuse the provider sections: nothing can be recorded.
  ASSERT_TRUE(Logon());
  EXPECT_EQ(GetFileAttributesA(file.c_str()), INVALID_FILE_ATTRIBUTES);
  session_->put_OutlookVersion(11);
  ASSERT_TRUE(Logon());

  LONG profiles = 0;
  session_->get_ProfileCount(&profiles);
  EXPECT_EQ(profiles, 2);
  std::set<std::wstring> names;
  for (LONG i = 0; i < profiles; ++i) {
    Bstr name;
    ASSERT_EQ(session_->get_ProfileName(i, name.put()), S_OK);
    names.insert(Str(name.get()));
  }
  EXPECT_EQ(names, (std::set<std::wstring>{L"Work", L"Home"}));
  Bstr name;
  EXPECT_EQ(session_->get_ProfileName(profiles, name.put()), E_INVALIDARG);
  session_->get_DefaultProfileName(name.put());
  EXPECT_EQ(Str(name.get()), L"Work");
  session_->get_CurrentProfileName(name.put());
  EXPECT_EQ(Str(name.get()), L"Work");
  session_->get_CurrentUser(name.put());
  EXPECT_NE(name.get(), nullptr);

  // One section per store provider of every profile, named by its identifier.
  char sections[4096] = {};
  const DWORD length = GetPrivateProfileSectionNamesA(sections, sizeof sections, file.c_str());
  std::set<std::string> displayNames;
  for (const char* s = sections; s < sections + length && *s; s += strlen(s) + 1) {
    char value[256] = {};
    GetPrivateProfileStringA(s, "PR_DISPLAY_NAME", "", value, sizeof value, file.c_str());
    displayNames.insert(value);
    GetPrivateProfileStringA(s, "PR_PROFILE_NAME", "", value, sizeof value, file.c_str());
    EXPECT_TRUE(std::string(value) == "Work" || std::string(value) == "Home") << value;
  }
  EXPECT_EQ(displayNames,
            (std::set<std::string>{"Mailbox", "Public Folders", "Archive", "Home Archive"}));
  // The server mailbox of the current profile is listed under its own store identifier.
  const std::wstring mailboxId = StoreId(1);
  const std::string mailbox(mailboxId.begin(), mailboxId.end());
  char value[256] = {};
  GetPrivateProfileStringA(mailbox.c_str(), "PR_SERVICE_NAME", "", value, sizeof value,
                           file.c_str());
  EXPECT_STREQ(value, "MSEMS");
  RemoveDirectoryA(ini.path().c_str());
  DeleteFileA(file.c_str());
}

TEST_F(SessionTest, LogonAgainReplacesTheSessionAndLogoffIsHarmless) {
  ASSERT_TRUE(Logon());
  ASSERT_TRUE(Logon());
  LONG profiles = 0, stores = 0;
  session_->get_ProfileCount(&profiles);
  session_->get_StoreCount(&stores);
  EXPECT_EQ(profiles, 2);  // the list is rebuilt, not doubled
  EXPECT_EQ(stores, 3);

  // Logoff without uninitialising keeps MAPI; the store count keeps its value.
  EXPECT_EQ(session_->Logoff(VARIANT_FALSE), S_OK);
  session_->get_StoreCount(&stores);
  EXPECT_EQ(stores, 3);
  ComPtr<IQMXMessageStore> store;
  EXPECT_EQ(session_->get_MsgStore(0, store.put()), E_INVALIDARG);
  Bstr id;
  EXPECT_EQ(session_->get_MsgStoreId(0, id.put()), S_OK);
  EXPECT_EQ(id.get(), nullptr);
  ComPtr<IUnknown> mapi;
  session_->get_MAPIObject(mapi.put());
  EXPECT_FALSE(mapi);
  // A store by identifier, like the other store members, is nothing and no error.
  EXPECT_EQ(session_->get_MsgStoreByStoreId(B(L"ABCD").get(), store.put()), S_OK);
  EXPECT_FALSE(store);
  EXPECT_EQ(session_->Logoff(VARIANT_TRUE), S_OK);
  EXPECT_EQ(session_->Logoff(VARIANT_TRUE), S_OK);
  ASSERT_TRUE(Logon());
}

TEST_F(SessionTest, FailedLogonIsReportedThroughTheResultAndTheLog) {
  ScratchFile log(".log");
  session_->put_LogFile(B(log.wpath()).get());
  session_->put_LoggingEnabled(VARIANT_TRUE);
  MapiFixture::SetFault("MAPILogonEx", MAPI_E_LOGON_FAILED);
  VARIANT_BOOL ok = VARIANT_TRUE;
  EXPECT_EQ(session_->Logon(nullptr, nullptr, &ok), S_OK);
  EXPECT_EQ(ok, VARIANT_FALSE);
  LONG stores = -1;
  session_->get_StoreCount(&stores);
  EXPECT_EQ(stores, 0);
  session_.reset();  // closes the log
  const std::string text = log.Read();
  EXPECT_NE(text.find("\tLogon\tMAPI Logon...\t"), std::string::npos);
  const auto first = text.find("\tLogon\tLogon failed.\t");
  ASSERT_NE(first, std::string::npos);
  EXPECT_NE(text.find("\tLogon\tLogon failed.\t", first + 1), std::string::npos);  // both tries
}

TEST_F(SessionTest, LogonTracesItsSteps) {
  ScratchFile log(".log");
  session_->put_LogFile(B(log.wpath()).get());
  session_->put_LoggingEnabled(VARIANT_TRUE);
  ASSERT_TRUE(Logon());
  session_->Logoff(VARIANT_TRUE);
  session_.reset();
  const std::string text = log.Read();
  for (const char* line :
       {"\tLogon\tMAPI Logon...\t", "\tLogon\t...finished.\t",
        "\tGetMsgStoresTable\tInit store: Archive\t", "\tGetMsgStoresTable\tInit store: Mailbox\t",
        "\tLogoff\tMAPISession logoff\t", "\tLogoff\tMAPIUninitialize\t",
        "\t~CQMXSession\tSession destructed.\t"})
    EXPECT_NE(text.find(line), std::string::npos) << line;
}

// A store table change reloads the rows: a store added to the profile shows once the
// session handles a change of its table, whatever the change names.
TEST_F(SessionTest, StoreTableChangesReloadTheRows) {
  ScratchFile log(".log");
  ASSERT_EQ(session_->put_LogFile(B(log.wpath()).get()), S_OK);
  ASSERT_EQ(session_->put_LoggingEnabled(VARIANT_TRUE), S_OK);
  ASSERT_TRUE(Logon());
  // The table changes; its own notification waits for this thread to pump, which it does
  // not do here, so only the changes handed in below can reload the rows.
  ComPtr<IProviderAdmin> providers = PersonalFoldersProviders();
  ASSERT_TRUE(providers);
  MAPIUID uid{};
  ASSERT_EQ(AddStore(providers.get(), "Extra", uid), S_OK);
  LONG stores = 0;
  ASSERT_EQ(session_->get_StoreCount(&stores), S_OK);
  ASSERT_EQ(stores, 3);

  char name[] = "Extra";
  SPropValue values[1] = {};
  values[0].ulPropTag = PR_DISPLAY_NAME_A;
  values[0].Value.lpszA = name;
  NOTIFICATION changes[4] = {};
  for (auto& n : changes) n.ulEventType = fnevTableModified;
  changes[0].info.tab.ulTableEvent = TABLE_ROW_ADDED;
  changes[0].info.tab.row = {0, 1, values};
  changes[1].info.tab.ulTableEvent = TABLE_CHANGED;
  changes[2].info.tab.ulTableEvent = 99;
  changes[3].ulEventType = fnevNewMail;  // not a table change: skipped
  session_->OnTableNotify(4, changes);
  ASSERT_EQ(session_->get_StoreCount(&stores), S_OK);
  EXPECT_EQ(stores, 4);
  EXPECT_EQ(StoreName(1), L"Extra");  // Archive, Extra, Mailbox, Public Folders
  Bstr id;
  EXPECT_EQ(session_->get_MsgStoreId(3, id.put()), S_OK);
  EXPECT_TRUE(id);
  ASSERT_EQ(providers->DeleteProvider(&uid), S_OK);
  ASSERT_EQ(session_->Logoff(VARIANT_TRUE), S_OK);
  session_.reset();
  const std::string text = log.Read();
  for (const char* line :
       {"\tOnNotify\tTable Notification.\t", "\tOnNotify\tTABLE_ROW_ADDED\t", "\tOnNotify\tExtra\t",
        "\tReloadMsgStoresTable\tFunction started.\t", "\tOnNotify\tTABLE_CHANGED\t",
        "\tOnNotify\tSomething else happened...\t"})
    EXPECT_NE(text.find(line), std::string::npos) << line;
}

// A store added to the profile while the client is logged on reaches the store count
// through MAPI's table notification; removing it takes it away again. The logon looks the
// server mailbox up by its display name for "Profiles.ini" (hosts from version 10 on),
// which must leave the session's table whole.
TEST_F(SessionTest, StoresAddedToTheProfileWhileLoggedOnAreCounted) {
  ASSERT_EQ(session_->put_OutlookVersion(11), S_OK);
  ASSERT_TRUE(Logon());
  ComPtr<IProviderAdmin> providers = PersonalFoldersProviders();
  ASSERT_TRUE(providers);
  MAPIUID uid{};
  ASSERT_EQ(AddStore(providers.get(), "Extra", uid), S_OK);
  LONG count = 0;
  EXPECT_TRUE(PumpUntil([&] { return session_->get_StoreCount(&count), count == 4; })) << count;
  EXPECT_EQ(StoreName(1), L"Extra");  // Archive, Extra, Mailbox, Public Folders
  ASSERT_EQ(providers->DeleteProvider(&uid), S_OK);
  EXPECT_TRUE(PumpUntil([&] { return session_->get_StoreCount(&count), count == 3; })) << count;
}

TEST_F(SessionTest, HostSessionIsUsedAndOnlyMapiSessionsAreAccepted) {
  EXPECT_EQ(session_->put_MAPIObject(nullptr), E_INVALIDARG);
  ComPtr<IUnknown> notASession;
  ASSERT_EQ(CQMXSession::CreateInstance(IID_IUnknown, notASession.put_void()), S_OK);
  EXPECT_EQ(session_->put_MAPIObject(notASession.get()), E_NOINTERFACE);
  ComPtr<IUnknown> held;
  session_->get_MAPIObject(held.put());
  EXPECT_FALSE(held);
}

TEST_F(SessionTest, PersonalAndUserFoldersAreNamed) {
  Bstr personal, user;
  EXPECT_EQ(session_->get_PersonalFolder(personal.put()), S_OK);
  EXPECT_EQ(session_->get_UserFolder(user.put()), S_OK);
  EXPECT_GT(SysStringLen(personal.get()), 0u);
  EXPECT_GT(SysStringLen(user.get()), 0u);
}

}  // namespace
