// typelib-reference: writes the object-model reference for script writers from the type
// library embedded in KelMsgs.dll, so the page can never drift from what clients see.
//
//   typelib-reference.exe [--check] LIBRARY GROUPS PAGE [ROOT]
//
// LIBRARY is the DLL (or a .tlb), GROUPS the file that sorts each interface's members into
// groups with a sample (docs/reference-groups.txt), PAGE the Markdown page: written, or
// with --check compared with what would be written (the first differing line is shown).
// With ROOT (the repository root), every sample that GROUPS names must exist below it.
#include <windows.h>
#include <oleauto.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "TypeLibText.h"
#include "common/WinText.h"
#include "foundation/ComPtr.h"

using kelmsgs::ComPtr;
using tools::Narrow;
using tools::Wide;
using namespace reference;

namespace {

// The name and help string of a type (memid MEMBERID_NIL) or of one of its members.
std::pair<std::string, std::string> Documentation(ITypeInfo* info, MEMBERID id) {
  BSTR name = nullptr, help = nullptr;
  info->GetDocumentation(id, &name, &help, nullptr, nullptr);
  std::pair<std::string, std::string> out{Narrow(name), Narrow(help)};
  SysFreeString(name);
  SysFreeString(help);
  return out;
}

// The Visual Basic name of a variant type.
std::string VariantTypeName(VARTYPE vt) {
  switch (vt) {
    case VT_BSTR:
      return "String";
    case VT_I4:
    case VT_INT:
      return "Long";
    case VT_UI4:
    case VT_UINT:
      return "Long (unsigned)";
    case VT_I2:
      return "Integer";
    case VT_UI1:
      return "Byte";
    case VT_BOOL:
      return "Boolean";
    case VT_R4:
      return "Single";
    case VT_R8:
      return "Double";
    case VT_CY:
      return "Currency";
    case VT_DATE:
      return "Date";
    case VT_VARIANT:
      return "Variant";
    case VT_DISPATCH:
      return "Object";
    case VT_UNKNOWN:
      return "Unknown";
    case VT_I8:
      return "LongLong";
    default:
      return "?";
  }
}

// The Visual Basic name of a parameter or return type.
std::string TypeName(ITypeInfo* info, const TYPEDESC& type) {
  if (type.vt == VT_PTR) return TypeName(info, *type.lptdesc);
  if (type.vt == VT_SAFEARRAY) return TypeName(info, *type.lptdesc) + "()";
  if (type.vt == VT_USERDEFINED) {
    ComPtr<ITypeInfo> referenced;
    if (FAILED(info->GetRefTypeInfo(type.hreftype, referenced.put()))) return "?";
    return Documentation(referenced.get(), MEMBERID_NIL).first;
  }
  return VariantTypeName(type.vt);
}

// The members of an interface as clients call them: for a dual interface, its own members
// without those of IDispatch.
ComPtr<ITypeInfo> CallableView(ComPtr<ITypeInfo> info) {
  TYPEATTR* attr = nullptr;
  info->GetTypeAttr(&attr);
  const bool dual = attr->typekind == TKIND_DISPATCH && (attr->wTypeFlags & TYPEFLAG_FDUAL);
  info->ReleaseTypeAttr(attr);
  if (!dual) return info;
  HREFTYPE ref;
  ComPtr<ITypeInfo> own;
  if (SUCCEEDED(info->GetRefTypeOfImplType(static_cast<UINT>(-1), &ref)) &&
      SUCCEEDED(info->GetRefTypeInfo(ref, own.put())))
    return own;
  return info;
}

std::vector<Member> Members(ITypeInfo* info) {
  std::vector<Member> members;
  TYPEATTR* attr = nullptr;
  info->GetTypeAttr(&attr);
  for (UINT f = 0; f < attr->cFuncs; ++f) {
    FUNCDESC* func = nullptr;
    if (FAILED(info->GetFuncDesc(f, &func))) continue;
    Member m;
    std::tie(m.name, m.help) = Documentation(info, func->memid);
    m.dispid = func->memid;
    m.kind = func->invkind == INVOKE_FUNC          ? MemberKind::Method
             : func->invkind == INVOKE_PROPERTYGET ? MemberKind::Get
             : func->invkind == INVOKE_PROPERTYPUT ? MemberKind::Put
                                                   : MemberKind::PutRef;
    BSTR names[64] = {};
    UINT count = 0;
    info->GetNames(func->memid, names, 64, &count);
    for (SHORT p = 0; p < func->cParams; ++p) {
      const ELEMDESC& e = func->lprgelemdescParam[p];
      const std::string type = TypeName(info, e.tdesc);
      if (e.paramdesc.wParamFlags & PARAMFLAG_FRETVAL) {
        m.returns = type;
        continue;
      }
      Parameter param;
      // The value of a property assignment goes by "Value": the names the type library
      // keeps for a DISPID are those of its first member, the property's get.
      const bool value =
          m.kind != MemberKind::Method && m.kind != MemberKind::Get && p + 1 == func->cParams;
      param.name = !value && static_cast<UINT>(p + 1) < count ? Narrow(names[p + 1]) : "Value";
      param.type = type;
      param.optional = (e.paramdesc.wParamFlags & PARAMFLAG_FOPT) != 0;
      if ((e.paramdesc.wParamFlags & PARAMFLAG_FHASDEFAULT) && e.paramdesc.pparamdescex) {
        VARIANT text;
        VariantInit(&text);
        if (SUCCEEDED(
                VariantChangeType(&text, &e.paramdesc.pparamdescex->varDefaultValue, 0, VT_BSTR)))
          param.defaultValue = Narrow(V_BSTR(&text));
        VariantClear(&text);
        param.optional = param.hasDefault = true;
      }
      m.parameters.push_back(param);
    }
    // A dispatch interface's method returns its value directly, not through a parameter.
    const VARTYPE result = func->elemdescFunc.tdesc.vt;
    if (m.returns.empty() && result != VT_HRESULT && result != VT_VOID && result != VT_EMPTY)
      m.returns = TypeName(info, func->elemdescFunc.tdesc);
    for (UINT n = 0; n < count; ++n) SysFreeString(names[n]);
    info->ReleaseFuncDesc(func);
    members.push_back(std::move(m));
  }
  // A dispatch interface may declare properties as variables.
  for (UINT v = 0; v < attr->cVars; ++v) {
    VARDESC* var = nullptr;
    if (FAILED(info->GetVarDesc(v, &var))) continue;
    Member m;
    std::tie(m.name, m.help) = Documentation(info, var->memid);
    m.dispid = var->memid;
    m.kind = MemberKind::Property;
    m.returns = TypeName(info, var->elemdescVar.tdesc);
    info->ReleaseVarDesc(var);
    members.push_back(std::move(m));
  }
  info->ReleaseTypeAttr(attr);
  return members;
}

std::vector<EnumValue> Values(ITypeInfo* info) {
  std::vector<EnumValue> values;
  TYPEATTR* attr = nullptr;
  info->GetTypeAttr(&attr);
  for (UINT v = 0; v < attr->cVars; ++v) {
    VARDESC* var = nullptr;
    if (FAILED(info->GetVarDesc(v, &var))) continue;
    EnumValue value;
    std::tie(value.name, value.help) = Documentation(info, var->memid);
    VARIANT number;
    VariantInit(&number);
    if (var->varkind == VAR_CONST &&
        SUCCEEDED(VariantChangeType(&number, var->lpvarValue, 0, VT_I4)))
      value.number = V_I4(&number);
    info->ReleaseVarDesc(var);
    values.push_back(std::move(value));
  }
  info->ReleaseTypeAttr(attr);
  return values;
}

// Everything the page shows, read from the type library.
bool ReadLibrary(const wchar_t* path, Library& library) {
  ComPtr<ITypeLib> lib;
  if (FAILED(LoadTypeLibEx(path, REGKIND_NONE, lib.put()))) return false;
  BSTR name = nullptr, help = nullptr;
  lib->GetDocumentation(-1, &name, &help, nullptr, nullptr);
  library.name = Narrow(name);
  library.help = Narrow(help);
  SysFreeString(name);
  SysFreeString(help);
  TLIBATTR* libAttr = nullptr;
  if (SUCCEEDED(lib->GetLibAttr(&libAttr))) {
    library.version =
        std::to_string(libAttr->wMajorVerNum) + "." + std::to_string(libAttr->wMinorVerNum);
    lib->ReleaseTLibAttr(libAttr);
  }
  for (UINT i = 0; i < lib->GetTypeInfoCount(); ++i) {
    ComPtr<ITypeInfo> info;
    if (FAILED(lib->GetTypeInfo(i, info.put()))) continue;
    TYPEATTR* attr = nullptr;
    info->GetTypeAttr(&attr);
    const TYPEKIND kind = attr->typekind;
    const WORD implemented = attr->cImplTypes;
    info->ReleaseTypeAttr(attr);
    const auto [typeName, typeHelp] = Documentation(info.get(), MEMBERID_NIL);
    if (kind == TKIND_ENUM) {
      library.enums.push_back({typeName, typeHelp, Values(info.get())});
    } else if (kind == TKIND_COCLASS) {
      CoClass c{typeName, typeHelp, {}, {}};
      for (UINT t = 0; t < implemented; ++t) {
        HREFTYPE ref;
        INT flags = 0;
        ComPtr<ITypeInfo> implementedInfo;
        if (FAILED(info->GetRefTypeOfImplType(t, &ref)) ||
            FAILED(info->GetImplTypeFlags(t, &flags)) ||
            FAILED(info->GetRefTypeInfo(ref, implementedInfo.put())))
          continue;
        const std::string interfaceName = Documentation(implementedInfo.get(), MEMBERID_NIL).first;
        if (!(flags & IMPLTYPEFLAG_FDEFAULT)) continue;
        (flags & IMPLTYPEFLAG_FSOURCE ? c.events : c.interfaceName) = interfaceName;
      }
      library.classes.push_back(std::move(c));
    } else if (kind == TKIND_DISPATCH) {  // automation interfaces; not IStream and the like
      library.interfaces.push_back({typeName, typeHelp, Members(CallableView(info).get())});
    }
  }
  return true;
}

}  // namespace

