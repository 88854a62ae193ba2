// The connection point of an event source, through a test-only source that raises
// events on demand: advising, enumerating, raising and unadvising.
#include <olectl.h>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>
#include <vector>

#include "KelMsgs.h"
#include "foundation/ComPtr.h"
#include "frame/EventSourceObject.h"

using kelmsgs::ComPtr;

namespace {

// An event source with the clipboard monitor's interface as its automation side.
class TestSource final
    : public kelmsgs::EventSourceObject<TestSource, IQMXClipboardMonitor, QMXClipboardMonitor,
                                        DIID__IQMXSessionEvents> {
 public:
  LONG Raise(DISPID id, VARIANTARG* args, UINT count) { return FireEvent(id, args, count); }

  HRESULT STDMETHODCALLTYPE StartMonitor() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE StopMonitor() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_LogFile(BSTR*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_LogFile(BSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_LoggingEnabled(VARIANT_BOOL*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_LoggingEnabled(VARIANT_BOOL) override { return E_NOTIMPL; }
};

// A client's sink: records every call and answers with a chosen result.
class RecordingSink final : public IDispatch {
 public:
  struct Call {
    DISPID id;
    LCID lcid;
    WORD flags;
    std::vector<LONG> args;  // as passed (reverse order)
  };
  explicit RecordingSink(LONG answer, bool answersSourceIid = true)
      : answer_(answer), answersSourceIid_(answersSourceIid) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    *ppv = nullptr;
    if (riid == IID_IUnknown || riid == IID_IDispatch ||
        (answersSourceIid_ && riid == DIID__IQMXSessionEvents))
      *ppv = static_cast<IDispatch*>(this);
    if (!*ppv) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs; }  // lives on the stack
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags,
                                   DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                                   UINT*) override {
    EXPECT_EQ(riid, IID_NULL);
    Call call{id, lcid, flags, {}};
    for (UINT i = 0; i < params->cArgs; ++i) call.args.push_back(V_I4(&params->rgvarg[i]));
    calls.push_back(call);
    if (onInvoke) onInvoke();
    if (result) {
      V_VT(result) = VT_I4;
      V_I4(result) = answer_;
    }
    return S_OK;
  }

  std::atomic<ULONG> refs{1};  // changed by the raising thread too
  std::vector<Call> calls;
  std::function<void()> onInvoke;

 private:
  LONG answer_;
  bool answersSourceIid_;
};

class ConnectionPointTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(TestSource::Create(source_), S_OK);
    ComPtr<IConnectionPointContainer> container;
    ASSERT_EQ(source_->QueryInterface(IID_IConnectionPointContainer, container.put_void()), S_OK);
    ASSERT_EQ(container->FindConnectionPoint(DIID__IQMXSessionEvents, point_.put()), S_OK);
  }

  ComPtr<TestSource> source_;
  ComPtr<IConnectionPoint> point_;
};

TEST_F(ConnectionPointTest, OffersExactlyOnePointForItsSourceInterface) {
  ComPtr<IConnectionPointContainer> container;
  ASSERT_EQ(source_->QueryInterface(IID_IConnectionPointContainer, container.put_void()), S_OK);
  ComPtr<IConnectionPoint> other;
  EXPECT_EQ(container->FindConnectionPoint(IID_IDispatch, other.put()), CONNECT_E_NOCONNECTION);

  ComPtr<IEnumConnectionPoints> points;
  ASSERT_EQ(container->EnumConnectionPoints(points.put()), S_OK);
  IConnectionPoint* fetched[2] = {};
  ULONG count = 0;
  EXPECT_EQ(points->Next(2, fetched, &count), S_FALSE);
  ASSERT_EQ(count, 1u);
  IID iid{};
  fetched[0]->GetConnectionInterface(&iid);
  EXPECT_EQ(iid, DIID__IQMXSessionEvents);
  fetched[0]->Release();

  // The point leads back to the same object.
  ComPtr<IConnectionPointContainer> back;
  ASSERT_EQ(point_->GetConnectionPointContainer(back.put()), S_OK);
  ComPtr<IUnknown> a, b;
  back.query(a);
  container.query(b);
  EXPECT_EQ(a.get(), b.get());
}

TEST_F(ConnectionPointTest, RaisesOnEverySinkAndReturnsTheLastResult) {
  EXPECT_EQ(source_->Raise(1, nullptr, 0), 0);  // no sinks: 0

  RecordingSink first(11), second(22);
  DWORD c1 = 0, c2 = 0;
  ASSERT_EQ(point_->Advise(&first, &c1), S_OK);
  ASSERT_EQ(point_->Advise(&second, &c2), S_OK);
  EXPECT_NE(c1, 0u);
  EXPECT_NE(c1, c2);

  VARIANTARG args[2];
  V_VT(&args[0]) = VT_I4;
  V_I4(&args[0]) = 7;
  V_VT(&args[1]) = VT_I4;
  V_I4(&args[1]) = 9;
  EXPECT_EQ(source_->Raise(5, args, 2), 22);
  for (auto* sink : {&first, &second}) {
    ASSERT_EQ(sink->calls.size(), 1u);
    EXPECT_EQ(sink->calls[0].id, 5);
    EXPECT_EQ(sink->calls[0].lcid, static_cast<LCID>(LOCALE_USER_DEFAULT));
    EXPECT_EQ(sink->calls[0].flags, DISPATCH_METHOD);
    EXPECT_EQ(sink->calls[0].args, (std::vector<LONG>{7, 9}));
  }

  // The enumeration lists both connections with their cookies.
  ComPtr<IEnumConnections> connections;
  ASSERT_EQ(point_->EnumConnections(connections.put()), S_OK);
  CONNECTDATA data[3] = {};
  ULONG count = 0;
  connections->Next(3, data, &count);
  ASSERT_EQ(count, 2u);
  EXPECT_EQ(data[0].dwCookie, c1);
  EXPECT_EQ(data[1].dwCookie, c2);
  for (ULONG i = 0; i < count; ++i) data[i].pUnk->Release();

  EXPECT_EQ(point_->Unadvise(c1), S_OK);
  EXPECT_EQ(point_->Unadvise(c2), S_OK);
}

