// Error information that failing members leave for automation clients, and the string
// table it draws on.
#include <gtest/gtest.h>

#include "KelMsgs.h"
#include "foundation/ComPtr.h"
#include "foundation/Owned.h"
#include "frame/ErrorReport.h"
#include "frame/Module.h"
#include "frame/resource.h"
#include "support/LibraryModule.h"

using kelmsgs::Bstr;
using kelmsgs::ComPtr;
using kelmsgs::ReportError;

namespace {

struct Reported {
  Bstr source, description, helpFile;
  GUID guid{};
  DWORD helpContext = 0;
};

Reported Take() {
  Reported r;
  ComPtr<IErrorInfo> info;
  EXPECT_EQ(GetErrorInfo(0, info.put()), S_OK);
  if (!info) return r;
  info->GetSource(r.source.put());
  info->GetDescription(r.description.put());
  info->GetHelpFile(r.helpFile.put());
  info->GetGUID(&r.guid);
  info->GetHelpContext(&r.helpContext);
  return r;
}

TEST(ErrorReportTest, DescriptionFromTheStringTable) {
  const HRESULT hr = ReportError(CLSID_QMXRegistryTools, IDS_CANNOT_OPEN_STORE, 0, nullptr,
                                 IID_IQMXRegistryTools, E_FAIL, kelmsgs::Module::Instance());
  EXPECT_EQ(hr, E_FAIL);
  const Reported r = Take();
  EXPECT_STREQ(r.description.get(), L"Unable to open message store.");
  EXPECT_STREQ(r.source.get(), L"KelMsgs.QMXRegistryTools.1");  // registered in the prefix
  EXPECT_EQ(r.guid, IID_IQMXRegistryTools);
  EXPECT_EQ(r.helpFile.get(), nullptr);
}

TEST(ErrorReportTest, MissingEntryAndZeroResult) {
  // An entry that does not exist reads "Unknown Error"; a zero result becomes an
  // interface-specific code carrying the id.
  const HRESULT hr = ReportError(CLSID_QMXRegistryTools, 99, 0, nullptr, IID_IQMXRegistryTools, 0,
                                 kelmsgs::Module::Instance());
  EXPECT_EQ(hr, static_cast<HRESULT>(0x80040063));
  EXPECT_STREQ(Take().description.get(), L"Unknown Error");
  // A text description with a zero result gives the dispatch exception code.
  EXPECT_EQ(
      ReportError(CLSID_QMXRegistryTools, "Some failure.", 0, nullptr, IID_IQMXRegistryTools, 0),
      DISP_E_EXCEPTION);
  EXPECT_STREQ(Take().description.get(), L"Some failure.");
}

TEST(ErrorReportTest, SourceOnlyForRegisteredClassesAndHelpOnlyWhenComplete) {
  const CLSID unregistered = {0x12345678, 0x1, 0x2, {1, 2, 3, 4, 5, 6, 7, 8}};
  ReportError(unregistered, "X", 5, nullptr, IID_IDispatch, E_FAIL);
  Reported r = Take();
  EXPECT_TRUE(!r.source || SysStringLen(r.source.get()) == 0);
  EXPECT_EQ(r.helpContext, 0u);

  ReportError(CLSID_QMXMemoryStatus, "X", 5, L"help.chm", IID_IQMXMemoryStatus, E_FAIL);
  r = Take();
  EXPECT_STREQ(r.source.get(), L"KelMsgs.QMXMemoryStatus.1");
  EXPECT_EQ(r.helpContext, 5u);
  EXPECT_STREQ(r.helpFile.get(), L"help.chm");
}

// The texts clients see come from the German-language string table of the DLL itself.
TEST(ErrorReportTest, StringTableOfTheLibrary) {
  LibraryModule dll;
  ASSERT_TRUE(dll.loaded());
  const HMODULE module = GetModuleHandleW(dll.path().c_str());
  const struct {
    UINT id;
    const char* text;
  } entries[] = {{100, "KelMsgs"},
                 {101, "The file is corrupt."},
                 {109, "Could not update environemt path."},
                 {115, "SCCVW_INITDRAWPAGE has not been called ."},
                 {116, "Could not allocate memory."},
                 {125, "No permission to send mails."},
                 {126, "Unable to open message store."},
                 {127, "Unable to open rootfolder."}};
  for (const auto& e : entries) {
    char text[1024] = {};
    LoadStringA(module, e.id, text, sizeof text);
    EXPECT_STREQ(text, e.text) << e.id;
  }
  // Strings 112 to 127 form block 8, all in language 1031.
  EXPECT_NE(FindResourceExW(module, MAKEINTRESOURCEW(6), MAKEINTRESOURCEW(8),
                            MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN)),
            nullptr);
  EXPECT_NE(FindResourceExW(module, L"REGISTRY", MAKEINTRESOURCEW(127),
                            MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN)),
            nullptr);
  EXPECT_NE(FindResourceExW(module, MAKEINTRESOURCEW(5), MAKEINTRESOURCEW(201),
                            MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN)),
            nullptr);
}

}  // namespace
