// QMXRegistryTools against the registry of the Wine prefix, in a scratch key of its own.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <set>

#include "KelMsgs.h"
#include "foundation/ComPtr.h"
#include "foundation/Owned.h"
#include "support/BstrText.h"
#include "support/TestRegistry.h"
#include "utilities/QMXRegistryTools.h"

using kelmsgs::Bstr;
using kelmsgs::ComPtr;
using kelmsgs::CQMXRegistryTools;
using kelmsgs::Variant;

namespace {

class RegistryToolsTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(CQMXRegistryTools::Create(tools_), S_OK); }

  Bstr Path(const std::string& sub = "") const {
    return B(sub.empty() ? key_.path() : key_.path() + "\\" + sub);
  }
  std::wstring Name(LONG i) {
    Bstr name;
    EXPECT_EQ(tools_->ValueName(i, name.put()), S_OK);
    return name ? name.get() : L"";
  }

  ScratchKey key_;
  ComPtr<CQMXRegistryTools> tools_;
};

TEST_F(RegistryToolsTest, ValuesAreListedWithStringsAndNumbersOnly) {
  key_.SetString("", "Text", "hello");
  key_.SetDword("", "Number", 0xFFFFFFFE);
  key_.SetString("", "Expand", "%TEMP%", REG_EXPAND_SZ);
  key_.SetString("", "Multi", "a", REG_MULTI_SZ);
  LONG count = 0;
  ASSERT_EQ(tools_->EnumValuesReg(rhCurrentUser, Path().get(), &count), S_OK);
  ASSERT_EQ(count, 4);
  std::map<std::wstring, LONG> index;
  for (LONG i = 0; i < count; ++i) index[Name(i)] = i;

  Variant v;
  ASSERT_EQ(tools_->ValueData(index[L"Text"], &v), S_OK);
  EXPECT_EQ(V_VT(&v), VT_BSTR);
  EXPECT_STREQ(V_BSTR(&v), L"hello");
  v.clear();
  ASSERT_EQ(tools_->ValueData(index[L"Number"], &v), S_OK);
  EXPECT_EQ(V_VT(&v), VT_I4);
  EXPECT_EQ(V_I4(&v), -2);
  v.clear();
  for (const wchar_t* other : {L"Expand", L"Multi"}) {
    ASSERT_EQ(tools_->ValueData(index[other], &v), S_OK);
    EXPECT_EQ(V_VT(&v), VT_EMPTY) << other;
    v.clear();
  }
  // Each read is a copy: freeing it leaves the list intact.
  ASSERT_EQ(tools_->ValueData(index[L"Text"], &v), S_OK);
  EXPECT_STREQ(V_BSTR(&v), L"hello");
}

// Indexes outside the lists, root numbers outside the six roots and empty paths are
// refused; a refused listing empties the list first.
TEST_F(RegistryToolsTest, BadIndexesRootsAndPathsAreRefused) {
  key_.SetString("", "Only", "x");
  key_.CreateSubkey("Sub");
  LONG count = 0;
  ASSERT_EQ(tools_->EnumValuesReg(rhCurrentUser, Path().get(), &count), S_OK);
  ASSERT_EQ(count, 1);
  ASSERT_EQ(tools_->EnumSubkeysReg(rhCurrentUser, Path().get(), &count), S_OK);
  Bstr name;
  Variant v;
  for (LONG bad : {-1L, 1L, 0x7FFFFFFFL, static_cast<LONG>(0x80000000)}) {
    EXPECT_EQ(tools_->ValueName(bad, name.put()), E_INVALIDARG);
    EXPECT_EQ(tools_->ValueData(bad, &v), E_INVALIDARG);
    EXPECT_EQ(tools_->SubkeyName(bad, name.put()), E_INVALIDARG);
  }
  EXPECT_EQ(tools_->SubkeyName(0, name.put()), S_OK);
  EXPECT_STREQ(name.get(), L"Sub");
  EXPECT_EQ(tools_->ValueName(0, name.put()), S_OK);

  EXPECT_EQ(tools_->EnumValuesReg(rhCurrentUser, B("").get(), &count), E_INVALIDARG);
  EXPECT_EQ(tools_->ValueName(0, name.put()), E_INVALIDARG);
  for (int root : {-1, 6, 100}) {
    const auto key = static_cast<RegistryHKeyConstants>(root);
    EXPECT_EQ(tools_->EnumValuesReg(key, Path().get(), &count), E_INVALIDARG);
    EXPECT_EQ(tools_->EnumSubkeysReg(key, Path().get(), &count), E_INVALIDARG);
    EXPECT_EQ(tools_->DeleteSubKey(key, Path().get()), E_INVALIDARG);
    EXPECT_EQ(tools_->DeleteValue(key, Path().get(), B("Only").get()), E_INVALIDARG);
    EXPECT_EQ(tools_->SaveKey(key, Path().get(), B("C:\\x.reg").get()), E_INVALIDARG);
  }
  EXPECT_TRUE(key_.Exists(""));
}