TEST_F(ConnectionPointTest, UnadviseReleasesTheSinkAndRejectsUnknownCookies) {
  RecordingSink sink(0);
  DWORD cookie = 0;
  ASSERT_EQ(point_->Advise(&sink, &cookie), S_OK);
  EXPECT_GT(sink.refs, 1u);
  EXPECT_EQ(point_->Unadvise(cookie + 100), CONNECT_E_NOCONNECTION);
  EXPECT_EQ(point_->Unadvise(cookie), S_OK);
  EXPECT_EQ(sink.refs, 1u);
  EXPECT_EQ(point_->Unadvise(cookie), CONNECT_E_NOCONNECTION);
  source_->Raise(1, nullptr, 0);
  EXPECT_TRUE(sink.calls.empty());
}

TEST_F(ConnectionPointTest, ASinkMayUnadviseWhileItHandlesAnEvent) {
  RecordingSink first(1), second(2);
  DWORD c1 = 0, c2 = 0;
  point_->Advise(&first, &c1);
  point_->Advise(&second, &c2);
  first.onInvoke = [&] { point_->Unadvise(c1); };
  EXPECT_EQ(source_->Raise(3, nullptr, 0), 2);
  EXPECT_EQ(second.calls.size(), 1u);
  source_->Raise(3, nullptr, 0);
  EXPECT_EQ(first.calls.size(), 1u);
  EXPECT_EQ(second.calls.size(), 2u);
  point_->Unadvise(c2);
}

TEST_F(ConnectionPointTest, RefusesSinksWithoutDispatchAndNullArguments) {
  DWORD cookie = 0;
  EXPECT_EQ(point_->Advise(nullptr, &cookie), E_POINTER);
  // A plain dispatch sink (as script engines make) is accepted.
  RecordingSink plain(0, false);
  EXPECT_EQ(point_->Advise(&plain, &cookie), S_OK);
  point_->Unadvise(cookie);

  struct NoDispatch final : IUnknown {
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
      *ppv = riid == IID_IUnknown ? this : nullptr;
      return *ppv ? S_OK : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
  } bare;
  EXPECT_EQ(point_->Advise(&bare, &cookie), CONNECT_E_CANNOTCONNECT);
  EXPECT_EQ(cookie, 0u);
}

TEST_F(ConnectionPointTest, DestroyingTheSourceReleasesItsSinks) {
  RecordingSink sink(0);
  DWORD cookie = 0;
  ASSERT_EQ(point_->Advise(&sink, &cookie), S_OK);
  point_.reset();
  source_.reset();
  EXPECT_EQ(sink.refs, 1u);
}

// Events raised on another thread (MAPI's notification thread) while the client's thread
// advises and unadvises: every raise reaches the sinks advised at that moment, and the
// point ends holding no sink and no reference.
TEST_F(ConnectionPointTest, RaisingOnAnotherThreadWhileSinksComeAndGo) {
  RecordingSink steady(0), coming(0);
  DWORD steadyCookie = 0;
  ASSERT_EQ(point_->Advise(&steady, &steadyCookie), S_OK);
  // A fixed number of events, raised while this thread connects and disconnects a second
  // sink for as long as the raising goes on (both bounded, however the threads are
  // scheduled).
  constexpr std::size_t kRaised = 20000;
  std::atomic<bool> started{false}, done{false};
  std::thread raiser([&] {
    started = true;
    for (std::size_t i = 0; i < kRaised; ++i) source_->Raise(1, nullptr, 0);
    done = true;
  });
  while (!started) Sleep(0);
  do {
    DWORD cookie = 0;
    ASSERT_EQ(point_->Advise(&coming, &cookie), S_OK);
    ASSERT_EQ(point_->Unadvise(cookie), S_OK);
  } while (!done);
  raiser.join();
  EXPECT_EQ(steady.calls.size(), kRaised);
  ASSERT_EQ(point_->Unadvise(steadyCookie), S_OK);
  ComPtr<IEnumConnections> connections;
  ASSERT_EQ(point_->EnumConnections(connections.put()), S_OK);
  CONNECTDATA data{};
  EXPECT_EQ(connections->Next(1, &data, nullptr), S_FALSE);
  EXPECT_EQ(steady.refs, 1u);
  EXPECT_EQ(coming.refs, 1u);
}

}  // namespace
