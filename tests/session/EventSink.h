// A client's sink for the session's events: records every Invoke with its arguments
// turned into text (identifier buffers as hex strings), answers with a chosen result and
// can run client code in the middle of an event.
#pragma once

#include <windows.h>
#include <ocidl.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "foundation/ComPtr.h"

struct FiredEvent {
  DISPID id = 0;
  LCID lcid = 0;
  WORD flags = 0;
  std::vector<VARTYPE> types;      // in the order the event declares its arguments
  std::vector<std::string> texts;  // likewise; byte pointers as hex of their size argument
  IDispatch* object = nullptr;     // a VT_DISPATCH argument (not held)

  // MessageEvent's arguments by name.
  const std::string& Store() const { return texts[0]; }
  const std::string& Entry() const { return texts[2]; }
  const std::string& Parent() const { return texts[4]; }
  const std::string& OldEntry() const { return texts[6]; }
  const std::string& OldParent() const { return texts[8]; }
  ULONG EventType() const { return std::stoul(texts[10]); }
  ULONG ObjectType() const { return std::stoul(texts[11]); }
  bool IsResult() const { return texts[12] == "-1"; }
};

class EventSink final : public IDispatch {
 public:
  explicit EventSink(LONG result = 0) : result_(result) {}

  // Connects to the source's connection point for the session events; Disconnect undoes it.
  HRESULT Connect(IUnknown* source);
  void Disconnect();

  std::vector<FiredEvent> Events();
  // The MessageEvent calls of one event type.
  std::vector<FiredEvent> MessageEvents(ULONG eventType);
  std::size_t Count();
  // Client code run inside the next Invoke calls.
  void OnEvent(std::function<void()> handler) { handler_ = std::move(handler); }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs_; }  // lives on the test's stack
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID lcid, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO*, UINT*) override;

 private:
  std::atomic<ULONG> refs_{1};
  LONG result_;
  std::mutex lock_;
  std::vector<FiredEvent> events_;
  std::function<void()> handler_;
  kelmsgs::ComPtr<IConnectionPoint> point_;
  DWORD cookie_ = 0;
};

// Hex text of bytes, as the library writes identifier strings.
std::string HexOf(const void* bytes, ULONG size);
