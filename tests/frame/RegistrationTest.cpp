// Registration and unregistration of the classes and the type library in HKCR. The test
// leaves the library registered from the same path, as the prefix had it.
#include <gtest/gtest.h>

#include <string>

#include "KelMsgs.h"
#include "foundation/Owned.h"
#include "support/LibraryModule.h"

using kelmsgs::RegKey;

namespace {

const char* kLibId = "{7D2393B1-4D64-11D7-A938-0050DAE9D895}";
// The type library's platform subkeys: this build's and the other bitness's. Both builds
// register in one WoW64 prefix, where the two DLLs share the type library's key.
const char* kOwnPlatform = sizeof(void*) == 8 ? "win64" : "win32";
const char* kOtherPlatform = sizeof(void*) == 8 ? "win32" : "win64";

bool KeyExists(const std::string& path) {
  RegKey key;
  return RegOpenKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}

// A string value, or "<missing>".
std::string Value(const std::string& path, const char* name = nullptr) {
  char data[1024] = {};
  DWORD size = sizeof data;
  if (RegGetValueA(HKEY_CLASSES_ROOT, path.c_str(), name, RRF_RT_REG_SZ, nullptr, data, &size) !=
      ERROR_SUCCESS)
    return "<missing>";
  return data;
}

std::string Narrow(const std::wstring& w) {
  return std::string(w.begin(), w.end());
}

struct ClassRow {
  const char* name;
  const char* clsid;
};
const ClassRow kClasses[] = {{"QMXMessageStore", "{7D2393C0-4D64-11D7-A938-0050DAE9D895}"},
                             {"QMXStoreFolder", "{FB36E057-4EE3-11D7-A93A-0050DAE9D895}"},
                             {"QMXMessage", "{5B907E77-69B1-11D7-A95A-0050DAE9D895}"},
                             {"QMXFileContent", "{BD7A4A77-6D92-11D7-A963-0050DAE9D895}"},
                             {"QMXAttach", "{FA148936-74B3-11D7-A96C-0050DAE9D895}"},
                             {"QMXSession", "{147E8AA4-77DD-11D7-A970-0050DAE9D895}"},
                             {"QMXRegistryTools", "{B9878382-91C3-11D7-A992-0050DAE9D895}"},
                             {"QMXMemoryStatus", "{D7BE52F6-A566-11D7-A9AE-0050DAE9D895}"},
                             {"QMXClipboardMonitor", "{81FE5E6D-0073-428A-B2AE-C47F7B5415E6}"}};

// The class keys whose in-process server is the DLL at path.
std::size_t ClassesServedBy(const std::string& path) {
  RegKey clsids;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, "CLSID", 0, KEY_READ, clsids.put()) != ERROR_SUCCESS)
    return 0;
  std::size_t count = 0;
  char name[256];
  for (DWORD i = 0;; ++i) {
    DWORD length = sizeof name;
    if (RegEnumKeyExA(clsids.get(), i, name, &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS)
      break;
    if (Value(std::string("CLSID\\") + name + "\\InprocServer32") == path) ++count;
  }
  return count;
}

class RegistrationTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(dll_.loaded()); }
  void TearDown() override { EXPECT_EQ(dll_.Register(), S_OK); }
  LibraryModule dll_;
};

TEST_F(RegistrationTest, RegistersClassesProgIdsAndTypeLibrary) {
  ASSERT_EQ(dll_.Register(), S_OK);
  for (const auto& c : kClasses) {
    SCOPED_TRACE(c.name);
    const std::string progId = std::string("KelMsgs.") + c.name;
    const std::string description = std::string(c.name) + " Class";
    const std::string clsidKey = std::string("CLSID\\") + c.clsid;
    EXPECT_EQ(Value(progId + ".1"), description);
    EXPECT_EQ(Value(progId + ".1\\CLSID"), c.clsid);
    EXPECT_EQ(Value(progId), description);
    EXPECT_EQ(Value(progId + "\\CLSID"), c.clsid);
    EXPECT_EQ(Value(progId + "\\CurVer"), progId + ".1");
    EXPECT_EQ(Value(clsidKey), description);
    EXPECT_EQ(Value(clsidKey + "\\ProgID"), progId + ".1");
    EXPECT_EQ(Value(clsidKey + "\\VersionIndependentProgID"), progId);
    EXPECT_TRUE(KeyExists(clsidKey + "\\Programmable"));
    EXPECT_EQ(Value(clsidKey + "\\InprocServer32"), Narrow(dll_.path()));
    // Objects live in the client's single-threaded apartment: no threading model.
    EXPECT_EQ(Value(clsidKey + "\\InprocServer32", "ThreadingModel"), "<missing>");
    EXPECT_EQ(Value(clsidKey + "\\TypeLib"), kLibId);
  }
  const std::string version = std::string("TypeLib\\") + kLibId + "\\1.0";
  EXPECT_EQ(Value(version), "Quendrel Messages 1.0 Object Library");
  EXPECT_EQ(Value(version + "\\0\\" + kOwnPlatform), Narrow(dll_.path()));
  // Exactly the nine classes of the table, no more.
  EXPECT_EQ(ClassesServedBy(Narrow(dll_.path())), std::size(kClasses));
}

TEST_F(RegistrationTest, UnregistrationRemovesClassKeysButKeepsTheClsidRoot) {
  ASSERT_EQ(dll_.Register(), S_OK);
  ASSERT_EQ(dll_.Unregister(), S_OK);
  for (const auto& c : kClasses) {
    SCOPED_TRACE(c.name);
    const std::string progId = std::string("KelMsgs.") + c.name;
    EXPECT_FALSE(KeyExists(progId));
    EXPECT_FALSE(KeyExists(progId + ".1"));
    EXPECT_FALSE(KeyExists(std::string("CLSID\\") + c.clsid));
  }
  EXPECT_TRUE(KeyExists("CLSID"));
  // This bitness's type-library path goes; the version key goes with it unless the other
  // bitness's DLL still registers the library there.
  const std::string version = std::string("TypeLib\\") + kLibId + "\\1.0";
  EXPECT_FALSE(KeyExists(version + "\\0\\" + kOwnPlatform));
  if (!KeyExists(version + "\\0\\" + kOtherPlatform)) {
    EXPECT_FALSE(KeyExists(version));
  }
}

// A class key is replaced as a whole at registration: stale content from an earlier
// installation (such as a threading model) does not survive.
TEST_F(RegistrationTest, RegistrationReplacesStaleClassKeys) {
  const std::string server = std::string("CLSID\\") + kClasses[0].clsid + "\\InprocServer32";
  RegKey key;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, server.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, key.put(), nullptr),
            ERROR_SUCCESS);
  RegSetValueExA(key.get(), "ThreadingModel", 0, REG_SZ, reinterpret_cast<const BYTE*>("Both"), 5);
  key.reset();
  ASSERT_EQ(dll_.Register(), S_OK);
  EXPECT_EQ(Value(server, "ThreadingModel"), "<missing>");
  EXPECT_EQ(Value(server), Narrow(dll_.path()));
}

}  // namespace
