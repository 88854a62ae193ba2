// The server as COM sees it: class objects, the module lock count, the interfaces each
// object answers and the late-bound names it resolves.
#include <gtest/gtest.h>

#include <cwctype>
#include <string>

#include "KelMsgs.h"
#include "foundation/ComPtr.h"
#include "foundation/Owned.h"
#include "support/LibraryModule.h"

using kelmsgs::Bstr;
using kelmsgs::ComPtr;

namespace {

class ServerTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(dll_.loaded()); }

  ComPtr<IClassFactory> Factory(REFCLSID clsid) {
    ComPtr<IClassFactory> factory;
    EXPECT_EQ(dll_.GetClassObject(clsid, IID_IClassFactory, factory.put_void()), S_OK);
    return factory;
  }

  LibraryModule dll_;
};

bool Answers(IUnknown* object, REFIID iid) {
  ComPtr<IUnknown> other;
  return SUCCEEDED(object->QueryInterface(iid, other.put_void()));
}

TEST_F(ServerTest, ClassObjectsOnlyForTheClassTableAndWithoutAggregation) {
  EXPECT_TRUE(Factory(CLSID_QMXRegistryTools));
  ComPtr<IClassFactory> none;
  EXPECT_EQ(dll_.GetClassObject(IID_IDispatch, IID_IClassFactory, none.put_void()),
            CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_FALSE(none);
  // One factory per class, kept by the module.
  auto factory = Factory(CLSID_QMXMemoryStatus);
  EXPECT_EQ(factory.get(), Factory(CLSID_QMXMemoryStatus).get());
  ComPtr<IUnknown> object;
  EXPECT_EQ(factory->CreateInstance(reinterpret_cast<IUnknown*>(factory.get()), IID_IUnknown,
                                    object.put_void()),
            CLASS_E_NOAGGREGATION);
  EXPECT_FALSE(object);
}

TEST_F(ServerTest, UnloadAllowedOnlyWithoutObjectsAndLocks) {
  auto factory = Factory(CLSID_QMXRegistryTools);
  EXPECT_EQ(dll_.CanUnloadNow(), S_OK);
  {
    ComPtr<IQMXRegistryTools> object;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IQMXRegistryTools, object.put_void()), S_OK);
    EXPECT_EQ(dll_.CanUnloadNow(), S_FALSE);
  }
  EXPECT_EQ(dll_.CanUnloadNow(), S_OK);
  factory->LockServer(TRUE);
  EXPECT_EQ(dll_.CanUnloadNow(), S_FALSE);
  factory->LockServer(FALSE);
  EXPECT_EQ(dll_.CanUnloadNow(), S_OK);
}

TEST_F(ServerTest, ClassesAnswerTheirInterfacesAndEventSourcesTheirConnectionPoint) {
  const struct {
    const CLSID& clsid;
    const IID& iid;
    const IID* events;  // the source interface, null for classes without events
  } classes[] = {
      {CLSID_QMXMessageStore, IID_IQMXMessageStore, &DIID__IQMXMessageStoreEvents},
      {CLSID_QMXStoreFolder, IID_IQMXStoreFolder, &DIID__IQMXStoreFolderEvents},
      {CLSID_QMXMessage, IID_IQMXMessage, nullptr},
      {CLSID_QMXSession, IID_IQMXSession, &DIID__IQMXSessionEvents},
      {CLSID_QMXRegistryTools, IID_IQMXRegistryTools, nullptr},
      {CLSID_QMXMemoryStatus, IID_IQMXMemoryStatus, nullptr},
      {CLSID_QMXClipboardMonitor, IID_IQMXClipboardMonitor, &DIID__IQMXClipboardMonitorEvents}};
  for (const auto& c : classes) {
    ComPtr<IUnknown> object;
    ASSERT_EQ(Factory(c.clsid)->CreateInstance(nullptr, IID_IUnknown, object.put_void()), S_OK);
    EXPECT_TRUE(Answers(object.get(), c.iid));
    EXPECT_TRUE(Answers(object.get(), IID_IDispatch));
    EXPECT_FALSE(Answers(object.get(), IID_IQMXAttach));

    ComPtr<ISupportErrorInfo> support;
    ASSERT_EQ(object.query(support), S_OK);
    EXPECT_EQ(support->InterfaceSupportsErrorInfo(c.iid), S_OK);
    EXPECT_EQ(support->InterfaceSupportsErrorInfo(IID_IDispatch), S_FALSE);

    ComPtr<IConnectionPointContainer> container;
    EXPECT_EQ(object.query(container) == S_OK, c.events != nullptr);
    if (!container || !c.events) continue;
    ComPtr<IConnectionPoint> point;
    EXPECT_EQ(container->FindConnectionPoint(*c.events, point.put()), S_OK);
  }
}

// Late-bound names resolve to the type information's DISPIDs whatever the spelling, on
// the first lookup and on every later one, and a name that is no member stays unknown.
TEST_F(ServerTest, NamesResolveLikeTheTypeInformationEveryTime) {
  for (const CLSID* clsid : {&CLSID_QMXSession, &CLSID_QMXRegistryTools}) {
    ComPtr<IDispatch> object;
    ASSERT_EQ(Factory(*clsid)->CreateInstance(nullptr, IID_IDispatch, object.put_void()), S_OK);
    ComPtr<ITypeInfo> info;
    ASSERT_EQ(object->GetTypeInfo(0, 0, info.put()), S_OK);
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(info->GetTypeAttr(&attr), S_OK);
    const UINT functions = attr->cFuncs;
    info->ReleaseTypeAttr(attr);
    ASSERT_GT(functions, 7u);

    for (UINT f = 0; f < functions; ++f) {
      FUNCDESC* desc = nullptr;
      ASSERT_EQ(info->GetFuncDesc(f, &desc), S_OK);
      const MEMBERID member = desc->memid;
      info->ReleaseFuncDesc(desc);
      Bstr name;
      ASSERT_EQ(info->GetDocumentation(member, name.put(), nullptr, nullptr, nullptr), S_OK);
      std::wstring upper(name.get()), lower(name.get());
      for (auto& c : upper) c = towupper(c);
      for (auto& c : lower) c = towlower(c);
      for (const std::wstring& spelling : {std::wstring(name.get()), upper, lower, upper}) {
        SCOPED_TRACE(testing::Message()
                     << f << " " << std::string(spelling.begin(), spelling.end()));
        std::wstring copy = spelling;
        LPOLESTR names[] = {copy.data()};
        DISPID id = 0;
        ASSERT_EQ(object->GetIDsOfNames(IID_NULL, names, 1, 0, &id), S_OK);
        EXPECT_EQ(id, member);
      }
    }

    // Twice: a failure is not remembered as a member.
    for (int i = 0; i < 2; ++i) {
      OLECHAR unknown[] = L"NoSuchMember";
      LPOLESTR names[] = {unknown};
      DISPID id = 0;
      EXPECT_EQ(object->GetIDsOfNames(IID_NULL, names, 1, 0, &id), DISP_E_UNKNOWNNAME);
      EXPECT_EQ(id, DISPID_UNKNOWN);
    }
  }
}

}  // namespace
