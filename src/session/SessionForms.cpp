// QMXSession: installing a MAPI form, described by a form configuration file, into the
// form registry of one folder.
#include <mapiform.h>

#include "foundation/BstrText.h"
#include "session/QMXSession.h"

namespace kelmsgs {

namespace {
constexpr ULONG kStoreOpenFlags = MDB_NO_MAIL | MDB_TEMPORARY | MAPI_BEST_ACCESS;  // 0xB0
}  // namespace

HRESULT CQMXSession::InstallForm(BSTR FolderID, BSTR StoreID, BSTR ConfigurationFile) {
  // 1. Every argument is required.
  if (!FolderID || !*FolderID || !StoreID || !*StoreID || !ConfigurationFile || !*ConfigurationFile)
    return E_INVALIDARG;
  // 2. In their 8-bit forms.
  return InstallFormInternal(NarrowFromBstr(FolderID).c_str(), NarrowFromBstr(StoreID).c_str(),
                             NarrowFromBstr(ConfigurationFile).c_str());
}

HRESULT CQMXSession::InstallFormInternal(const char* folderId, const char* storeId,
                                         const char* configFile) {
  // A session that is not logged on has no registry to install into.
  if (!session_) return S_OK;
  // 1. Both identifiers; text that is not one installs nothing.
  EntryIdBuffer folder, store;
  if (FAILED(HexToEntryId(folderId, folder.bytes, folder.size)) || folder.empty() ||
      FAILED(HexToEntryId(storeId, store.bytes, store.size)) || store.empty())
    return S_OK;
  // 2. The store.
  ComPtr<IMsgStore> openedStore;
  HRESULT hr = session_->OpenMsgStore(0, store.size, store.entryId(), nullptr, kStoreOpenFlags,
                                      openedStore.put());
  if (FAILED(hr)) return hr;
  // 3. The folder.
  ComPtr<IUnknown> openedFolder;
  ULONG type = 0;
  hr = openedStore->OpenEntry(folder.size, folder.entryId(), nullptr, MAPI_BEST_ACCESS, &type,
                              openedFolder.put());
  if (FAILED(hr)) return hr;
  // 4. The form manager and the folder's form registry.
  ComPtr<IMAPIFormMgr> manager;
  hr = MAPIOpenFormMgr(session_.get(), manager.put());
  if (FAILED(hr)) return hr;
  ComPtr<IMAPIFormContainer> container;
  hr = manager->OpenFormContainer(HFRMREG_FOLDER, openedFolder.get(), container.put());
  if (FAILED(hr)) return hr;
  // 5. The form.
  hr = container->InstallForm(0, 0, configFile);
  // 6. Its trace.
  SESSION_TRACE("InstallFormInternal",
                std::string(SUCCEEDED(hr) ? "Installed " : "Failed to install ") + configFile);
  return hr;
}

}  // namespace kelmsgs
