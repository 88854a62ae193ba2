// The session with MAPI's notification thread (MAPIInit(TRUE)): store-table changes are
// handled on that thread while the client's thread walks the stores and changes the trace
// log. Its own program: the notification mode is chosen by the process's first
// MAPIInitialize.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "foundation/ComPtr.h"
#include "session/QMXSession.h"
#include "support/BstrText.h"
#include "support/MapiFixture.h"
#include "support/ProfileAdmin.h"
#include "support/TestRegistry.h"

using kelmsgs::Bstr;
using kelmsgs::ComPtr;
using kelmsgs::CQMXSession;

namespace {

const char* const kProfile = R"({
  "profiles": [
    {"name": "Work", "default": true, "services": [
      {"service": "MSPST MS", "displayName": "Personal Folders", "stores": [
        {"displayName": "Mailbox", "file": "mailbox.kms", "default": true, "flavour": "short"},
        {"displayName": "Archive", "file": "archive.kms", "flavour": "short"}]}]}
  ]})";
constexpr int kChanges = 1000;  // half of them add the store, half remove it again

// Every row the client reads is whole: a known name and an identifier.
void WalkStores(CQMXSession& session) {
  static const std::set<std::wstring> kNames = {L"Archive", L"Extra", L"Mailbox"};
  LONG count = 0;
  ASSERT_EQ(session.get_StoreCount(&count), S_OK);
  ASSERT_GE(count, 2);
  ASSERT_LE(count, 3);
  for (LONG i = 0; i < count; ++i) {
    Bstr name, id;
    const HRESULT byName = session.get_MsgStoreDisplayName(i, name.put());
    const HRESULT byId = session.get_MsgStoreId(i, id.put());
    // The table may have lost a row since it was counted.
    if (byName == E_INVALIDARG || byId == E_INVALIDARG) continue;
    ASSERT_EQ(byName, S_OK);
    ASSERT_EQ(byId, S_OK);
    EXPECT_EQ(kNames.count(Str(name.get())), 1u) << Str(name.get());
    EXPECT_GT(SysStringLen(id.get()), 0u);
  }
}

TEST(NotificationThreadTest, StoreTableChangesWhileTheClientWalksStoresAndSwapsLogs) {
  MapiFixture fixture(kProfile);
  ASSERT_TRUE(fixture.loaded()) << fixture.error();
  ComPtr<CQMXSession> session;
  ASSERT_EQ(CQMXSession::Create(session), S_OK);
  ScratchFile logs[2] = {ScratchFile(".log"), ScratchFile(".log")};
  ASSERT_EQ(session->put_LogFile(B(logs[0].wpath()).get()), S_OK);
  session->put_LoggingEnabled(VARIANT_TRUE);
  ASSERT_EQ(session->MAPIInit(VARIANT_TRUE), S_OK);
  VARIANT_BOOL ok = VARIANT_FALSE;
  ASSERT_EQ(session->Logon(nullptr, nullptr, &ok), S_OK);
  ASSERT_EQ(ok, VARIANT_TRUE);
  const ComPtr<IProviderAdmin> providers =
      ServiceProviders(MapiSessionOf(session.get()).get(), "Personal Folders");
  ASSERT_TRUE(providers);

  for (int change = 0; change < kChanges; change += 2) {
    MAPIUID uid{};
    ASSERT_EQ(AddPersonalStore(providers.get(), fixture.directory(), "Extra", uid), S_OK);
    WalkStores(*session.get());
    session->put_LogFile(B(logs[(change / 2) % 2].wpath()).get());
    ASSERT_EQ(providers->DeleteProvider(&uid), S_OK);
    WalkStores(*session.get());
    if (HasFatalFailure()) break;
  }

  // Once the notification thread has caught up, count and rows agree with the profile.
  LONG count = 0;
  for (int wait = 0; wait < 1000 && (session->get_StoreCount(&count), count != 2); ++wait)
    Sleep(10);
  EXPECT_EQ(count, 2);
  Bstr name;
  EXPECT_EQ(session->get_MsgStoreDisplayName(0, name.put()), S_OK);
  EXPECT_EQ(Str(name.get()), L"Archive");
  EXPECT_EQ(session->get_MsgStoreDisplayName(1, name.put()), S_OK);
  EXPECT_EQ(Str(name.get()), L"Mailbox");
  EXPECT_EQ(session->get_MsgStoreDisplayName(2, name.put()), E_INVALIDARG);
  session->Logoff(VARIANT_TRUE);
  session.reset();

  // Both logs hold whole lines of the session only.
  for (const auto& log : logs) {
    const std::string text = log.Read();
    std::size_t lines = 0;
    for (std::size_t start = 0, end; (end = text.find("\r\n", start)) != std::string::npos;
         start = end + 2, ++lines)
      EXPECT_NE(text.substr(start, end - start).find("  CQMXSession\t"), std::string::npos)
          << text.substr(start, 120);
    EXPECT_GT(lines, 0u);
  }
}

}  // namespace
