// QMXSession: profile information. The profile list, the default and current profile and
// the Windows user, as read at logon and answered by the profile properties, and
// "Profiles.ini", the record of every message-store provider of every profile.
#include <mapiutil.h>

#include "foundation/AutomationOut.h"
#include "foundation/BstrText.h"
#include "foundation/HexId.h"
#include "foundation/MapiExtraTags.h"
#include "foundation/PropTags.h"
#include "foundation/VendorKey.h"
#include "session/QMXSession.h"

namespace kelmsgs {

namespace {

// The 8-bit string of a value when it carries the tag; null otherwise.
const char* StringOf(const SPropValue& value, ULONG tag) {
  return value.ulPropTag == tag && value.Value.lpszA ? value.Value.lpszA : nullptr;
}

std::string HexOf(const SPropValue& value) {
  const auto text = EntryIdToHex(value.Value.bin.lpb, value.Value.bin.cb);
  return text ? std::string(text.get()) : std::string();
}

// Every row of a table, with the given columns.
HRESULT AllRows(IMAPITable* table, LPSPropTagArray columns, RowSet& rows) {
  HRESULT hr = table->SetColumns(columns, 0);
  if (FAILED(hr)) return hr;
  ULONG count = 0;
  hr = table->GetRowCount(0, &count);
  if (FAILED(hr)) return hr;
  return table->QueryRows(static_cast<LONG>(count), 0, rows.put());
}

}  // namespace

HRESULT CQMXSession::get_ProfileCount(LONG* pVal) {
  return LongOut(static_cast<LONG>(profileNames_.size()), pVal);
}

HRESULT CQMXSession::get_ProfileName(LONG Index, BSTR* pVal) {
  if (!pVal) return E_POINTER;
  if (Index < 0 || static_cast<std::size_t>(Index) >= profileNames_.size()) return E_INVALIDARG;
  return NarrowStringOut(profileNames_[static_cast<std::size_t>(Index)].c_str(), pVal);
}

HRESULT CQMXSession::get_DefaultProfileName(BSTR* pVal) {
  return StringOut(defaultProfileName_, pVal);
}
HRESULT CQMXSession::get_CurrentProfileName(BSTR* pVal) {
  return StringOut(currentProfileName_, pVal);
}
HRESULT CQMXSession::get_CurrentUser(BSTR* pVal) {
  return StringOut(currentUser_, pVal);
}
HRESULT CQMXSession::ReadProfileList() {
  // 1. The profile table of profile administration.
  ComPtr<IProfAdmin> admin;
  HRESULT hr = MAPIAdminProfiles(0, admin.put());
  if (FAILED(hr)) return hr;
  ComPtr<IMAPITable> table;
  hr = admin->GetProfileTable(0, table.put());
  admin.reset();
  if (FAILED(hr)) return hr;
  // 2. Names and the default flag of every profile.
  auto columns = MakeTags(PR_DISPLAY_NAME_A, PR_DEFAULT_PROFILE);
  hr = table->SetColumns(columns.get(), 0);
  if (FAILED(hr)) return hr;
  RowSet rows;
  hr = HrQueryAllRows(table.get(), nullptr, nullptr, nullptr, 0, rows.put());
  table.reset();
  if (FAILED(hr)) return hr;
  // 3. The list, in table order, and the default profile's name.
  for (ULONG i = 0; i < rows.get()->cRows; ++i) {
    const SRow& row = rows.get()->aRow[i];
    if (row.cValues < 1) continue;
    const char* name = StringOf(row.lpProps[0], PR_DISPLAY_NAME_A);
    if (!name) continue;
    profileNames_.emplace_back(name);
    if (row.cValues > 1 && row.lpProps[1].ulPropTag == PR_DEFAULT_PROFILE && row.lpProps[1].Value.b)
      defaultProfileName_ = BstrFromNarrow(name);
  }
  return S_OK;
}

HRESULT CQMXSession::ReadCurrentProfileName() {
  // 1. The status table of the session.
  ComPtr<IMAPITable> table;
  HRESULT hr = session_->GetStatusTable(0, table.put());
  if (FAILED(hr)) return hr;
  // 2-3. Its row of the messaging subsystem, which names the profile.
  SPropValue subsystem{};
  subsystem.ulPropTag = PR_RESOURCE_TYPE;
  subsystem.Value.l = MAPI_SUBSYSTEM;
  SRestriction restriction{};
  restriction.rt = RES_PROPERTY;
  restriction.res.resProperty = {RELOP_EQ, PR_RESOURCE_TYPE, &subsystem};
  hr = table->Restrict(&restriction, TBL_BATCH);
  if (FAILED(hr)) return hr;
  hr = table->FindRow(&restriction, BOOKMARK_BEGINNING, 0);
  if (FAILED(hr)) return hr;
  auto columns = MakeTags(PR_DISPLAY_NAME_A);
  table->SetColumns(columns.get(), TBL_BATCH);
  RowSet rows;
  hr = table->QueryRows(1, 0, rows.put());
  table.reset();
  if (FAILED(hr)) return hr;
  // 4. The name, and the registry base that follows it.
  if (rows.get()->cRows > 0 && rows.get()->aRow[0].cValues > 0) {
    if (const char* name = StringOf(rows.get()->aRow[0].lpProps[0], PR_DISPLAY_NAME_A)) {
      currentProfileName_ = BstrFromNarrow(name);
      registryKeyPath_ = std::string(kVendorKey) + "\\" + name;
    }
  }
  return S_OK;
}

// The store providers of one profile, appended to the information records.
HRESULT CQMXSession::CollectProfileStores(IProfAdmin* admin, const char* profile) {
  // 1. The profile's services.
  ComPtr<IMsgServiceAdmin> services;
  HRESULT hr = admin->AdminServices(const_cast<LPTSTR>(profile), nullptr,
                                    reinterpret_cast<ULONG_PTR>(GetActiveWindow()), MAPI_DIALOG,
                                    services.put());
  if (FAILED(hr)) return hr;
  // 2. Name, service name and instance key of each service.
  ComPtr<IMAPITable> serviceTable;
  hr = services->GetMsgServiceTable(0, serviceTable.put());
  if (FAILED(hr)) return hr;
  auto serviceColumns = MakeTags(PR_DISPLAY_NAME_A, PR_SERVICE_NAME_A, PR_INSTANCE_KEY);
  RowSet serviceRows;
  hr = AllRows(serviceTable.get(), serviceColumns.get(), serviceRows);
  if (FAILED(hr)) return hr;
  const ULONG sectionFlags = outlookVersion_ >= 10 ? MAPI_FORCE_ACCESS | MAPI_MODIFY : 0;
  const std::string currentProfile = NarrowFromBstr(currentProfileName_.get());
  for (ULONG s = 0; s < serviceRows.get()->cRows; ++s) {
    const SRow& service = serviceRows.get()->aRow[s];
    if (service.cValues < 3 || service.lpProps[2].ulPropTag != PR_INSTANCE_KEY) continue;
    // 3-4. The service's providers.
    ComPtr<IProviderAdmin> providers;
    if (FAILED(services->AdminProviders(
            reinterpret_cast<LPMAPIUID>(service.lpProps[2].Value.bin.lpb), 0, providers.put())))
      continue;
    ComPtr<IMAPITable> providerTable;
    if (FAILED(providers->GetProviderTable(0, providerTable.put()))) continue;
    auto providerColumns = MakeTags(PR_INSTANCE_KEY, PR_DISPLAY_NAME_A, PR_SERVICE_UID);
    RowSet providerRows;
    if (FAILED(AllRows(providerTable.get(), providerColumns.get(), providerRows))) continue;
    // 5. Each provider section that describes a message store becomes a record.
    for (ULONG p = 0; p < providerRows.get()->cRows; ++p) {
      const SRow& provider = providerRows.get()->aRow[p];
      if (provider.cValues < 1 || provider.lpProps[0].ulPropTag != PR_INSTANCE_KEY) continue;
      ComPtr<IProfSect> section;
      if (FAILED(providers->OpenProfileSection(
              reinterpret_cast<LPMAPIUID>(provider.lpProps[0].Value.bin.lpb), nullptr, sectionFlags,
              section.put())))
        continue;  // a section the host refuses is left out
      auto sectionTags = MakeTags(PR_ENTRYID, PR_DISPLAY_NAME_A, PR_MDB_PROVIDER, PR_PST_PATH_A,
                                  PR_SERVICE_NAME_A);
      ULONG count = 0;
      PropValues values;
      if (FAILED(section->GetProps(sectionTags.get(), 0, &count, values.put())) || count < 5 ||
          values.get()[0].ulPropTag != PR_ENTRYID)
        continue;
      const SPropValue* v = values.get();
      StoreInfoRecord record;
      record.profileName = profile;
      record.storeId = HexOf(v[0]);
      if (const char* name = StringOf(v[1], PR_DISPLAY_NAME_A)) record.displayName = name;
      if (v[2].ulPropTag == PR_MDB_PROVIDER) record.providerId = HexOf(v[2]);
      if (const char* path = StringOf(v[3], PR_PST_PATH_A)) record.pstPath = path;
      if (const char* name = StringOf(v[4], PR_SERVICE_NAME_A)) record.serviceName = name;
      // A server store of the current profile is recorded under the identifier its
      // opened store reports, which is the one notifications and clients see.
      if (record.serviceName == "MSEMS" && record.profileName == currentProfile) {
        std::string storeId;
        GetStoreIdFromDisplayName(record.displayName, storeId);
        if (!storeId.empty()) record.storeId = storeId;
      }
      storeInfo_.push_back(std::move(record));
    }
  }
  return S_OK;
}

HRESULT CQMXSession::WriteProfilesIni(const PumpGuard& guard) {
  // 1. All profiles.
  ComPtr<IProfAdmin> admin;
  HRESULT hr = MAPIAdminProfiles(0, admin.put());
  if (FAILED(hr)) return hr;
  ComPtr<IMAPITable> table;
  hr = admin->GetProfileTable(0, table.put());
  if (FAILED(hr)) return hr;
  auto columns = MakeTags(PR_DISPLAY_NAME_A);
  RowSet profiles;
  hr = AllRows(table.get(), columns.get(), profiles);
  table.reset();
  if (FAILED(hr)) return hr;
  // 2. The store providers of each.
  storeInfo_.clear();
  for (ULONG i = 0; i < profiles.get()->cRows; ++i) {
    const SRow& row = profiles.get()->aRow[i];
    if (row.cValues < 1) continue;
    if (const char* name = StringOf(row.lpProps[0], PR_DISPLAY_NAME_A))
      CollectProfileStores(admin.get(), name);
  }
  // 3. The file, written anew.
  const std::string file = NarrowFromWide(inifilePath_) + "\\Profiles.ini";
  DeleteFileA(file.c_str());
  // 4. Five keys per record, in a section named by the store identifier. The loop works on
  //    its own copy of the records, and a logoff or logon of the client while messages
  //    are dispatched ends it.
  const std::vector<StoreInfoRecord> records = storeInfo_;
  for (const auto& record : records) {
    const std::pair<const char*, const std::string*> keys[] = {
        {"PR_PROFILE_NAME", &record.profileName},
        {"PR_DISPLAY_NAME", &record.displayName},
        {"PR_MDB_PROVIDER", &record.providerId},
        {"PR_PST_PATH", &record.pstPath},
        {"PR_SERVICE_NAME", &record.serviceName}};
    for (const auto& [key, value] : keys) {
      if (!guard.Pump()) return S_OK;
      WritePrivateProfileStringA(record.storeId.c_str(), key, value->c_str(), file.c_str());
    }
  }
  return S_OK;
}

}  // namespace kelmsgs
