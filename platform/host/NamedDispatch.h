// IDispatch by a table of member names, for the stand-in's late-bound objects (they carry
// no type library of their own): GetIDsOfNames looks the name up without regard to case,
// Invoke hands the member's DISPID, the call kind and the arguments to InvokeMember.
#pragma once

#include <oaidl.h>

#include <atomic>

namespace hoststandin {

struct DispMember {
  const wchar_t* name;
  DISPID id;
};

class NamedDispatch : public IDispatch {
 public:
  NamedDispatch(const DispMember* members, size_t count);
  virtual ~NamedDispatch();
  NamedDispatch(const NamedDispatch&) = delete;
  NamedDispatch& operator=(const NamedDispatch&) = delete;

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;
  STDMETHODIMP GetTypeInfoCount(UINT* count) override;
  STDMETHODIMP GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
  STDMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid,
                             DISPID* ids) override;
  STDMETHODIMP Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params,
                      VARIANT* result, EXCEPINFO* exception, UINT* argError) override;

  // The number of live objects: the module may unload when none is left.
  static long LiveObjects();

 protected:
  // The dispatch interface the object implements, besides IDispatch.
  virtual REFIID DispatchInterface() const = 0;
  // One member call; result may be null. Argument i counts from the left.
  virtual HRESULT InvokeMember(DISPID id, WORD flags, DISPPARAMS& params, VARIANT* result) = 0;

  // The positional argument i (from the left) converted to a long or a boolean.
  static HRESULT LongArg(const DISPPARAMS& params, UINT i, long& value);
  static HRESULT BoolArg(const DISPPARAMS& params, UINT i, bool& value);

 private:
  const DispMember* members_;
  size_t count_;
  std::atomic<ULONG> refs_{1};
};

// Result writers; each succeeds unless result is null.
HRESULT LongResult(long value, VARIANT* result);
HRESULT BoolResult(bool value, VARIANT* result);
HRESULT TextResult(const char* text, VARIANT* result);
HRESULT ObjectResult(IDispatch* object, VARIANT* result);

}  // namespace hoststandin
