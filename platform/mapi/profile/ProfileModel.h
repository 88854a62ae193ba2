// Services and providers of a profile, as sections of the registry profile: a service's
// section is named by its PR_SERVICE_UID, a provider's by its PR_PROVIDER_UID.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "core/PropData.h"
#include "profile/ProfileRegistry.h"

namespace mapistandin::profiles {

// What a store provider is made with.
struct StoreDescription {
  std::string displayName;
  std::string path;  // the store file (PR_PST_PATH)
  bool longFlavour = false;
  bool isPublic = false;
  bool isDefault = false;
  ULONG supportMask = 0;      // added to the store's own abilities (e.g. STORE_UNCOMPRESSED_RTF)
  bool notifications = true;  // false: Advise answers MAPI_E_NO_SUPPORT
};

std::vector<Section> Services(const std::string& profile);
// Providers of one service (uidHex of the service), or of all services (empty).
std::vector<Section> Providers(const std::string& profile, const std::string& serviceUidHex);
// The store providers of a profile.
std::vector<Section> StoreProviders(const std::string& profile);

HRESULT CreateService(const std::string& profile, const std::string& serviceName,
                      const std::string& displayName, std::string& serviceUid);
HRESULT DeleteService(const std::string& profile, const std::string& serviceUidHex);
// Creates the store file when it does not exist and the provider section for it.
HRESULT CreateStoreProvider(const std::string& profile, const std::string& serviceUidHex,
                            const StoreDescription& wanted, std::string& providerUid);
HRESULT DeleteProvider(const std::string& profile, const std::string& providerUidHex);

// Called after any change of a profile's providers (the session's store tables follow).
void OnProvidersChanged(std::function<void(const std::string& profile)> listener);
void ProvidersChanged(const std::string& profile);

// A row of the session's store table for a store provider section.
Row StoreTableRow(const Section& provider);

}  // namespace mapistandin::profiles
