// QMXSession: RemoveStore, which takes a message store out of the profile the session is
// logged on to, by its display name: every store of the name is opened and let go, every
// message service of the name loses its provider of the name, and the profile's sections
// that still belong to the result store are swept from the registry.
#include <mapiutil.h>

#include "foundation/AnsiText.h"
#include "foundation/BstrText.h"
#include "foundation/HexId.h"
#include "foundation/PropTags.h"
#include "session/MessagePump.h"
#include "session/QMXSession.h"

namespace kelmsgs {

namespace {

// Where MAPI keeps the profiles of the current user.
constexpr const char* kProfilesKey =
    "Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows Messaging Subsystem\\Profiles\\";

// Stores of the name are opened for reading, without mail, dialogs or a lasting session.
constexpr ULONG kTouchStoreFlags = MDB_NO_MAIL | MDB_TEMPORARY | MAPI_BEST_ACCESS | MDB_NO_DIALOG;

// The one restriction of every table scan: rows whose display name is the given one.
class DisplayNameRestriction {
 public:
  explicit DisplayNameRestriction(const std::string& name) {
    value_.ulPropTag = PR_DISPLAY_NAME_A;
    value_.Value.lpszA = const_cast<LPSTR>(name.c_str());
    restriction_.rt = RES_PROPERTY;
    restriction_.res.resProperty = {RELOP_EQ, PR_DISPLAY_NAME_A, &value_};
  }
  DisplayNameRestriction(const DisplayNameRestriction&) = delete;
  DisplayNameRestriction& operator=(const DisplayNameRestriction&) = delete;
  LPSRestriction get() { return &restriction_; }

