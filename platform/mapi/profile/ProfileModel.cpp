#include "profile/ProfileModel.h"

#include <mapidefs.h>
#include <mapitags.h>

#include <mutex>

#include "store/EntryId.h"
#include "store/MsgStore.h"
#include "store/ObjectProps.h"
#include "store/StoreEngine.h"
#include "store/StoreTags.h"

namespace mapistandin::profiles {

namespace {

std::string BytesOf(const Row& props, std::uint32_t tag) {
  const Prop* p = FindProp(props, tag);
  return p ? p->bytes : std::string();
}

std::mutex g_listenerLock;
std::vector<std::function<void(const std::string&)>>& Listeners() {
  static std::vector<std::function<void(const std::string&)>> listeners;
  return listeners;
}

}  // namespace

std::vector<Section> Services(const std::string& profile) {
  std::vector<Section> out;
  for (Section& s : Sections(profile)) {
    const std::string uid = BytesOf(s.props, PR_SERVICE_UID);
    if (uid.size() == 16 && UidHex(uid.data()) == s.uidHex && !FindProp(s.props, PR_PROVIDER_UID)) {
      out.push_back(std::move(s));
    }
  }
  return out;
}

std::vector<Section> Providers(const std::string& profile, const std::string& serviceUidHex) {
  std::vector<Section> out;
  for (Section& s : Sections(profile)) {
    const std::string uid = BytesOf(s.props, PR_PROVIDER_UID);
    const std::string service = BytesOf(s.props, PR_SERVICE_UID);
    if (uid.size() != 16 || UidHex(uid.data()) != s.uidHex) continue;
    if (!serviceUidHex.empty() && (service.size() != 16 || UidHex(service.data()) != serviceUidHex))
      continue;
    out.push_back(std::move(s));
  }
  return out;
}

std::vector<Section> StoreProviders(const std::string& profile) {
  std::vector<Section> out;
  for (Section& s : Providers(profile, {})) {
    const Prop* type = FindProp(s.props, PR_RESOURCE_TYPE);
    if (type && type->integer == MAPI_STORE_PROVIDER && FindProp(s.props, PR_ENTRYID))
      out.push_back(std::move(s));
  }
  return out;
}

HRESULT CreateService(const std::string& profile, const std::string& serviceName,
                      const std::string& displayName, std::string& serviceUid) {
  if (!Exists(profile)) return MAPI_E_NOT_FOUND;
  if (serviceName.empty()) return MAPI_E_INVALID_PARAMETER;
  serviceUid = NewUid();
  Row props = {MakeBinary(PR_SERVICE_UID, serviceUid), MakeString(PR_SERVICE_NAME_A, serviceName),
               MakeString(PR_DISPLAY_NAME_A, displayName.empty() ? serviceName : displayName),
               MakeBinary(PR_INSTANCE_KEY, serviceUid), MakeLong(PR_RESOURCE_FLAGS, 0)};
  return WriteSection(profile, UidHex(serviceUid.data()), props);
}

HRESULT DeleteService(const std::string& profile, const std::string& serviceUidHex) {
  Row props;
  if (!ReadSection(profile, serviceUidHex, props)) return MAPI_E_NOT_FOUND;
  for (const Section& p : Providers(profile, serviceUidHex)) DeleteSection(profile, p.uidHex);
  HRESULT hr = DeleteSection(profile, serviceUidHex);
  ProvidersChanged(profile);
  return hr;
}

HRESULT CreateStoreProvider(const std::string& profile, const std::string& serviceUidHex,
                            const StoreDescription& wanted, std::string& providerUid) {
  // 1. The service must exist.
  Row service;
  if (!ReadSection(profile, serviceUidHex, service)) return MAPI_E_NOT_FOUND;
  if (wanted.path.empty()) return MAPI_E_INVALID_PARAMETER;
  // 2. The store file: opened when it exists, made otherwise.
  std::shared_ptr<StoreEngine> engine = StoreEngine::Open(wanted.path);
  if (!engine) {
    StoreSetup setup;
    setup.displayName = wanted.displayName;
    setup.longFlavour = wanted.longFlavour;
    setup.isPublic = wanted.isPublic;
    setup.supportMask = wanted.supportMask;
    setup.notifications = wanted.notifications;
    engine = StoreEngine::Create(wanted.path, setup);
  }
  if (!engine) return MAPI_E_DISK_ERROR;
  // 3. The provider section with what the session and the library read from it.
  providerUid = NewUid();
  const StoreIdentity who = StoreIdentity::Of(*engine);
  Row props = {
      MakeBinary(PR_PROVIDER_UID, providerUid),
      MakeBinary(PR_SERVICE_UID, BytesOf(service, PR_SERVICE_UID)),
      MakeBinary(PR_INSTANCE_KEY, providerUid),
      MakeString(PR_DISPLAY_NAME_A, wanted.displayName),
      MakeString(PR_PROVIDER_DISPLAY_A, wanted.isPublic ? "Public Folders" : "Personal Folders"),
      MakeString(PR_SERVICE_NAME_A, BytesOf(service, PR_SERVICE_NAME_A)),
      MakeLong(PR_RESOURCE_TYPE, MAPI_STORE_PROVIDER),
      MakeLong(PR_RESOURCE_FLAGS, wanted.isDefault ? STATUS_DEFAULT_STORE : 0),
      MakeBinary(PR_MDB_PROVIDER, wanted.isPublic ? PublicStoreProvider() : PrivateStoreProvider()),
      MakeString(PR_PST_PATH_A, wanted.path),
      MakeBinary(PR_ENTRYID, who.StoreId()),
      MakeBinary(PR_RECORD_KEY, who.uid)};
  HRESULT hr = WriteSection(profile, UidHex(providerUid.data()), props);
  if (SUCCEEDED(hr)) ProvidersChanged(profile);
  return hr;
}

HRESULT DeleteProvider(const std::string& profile, const std::string& providerUidHex) {
  Row props;
  if (!ReadSection(profile, providerUidHex, props) || !FindProp(props, PR_PROVIDER_UID))
    return MAPI_E_NOT_FOUND;
  HRESULT hr = DeleteSection(profile, providerUidHex);
  ProvidersChanged(profile);
  return hr;
}

void OnProvidersChanged(std::function<void(const std::string&)> listener) {
  std::lock_guard guard(g_listenerLock);
  Listeners().push_back(std::move(listener));
}

void ProvidersChanged(const std::string& profile) {
  std::vector<std::function<void(const std::string&)>> copy;
  {
    std::lock_guard guard(g_listenerLock);
    copy = Listeners();
  }
  for (auto& l : copy) l(profile);
}

Row StoreTableRow(const Section& provider) {
  const Row& p = provider.props;
  const Prop* flags = FindProp(p, PR_RESOURCE_FLAGS);
  const bool isDefault = flags && (flags->integer & STATUS_DEFAULT_STORE);
  Row row = {MakeBinary(PR_ENTRYID, BytesOf(p, PR_ENTRYID)),
             MakeString(PR_DISPLAY_NAME_A, BytesOf(p, PR_DISPLAY_NAME_A)),
             MakeLong(PR_DEFAULT_STORE, isDefault),
             MakeLong(PR_SUBFOLDERS, 1),
             MakeBinary(PR_MDB_PROVIDER, BytesOf(p, PR_MDB_PROVIDER)),
             MakeString(PR_PROVIDER_DISPLAY_A, BytesOf(p, PR_PROVIDER_DISPLAY_A)),
             MakeLong(PR_RESOURCE_FLAGS, flags ? flags->integer : 0),
             MakeBinary(PR_INSTANCE_KEY, BytesOf(p, PR_PROVIDER_UID)),
             MakeBinary(PR_RECORD_KEY, BytesOf(p, PR_RECORD_KEY)),
             MakeLong(PR_OBJECT_TYPE, MAPI_STORE),
             MakeBinary(PR_SERVICE_UID, BytesOf(p, PR_SERVICE_UID)),
             MakeBinary(PR_PROVIDER_UID, BytesOf(p, PR_PROVIDER_UID))};
  return row;
}

}  // namespace mapistandin::profiles
