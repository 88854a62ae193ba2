// registry-rows: the Registry table of the installer packages, made from what
// DllRegisterServer itself applies: the registration script of every row of the class
// table, read from the built DLL, and the type library's registration.
//
//   registry-rows.exe LIBRARY FILEKEY OUT.idt
//
// LIBRARY is the built DLL, FILEKEY the installer's key of its File row (its path at install
// time is "[#FILEKEY]"), OUT the table in Windows Installer's text archive format.
#include <windows.h>
#include <oleauto.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "RegistryTable.h"
#include "common/WinText.h"
#include "foundation/ComPtr.h"
#include "frame/ClassTable.h"
#include "frame/RegScript.h"

using kelmsgs::ComPtr;
using tools::Narrow;
using tools::Wide;

namespace {

std::string GuidText(const GUID& guid) {
  wchar_t text[64];
  StringFromGUID2(guid, text, 64);
  return Narrow(text);
}

// The class table's scripts, as the DLL holds them, with the installed file for %MODULE%.
bool AddClassRows(HMODULE dll, const std::string& module, package::RegistryTable& table) {
  for (const auto& entry : kelmsgs::ClassTable()) {
    HRSRC found = FindResourceA(dll, MAKEINTRESOURCEA(entry.script), "REGISTRY");
    HGLOBAL loaded = found ? LoadResource(dll, found) : nullptr;
    const char* data = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
    if (!data) {
      std::fprintf(stderr, "registry-rows: no registration script for %s\n", entry.name);
      return false;
    }
    std::string error;
    const auto script = kelmsgs::ParseRegScript(std::string_view(data, SizeofResource(dll, found)),
                                                {{"MODULE", module}}, error);
    if (!script) {
      std::fprintf(stderr, "registry-rows: the script of %s: %s\n", entry.name, error.c_str());
      return false;
    }
    if (!table.AddScript(*script)) {
      std::fprintf(stderr, "registry-rows: the script of %s writes outside HKCR\n", entry.name);
      return false;
    }
  }
  return true;
}

// What registering the type library writes: the library under TypeLib, and each automation
// interface under Interface with the standard marshaler of its kind.
bool AddTypeLibRows(const wchar_t* path, const std::string& module, const std::string& folder,
                    bool win64, package::RegistryTable& table) {
  ComPtr<ITypeLib> lib;
  if (FAILED(LoadTypeLibEx(path, REGKIND_NONE, lib.put()))) return false;
  TLIBATTR* attr = nullptr;
  if (FAILED(lib->GetLibAttr(&attr))) return false;
  const std::string libid = GuidText(attr->guid);
  const std::string version =
      std::to_string(attr->wMajorVerNum) + "." + std::to_string(attr->wMinorVerNum);
  const std::string flags = std::to_string(attr->wLibFlags);
  lib->ReleaseTLibAttr(attr);
  BSTR doc = nullptr;
  lib->GetDocumentation(-1, nullptr, &doc, nullptr, nullptr);
  const std::string base = "TypeLib\\" + libid + "\\" + version;
  table.AddValue(base, "", Narrow(doc));
  SysFreeString(doc);
  table.AddValue(base + "\\0\\" + (win64 ? "win64" : "win32"), "", module);
  table.AddValue(base + "\\FLAGS", "", flags);
  table.AddValue(base + "\\HELPDIR", "", folder);
  for (UINT i = 0; i < lib->GetTypeInfoCount(); ++i) {
    ComPtr<ITypeInfo> info;
    TYPEATTR* type = nullptr;
    if (FAILED(lib->GetTypeInfo(i, info.put())) || FAILED(info->GetTypeAttr(&type))) continue;
    const bool dispatch = type->typekind == TKIND_DISPATCH;
    const bool automation = dispatch || (type->wTypeFlags & TYPEFLAG_FOLEAUTOMATION);
    const GUID iid = type->guid;
    const bool dual = (type->wTypeFlags & TYPEFLAG_FDUAL) != 0;
    info->ReleaseTypeAttr(type);
    if (!automation || IsEqualGUID(iid, IID_IDispatch)) continue;
    BSTR name = nullptr;
    info->GetDocumentation(MEMBERID_NIL, &name, nullptr, nullptr, nullptr);
    const std::string key = "Interface\\" + GuidText(iid);
    // Dual and automation-compatible interfaces use the type library marshaler, pure
    // dispatch interfaces the dispatch marshaler.
    const std::string marshaler = dispatch && !dual ? "{00020420-0000-0000-C000-000000000046}"
                                                    : "{00020424-0000-0000-C000-000000000046}";
    table.AddValue(key, "", Narrow(name));
    SysFreeString(name);
    table.AddValue(key + "\\ProxyStubClsid", "", marshaler);
    table.AddValue(key + "\\ProxyStubClsid32", "", marshaler);
    table.AddValue(key + "\\TypeLib", "", libid);
    table.AddValue(key + "\\TypeLib", "Version", version);
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fputs("usage: registry-rows LIBRARY FILEKEY OUT.idt\n", stderr);
    return 2;
  }
  const std::wstring path = Wide(argv[1]);
  const std::string module = std::string("[#") + argv[2] + "]";
  // The installed file's folder: the Directory row the package installs it to.
  const std::string folder = "[INSTALLDIR]";
  // 1. The class table's scripts.
  HMODULE dll = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (!dll) {
    std::fprintf(stderr, "registry-rows: cannot load %s\n", argv[1]);
    return 1;
  }
  package::RegistryTable table(argv[2]);
  const bool classes = AddClassRows(dll, module, table);
  FreeLibrary(dll);
  if (!classes) return 1;
  // 2. The type library.
  if (FAILED(CoInitialize(nullptr))) return 1;
  const bool typelib = AddTypeLibRows(path.c_str(), module, folder, sizeof(void*) == 8, table);
  CoUninitialize();
  if (!typelib) {
    std::fprintf(stderr, "registry-rows: no type library in %s\n", argv[1]);
    return 1;
  }
  std::ofstream out(argv[3], std::ios::binary);
  out << table.Text();
  return out ? 0 : 1;
}
