// The library's reference counting and MAPI advise sinks: an object is born owned once,
// answers exactly its interfaces and goes with its last reference; a sink keeps itself
// and its target alive for the whole of a notification, even when the target's handler
// lets go of both (a client that unadvises and releases from an event), and hears nothing
// once its target is cleared.
#include "frame/RefCounted.h"

#include <gtest/gtest.h>

#include <functional>

#include "frame/AdviseSink.h"

using kelmsgs::AdviseSink;
using kelmsgs::ComPtr;
using kelmsgs::RefCounted;

namespace {

// A target that reports its destruction and runs a handler for each batch.
class Target final : public RefCounted<Target, IUnknown> {
 public:
  explicit Target(bool* destroyed) : destroyed_(destroyed) {}
  ~Target() override { *destroyed_ = true; }
  void OnBatch(ULONG count, const NOTIFICATION*) {
    heard += count;
    if (onBatch) onBatch();
  }
  ULONG heard = 0;
  std::function<void()> onBatch;

 private:
  bool* destroyed_;
};
using Sink = AdviseSink<Target, &Target::OnBatch>;

TEST(RefCountedTest, BornOwnedOnceAndGoneWithTheLastReference) {
  bool destroyed = false;
  ComPtr<Target> target = Target::Make(&destroyed);
  ASSERT_TRUE(target);
  EXPECT_EQ(target->AddRef(), 2u);  // the creator's reference was the first
  EXPECT_EQ(target->Release(), 1u);
  ComPtr<IUnknown> unknown;
  EXPECT_EQ(target->QueryInterface(IID_IUnknown, unknown.put_void()), S_OK);
  ComPtr<IMAPIAdviseSink> notASink;
  EXPECT_EQ(target->QueryInterface(IID_IMAPIAdviseSink, notASink.put_void()), E_NOINTERFACE);
  EXPECT_FALSE(notASink);
  target.reset();
  EXPECT_FALSE(destroyed);
  unknown.reset();
  EXPECT_TRUE(destroyed);
}

TEST(RefCountedTest, SinkAndTargetOutliveAHandlerThatDropsThem) {
  bool destroyed = false;
  ComPtr<Target> target = Target::Make(&destroyed);
  ComPtr<Sink> sink = Sink::Make();
  ASSERT_TRUE(sink);
  ComPtr<IMAPIAdviseSink> asSink;
  ASSERT_EQ(sink->QueryInterface(IID_IMAPIAdviseSink, asSink.put_void()), S_OK);
  sink->SetTarget(target.get());
  Target* const raw = target.get();
  IMAPIAdviseSink* const rawSink = asSink.get();
  ULONG sinkRefsInHandler = 0;
  bool destroyedInHandler = true;
  raw->onBatch = [&] {
    // MAPI drops the sink (Unadvise) and the client its last reference to the target.
    asSink.reset();
    sink.reset();
    target.reset();
    destroyedInHandler = destroyed;
    rawSink->AddRef();
    sinkRefsInHandler = rawSink->Release();
  };
  NOTIFICATION batch[2] = {};
  EXPECT_EQ(rawSink->OnNotify(2, batch), 0u);
  EXPECT_FALSE(destroyedInHandler);
  EXPECT_EQ(sinkRefsInHandler, 1u);  // only the call's own reference was left
  EXPECT_TRUE(destroyed);            // and both went when the call ended
}

TEST(RefCountedTest, SinkWithoutTargetHearsNothing) {
  bool destroyed = false;
  ComPtr<Target> target = Target::Make(&destroyed);
  ComPtr<Sink> sink = Sink::Make();
  NOTIFICATION batch[1] = {};
  sink->SetTarget(target.get());
  sink->OnNotify(1, batch);
  sink->OnNotify(1, nullptr);
  sink->SetTarget(nullptr);
  sink->OnNotify(1, batch);
  EXPECT_EQ(target->heard, 1u);
  target.reset();
  EXPECT_TRUE(destroyed);  // a cleared sink holds no reference
}

}  // namespace
