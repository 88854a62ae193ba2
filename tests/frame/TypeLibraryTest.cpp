// The type library embedded in the DLL: library attributes, the nine classes, every
// member of every interface with its DISPID, kind and parameter count, and every value
// of every enumeration with its help string, as clients rely on.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "KelMsgs.h"
#include "foundation/ComPtr.h"
#include "foundation/Owned.h"
#include "support/LibraryModule.h"

using kelmsgs::Bstr;
using kelmsgs::ComPtr;
using kelmsgs::Variant;

namespace {

std::string Narrow(const wchar_t* w) {
  std::string s;
  for (; w && *w; ++w) s += static_cast<char>(*w);
  return s;
}

std::string NameOf(ITypeInfo* info, MEMBERID id = MEMBERID_NIL) {
  Bstr name;
  info->GetDocumentation(id, name.put(), nullptr, nullptr, nullptr);
  return Narrow(name.get());
}

std::string HelpOf(ITypeInfo* info, MEMBERID id = MEMBERID_NIL) {
  Bstr help;
  info->GetDocumentation(id, nullptr, help.put(), nullptr, nullptr);
  return Narrow(help.get());
}

class TypeLibraryTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dll_.loaded());
    ASSERT_EQ(LoadTypeLibEx(dll_.path().c_str(), REGKIND_NONE, library_.put()), S_OK);
  }

  // Every type of the library by name.
  std::map<std::string, ComPtr<ITypeInfo>> Types() {
    std::map<std::string, ComPtr<ITypeInfo>> types;
    for (UINT i = 0; i < library_->GetTypeInfoCount(); ++i) {
      ComPtr<ITypeInfo> info;
      library_->GetTypeInfo(i, info.put());
      types[NameOf(info.get())] = info;
    }
    return types;
  }

  LibraryModule dll_;
  ComPtr<ITypeLib> library_;
};

TEST_F(TypeLibraryTest, LibraryAttributesAndHostInterfaces) {
  TLIBATTR* attr = nullptr;
  ASSERT_EQ(library_->GetLibAttr(&attr), S_OK);
  EXPECT_EQ(attr->guid, LIBID_KelMsgsLib);
  EXPECT_EQ(attr->wMajorVerNum, 1);
  EXPECT_EQ(attr->wMinorVerNum, 0);
  EXPECT_EQ(attr->lcid, 0u);
  library_->ReleaseTLibAttr(attr);
  Bstr name, help;
  library_->GetDocumentation(-1, name.put(), help.put(), nullptr, nullptr);
  EXPECT_STREQ(name.get(), L"KelMsgsLib");
  EXPECT_STREQ(help.get(), L"Quendrel Messages 1.0 Object Library");
  // The host's interfaces that the session takes (the enumerations are in the contract).
  auto types = Types();
  for (const char* name : {"IOlToolbar", "IOlProgressBar", "IOlToolbarEvents", "IOlAddIn"})
    EXPECT_TRUE(types.count(name)) << name;
}

TEST_F(TypeLibraryTest, NineClassesWithTheirDefaultAndSourceInterfaces) {
  const struct {
    const char* name;
    const char* source;  // "" when the class has no events
  } classes[] = {{"QMXMessageStore", "_IQMXMessageStoreEvents"},
                 {"QMXStoreFolder", "_IQMXStoreFolderEvents"},
                 {"QMXMessage", ""},
                 {"QMXFileContent", ""},
                 {"QMXAttach", ""},
                 {"QMXSession", "_IQMXSessionEvents"},
                 {"QMXRegistryTools", ""},
                 {"QMXMemoryStatus", ""},
                 {"QMXClipboardMonitor", "_IQMXClipboardMonitorEvents"}};
  auto types = Types();
  for (const auto& c : classes) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(types.count(c.name));
    ITypeInfo* coclass = types[c.name].get();
    EXPECT_EQ(HelpOf(coclass), std::string(c.name) + " Class");
    TYPEATTR* attr = nullptr;
    coclass->GetTypeAttr(&attr);
    EXPECT_EQ(attr->typekind, TKIND_COCLASS);
    EXPECT_TRUE(attr->wTypeFlags & TYPEFLAG_FCANCREATE);
    std::string defaultItf, sourceItf;
    for (UINT i = 0; i < attr->cImplTypes; ++i) {
      HREFTYPE ref;
      INT flags = 0;
      coclass->GetRefTypeOfImplType(i, &ref);
      coclass->GetImplTypeFlags(i, &flags);
      ComPtr<ITypeInfo> itf;
      coclass->GetRefTypeInfo(ref, itf.put());
      if (flags == IMPLTYPEFLAG_FDEFAULT) defaultItf = NameOf(itf.get());
      if (flags == (IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE)) sourceItf = NameOf(itf.get());
    }
    coclass->ReleaseTypeAttr(attr);
    EXPECT_EQ(defaultItf, std::string("I") + c.name);
    EXPECT_EQ(sourceItf, c.source);
    // The default interface is dual and described as "<interface> Interface".
    ITypeInfo* itf = types[defaultItf].get();
    ASSERT_TRUE(itf);
    itf->GetTypeAttr(&attr);
    EXPECT_TRUE(attr->wTypeFlags & TYPEFLAG_FDUAL);
    itf->ReleaseTypeAttr(attr);
    EXPECT_EQ(HelpOf(itf), defaultItf + " Interface");
  }
}

