// The session's links to its host: the process-wide toolbar and progress bar, the window
// handles and the search control's notification, checked against the host add-in stand-in.
#include <gtest/gtest.h>

#include "foundation/ComPtr.h"
#include "session/HostLinks.h"
#include "session/QMXSession.h"
#include "support/HostStandin.h"
#include "support/LibraryModule.h"

using kelmsgs::ComPtr;
using kelmsgs::CQMXSession;
using kelmsgs::HostLinks;

namespace {

ComPtr<CQMXSession> NewSession() {
  ComPtr<CQMXSession> session;
  EXPECT_EQ(CQMXSession::Create(session), S_OK);
  return session;
}

LONG HandleValue(HWND window) {
  return static_cast<LONG>(reinterpret_cast<LONG_PTR>(window));
}

class HostLinksTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(host_.ok()) << std::hex << host_.created();
    session_ = NewSession();
  }
  void TearDown() override { HostLinks::Drop(); }

  HostStandin host_;
  ComPtr<CQMXSession> session_;
};

TEST_F(HostLinksTest, SearchControlReceivesTheInfoTextIndex) {
  ASSERT_EQ(session_->put_SearchCtlHWnd(HandleValue(host_.SearchControlWindow())), S_OK);
  EXPECT_EQ(session_->SetSearchCtlInfoText(3), S_OK);
  ASSERT_TRUE(host_.WaitFor(1));
  EXPECT_EQ(host_.Lines(), std::vector<std::string>{"search 0200 - code 14 index 3"});
  // Only the low 16 bits of the index travel.
  EXPECT_EQ(session_->SetSearchCtlInfoText(0x12345), S_OK);
  ASSERT_TRUE(host_.WaitFor(2));
  EXPECT_EQ(host_.Lines().back(), "search 0200 - code 14 index 9029");
}

TEST_F(HostLinksTest, WindowHandlesAreKeptAsGivenAndAStaleOneGetsNothing) {
  LONG value = -1;
  EXPECT_EQ(session_->get_ToolbarHWnd(&value), S_OK);
  EXPECT_EQ(value, 0);
  EXPECT_EQ(session_->put_ToolbarHWnd(0x1234), S_OK);
  EXPECT_EQ(session_->get_ToolbarHWnd(&value), S_OK);
  EXPECT_EQ(value, 0x1234);
  EXPECT_EQ(session_->ToolbarWindow(), reinterpret_cast<HWND>(0x1234));
  const HWND search = host_.SearchControlWindow();
  EXPECT_EQ(session_->put_SearchCtlHWnd(HandleValue(search)), S_OK);
  EXPECT_EQ(session_->SearchControlWindow(), search);
  host_.DestroyWindows();
  EXPECT_EQ(session_->SetSearchCtlInfoText(1), S_OK);
  EXPECT_EQ(host_.Count(), 0);
}

TEST_F(HostLinksTest, ToolbarGivesItsProgressBarAndANullToolbarKeepsIt) {
  EXPECT_EQ(session_->putref_QLAToolbar(host_.toolbar()), S_OK);
  ComPtr<IOlToolbar> got;
  EXPECT_EQ(session_->get_QLAToolbar(got.put()), S_OK);
  EXPECT_EQ(got.get(), host_.toolbar());
  const ComPtr<IDispatch> bar = host_.ProgressBar();
  ASSERT_TRUE(bar);
  EXPECT_EQ(HostLinks::ProgressBar().get(), bar.get());
  EXPECT_EQ(session_->putref_QLAToolbar(nullptr), S_OK);
  EXPECT_EQ(session_->get_QLAToolbar(got.put()), S_OK);
  EXPECT_FALSE(got);
  EXPECT_EQ(HostLinks::ProgressBar().get(), bar.get());
}

TEST_F(HostLinksTest, ReferencesAreSharedAndDroppedByAnySession) {
  // A session made before the toolbar was given sees it.
  ComPtr<CQMXSession> second;
  ASSERT_EQ(CQMXSession::Create(second), S_OK);
  EXPECT_EQ(session_->putref_QLAToolbar(host_.toolbar()), S_OK);
  ComPtr<IOlToolbar> got;
  EXPECT_EQ(second->get_QLAToolbar(got.put()), S_OK);
  EXPECT_EQ(got.get(), host_.toolbar());
  got.reset();
  // Logoff of the other session drops both references.
  EXPECT_EQ(second->Logoff(VARIANT_FALSE), S_OK);
  EXPECT_EQ(session_->get_QLAToolbar(got.put()), S_OK);
  EXPECT_FALSE(got);
  EXPECT_FALSE(HostLinks::ProgressBar());
  // So does the construction of a new session.
  EXPECT_EQ(session_->putref_QLAToolbar(host_.toolbar()), S_OK);
  ASSERT_TRUE(HostLinks::ProgressBar());
  const ComPtr<CQMXSession> third = NewSession();
  EXPECT_FALSE(HostLinks::Toolbar());
  EXPECT_FALSE(HostLinks::ProgressBar());
}

// A host toolbar that counts the references it is given and taken.
class CountingToolbar : public IOlToolbar {
 public:
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (iid != IID_IUnknown && iid != IID_IDispatch && iid != DIID_IOlToolbar) return E_NOINTERFACE;
    *out = this;
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
  STDMETHODIMP_(ULONG) Release() override { return --refs; }
  STDMETHODIMP GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return DISP_E_BADINDEX; }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return DISP_E_UNKNOWNNAME;
  }
  // OlProgressBar hands out the toolbar itself, so one count covers both references.
  STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO*,
                      UINT*) override {
    if (id != 1 || !result) return DISP_E_MEMBERNOTFOUND;
    result->vt = VT_DISPATCH;
    result->pdispVal = this;
    AddRef();
    return S_OK;
  }
  ULONG refs = 1;
};

// The library lets the host's objects go without calling them when it is unloaded: by then
// the host may be gone with its apartment.
TEST(HostLinksUnloadTest, UnloadingTheLibraryCallsNoHostObject) {
  CountingToolbar toolbar;
  {
    LibraryModule library;
    ASSERT_TRUE(library.loaded());
    ComPtr<IClassFactory> factory;
    ASSERT_EQ(library.GetClassObject(CLSID_QMXSession, IID_IClassFactory, factory.put_void()),
              S_OK);
    ComPtr<IQMXSession> session;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IQMXSession, session.put_void()), S_OK);
    ASSERT_EQ(session->putref_QLAToolbar(&toolbar), S_OK);
    ASSERT_EQ(toolbar.refs, 3u) << "the toolbar and its progress bar are held";
    session.reset();
    factory.reset();
    ASSERT_EQ(library.CanUnloadNow(), S_OK);
  }
  ASSERT_EQ(GetModuleHandleA("KelMsgs.dll"), nullptr) << "the library stayed loaded";
  EXPECT_EQ(toolbar.refs, 3u);
}

}  // namespace
