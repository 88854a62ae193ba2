// QMXSession::RemoveStore against the messaging stand-in: the provider of the name leaves
// the profile, services without one lose their section, the registry sweep of the result
// store's sections, the log, failures of each step and a client that re-enters.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "KelMsgs.h"
#include "foundation/ComPtr.h"
#include "foundation/Owned.h"
#include "session/QMXSession.h"
#include "support/BstrText.h"
#include "support/MapiFixture.h"
#include "support/TestRegistry.h"

using kelmsgs::Bstr;
using kelmsgs::ComPtr;
using kelmsgs::CQMXSession;
using kelmsgs::RegKey;

namespace {

// The default profile "Work": two services named "Archive" (one with two stores of that
// name, the other with none), the mailbox, a service and store "Projects", and the
// library's result store.
const char* const kProfile = R"({
  "profiles": [{"name": "Work", "default": true, "services": [
    {"service": "MSUPST MS", "displayName": "Personal Folders", "stores": [
      {"displayName": "Mailbox", "file": "mailbox.kms", "default": true}]},
    {"service": "MSUPST MS", "displayName": "Archive", "stores": [
      {"displayName": "Archive", "file": "archive1.kms"},
      {"displayName": "Archive", "file": "archive2.kms"}]},
    {"service": "MSUPST MS", "displayName": "Archive", "stores": [
      {"displayName": "Archive 2003", "file": "archive2003.kms"}]},
    {"service": "MSUPST MS", "displayName": "Projects", "stores": [
      {"displayName": "Projects", "file": "projects.kms"}]},
    {"service": "MSUPST MS", "displayName": "Quendrel e-mail Management", "stores": [
      {"displayName": "Quendrel e-mail Management", "file": "results.kms"}]}]}]})";

const std::string kProfileKey =
    "Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows Messaging Subsystem\\Profiles\\Work";
constexpr const char* kDisplayNameValue = "001e3001";  // PR_DISPLAY_NAME_A
constexpr const char* kProviderUidValue = "0102300c";  // PR_PROVIDER_UID

// A profile section as the registry holds it.
struct Section {
  std::string key;
  bool provider = false;
};

// The sections of the profile whose display name is the given one.
std::vector<Section> SectionsNamed(const std::string& name) {
  std::vector<Section> found;
  RegKey profile;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kProfileKey.c_str(), 0, KEY_READ, profile.put()) != 0)
    return found;
  char key[256];
  for (DWORD i = 0;; ++i) {
    DWORD size = sizeof key;
    if (RegEnumKeyExA(profile.get(), i, key, &size, nullptr, nullptr, nullptr, nullptr) != 0) break;
    RegKey section;
    if (RegOpenKeyExA(profile.get(), key, 0, KEY_READ, section.put()) != 0) continue;
    char value[256] = {};
    DWORD valueSize = sizeof value - 1;
    if (RegQueryValueExA(section.get(), kDisplayNameValue, nullptr, nullptr,
                         reinterpret_cast<BYTE*>(value), &valueSize) != 0 ||
        name != value)
      continue;
    const bool provider =
        RegQueryValueExA(section.get(), kProviderUidValue, nullptr, nullptr, nullptr, nullptr) == 0;
    found.push_back({key, provider});
  }
  return found;
}

std::vector<std::string> Keys(const std::vector<Section>& sections, bool providers) {
  std::vector<std::string> keys;
  for (const Section& s : sections)
    if (s.provider == providers) keys.push_back(s.key);
  return keys;
}

bool SectionExists(const std::string& key) {
  RegKey section;
  return RegOpenKeyExA(HKEY_CURRENT_USER, (kProfileKey + "\\" + key).c_str(), 0, KEY_READ,
                       section.put()) == 0;
}

void WriteValue(const std::string& key, const char* name, const std::string& text, DWORD type) {
  RegKey section;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, (kProfileKey + "\\" + key).c_str(), 0, nullptr, 0,
                            KEY_ALL_ACCESS, nullptr, section.put(), nullptr),
            0);
  ASSERT_EQ(
      RegSetValueExA(section.get(), name, 0, type, reinterpret_cast<const BYTE*>(text.c_str()),
                     static_cast<DWORD>(text.size() + 1)),
      0);
}

class RemoveStoreTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(fixture_.loaded()) << fixture_.error();
    ASSERT_EQ(CQMXSession::Create(session_), S_OK);
    ASSERT_EQ(session_->put_LogFile(B(log_.wpath().c_str()).get()), S_OK);
    ASSERT_EQ(session_->put_LoggingEnabled(VARIANT_TRUE), S_OK);
  }
  void TearDown() override {
    MapiFixture::ClearFaults();
    if (session_) {
      EXPECT_EQ(session_->Logoff(VARIANT_TRUE), S_OK);
    }
  }

  bool Logon() {
    VARIANT_BOOL ok = VARIANT_FALSE;
    EXPECT_EQ(session_->Logon(nullptr, nullptr, &ok), S_OK);
    return ok == VARIANT_TRUE;
  }
  // The store names after a new logon (the table of a session follows the profile).
  std::vector<std::string> StoresAfterNewLogon() {
    EXPECT_EQ(session_->Logoff(VARIANT_FALSE), S_OK);
    std::vector<std::string> names;
    if (!Logon()) return names;
    LONG count = 0;
    EXPECT_EQ(session_->get_StoreCount(&count), S_OK);
    for (LONG i = 0; i < count; ++i) {
      Bstr name;
      EXPECT_EQ(session_->get_MsgStoreDisplayName(i, name.put()), S_OK);
      names.push_back(Narrow(name.get()));
    }
    return names;
  }
  bool Logged(const std::string& operation, const std::string& text) {
    return log_.Read().find("\t" + operation + "\t" + text + "\t") != std::string::npos;
  }

  MapiFixture fixture_{kProfile};
  ScratchFile log_{".log"};
  ComPtr<CQMXSession> session_;
};

TEST_F(RemoveStoreTest, NeedsANameAndDoesNothingWhileLoggedOff) {
  EXPECT_EQ(session_->RemoveStore(nullptr), E_INVALIDARG);
  EXPECT_EQ(session_->RemoveStore(B(L"").get()), E_INVALIDARG);
  EXPECT_EQ(session_->RemoveStore(B(L"Projects").get()), S_OK);
  EXPECT_EQ(SectionsNamed("Projects").size(), 2u);
  EXPECT_EQ(log_.Read().find("RemoveStore"), std::string::npos);
}

TEST_F(RemoveStoreTest, RemovesTheStoreOfTheNameFromTheProfile) {
  ASSERT_TRUE(Logon());
  LONG before = 0;
  ASSERT_EQ(session_->get_StoreCount(&before), S_OK);
  const std::vector<Section> sections = SectionsNamed("Projects");
  const std::vector<std::string> provider = Keys(sections, true);
  const std::vector<std::string> service = Keys(sections, false);
  ASSERT_EQ(provider.size(), 1u);
  ASSERT_EQ(service.size(), 1u);

  EXPECT_EQ(session_->RemoveStore(B(L"Projects").get()), S_OK);

  // The provider's section goes; the service and every other store stay.
  EXPECT_FALSE(SectionExists(provider[0]));
  EXPECT_TRUE(SectionExists(service[0]));
  EXPECT_TRUE(Logged("RemoveStore", "Deleting service " + service[0] + ", 1/1"));
  EXPECT_TRUE(Logged("RemoveStore", "Deleting provider " + provider[0] + ", 1/1"));
  EXPECT_TRUE(Logged("RemoveStore", "Removed store 'Projects'."));
  const auto stores = StoresAfterNewLogon();
  EXPECT_EQ(static_cast<LONG>(stores.size()), before - 2);  // the result store went too
  EXPECT_EQ(stores, (std::vector<std::string>{"Archive", "Archive", "Archive 2003", "Mailbox"}));
}

