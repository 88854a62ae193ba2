#include "session/MAPISessionNotify.h"

#include <mapiguid.h>

#include <new>

#include "frame/Module.h"
#include "session/QMXSession.h"

namespace kelmsgs {

ComPtr<CMAPISessionNotify> CMAPISessionNotify::Create() {
  return ComPtr<CMAPISessionNotify>(new (std::nothrow) CMAPISessionNotify);
}

CMAPISessionNotify::~CMAPISessionNotify() = default;

void CMAPISessionNotify::SetSession(CQMXSession* session) {
  session_ = session;
  sessionRef_ = ComPtr<IUnknown>(static_cast<IQMXSession*>(session));
}

HRESULT CMAPISessionNotify::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  if (riid == IID_IUnknown || riid == IID_IMAPIAdviseSink) {
    *ppv = static_cast<IMAPIAdviseSink*>(this);
    AddRef();
    return S_OK;
  }
  *ppv = nullptr;
  return E_NOINTERFACE;
}

ULONG CMAPISessionNotify::AddRef() {
  return ++refs_;
}

ULONG CMAPISessionNotify::Release() {
  const ULONG left = --refs_;
  if (left == 0) delete this;
  return left;
}

ULONG CMAPISessionNotify::OnNotify(ULONG count, LPNOTIFICATION notifications) {
  if (session_ && notifications) session_->OnTableNotify(count, notifications);
  return 0;
}

}  // namespace kelmsgs
