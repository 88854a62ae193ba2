// The engine is loaded once per process, on first use: these tests run in a process of
// their own (a child run of this program), where nothing has loaded it yet.
#include "content/ContentFixture.h"
#include "support/LibraryModule.h"

namespace contenttest {
namespace {

// A filter library's full path, from the installation directory that this process's view
// of the machine key names (each bitness has an installation of its own).
std::string EngineLibrary(const char* name) {
  char directory[1024] = {};
  DWORD size = sizeof directory;
  EXPECT_EQ(RegGetValueA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Vexa\\Vexaware\\Components", "CRO",
                         RRF_RT_REG_SZ, nullptr, directory, &size),
            ERROR_SUCCESS);
  return std::string(directory) + "\\inso\\" + name;
}

std::string CurrentDirectory() {
  char dir[MAX_PATH] = {};
  GetCurrentDirectoryA(MAX_PATH, dir);
  return dir;
}

// With the components key out of sight, Open fails, and keeps failing once the key is
// back: there is no second attempt to load the engine.
TEST(EngineProcessTest, MissingEngineFailsOpenWithoutRetry) {
  if (!InChild()) {
    EXPECT_EQ(RunInChild("EngineProcessTest.MissingEngineFailsOpenWithoutRetry"), 0u);
    return;
  }
  const std::string path = WriteTempFile("engine_missing.txt", "a plain document");

  // 1. This process sees an empty machine key in place of the real one.
  kelmsgs::RegKey empty;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\KelMsgsTests\\EmptyMachine", 0, nullptr,
                            0, KEY_ALL_ACCESS, nullptr, empty.put(), nullptr),
            ERROR_SUCCESS);
  ASSERT_EQ(RegOverridePredefKey(HKEY_LOCAL_MACHINE, empty.get()), ERROR_SUCCESS);
  ComPtr<CQMXFileContent> content;
  ASSERT_EQ(CQMXFileContent::Create(content), S_OK);
  VARIANT_BOOL opened = VARIANT_TRUE;
  EXPECT_EQ(content->Open(nullptr, MakeBstr(path).get(), &opened), S_OK);
  EXPECT_EQ(opened, VARIANT_FALSE);
  Bstr text;
  EXPECT_EQ(content->get_FileContent(text.put()), S_OK);
  EXPECT_EQ(SysStringLen(text.get()), 0u);

  // 2. The real key is back; the engine stays unloaded.
  ASSERT_EQ(RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr), ERROR_SUCCESS);
  opened = VARIANT_TRUE;
  EXPECT_EQ(content->Open(nullptr, MakeBstr(path).get(), &opened), S_OK);
  EXPECT_EQ(opened, VARIANT_FALSE);
  EXPECT_EQ(GetModuleHandleA(EngineLibrary("SCCDA.DLL").c_str()), nullptr);
  DeleteFileA(path.c_str());
  RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\KelMsgsTests\\EmptyMachine");
}

// Through the built DLL: loading the module loads no filter library; the first Open
// loads all three by full path without moving the current directory; unloading the
// module ends the filter and frees them. The stream callbacks are exported by name.
TEST(EngineProcessTest, DllLoadsTheEngineOnFirstUseAndFreesItOnUnload) {
  if (!InChild()) {
    EXPECT_EQ(RunInChild("EngineProcessTest.DllLoadsTheEngineOnFirstUseAndFreesItOnUnload"), 0u);
    return;
  }
  const char* const libraries[] = {"SCCTA.DLL", "SCCDA.DLL", "SCCCA.DLL"};
  const std::string before = CurrentDirectory();
  {
    LibraryModule dll;
    ASSERT_TRUE(dll.loaded());
    for (const char* name : libraries)
      EXPECT_EQ(GetModuleHandleA(EngineLibrary(name).c_str()), nullptr) << name;
    HMODULE module = GetModuleHandleW(dll.path().c_str());
    for (const char* name : {"CQMXFileContent::StreamClose", "CQMXFileContent::StreamRead",
                             "CQMXFileContent::StreamSeek", "CQMXFileContent::StreamTell",
                             "CQMXFileContent::StreamGetInfo"})
      EXPECT_NE(GetProcAddress(module, name), nullptr) << name;

    ComPtr<IClassFactory> factory;
    ASSERT_EQ(dll.GetClassObject(CLSID_QMXFileContent, IID_IClassFactory, factory.put_void()),
              S_OK);
    ComPtr<IQMXFileContent> content;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IQMXFileContent, content.put_void()), S_OK);
    factory.reset();

    const std::string path = WriteTempFile("engine_dll.txt", "text through the module");
    VARIANT_BOOL opened = VARIANT_FALSE;
    EXPECT_EQ(content->Open(nullptr, MakeBstr(path).get(), &opened), S_OK);
    EXPECT_EQ(opened, VARIANT_TRUE);
    EXPECT_EQ(CurrentDirectory(), before);
    for (const char* name : libraries)
      EXPECT_NE(GetModuleHandleA(EngineLibrary(name).c_str()), nullptr) << name;
    Bstr text;
    EXPECT_EQ(content->get_FileContent(text.put()), S_OK);
    EXPECT_STREQ(text.get(), L"text through the module");
    content.reset();
    DeleteFileA(path.c_str());
    EXPECT_EQ(dll.CanUnloadNow(), S_OK);
  }
  for (const char* name : libraries)
    EXPECT_EQ(GetModuleHandleA(EngineLibrary(name).c_str()), nullptr) << name;
}

}  // namespace
}  // namespace contenttest
