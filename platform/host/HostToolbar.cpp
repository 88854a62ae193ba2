#include "HostToolbar.h"

namespace hoststandin {

// {BB5E4474-3539-451F-8021-4917A897ACF4}
const CLSID kClsidHostToolbar = {
    0xBB5E4474, 0x3539, 0x451F, {0x80, 0x21, 0x49, 0x17, 0xA8, 0x97, 0xAC, 0xF4}};

namespace {

enum : DISPID {
  kOlProgressBar = 1,
  kToolbarHWnd,
  kSearchCtlHWnd,
  kRecordCount,
  kRecordLine,
  kRecordMessage,
  kRecordLParam,
  kRecord,
  kClearRecord,
  kWaitForRecord,
  kAckDelay,
  kSilent,
  kAckCount,
  kDestroyWindows,
  kWaitForAcks,
};

constexpr DispMember kMembers[] = {
    {L"OlProgressBar", kOlProgressBar}, {L"ToolbarHWnd", kToolbarHWnd},
    {L"SearchCtlHWnd", kSearchCtlHWnd}, {L"RecordCount", kRecordCount},
    {L"RecordLine", kRecordLine},       {L"RecordMessage", kRecordMessage},
    {L"RecordLParam", kRecordLParam},   {L"Record", kRecord},
    {L"ClearRecord", kClearRecord},     {L"WaitForRecord", kWaitForRecord},
    {L"AckDelay", kAckDelay},           {L"Silent", kSilent},
    {L"AckCount", kAckCount},           {L"DestroyWindows", kDestroyWindows},
    {L"WaitForAcks", kWaitForAcks},
};

constexpr WORD kGet = DISPATCH_PROPERTYGET | DISPATCH_METHOD;

long HandleValue(HWND window) {
  return static_cast<long>(reinterpret_cast<LONG_PTR>(window));
}

}  // namespace

HostToolbar::HostToolbar()
    : NamedDispatch(kMembers, std::size(kMembers)), progressBar_(new HostProgressBar) {}

REFIID HostToolbar::DispatchInterface() const {
  return kDiidOlToolbar;
}

HRESULT HostToolbar::InvokeMember(DISPID id, WORD flags, DISPPARAMS& params, VARIANT* result) {
  switch (id) {
    case kRecordLine:
    case kRecordMessage:
    case kRecordLParam:
      return flags & kGet ? RecordMember(id, params, result) : DISP_E_MEMBERNOTFOUND;
    case kAckDelay:
    case kSilent:
      return Setting(id, flags, params, result);
    default:
      break;
  }
  if (!(flags & kGet)) return DISP_E_MEMBERNOTFOUND;
  switch (id) {
    case kOlProgressBar:
      return ObjectResult(progressBar_.get(), result);
    case kToolbarHWnd:
      return LongResult(HandleValue(windows_.Toolbar()), result);
    case kSearchCtlHWnd:
      return LongResult(HandleValue(windows_.SearchControl()), result);
    case kRecordCount:
      return LongResult(static_cast<long>(windows_.Record().Count()), result);
    case kRecord:
      return TextResult(windows_.Record().AllLines().c_str(), result);
    case kClearRecord:
      windows_.ClearRecord();
      return S_OK;
    case kWaitForRecord:
    case kWaitForAcks:
      return Wait(id, params, result);
    case kAckCount:
      return LongResult(windows_.AckCount(), result);
    case kDestroyWindows:
      windows_.DestroyWindows();
      return S_OK;
    default:
      return DISP_E_MEMBERNOTFOUND;
  }
}

HRESULT HostToolbar::RecordMember(DISPID id, DISPPARAMS& params, VARIANT* result) {
  long index = 0;
  const HRESULT hr = LongArg(params, 0, index);
  if (FAILED(hr)) return hr;
  HostRecordEntry entry;
  if (index < 0 || !windows_.Record().Entry(static_cast<size_t>(index), entry)) return E_INVALIDARG;
  if (id == kRecordMessage) return LongResult(static_cast<long>(entry.message), result);
  if (id == kRecordLParam) return LongResult(static_cast<long>(entry.lParam), result);
  return TextResult(DescribeEntry(entry).c_str(), result);
}

HRESULT HostToolbar::Wait(DISPID id, DISPPARAMS& params, VARIANT* result) {
  long count = 0, timeoutMs = 0;
  HRESULT hr = LongArg(params, 0, count);
  if (SUCCEEDED(hr)) hr = LongArg(params, 1, timeoutMs);
  if (FAILED(hr)) return hr;
  if (count < 0 || timeoutMs < 0) return E_INVALIDARG;
  const auto ms = static_cast<DWORD>(timeoutMs);
  return BoolResult(id == kWaitForAcks ? windows_.WaitForAcks(count, ms)
                                       : windows_.WaitForRecord(static_cast<size_t>(count), ms),
                    result);
}

HRESULT HostToolbar::Setting(DISPID id, WORD flags, DISPPARAMS& params, VARIANT* result) {
  if (flags & DISPATCH_PROPERTYPUT) {
    long value = 0;
    const HRESULT hr = LongArg(params, 0, value);
    if (FAILED(hr)) return hr;
    if (id == kSilent) windows_.SetSilent(value != 0);
    if (id == kAckDelay && value < 0) return E_INVALIDARG;
    if (id == kAckDelay) windows_.SetAckDelay(static_cast<DWORD>(value));
    return S_OK;
  }
  if (!(flags & kGet)) return DISP_E_MEMBERNOTFOUND;
  if (id == kSilent) return BoolResult(windows_.Silent(), result);
  return LongResult(static_cast<long>(windows_.AckDelay()), result);
}

}  // namespace hoststandin
