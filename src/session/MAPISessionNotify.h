// The advise sink of the session's store table: hands table changes to the session.
#pragma once

#include <mapidefs.h>

#include <atomic>

#include "foundation/ComPtr.h"

namespace kelmsgs {

class CQMXSession;

class CMAPISessionNotify final : public IMAPIAdviseSink {
 public:
  static ComPtr<CMAPISessionNotify> Create();

  // The session that receives the notifications (held with a reference until the sink
  // goes, which is when MAPI drops it at Unadvise).
  void SetSession(CQMXSession* session);

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  ULONG STDMETHODCALLTYPE OnNotify(ULONG count, LPNOTIFICATION notifications) override;

 private:
  CMAPISessionNotify() = default;
  ~CMAPISessionNotify();

  std::atomic<ULONG> refs_{0};
  ComPtr<IUnknown> sessionRef_;
  CQMXSession* session_ = nullptr;
};

}  // namespace kelmsgs