// Subkeys by name, one level only; a key that does not exist lists no subkeys and leaves
// the value count as it was.
TEST_F(RegistryToolsTest, SubkeysAreListedByNameAndMissingKeysListNothing) {
  for (const char* sub : {"Alpha", "Beta", "Gamma"}) key_.CreateSubkey(sub);
  key_.CreateSubkey("Alpha\\Nested");
  LONG count = 0;
  ASSERT_EQ(tools_->EnumSubkeysReg(rhCurrentUser, Path().get(), &count), S_OK);
  ASSERT_EQ(count, 3);
  std::set<std::wstring> names;
  for (LONG i = 0; i < count; ++i) {
    Bstr name;
    ASSERT_EQ(tools_->SubkeyName(i, name.put()), S_OK);
    names.insert(name.get());
  }
  EXPECT_EQ(names, (std::set<std::wstring>{L"Alpha", L"Beta", L"Gamma"}));

  count = 77;
  EXPECT_EQ(tools_->EnumValuesReg(rhCurrentUser, Path("Missing").get(), &count), S_OK);
  EXPECT_EQ(count, 77);
  EXPECT_EQ(tools_->EnumSubkeysReg(rhCurrentUser, Path("Missing").get(), &count), S_OK);
  EXPECT_EQ(count, 0);
}

TEST_F(RegistryToolsTest, DeletingKeysAndValues) {
  key_.CreateSubkey("Leaf");
  key_.CreateSubkey("Parent\\Child");
  EXPECT_EQ(tools_->DeleteSubKey(rhCurrentUser, Path("Leaf").get()), S_OK);
  EXPECT_FALSE(key_.Exists("Leaf"));
  EXPECT_EQ(tools_->DeleteSubKey(rhCurrentUser, Path("Missing").get()), S_OK);
  // A key with subkeys of its own stays, quietly.
  EXPECT_EQ(tools_->DeleteSubKey(rhCurrentUser, Path("Parent").get()), S_OK);
  EXPECT_TRUE(key_.Exists("Parent\\Child"));

  key_.SetString("", "Gone", "x");
  EXPECT_EQ(tools_->DeleteValue(rhCurrentUser, Path().get(), B("Gone").get()), S_OK);
  LONG count = 0;
  EXPECT_EQ(tools_->EnumValuesReg(rhCurrentUser, Path().get(), &count), S_OK);
  EXPECT_EQ(count, 0);
  // A key that cannot be opened is not an error; a value that cannot be deleted is.
  EXPECT_EQ(tools_->DeleteValue(rhCurrentUser, Path("Missing").get(), B("Gone").get()), S_OK);
  EXPECT_EQ(tools_->DeleteValue(rhCurrentUser, Path().get(), B("Gone").get()), E_FAIL);
  EXPECT_EQ(tools_->DeleteValue(rhCurrentUser, B("").get(), B("Gone").get()), E_INVALIDARG);
}

TEST_F(RegistryToolsTest, SaveReplacesTheFileAndRestoreNeedsAReadableFile) {
  key_.SetString("Saved", "Kept", "value");
  ScratchFile file(".hiv");
  {
    kelmsgs::CFile stale(std::fopen(file.path().c_str(), "wb"));
    std::fputs("stale content", stale.get());
  }
  ASSERT_EQ(tools_->SaveKey(rhCurrentUser, Path("Saved").get(), B(file.path()).get()), S_OK);
  const std::string saved = file.Read();
  EXPECT_EQ(saved.find("stale content"), std::string::npos);
  EXPECT_FALSE(saved.empty());

  ScratchFile missing(".hiv");
  EXPECT_EQ(tools_->RestoreKey(rhCurrentUser, Path("Restored").get(), B(missing.path()).get()),
            E_FAIL);
  EXPECT_EQ(tools_->SaveKey(rhCurrentUser, Path("Saved").get(), B("").get()), E_INVALIDARG);
  EXPECT_EQ(tools_->RestoreKey(rhCurrentUser, B("").get(), B(file.path()).get()), E_INVALIDARG);
  // Restoring creates the key and succeeds as a call (Wine's registry restores nothing,
  // so the restored content is not checked here).
  EXPECT_EQ(tools_->RestoreKey(rhCurrentUser, Path("Restored").get(), B(file.path()).get()), S_OK);
  EXPECT_TRUE(key_.Exists("Restored"));
}

TEST_F(RegistryToolsTest, TextGoesToTheClipboardAsAnsiText) {
  EXPECT_EQ(tools_->SetClipboardDataString(B("").get()), E_INVALIDARG);
  EXPECT_EQ(tools_->SetClipboardDataString(nullptr), E_INVALIDARG);
  ASSERT_EQ(tools_->SetClipboardDataString(B("clipboard text").get()), S_OK);
  ASSERT_TRUE(OpenClipboard(nullptr));
  HANDLE data = GetClipboardData(CF_TEXT);
  std::string text;
  if (data) {
    text = static_cast<const char*>(GlobalLock(data));
    GlobalUnlock(data);
  }
  CloseClipboard();
  EXPECT_EQ(text, "clipboard text");
}

}  // namespace