// Every value of an enumeration: its number and help string.
void AddEnumerationValues(const std::string& name, ITypeInfo* info, const TYPEATTR& attr,
                          std::vector<std::string>& lines) {
  for (UINT i = 0; i < attr.cVars; ++i) {
    VARDESC* var = nullptr;
    ASSERT_EQ(info->GetVarDesc(i, &var), S_OK);
    Variant value;
    ASSERT_EQ(VariantChangeType(&value, var->lpvarValue, 0, VT_I4), S_OK);
    lines.push_back(name + ' ' + NameOf(info, var->memid) + " = " + std::to_string(V_I4(&value)) +
                    " \"" + HelpOf(info, var->memid) + '"');
    info->ReleaseVarDesc(var);
  }
}

// Every member of the automation interfaces and event interfaces and every value of the
// enumerations, compared with the recorded public contract: a changed DISPID, kind,
// argument list, value or value help string breaks clients.
TEST_F(TypeLibraryTest, EveryMemberAndEnumerationValueKeepsItsContract) {
  std::vector<std::string> actual;
  for (auto& [name, info] : Types()) {
    TYPEATTR* attr = nullptr;
    info->GetTypeAttr(&attr);
    if (attr->typekind == TKIND_ENUM) AddEnumerationValues(name, info.get(), *attr, actual);
    info->ReleaseTypeAttr(attr);
    if (name.rfind("IQMX", 0) != 0 && name.rfind("_IQMX", 0) != 0) continue;
    ComPtr<ITypeInfo> view = info;
    info->GetTypeAttr(&attr);
    const bool dual = attr->typekind == TKIND_DISPATCH && (attr->wTypeFlags & TYPEFLAG_FDUAL);
    info->ReleaseTypeAttr(attr);
    if (dual) {  // the interface's own members, without those of IDispatch
      HREFTYPE ref;
      ASSERT_EQ(info->GetRefTypeOfImplType(static_cast<UINT>(-1), &ref), S_OK);
      view.reset();
      ASSERT_EQ(info->GetRefTypeInfo(ref, view.put()), S_OK);
    }
    view->GetTypeAttr(&attr);
    for (UINT f = 0; f < attr->cFuncs; ++f) {
      FUNCDESC* func = nullptr;
      view->GetFuncDesc(f, &func);
      int params = 0;
      for (SHORT p = 0; p < func->cParams; ++p)
        if (!(func->lprgelemdescParam[p].paramdesc.wParamFlags & PARAMFLAG_FRETVAL)) ++params;
      const char* kind = func->invkind == INVOKE_FUNC          ? "method"
                         : func->invkind == INVOKE_PROPERTYGET ? "get"
                         : func->invkind == INVOKE_PROPERTYPUT ? "put"
                                                               : "putref";
      std::ostringstream line;
      line << name << ' ' << NameOf(view.get(), func->memid) << " 0x" << std::hex << func->memid
           << ' ' << kind << ' ' << std::dec << params;
      actual.push_back(line.str());
      view->ReleaseFuncDesc(func);
    }
    view->ReleaseTypeAttr(attr);
  }
  std::vector<std::string> expected;
  std::ifstream contract(KELMSGS_CONTRACT_FILE);
  ASSERT_TRUE(contract) << KELMSGS_CONTRACT_FILE;
  for (std::string line; std::getline(contract, line);)
    if (!line.empty() && line[0] != '#') expected.push_back(line);
  std::sort(actual.begin(), actual.end());
  std::sort(expected.begin(), expected.end());
  std::vector<std::string> missing, extra;
  std::set_difference(expected.begin(), expected.end(), actual.begin(), actual.end(),
                      std::back_inserter(missing));
  std::set_difference(actual.begin(), actual.end(), expected.begin(), expected.end(),
                      std::back_inserter(extra));
  EXPECT_TRUE(missing.empty()) << "missing: " << testing::PrintToString(missing);
  EXPECT_TRUE(extra.empty()) << "not in the contract: " << testing::PrintToString(extra);
  EXPECT_EQ(actual.size(), expected.size());
}

}  // namespace
