// An open message store.
#pragma once

#include <mapix.h>

#include <map>
#include <mutex>

#include "store/ObjectProps.h"
#include "store/PropObject.h"

namespace mapistandin {

// The store provider identifiers (PR_MDB_PROVIDER) of the two kinds of store.
const std::string& PrivateStoreProvider();
const std::string& PublicStoreProvider();

class MsgStore : public PropObject<IMsgStore> {
 public:
  MsgStore(std::shared_ptr<StoreEngine> engine, bool writable, ULONG openFlags);
  ~MsgStore() override;

  STDMETHODIMP Advise(ULONG cb, LPENTRYID id, ULONG mask, LPMAPIADVISESINK sink,
                      ULONG* connection) override;
  STDMETHODIMP Unadvise(ULONG connection) override;
  STDMETHODIMP CompareEntryIDs(ULONG cb1, LPENTRYID id1, ULONG cb2, LPENTRYID id2, ULONG flags,
                               ULONG* result) override;
  STDMETHODIMP OpenEntry(ULONG cb, LPENTRYID id, LPCIID iid, ULONG flags, ULONG* type,
                         LPUNKNOWN* out) override;
  STDMETHODIMP SetReceiveFolder(LPTSTR cls, ULONG flags, ULONG cb, LPENTRYID id) override;
  STDMETHODIMP GetReceiveFolder(LPTSTR cls, ULONG flags, ULONG* cb, LPENTRYID* id,
                                LPTSTR* explicitClass) override;
  STDMETHODIMP GetReceiveFolderTable(ULONG flags, LPMAPITABLE* table) override;
  STDMETHODIMP StoreLogoff(ULONG* flags) override;
  STDMETHODIMP AbortSubmit(ULONG, LPENTRYID, ULONG) override { return MAPI_E_NOT_IN_QUEUE; }
  STDMETHODIMP GetOutgoingQueue(ULONG flags, LPMAPITABLE* table) override;
  STDMETHODIMP SetLockState(LPMESSAGE, ULONG) override { return MAPI_E_NO_SUPPORT; }
  STDMETHODIMP FinishedMsg(ULONG, ULONG, LPENTRYID) override { return MAPI_E_NO_SUPPORT; }
  STDMETHODIMP NotifyNewMail(LPNOTIFICATION) override { return MAPI_E_NO_SUPPORT; }

  const std::shared_ptr<StoreEngine>& engine() const { return engine_; }

 protected:
  void* FindInterface(REFIID iid) override;
  const char* Kind() const override { return "IMsgStore"; }
  Row AllProps() override;
  bool AcceptsTag(ULONG tag) const override;
  HRESULT PutProps(const Row& values) override;
  HRESULT RemoveProps(const std::vector<std::uint16_t>&) override { return MAPI_E_NO_ACCESS; }
  HRESULT Save(ULONG) override { return S_OK; }
  HRESULT OpenProp(ULONG tag, REFIID iid, ULONG options, ULONG flags, LPUNKNOWN* out) override;
  HRESULT CopyInto(REFIID, IUnknown*, const std::vector<ULONG>&, ULONG) override {
    return MAPI_E_NO_SUPPORT;
  }
  std::shared_ptr<StoreEngine> Engine() const override { return engine_; }

 private:
  std::shared_ptr<StoreEngine> engine_;
  StoreIdentity who_;
  ULONG openFlags_;
  std::mutex advisesLock_;
  std::map<ULONG, std::uint64_t> advises_;  // connection -> the engine's listener
};

// The PR_STORE_SUPPORT_MASK of a store (its messages report it too).
ULONG StoreSupportMask(const StoreImage& image, bool writable);

}  // namespace mapistandin
