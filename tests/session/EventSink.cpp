#include "EventSink.h"

#include <ocidl.h>

#include <gtest/gtest.h>

#include "KelMsgs.h"

std::string HexOf(const void* bytes, ULONG size) {
  static const char digits[] = "0123456789ABCDEF";
  std::string text;
  const auto* p = static_cast<const unsigned char*>(bytes);
  for (ULONG i = 0; p && i < size; ++i) {
    text += digits[p[i] >> 4];
    text += digits[p[i] & 15];
  }
  return text;
}

HRESULT EventSink::Connect(IUnknown* source) {
  kelmsgs::ComPtr<IConnectionPointContainer> container;
  HRESULT hr = source->QueryInterface(IID_IConnectionPointContainer, container.put_void());
  if (FAILED(hr)) return hr;
  kelmsgs::ComPtr<IConnectionPoint> point;
  hr = container->FindConnectionPoint(DIID__IQMXSessionEvents, point.put());
  if (FAILED(hr)) return hr;
  hr = point->Advise(static_cast<IDispatch*>(this), &cookie_);
  if (FAILED(hr)) return hr;
  point_ = std::move(point);
  return S_OK;
}

void EventSink::Disconnect() {
  if (!point_) return;
  EXPECT_EQ(point_->Unadvise(cookie_), S_OK);
  point_.reset();
}

std::vector<FiredEvent> EventSink::Events() {
  std::lock_guard guard(lock_);
  return events_;
}

std::vector<FiredEvent> EventSink::MessageEvents(ULONG eventType) {
  std::vector<FiredEvent> found;
  for (const auto& e : Events())
    if (e.id == 8 && e.texts.size() == 13 && e.EventType() == eventType) found.push_back(e);
  return found;
}

std::size_t EventSink::Count() {
  std::lock_guard guard(lock_);
  return events_.size();
}

HRESULT EventSink::QueryInterface(REFIID riid, void** ppv) {
  if (riid == IID_IUnknown || riid == IID_IDispatch || riid == DIID__IQMXSessionEvents) {
    *ppv = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  *ppv = nullptr;
  return E_NOINTERFACE;
}

HRESULT EventSink::GetTypeInfoCount(UINT* count) {
  *count = 0;
  return S_OK;
}
HRESULT EventSink::GetTypeInfo(UINT, LCID, ITypeInfo**) {
  return E_NOTIMPL;
}
HRESULT EventSink::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) {
  return E_NOTIMPL;
}

HRESULT EventSink::Invoke(DISPID id, REFIID, LCID lcid, WORD flags, DISPPARAMS* params,
                          VARIANT* result, EXCEPINFO*, UINT*) {
  FiredEvent event;
  event.id = id;
  event.lcid = lcid;
  event.flags = flags;
  // Arguments arrive last first; a byte pointer's size is the argument after it.
  const UINT count = params->cArgs;
  for (UINT i = 0; i < count; ++i) {
    const VARIANT& arg = params->rgvarg[count - 1 - i];
    event.types.push_back(V_VT(&arg));
    switch (V_VT(&arg)) {
      case VT_BYREF | VT_UI1: {
        const VARIANT& size = params->rgvarg[count - 2 - i];
        event.texts.push_back(HexOf(V_UI1REF(&arg), V_I4(&size)));
        break;
      }
      case VT_I4:
        event.texts.push_back(std::to_string(static_cast<ULONG>(V_I4(&arg))));
        break;
      case VT_BOOL:
        event.texts.push_back(std::to_string(V_BOOL(&arg)));
        break;
      case VT_BSTR: {
        const std::wstring wide(V_BSTR(&arg) ? V_BSTR(&arg) : L"");
        event.texts.emplace_back(wide.begin(), wide.end());
        break;
      }
      case VT_DISPATCH:
        event.object = V_DISPATCH(&arg);
        event.texts.emplace_back("<object>");
        break;
      default:
        event.texts.emplace_back("<?>");
    }
  }
  {
    std::lock_guard guard(lock_);
    events_.push_back(std::move(event));
  }
  if (handler_) handler_();
  if (result) {
    V_VT(result) = VT_I4;
    V_I4(result) = result_;
  }
  return S_OK;
}
