// Base of every automation class: the library's reference counting (RefCounted) with a
// module lock, a QueryInterface table, IDispatch through the embedded type library and
// ISupportErrorInfo for the class's default interface.
//
//   class CQMXFoo : public AutomationObject<CQMXFoo, IQMXFoo, QMXFoo> { ... };
//
// Extra interfaces (IConnectionPointContainer) are listed after the coclass; the class
// implements their members.
#pragma once

#include <oaidl.h>

#include <new>

#include "foundation/ComPtr.h"
#include "frame/DispatchNames.h"
#include "frame/ErrorReport.h"
#include "frame/Module.h"
#include "frame/RefCounted.h"

namespace kelmsgs {

template <class Derived, class Itf, class Coclass, class... Extra>
class AutomationObject : public RefCounted<Derived, Itf, ISupportErrorInfo, Extra...> {
  using Base = RefCounted<Derived, Itf, ISupportErrorInfo, Extra...>;

 public:
  // Creates an object and hands out the interface riid (the class factory's work).
  static HRESULT CreateInstance(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    const ComPtr<Derived> object = Base::Make();
    if (!object) return E_OUTOFMEMORY;
    return object->QueryInterface(riid, ppv);
  }
  // Creates an object for in-library use.
  static HRESULT Create(ComPtr<Derived>& out) {
    out = Base::Make();
    return out ? S_OK : E_OUTOFMEMORY;
  }

  // IUnknown: the dual interface also answers IDispatch.
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (riid == IID_IUnknown || riid == IID_IDispatch || riid == __uuidof(Itf))
      *ppv = static_cast<Itf*>(this);
    else if (riid == IID_ISupportErrorInfo)
      *ppv = static_cast<ISupportErrorInfo*>(this);
    else
      (void)(this->template Answer<Extra>(riid, ppv) || ...);
    if (!*ppv) return E_NOINTERFACE;
    this->AddRef();
    return S_OK;
  }

  // IDispatch, answered by the type information of the default interface.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (!count) return E_POINTER;
    *count = 1;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID, ITypeInfo** info) override {
    if (!info) return E_POINTER;
    *info = nullptr;
    if (index != 0) return DISP_E_BADINDEX;
    return Module::GetTypeInfo(__uuidof(Itf), info);
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID,
                                          DISPID* ids) override {
    if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    ComPtr<ITypeInfo> info;
    const HRESULT hr = Module::GetTypeInfo(__uuidof(Itf), info.put());
    if (FAILED(hr)) return hr;
    // A single name (a member without named arguments, the common case) comes from the
    // class's cache of resolved names.
    if (count == 1 && names && ids) return Names().Find(info.get(), names[0], ids);
    return info->GetIDsOfNames(names, count, ids);
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* excep, UINT* argErr) override {
    if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    ComPtr<ITypeInfo> info;
    const HRESULT hr = Module::GetTypeInfo(__uuidof(Itf), info.put());
    if (FAILED(hr)) return hr;
    // Error information left on the thread by an earlier call must not be mistaken for
    // this member's.
    SetErrorInfo(0, nullptr);
    return info->Invoke(static_cast<Itf*>(this), id, flags, params, result, excep, argErr);
  }

  // ISupportErrorInfo: only the default interface reports errors.
  HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID riid) override {
    return riid == __uuidof(Itf) ? S_OK : S_FALSE;
  }

 protected:
  AutomationObject() = default;
  ~AutomationObject() override = default;

  // Sets error information for a failure described by text and returns E_FAIL.
  static HRESULT Fail(const char* description) {
    return ReportError(__uuidof(Coclass), description, 0, nullptr, __uuidof(Itf), E_FAIL);
  }
  // Same, with a description from the string table.
  static HRESULT Fail(UINT descriptionId) {
    return ReportError(__uuidof(Coclass), descriptionId, 0, nullptr, __uuidof(Itf), E_FAIL,
                       Module::Instance());
  }

 private:
  // One cache per class: every object of the class shares its type information.
  static DispatchNames& Names() {
    static DispatchNames names;
    return names;
  }

  ModuleLock moduleLock_;
};

}  // namespace kelmsgs
