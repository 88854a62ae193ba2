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

// Text of a new content object of the module for a new file; true when Open succeeded.
bool ReadThroughModule(const LibraryModule& dll, const char* file, const char* text) {
  ComPtr<IClassFactory> factory;
  EXPECT_EQ(dll.GetClassObject(CLSID_QMXFileContent, IID_IClassFactory, factory.put_void()), S_OK);
  if (!factory) return false;
  ComPtr<IQMXFileContent> content;
  EXPECT_EQ(factory->CreateInstance(nullptr, IID_IQMXFileContent, content.put_void()), S_OK);
  if (!content) return false;
  const std::string path = WriteTempFile(file, text);
  VARIANT_BOOL opened = VARIANT_FALSE;
  EXPECT_EQ(content->Open(nullptr, MakeBstr(path).get(), &opened), S_OK);
  Bstr read;
  EXPECT_EQ(content->get_FileContent(read.put()), S_OK);
  EXPECT_EQ(std::string(read.get(), read.get() + SysStringLen(read.get())), text);
  content->Close();
  DeleteFileA(path.c_str());
  return opened == VARIANT_TRUE;
}

// Through the built DLL: loading the module loads no filter library; the first Open
// loads all three by full path without moving the current directory. When the last
// object has gone, DllCanUnloadNow ends the filter and frees them, and the next first
// use loads them again. Unloading the module itself never calls into the filter, which
// would run under the loader lock: a filter still loaded then stays loaded. The stream
// callbacks are exported by name.
TEST(EngineProcessTest, DllLoadsTheEngineOnFirstUseAndEndsItWhenNoObjectIsLeft) {
  if (!InChild()) {
    EXPECT_EQ(
        RunInChild("EngineProcessTest.DllLoadsTheEngineOnFirstUseAndEndsItWhenNoObjectIsLeft"), 0u);
    return;
  }
  const char* const libraries[] = {"SCCTA.DLL", "SCCDA.DLL", "SCCCA.DLL"};
  const auto expectLoaded = [&libraries](bool loaded) {
    for (const char* name : libraries)
      EXPECT_EQ(GetModuleHandleA(EngineLibrary(name).c_str()) != nullptr, loaded) << name;
  };
  const std::string before = CurrentDirectory();
  {
    LibraryModule dll;
    ASSERT_TRUE(dll.loaded());
    expectLoaded(false);
    HMODULE module = GetModuleHandleW(dll.path().c_str());
    for (const char* name : {"CQMXFileContent::StreamClose", "CQMXFileContent::StreamRead",
                             "CQMXFileContent::StreamSeek", "CQMXFileContent::StreamTell",
                             "CQMXFileContent::StreamGetInfo"})
      EXPECT_NE(GetProcAddress(module, name), nullptr) << name;

    // 1. First use loads the filter, by full path, leaving the current directory.
    EXPECT_TRUE(ReadThroughModule(dll, "engine_dll.txt", "text through the module"));
    EXPECT_EQ(CurrentDirectory(), before);
    expectLoaded(true);
    // 2. No object left: asked whether it can go, the module ends the filter.
    EXPECT_EQ(dll.CanUnloadNow(), S_OK);
    expectLoaded(false);
    // 3. The next first use loads it again.
    EXPECT_TRUE(ReadThroughModule(dll, "engine_again.txt", "text after the filter was ended"));
    expectLoaded(true);
  }
  // 4. The module went without being asked: the filter was left alone.
  expectLoaded(true);
}

}  // namespace
}  // namespace contenttest
