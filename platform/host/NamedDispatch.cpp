#include "NamedDispatch.h"

#include <cwchar>
#include <string>

namespace hoststandin {

namespace {
std::atomic<long> g_liveObjects{0};
}  // namespace

NamedDispatch::NamedDispatch(const DispMember* members, size_t count)
    : members_(members), count_(count) {
  ++g_liveObjects;
}

NamedDispatch::~NamedDispatch() {
  --g_liveObjects;
}

long NamedDispatch::LiveObjects() {
  return g_liveObjects;
}

STDMETHODIMP NamedDispatch::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (iid != IID_IUnknown && iid != IID_IDispatch && iid != DispatchInterface())
    return E_NOINTERFACE;
  *out = static_cast<IDispatch*>(this);
  AddRef();
  return S_OK;
}

STDMETHODIMP_(ULONG) NamedDispatch::AddRef() {
  return ++refs_;
}

STDMETHODIMP_(ULONG) NamedDispatch::Release() {
  const ULONG n = --refs_;
  if (n == 0) delete this;
  return n;
}

STDMETHODIMP NamedDispatch::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = 0;
  return S_OK;
}

STDMETHODIMP NamedDispatch::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
  if (info) *info = nullptr;
  return DISP_E_BADINDEX;
}

STDMETHODIMP NamedDispatch::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  if (!names || !ids || count == 0) return E_INVALIDARG;
  HRESULT hr = S_OK;
  for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
  for (size_t m = 0; m < count_; ++m)
    if (names[0] && _wcsicmp(names[0], members_[m].name) == 0) ids[0] = members_[m].id;
  // Named arguments are not supported.
  if (ids[0] == DISPID_UNKNOWN || count > 1) hr = DISP_E_UNKNOWNNAME;
  return hr;
}

STDMETHODIMP NamedDispatch::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO*, UINT*) {
  DISPPARAMS none = {};
  if (result) VariantInit(result);
  bool known = false;
  for (size_t m = 0; m < count_; ++m) known = known || members_[m].id == id;
  if (!known) return DISP_E_MEMBERNOTFOUND;
  return InvokeMember(id, flags, params ? *params : none, result);
}

// Positional arguments come in reverse order; a property put's value is rgvarg[0].
HRESULT NamedDispatch::LongArg(const DISPPARAMS& params, UINT i, long& value) {
  if (i >= params.cArgs) return DISP_E_BADPARAMCOUNT;
  VARIANT converted;
  VariantInit(&converted);
  const HRESULT hr = VariantChangeType(&converted, &params.rgvarg[params.cArgs - 1 - i], 0, VT_I4);
  if (FAILED(hr)) return DISP_E_TYPEMISMATCH;
  value = converted.lVal;
  return S_OK;
}

HRESULT NamedDispatch::BoolArg(const DISPPARAMS& params, UINT i, bool& value) {
  long number = 0;
  const HRESULT hr = LongArg(params, i, number);
  if (SUCCEEDED(hr)) value = number != 0;
  return hr;
}

HRESULT LongResult(long value, VARIANT* result) {
  if (!result) return S_OK;
  result->vt = VT_I4;
  result->lVal = value;
  return S_OK;
}

HRESULT BoolResult(bool value, VARIANT* result) {
  if (!result) return S_OK;
  result->vt = VT_BOOL;
  result->boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
  return S_OK;
}

HRESULT TextResult(const char* text, VARIANT* result) {
  if (!result) return S_OK;
  const int length = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
  std::wstring wide(length > 0 ? length : 1, L'\0');
  MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), length);
  result->vt = VT_BSTR;
  result->bstrVal = SysAllocString(wide.c_str());
  return result->bstrVal ? S_OK : E_OUTOFMEMORY;
}

HRESULT ObjectResult(IDispatch* object, VARIANT* result) {
  if (!result) return S_OK;
  result->vt = VT_DISPATCH;
  result->pdispVal = object;
  if (object) object->AddRef();
  return S_OK;
}

}  // namespace hoststandin
