#include "session/HostLinks.h"

#include <mutex>

#include "foundation/Owned.h"

namespace kelmsgs {

namespace {

// The two references. When the library is unloaded they are let go without a call into
// the host: by then the host's objects may be gone with its apartment (CoUninitialize),
// and a Release from the loader's lock must not run foreign code anyway.
struct Slots {
  std::mutex lock;
  ComPtr<IOlToolbar> toolbar;
  ComPtr<IDispatch> progressBar;
  ~Slots() {
    toolbar.detach();
    progressBar.detach();
  }
};

Slots& TheSlots() {
  static Slots slots;
  return slots;
}

// The toolbar's OlProgressBar property (DISPID 1); null when it cannot be read.
ComPtr<IDispatch> ReadProgressBar(IOlToolbar* toolbar) {
  constexpr DISPID kOlProgressBar = 1;
  DISPPARAMS none = {};
  Variant result;
  const HRESULT hr = toolbar->Invoke(kOlProgressBar, IID_NULL, LOCALE_USER_DEFAULT,
                                     DISPATCH_PROPERTYGET, &none, &result, nullptr, nullptr);
  if (FAILED(hr) || result.vt != VT_DISPATCH) return {};
  return ComPtr<IDispatch>(result.pdispVal);
}

}  // namespace

void HostLinks::SetToolbar(IOlToolbar* toolbar) {
  // The references are replaced under the lock and released after it, so that a host
  // that calls back from Release finds the slots in order.
  ComPtr<IOlToolbar> oldToolbar;
  ComPtr<IDispatch> oldProgressBar;
  // 1. The stored toolbar goes.
  Slots& slots = TheSlots();
  {
    std::lock_guard hold(slots.lock);
    oldToolbar = std::move(slots.toolbar);
  }
  if (!toolbar) return;
  // 2. A new toolbar is kept, with the progress bar it hands out instead of the old one.
  ComPtr<IDispatch> progressBar = ReadProgressBar(toolbar);
  std::lock_guard hold(slots.lock);
  slots.toolbar = ComPtr<IOlToolbar>(toolbar);
  oldProgressBar = std::exchange(slots.progressBar, std::move(progressBar));
}

ComPtr<IOlToolbar> HostLinks::Toolbar() {
  std::lock_guard hold(TheSlots().lock);
  return TheSlots().toolbar;
}

ComPtr<IDispatch> HostLinks::ProgressBar() {
  std::lock_guard hold(TheSlots().lock);
  return TheSlots().progressBar;
}

void HostLinks::Drop() {
  ComPtr<IOlToolbar> oldToolbar;
  ComPtr<IDispatch> oldProgressBar;
  std::lock_guard hold(TheSlots().lock);
  oldToolbar = std::move(TheSlots().toolbar);
  oldProgressBar = std::move(TheSlots().progressBar);
}

}  // namespace kelmsgs
