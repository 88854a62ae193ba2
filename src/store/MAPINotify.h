// The advise sink of a store object: hands the store's notifications to it.
#pragma once

#include <mapidefs.h>

#include <atomic>

#include "foundation/ComPtr.h"

namespace kelmsgs {

class CQMXMessageStore;

class CMAPINotify final : public IMAPIAdviseSink {
 public:
  static ComPtr<CMAPINotify> Create();

  // The store object that receives the notifications; the sink keeps it alive until MAPI
  // drops the sink at Unadvise.
  void SetStore(CQMXMessageStore* store);

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  ULONG STDMETHODCALLTYPE OnNotify(ULONG count, LPNOTIFICATION notifications) override;

 private:
  CMAPINotify() = default;
  ~CMAPINotify() = default;

  std::atomic<ULONG> refs_{0};
  ComPtr<IUnknown> storeRef_;
  CQMXMessageStore* store_ = nullptr;
};

}  // namespace kelmsgs
