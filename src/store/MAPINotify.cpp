#include "store/MAPINotify.h"

#include <mapiguid.h>

#include <new>

#include "store/QMXMessageStore.h"

namespace kelmsgs {

ComPtr<CMAPINotify> CMAPINotify::Create() {
  return ComPtr<CMAPINotify>(new (std::nothrow) CMAPINotify);
}

void CMAPINotify::SetStore(CQMXMessageStore* store) {
  store_ = store;
  storeRef_ = ComPtr<IUnknown>(static_cast<IQMXMessageStore*>(store));
}

HRESULT CMAPINotify::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  if (riid == IID_IUnknown || riid == IID_IMAPIAdviseSink) {
    *ppv = static_cast<IMAPIAdviseSink*>(this);
    AddRef();
    return S_OK;
  }
  *ppv = nullptr;
  return E_NOINTERFACE;
}

ULONG CMAPINotify::AddRef() {
  return ++refs_;
}

ULONG CMAPINotify::Release() {
  const ULONG left = --refs_;
  if (left == 0) delete this;
  return left;
}

ULONG CMAPINotify::OnNotify(ULONG count, LPNOTIFICATION notifications) {
  // Handling an event can run client code (events, dispatched window messages) that
  // unadvises the store and lets go of it: sink and store stay alive until the end.
  const ComPtr<CMAPINotify> self(this);
  const ComPtr<IUnknown> storeRef = storeRef_;
  if (store_ && notifications) store_->OnStoreNotify(count, notifications);
  return 0;
}

}  // namespace kelmsgs