 private:
  SPropValue value_{};
  SRestriction restriction_{};
};

// The 16-byte identifier in the first column of a row, or null when the row has none.
const MAPIUID* UidOf(const SRow& row, ULONG tag) {
  if (row.cValues < 1 || row.lpProps[0].ulPropTag != tag ||
      row.lpProps[0].Value.bin.cb != sizeof(MAPIUID))
    return nullptr;
  return reinterpret_cast<const MAPIUID*>(row.lpProps[0].Value.bin.lpb);
}

std::string HexOf(const MAPIUID* uid) {
  if (!uid) return {};
  const auto text = EntryIdToHex(uid->ab, sizeof(MAPIUID));
  return text ? std::string(text.get()) : std::string();
}

// The restricted rows of a table, with one column; the table is released either way.
HRESULT NamedRows(ComPtr<IMAPITable> table, LPSRestriction named, ULONG column, RowSet& rows) {
  HRESULT hr = table->Restrict(named, TBL_BATCH);
  if (FAILED(hr)) return hr;
  auto columns = MakeTags(column);
  table->SetColumns(columns.get(), TBL_BATCH);
  return HrQueryAllRows(table.get(), nullptr, nullptr, nullptr, 0, rows.put());
}

// Opens every store of the name and lets it go at once; only the table's own failures
// count.
HRESULT TouchNamedStores(IMAPISession* mapi, LPSRestriction named) {
  ComPtr<IMAPITable> table;
  HRESULT hr = mapi->GetMsgStoresTable(0, table.put());
  if (FAILED(hr)) return hr;
  hr = table->Restrict(named, TBL_BATCH);
  if (FAILED(hr)) return hr;
  auto columns = MakeTags(PR_ENTRYID);
  table->SetColumns(columns.get(), TBL_BATCH);
  RowSet rows;
  if (FAILED(HrQueryAllRows(table.get(), nullptr, nullptr, nullptr, 0, rows.put()))) return S_OK;
  table.reset();
  for (ULONG i = 0; i < rows.get()->cRows; ++i) {
    PumpMessages();
    const SRow& row = rows.get()->aRow[i];
    if (row.cValues < 1 || row.lpProps[0].ulPropTag != PR_ENTRYID) continue;
    ComPtr<IMsgStore> store;
    mapi->OpenMsgStore(0, row.lpProps[0].Value.bin.cb,
                       reinterpret_cast<LPENTRYID>(row.lpProps[0].Value.bin.lpb), nullptr,
                       kTouchStoreFlags, store.put());
  }
  return S_OK;
}

}  // namespace

HRESULT CQMXSession::RemoveStore(BSTR DisplayName) {
  // 1-2. A name, and a session to work in. The client may re-enter (even log off or let
  //      go of this object) while messages are pumped, so the call holds what it uses.
  if (!DisplayName || SysStringLen(DisplayName) == 0) return E_INVALIDARG;
  if (!session_) return S_OK;
  const ComPtr<CQMXSession> self(this);
  const ComPtr<IMAPISession> mapi = session_;
  const std::string name = AnsiFromBstr(DisplayName);
  const std::string profile = NarrowFromBstr(currentProfileName_.get());
  const std::string profileKey = profile.empty() ? std::string() : kProfilesKey + profile;
  DisplayNameRestriction named(name);

  // 3. Every store of the name, opened and let go.
  HRESULT hr = TouchNamedStores(mapi.get(), named.get());
  if (FAILED(hr)) return hr;

  // 4. The message services of the name.
  ComPtr<IMsgServiceAdmin> services;
  hr = mapi->AdminServices(0, services.put());
  if (FAILED(hr)) return hr;
  ComPtr<IMAPITable> serviceTable;
  hr = services->GetMsgServiceTable(0, serviceTable.put());
  if (FAILED(hr)) return hr;
  RowSet serviceRows;
  hr = NamedRows(std::move(serviceTable), named.get(), PR_SERVICE_UID, serviceRows);
  if (FAILED(hr)) return hr;

  // 5. Each service loses its provider of the name; the last service's outcome is the
  //    call's.
  const ULONG count = serviceRows.get()->cRows;
  for (ULONG n = 1; n <= count; ++n) {
    const std::string position = std::to_string(n) + "/" + std::to_string(count);
    hr = RemoveServiceProvider(services.get(), serviceRows.get()->aRow[n - 1], named.get(),
                               position, profileKey);
  }

  // 6-8. The administration goes, then the registry sweep.
  serviceRows.reset();
  services.reset();
  RemoveStoreRegKeys(profileKey);
  SESSION_TRACE("RemoveStore", "Removed store '" + name + "'.");
  return hr;
}

HRESULT CQMXSession::RemoveServiceProvider(IMsgServiceAdmin* services, const SRow& service,
                                           LPSRestriction named, const std::string& position,
                                           const std::string& profileKey) {
  // 1-3. Messages, the service's section and the log line.
  PumpMessages();
  const MAPIUID* serviceUid = UidOf(service, PR_SERVICE_UID);
  const std::string serviceHex = HexOf(serviceUid);
  const std::string section =
      profileKey.empty() || !serviceUid ? std::string() : profileKey + "\\" + serviceHex;
  SESSION_TRACE("RemoveStore", "Deleting service " + serviceHex + ", " + position);
  // 4. The service's providers (a row without a service identifier names no service).
  if (!serviceUid) return MAPI_E_INVALID_PARAMETER;
  ComPtr<IProviderAdmin> providers;
  HRESULT hr = services->AdminProviders(const_cast<LPMAPIUID>(serviceUid), 0, providers.put());
  if (FAILED(hr)) return hr;
  // 5-6. Its provider table, restricted to the name.
  ComPtr<IMAPITable> table;
  hr = providers->GetProviderTable(0, table.put());
  if (FAILED(hr)) {
    SESSION_TRACE("RemoveStore", "Failed to get Provider table.");
    return hr;
  }
  hr = table->Restrict(named, TBL_BATCH);
  if (FAILED(hr)) {
    SESSION_TRACE("RemoveStore", "Failed to set restriction.");
    return hr;
  }
  // 7. A service without a provider of the name loses its section. Only a table that
  //    reports the name as not found says so; any other failure leaves the section.
  hr = table->FindRow(named, BOOKMARK_BEGINNING, 0);
  if (hr == MAPI_E_NOT_FOUND) {
    table.reset();
    providers.reset();
    if (!section.empty()) RegDeleteKeyA(HKEY_CURRENT_USER, section.c_str());
    SESSION_TRACE("RemoveStore", "Removed " + section);
    return hr;
  }
  if (FAILED(hr)) return hr;
  // 8. The first provider of the name.
  auto columns = MakeTags(PR_PROVIDER_UID);
  table->SetColumns(columns.get(), TBL_BATCH);
  RowSet rows;
  hr = table->QueryRows(1, 0, rows.put());
  table.reset();
  const MAPIUID* providerUid = SUCCEEDED(hr) && rows.get()->cRows > 0
                                   ? UidOf(rows.get()->aRow[0], PR_PROVIDER_UID)
                                   : nullptr;
  if (!providerUid) {
    SESSION_TRACE("RemoveStore", "Failed to query rows.");
    return FAILED(hr) ? hr : MAPI_E_NOT_FOUND;
  }
  // 9-10. Its deletion.
  SESSION_TRACE("RemoveStore", "Deleting provider " + HexOf(providerUid) + ", " + position);
  return providers->DeleteProvider(const_cast<LPMAPIUID>(providerUid));
}

}  // namespace kelmsgs
