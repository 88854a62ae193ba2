#include "support/HostStandin.h"

#include "foundation/Owned.h"
#include "support/BstrText.h"

using kelmsgs::ComPtr;
using kelmsgs::Variant;

namespace {

VARIANT LongArg(long value) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_I4;
  v.lVal = value;
  return v;
}

}  // namespace

HostStandin::HostStandin() {
  CLSID clsid;
  created_ = CLSIDFromProgID(L"KelMsgsHost.Toolbar", &clsid);
  if (FAILED(created_)) return;
  created_ =
      CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, DIID_IOlToolbar, toolbar_.put_void());
}

HRESULT HostStandin::Call(const wchar_t* name, WORD flags, std::vector<VARIANT> args,
                          VARIANT* result) const {
  if (!toolbar_) return E_POINTER;
  DISPID id = DISPID_UNKNOWN;
  auto* names = const_cast<LPOLESTR>(name);
  HRESULT hr = toolbar_->GetIDsOfNames(IID_NULL, &names, 1, LOCALE_USER_DEFAULT, &id);
  if (FAILED(hr)) return hr;
  // Arguments go in reverse order; a property put names its value.
  std::vector<VARIANT> reversed(args.rbegin(), args.rend());
  DISPID putId = DISPID_PROPERTYPUT;
  DISPPARAMS params = {reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
  if (flags == DISPATCH_PROPERTYPUT) {
    params.rgdispidNamedArgs = &putId;
    params.cNamedArgs = 1;
  }
  return toolbar_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, nullptr,
                          nullptr);
}

long HostStandin::LongMember(const wchar_t* name) const {
  Variant result;
  if (FAILED(Call(name, DISPATCH_PROPERTYGET, {}, &result)) || result.vt != VT_I4) return -1;
  return result.lVal;
}

void HostStandin::Put(const wchar_t* name, long value) const {
  Call(name, DISPATCH_PROPERTYPUT, {LongArg(value)}, nullptr);
}

HWND HostStandin::ToolbarWindow() const {
  return reinterpret_cast<HWND>(static_cast<LONG_PTR>(LongMember(L"ToolbarHWnd")));
}

HWND HostStandin::SearchControlWindow() const {
  return reinterpret_cast<HWND>(static_cast<LONG_PTR>(LongMember(L"SearchCtlHWnd")));
}

long HostStandin::Count() const {
  return LongMember(L"RecordCount");
}

std::vector<std::string> HostStandin::Lines() const {
  std::vector<std::string> lines;
  for (long i = 0, n = Count(); i < n; ++i) {
    Variant line;
    if (FAILED(Call(L"RecordLine", DISPATCH_PROPERTYGET, {LongArg(i)}, &line)) ||
        line.vt != VT_BSTR)
      break;
    lines.push_back(Narrow(line.bstrVal));
  }
  return lines;
}

bool HostStandin::Wait(const wchar_t* name, long count, long timeoutMs) const {
  Variant reached;
  return SUCCEEDED(Call(name, DISPATCH_METHOD, {LongArg(count), LongArg(timeoutMs)}, &reached)) &&
         reached.vt == VT_BOOL && reached.boolVal != VARIANT_FALSE;
}

bool HostStandin::WaitFor(long count, long timeoutMs) const {
  return Wait(L"WaitForRecord", count, timeoutMs);
}

bool HostStandin::WaitForAcks(long count, long timeoutMs) const {
  return Wait(L"WaitForAcks", count, timeoutMs);
}

void HostStandin::ClearRecord() const {
  Call(L"ClearRecord", DISPATCH_METHOD, {}, nullptr);
}

void HostStandin::SetSilent(bool silent) const {
  Put(L"Silent", silent ? 1 : 0);
}

void HostStandin::SetAckDelay(long ms) const {
  Put(L"AckDelay", ms);
}

long HostStandin::AckCount() const {
  return LongMember(L"AckCount");
}

void HostStandin::DestroyWindows() const {
  Call(L"DestroyWindows", DISPATCH_METHOD, {}, nullptr);
}

ComPtr<IDispatch> HostStandin::ProgressBar() const {
  Variant result;
  if (FAILED(Call(L"OlProgressBar", DISPATCH_PROPERTYGET, {}, &result)) || result.vt != VT_DISPATCH)
    return {};
  return ComPtr<IDispatch>(result.pdispVal);
}
