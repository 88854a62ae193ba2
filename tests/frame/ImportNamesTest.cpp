// The names under which the built DLL imports MAPI. A 32-bit mapi32.dll exports its
// functions as name@bytes (only a few also under their plain names), a 64-bit one under
// plain names; a DLL that imports any other name does not load on such a machine.
#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "support/LibraryModule.h"

namespace {

// The names the module imports by name from the DLL called dllName.
std::vector<std::string> ImportedNames(HMODULE module, const char* dllName) {
  const auto base = reinterpret_cast<const BYTE*>(module);
  const auto dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  std::vector<std::string> names;
  if (dir.VirtualAddress == 0) return names;
  for (auto d = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress);
       d->Name != 0; ++d) {
    if (lstrcmpiA(reinterpret_cast<const char*>(base + d->Name), dllName) != 0) continue;
    const DWORD thunks = d->OriginalFirstThunk ? d->OriginalFirstThunk : d->FirstThunk;
    for (auto t = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + thunks); t->u1.AddressOfData;
         ++t) {
      if (IMAGE_SNAP_BY_ORDINAL(t->u1.Ordinal)) continue;
      const auto byName = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + t->u1.AddressOfData);
      names.emplace_back(reinterpret_cast<const char*>(byName->Name));
    }
  }
  return names;
}

// name@bytes: a name, '@', and the decimal size of the arguments.
bool Decorated(const std::string& name) {
  const size_t at = name.find('@');
  if (at == std::string::npos || at == 0 || at + 1 == name.size()) return false;
  for (size_t i = at + 1; i < name.size(); ++i)
    if (!std::isdigit(static_cast<unsigned char>(name[i]))) return false;
  return true;
}

TEST(ImportNamesTest, MapiIsImportedUnderTheNamesOfThisBitnessMapi32) {
  LibraryModule dll;
  ASSERT_TRUE(dll.loaded());
  const std::vector<std::string> names =
      ImportedNames(GetModuleHandleW(dll.path().c_str()), "MAPI32.DLL");
  ASSERT_FALSE(names.empty());
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    EXPECT_EQ(Decorated(name), sizeof(void*) == 4);
  }
}

}  // namespace
