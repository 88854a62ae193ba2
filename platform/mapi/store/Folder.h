// An open folder. Folder properties are not transacted: SetProps writes through to the
// store at once; SaveChanges has nothing left to do.
#pragma once

#include <mapix.h>

#include "store/ObjectProps.h"
#include "store/PropObject.h"

namespace mapistandin {

class MsgStore;

class Folder : public PropObject<IMAPIFolder> {
 public:
  Folder(Ref<MsgStore> store, std::shared_ptr<StoreEngine> engine, std::uint64_t id, bool writable);

  // IMAPIContainer
  STDMETHODIMP GetContentsTable(ULONG flags, LPMAPITABLE* table) override;
  STDMETHODIMP GetHierarchyTable(ULONG flags, LPMAPITABLE* table) override;
  STDMETHODIMP OpenEntry(ULONG cb, LPENTRYID id, LPCIID iid, ULONG flags, ULONG* type,
                         LPUNKNOWN* out) override;
  STDMETHODIMP SetSearchCriteria(LPSRestriction, LPENTRYLIST, ULONG) override {
    return MAPI_E_NO_SUPPORT;
  }
  STDMETHODIMP GetSearchCriteria(ULONG, LPSRestriction*, LPENTRYLIST*, ULONG*) override {
    return MAPI_E_NO_SUPPORT;
  }
  // IMAPIFolder
  STDMETHODIMP CreateMessage(LPCIID iid, ULONG flags, LPMESSAGE* message) override;
  STDMETHODIMP CopyMessages(LPENTRYLIST list, LPCIID iid, LPVOID dest, ULONG ui,
                            LPMAPIPROGRESS progress, ULONG flags) override;
  STDMETHODIMP DeleteMessages(LPENTRYLIST list, ULONG ui, LPMAPIPROGRESS progress,
                              ULONG flags) override;
  STDMETHODIMP CreateFolder(ULONG type, LPTSTR name, LPTSTR comment, LPCIID iid, ULONG flags,
                            LPMAPIFOLDER* folder) override;
  STDMETHODIMP CopyFolder(ULONG cb, LPENTRYID id, LPCIID iid, LPVOID dest, LPTSTR newName, ULONG ui,
                          LPMAPIPROGRESS progress, ULONG flags) override;
  STDMETHODIMP DeleteFolder(ULONG cb, LPENTRYID id, ULONG ui, LPMAPIPROGRESS progress,
                            ULONG flags) override;
  STDMETHODIMP SetReadFlags(LPENTRYLIST list, ULONG ui, LPMAPIPROGRESS progress,
                            ULONG flags) override;
  STDMETHODIMP GetMessageStatus(ULONG cb, LPENTRYID id, ULONG flags, ULONG* status) override;
  STDMETHODIMP SetMessageStatus(ULONG cb, LPENTRYID id, ULONG status, ULONG mask,
                                ULONG* old) override;
  STDMETHODIMP SaveContentsSort(LPSSortOrderSet, ULONG) override { return S_OK; }
  STDMETHODIMP EmptyFolder(ULONG ui, LPMAPIPROGRESS progress, ULONG flags) override;

  std::uint64_t id() const { return id_; }
  const std::shared_ptr<StoreEngine>& engine() const { return engine_; }

 protected:
  void* FindInterface(REFIID iid) override;
  const char* Kind() const override { return "IMAPIFolder"; }
  std::string ObjectHex() const override;
  Row AllProps() override;
  HRESULT PutProps(const Row& values) override;
  HRESULT RemoveProps(const std::vector<std::uint16_t>& ids) override;
  HRESULT Save(ULONG) override { return S_OK; }
  HRESULT OpenProp(ULONG tag, REFIID iid, ULONG options, ULONG flags, LPUNKNOWN* out) override;
  HRESULT CopyInto(REFIID iid, IUnknown* dest, const std::vector<ULONG>& excluded,
                   ULONG flags) override;
  std::shared_ptr<StoreEngine> Engine() const override { return engine_; }

 private:
  // The messages of this folder named in the list; false when one is not here.
  bool MessagesInList(const SBinaryArray& list, std::vector<std::uint64_t>& ids);
  HRESULT WriteFolderProps(Row props);

  Ref<MsgStore> store_;
  std::shared_ptr<StoreEngine> engine_;
  StoreIdentity who_;
  std::uint64_t id_;
};

}  // namespace mapistandin