TEST_F(RemoveStoreTest, FirstProviderOfTheNameGoesAndServicesWithoutOneLoseTheirSection) {
  ASSERT_TRUE(Logon());
  // The stand-in lists services in the order of their registry keys.
  const std::vector<std::string> services = Keys(SectionsNamed("Archive"), false);
  ASSERT_EQ(services.size(), 2u);
  const std::vector<std::string> providers = Keys(SectionsNamed("Archive"), true);
  ASSERT_EQ(providers.size(), 2u);

  const HRESULT hr = session_->RemoveStore(B(L"Archive").get());

  // The service with providers of the name keeps its section, the other one loses it.
  ASSERT_NE(SectionExists(services[0]), SectionExists(services[1]));
  const bool ownerFirst = SectionExists(services[0]);
  const std::string other = ownerFirst ? services[1] : services[0];
  // One of the owning service's two "Archive" providers is gone, the other stays.
  const std::vector<std::string> left = Keys(SectionsNamed("Archive"), true);
  ASSERT_EQ(left.size(), 1u);
  const std::string deleted = left[0] == providers[0] ? providers[1] : providers[0];
  // Table order and numbering in the log; the last service's outcome is the call's.
  const std::string ownerPosition = ownerFirst ? "1/2" : "2/2";
  EXPECT_TRUE(Logged("RemoveStore", "Deleting service " + services[0] + ", 1/2"));
  EXPECT_TRUE(Logged("RemoveStore", "Deleting service " + services[1] + ", 2/2"));
  EXPECT_TRUE(Logged("RemoveStore", "Deleting provider " + deleted + ", " + ownerPosition));
  EXPECT_TRUE(Logged("RemoveStore", "Removed " + kProfileKey + "\\" + other));
  EXPECT_TRUE(Logged("RemoveStore", "Removed store 'Archive'."));
  EXPECT_EQ(hr, ownerFirst ? MAPI_E_NOT_FOUND : S_OK);

  // The other stores stay; the result store's sections were swept as well.
  EXPECT_EQ(SectionsNamed("Projects").size(), 2u);
  EXPECT_TRUE(SectionsNamed("Quendrel e-mail Management").empty());
  EXPECT_EQ(StoresAfterNewLogon(),
            (std::vector<std::string>{"Archive", "Archive 2003", "Mailbox", "Projects"}));
}

TEST_F(RemoveStoreTest, NameThatMatchesNothingStillSweepsTheResultStoreSections) {
  ASSERT_TRUE(Logon());
  // Sections of the result store as a mail client or an older version left them; the
  // numbered ones sort first and next to each other.
  const std::string result = "Quendrel e-mail Management";
  const std::vector<Section> fromFixture = SectionsNamed(result);
  ASSERT_EQ(fromFixture.size(), 2u);  // the service and its provider
  WriteValue("00000000000000000000000000000001", kDisplayNameValue, result, REG_SZ);
  WriteValue("00000000000000000000000000000002", kDisplayNameValue, result, REG_SZ);
  WriteValue("00000000000000000000000000000003", "001e6700", "C:\\Data\\Quillora\\r.kms", REG_SZ);
  WriteValue("00000000000000000000000000000004", kDisplayNameValue, "quendrel e-mail management",
             REG_SZ);
  WriteValue("00000000000000000000000000000005", "001e6700", result, REG_EXPAND_SZ);
  WriteValue("00000000000000000000000000000006", kDisplayNameValue, "Results", REG_SZ);
  WriteValue("00000000000000000000000000000006", "001e3d13", "Store of " + result, REG_SZ);
  // A marked section that cannot be deleted (it has a key below it), then one that can.
  WriteValue("00000000000000000000000000000007", kDisplayNameValue, result, REG_SZ);
  WriteValue("00000000000000000000000000000007\\Below", kDisplayNameValue, "x", REG_SZ);
  WriteValue("00000000000000000000000000000008", kDisplayNameValue, result, REG_SZ);

  EXPECT_EQ(session_->RemoveStore(B(L"Nowhere").get()), S_OK);

  // Every deletable section of the result store is gone, adjacent ones included.
  for (const char* key : {"00000000000000000000000000000001", "00000000000000000000000000000002",
                          "00000000000000000000000000000006", "00000000000000000000000000000008"})
    EXPECT_FALSE(SectionExists(key)) << key;
  for (const Section& s : fromFixture) EXPECT_FALSE(SectionExists(s.key)) << s.key;
  // A vendor path is reported only; lower case and other value types do not count.
  for (const char* key : {"00000000000000000000000000000003", "00000000000000000000000000000004",
                          "00000000000000000000000000000005", "00000000000000000000000000000007"})
    EXPECT_TRUE(SectionExists(key)) << key;
  const std::string removing = "Removing " + kProfileKey + "\\";
  EXPECT_TRUE(Logged("RemoveStoreRegKeys", removing + "00000000000000000000000000000001" +
                                               " (Quendrel e-mail Management)."));
  EXPECT_TRUE(Logged("RemoveStoreRegKeys", removing + "00000000000000000000000000000002" +
                                               " (Quendrel e-mail Management)."));
  EXPECT_TRUE(
      Logged("RemoveStoreRegKeys", removing + "00000000000000000000000000000003" + " (Quillora)."));
  EXPECT_FALSE(Logged("RemoveStoreRegKeys", removing + "00000000000000000000000000000004" +
                                                " (Quendrel e-mail Management)."));
  EXPECT_TRUE(Logged("RemoveStore", "Removed store 'Nowhere'."));
  EXPECT_EQ(log_.Read().find("Deleting service"), std::string::npos);

  EXPECT_EQ(StoresAfterNewLogon(), (std::vector<std::string>{"Archive", "Archive", "Archive 2003",
                                                             "Mailbox", "Projects"}));
}