// Compares the page with the file at path; false, with the first differing line shown,
// when they differ.
bool SameAsFile(const std::string& page, const char* path) {
  std::ifstream file(path, std::ios::binary);
  std::stringstream stored;
  stored << file.rdbuf();
  if (stored.str() == page) return true;
  std::istringstream a(stored.str()), b(page);
  std::string lineA, lineB;
  for (int n = 1;; ++n) {
    const bool moreA = static_cast<bool>(std::getline(a, lineA));
    const bool moreB = static_cast<bool>(std::getline(b, lineB));
    if (!moreA && !moreB) break;
    if (moreA != moreB || lineA != lineB) {
      std::fprintf(stderr,
                   "typelib-reference: %s differs from the type library at line %d:\n"
                   "  page:    %s\n  library: %s\nRegenerate it with `make reference`.\n",
                   path, n, moreA ? lineA.c_str() : "(end)", moreB ? lineB.c_str() : "(end)");
      break;
    }
  }
  return false;
}

int main(int argc, char** argv) {
  const bool check = argc > 1 && std::string(argv[1]) == "--check";
  if (check) {
    --argc;
    ++argv;
  }
  if (argc < 4) {
    std::fputs("usage: typelib-reference [--check] LIBRARY GROUPS PAGE [ROOT]\n", stderr);
    return 2;
  }
  // 1. The type library (reading one needs no COM apartment, and starts no COM service).
  Library library;
  if (!ReadLibrary(Wide(argv[1]).c_str(), library)) {
    std::fprintf(stderr, "typelib-reference: no type library in %s\n", argv[1]);
    return 1;
  }
  // 2. The groups.
  std::ifstream groupsFile(argv[2]);
  if (!groupsFile) {
    std::fprintf(stderr, "typelib-reference: cannot read %s\n", argv[2]);
    return 1;
  }
  std::stringstream groupsText;
  groupsText << groupsFile.rdbuf();
  std::string error;
  const std::vector<Group> groups = ParseGroups(groupsText.str(), error);
  if (!error.empty()) {
    std::fprintf(stderr, "typelib-reference: %s: %s\n", argv[2], error.c_str());
    return 1;
  }
  // 3. Every sample a group names exists.
  if (argc > 4) {
    for (const Group& g : groups) {
      if (g.sample.empty()) continue;
      const std::string path = std::string(argv[4]) + "\\" + g.sample;
      if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
        std::fprintf(stderr, "typelib-reference: the sample %s is missing\n", g.sample.c_str());
        return 1;
      }
    }
  }
  // 4. The page; every member must be in a group.
  std::vector<std::string> ungrouped;
  const std::string page = RenderPage(library, groups, ungrouped);
  if (!ungrouped.empty()) {
    for (const auto& m : ungrouped)
      std::fprintf(stderr, "typelib-reference: %s is in no group\n", m.c_str());
    return 1;
  }
  if (check) return SameAsFile(page, argv[3]) ? 0 : 1;
  std::ofstream out(argv[3], std::ios::binary);
  out << page;
  return out ? 0 : 1;
}
