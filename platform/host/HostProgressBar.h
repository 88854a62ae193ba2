// The host's progress bar as its toolbar hands it out: an object that answers the type
// library's IOlProgressBar (a dispatch interface without members).
#pragma once

#include "NamedDispatch.h"

namespace hoststandin {

// The dispatch interface identifiers that the type library declares for the host.
extern const IID kDiidOlToolbar;
extern const IID kDiidOlProgressBar;

class HostProgressBar final : public NamedDispatch {
 public:
  HostProgressBar();

 protected:
  REFIID DispatchInterface() const override { return kDiidOlProgressBar; }
  HRESULT InvokeMember(DISPID, WORD, DISPPARAMS&, VARIANT*) override {
    return DISP_E_MEMBERNOTFOUND;
  }
};

}  // namespace hoststandin