TEST_F(RemoveStoreTest, FailuresBeforeTheServiceRowsRemoveNothing) {
  ASSERT_TRUE(Logon());
  const struct {
    const char* operation;
    ULONG succeedFirst;
  } faults[] = {{"GetMsgStoresTable", 0},  {"stores.Restrict", 0},   {"AdminServices", 0},
                {"GetMsgServiceTable", 0}, {"services.Restrict", 0}, {"HrQueryAllRows", 1}};
  for (const auto& fault : faults) {
    MapiFixture::SetFault(fault.operation, MAPI_E_NO_ACCESS, fault.succeedFirst);
    EXPECT_EQ(session_->RemoveStore(B(L"Quendrel e-mail Management").get()), MAPI_E_NO_ACCESS)
        << fault.operation;
    MapiFixture::ClearFaults();
  }
  EXPECT_EQ(SectionsNamed("Quendrel e-mail Management").size(), 2u);
  EXPECT_EQ(log_.Read().find("RemoveStore"), std::string::npos);
}

TEST_F(RemoveStoreTest, FailuresOfOneServiceAreLoggedAndReturned) {
  ASSERT_TRUE(Logon());
  const struct {
    const char* operation;
    const char* logged;  // null: only the service line
  } faults[] = {{"AdminProviders", nullptr},
                {"GetProviderTable", "Failed to get Provider table."},
                {"providers.Restrict", "Failed to set restriction."},
                {"providers.QueryRows", "Failed to query rows."},
                {"DeleteProvider", "Deleting provider "},
                // Only "not found" means the service has no provider of the name: a
                // failing search must not cost the service its section.
                {"providers.FindRow", nullptr}};
  for (const auto& fault : faults) {
    const std::string before = log_.Read();
    MapiFixture::SetFault(fault.operation, MAPI_E_CALL_FAILED);
    EXPECT_EQ(session_->RemoveStore(B(L"Projects").get()), MAPI_E_CALL_FAILED) << fault.operation;
    MapiFixture::ClearFaults();
    const std::string added = log_.Read().substr(before.size());
    EXPECT_NE(added.find("\tDeleting service "), std::string::npos) << fault.operation;
    if (fault.logged) {
      EXPECT_NE(added.find(fault.logged), std::string::npos) << fault.operation;
    }
    EXPECT_EQ(added.find("\tRemoved Software"), std::string::npos) << fault.operation;
    EXPECT_NE(added.find("\tRemoved store 'Projects'.\t"), std::string::npos) << fault.operation;
    EXPECT_EQ(SectionsNamed("Projects").size(), 2u) << fault.operation;
  }
}

// A client window that logs the session off and lets go of it when it gets a message.
CQMXSession* g_reentering = nullptr;
LRESULT CALLBACK LogoffWindow(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_APP && g_reentering) {
    EXPECT_EQ(g_reentering->Logoff(VARIANT_FALSE), S_OK);
    g_reentering->Release();
    g_reentering = nullptr;
    return 0;
  }
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

TEST_F(RemoveStoreTest, ClientThatLogsOffWhileMessagesArePumped) {
  ASSERT_TRUE(Logon());
  WNDCLASSA wc{};
  wc.lpfnWndProc = LogoffWindow;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "RemoveStoreTestWindow";
  RegisterClassA(&wc);
  HWND window = CreateWindowA(wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                              wc.hInstance, nullptr);
  ASSERT_TRUE(window);
  // The window procedure drops the client's only reference.
  CQMXSession* session = session_.detach();
  g_reentering = session;
  PostMessageA(window, WM_APP, 0, 0);

  const HRESULT hr = session->RemoveStore(B(L"Archive").get());

  EXPECT_EQ(g_reentering, nullptr);  // the message was handled inside the call
  EXPECT_TRUE(FAILED(hr));           // the session was gone before its services were read
  EXPECT_EQ(Keys(SectionsNamed("Archive"), true).size(), 2u);
  DestroyWindow(window);
}

}  // namespace
