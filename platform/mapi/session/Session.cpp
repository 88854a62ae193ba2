#include "session/Session.h"

#include <cstring>

#include "addrbook/AddrBook.h"
#include "control/Control.h"
#include "profile/ProfSect.h"
#include "profile/ProfileModel.h"
#include "profile/ServiceAdmin.h"
#include "spooler/Spooler.h"
#include "store/EntryId.h"
#include "store/MsgStore.h"
#include "store/StoreTags.h"
#include "table/Table.h"

namespace mapistandin {

namespace {

const std::vector<ULONG> kStoreColumns = {PR_ENTRYID,     PR_DISPLAY_NAME_A, PR_DEFAULT_STORE,
                                          PR_SUBFOLDERS,  PR_MDB_PROVIDER,   PR_RESOURCE_FLAGS,
                                          PR_INSTANCE_KEY};

std::vector<Row> StoreRows(const std::string& profile) {
  std::vector<Row> rows;
  for (const profiles::Section& s : profiles::StoreProviders(profile))
    rows.push_back(profiles::StoreTableRow(s));
  return rows;
}

// How long a logoff waits for the spooler to hand over what was submitted.
constexpr ULONG kLogoffSpoolerWaitMs = 10000;

std::mutex g_sessionsLock;
std::set<Session*>& Sessions() {
  static std::set<Session*> sessions;
  return sessions;
}

void ListenOnce() {
  static std::once_flag once;
  std::call_once(once, [] {
    profiles::OnProvidersChanged([](const std::string& profile) {
      std::lock_guard guard(g_sessionsLock);
      for (Session* s : Sessions()) s->RefreshStoreTables(profile);
    });
  });
}

}  // namespace

Session::Session(std::string profile) : profile_(std::move(profile)) {
  ListenOnce();
  std::lock_guard guard(g_sessionsLock);
  Sessions().insert(this);
}

Session::~Session() {
  {
    std::lock_guard guard(g_sessionsLock);
    Sessions().erase(this);
  }
  // Tables may outlive the session: they must not call back into it.
  std::lock_guard guard(lock_);
  for (Table* t : storeTables_) t->SetOnDestroy(nullptr);
}

void* Session::FindInterface(REFIID iid) {
  if (iid == IID_IUnknown || iid == IID_IMAPISession) return static_cast<IMAPISession*>(this);
  return nullptr;
}

void Session::RefreshStoreTables(const std::string& profile) {
  if (_stricmp(profile.c_str(), profile_.c_str()) != 0) return;
  std::lock_guard guard(lock_);
  for (Table* t : storeTables_) t->ReplaceRows(StoreRows(profile_));
}

STDMETHODIMP Session::GetLastError(HRESULT hr, ULONG, LPMAPIERROR* error) {
  if (!error) return MAPI_E_INVALID_PARAMETER;
  return MakeMapiError(hr, "IMAPISession", error);
}

STDMETHODIMP Session::GetMsgStoresTable(ULONG flags, LPMAPITABLE* table) {
  // 1. Arguments and state.
  if (!table) return MAPI_E_INVALID_PARAMETER;
  *table = nullptr;
  control::Journal("IMAPISession::GetMsgStoresTable", flags, {}, profile_);
  if (HRESULT hr = CheckOpen(); FAILED(hr)) return hr;
  if (HRESULT hr = control::Fault("GetMsgStoresTable"); FAILED(hr)) return hr;
  // 2. One row per store provider; the table follows stores added to or removed from the
  //    profile while it is held.
  auto* created = new Table("stores", StoreRows(profile_), kStoreColumns);
  created->SetOnDestroy([this, created] {
    std::lock_guard guard(lock_);
    storeTables_.erase(created);
  });
  {
    std::lock_guard guard(lock_);
    storeTables_.insert(created);
  }
  *table = created;
  return S_OK;
}

HRESULT Session::OpenStoreByUid(const std::string& storeUid, ULONG flags, LPMDB* store) {
  // 1. The provider of the store in this profile.
  for (const profiles::Section& s : profiles::StoreProviders(profile_)) {
    const Prop* id = FindProp(s.props, PR_ENTRYID);
    auto ref = id ? ParseEntryId(id->bytes.data(), id->bytes.size()) : std::nullopt;
    if (!ref || ref->storeUid != storeUid) continue;
    // 2. Its store file.
    const Prop* path = FindProp(s.props, PR_PST_PATH_A);
    if (!path) return MAPI_E_FAILONEPROVIDER;
    std::shared_ptr<StoreEngine> engine = StoreEngine::Open(path->bytes);
    if (!engine) return MAPI_E_FAILONEPROVIDER;
    // 3. Write access with MDB_WRITE or MAPI_BEST_ACCESS.
    const bool writable = (flags & (MDB_WRITE | MAPI_BEST_ACCESS)) != 0;
    *store = new MsgStore(std::move(engine), writable, flags);
    return S_OK;
  }
  return MAPI_E_NOT_FOUND;
}

STDMETHODIMP Session::OpenMsgStore(ULONG_PTR, ULONG cb, LPENTRYID id, LPCIID iid, ULONG flags,
                                   LPMDB* store) {
  // 1. Arguments and state.
  if (!store) return MAPI_E_INVALID_PARAMETER;
  *store = nullptr;
  control::Journal("IMAPISession::OpenMsgStore", flags);
  if (HRESULT hr = CheckOpen(); FAILED(hr)) return hr;
  if (!id || !cb) return MAPI_E_INVALID_ENTRYID;
  if (iid && *iid != IID_IMsgStore && *iid != IID_IMAPIProp) return MAPI_E_INTERFACE_NOT_SUPPORTED;
  auto ref = ParseEntryId(id, cb);
  if (!ref || ref->kind != EntryKind::Store) return MAPI_E_INVALID_ENTRYID;
  // 2. A store can be made to fail for one identifier.
  std::string hex(cb * 2 + 1, '\0');
  HexFromBin(reinterpret_cast<LPBYTE>(id), static_cast<int>(cb), hex.data());
  hex.pop_back();
  if (HRESULT hr = control::Fault("OpenMsgStore", hex); FAILED(hr)) return hr;
  // 3. Open it.
  return OpenStoreByUid(ref->storeUid, flags, store);
}

STDMETHODIMP Session::OpenProfileSection(LPMAPIUID uid, LPCIID iid, ULONG flags, LPPROFSECT* out) {
  if (HRESULT hr = CheckOpen(); FAILED(hr)) return hr;
  return mapistandin::OpenProfileSection(profile_, uid, iid, flags, true, out);
}

STDMETHODIMP Session::GetStatusTable(ULONG flags, LPMAPITABLE* table) {
  if (!table) return MAPI_E_INVALID_PARAMETER;
  *table = nullptr;
  control::Journal("IMAPISession::GetStatusTable", flags);
  if (HRESULT hr = CheckOpen(); FAILED(hr)) return hr;
  if (HRESULT hr = control::Fault("GetStatusTable"); FAILED(hr)) return hr;
  // The subsystem row carries the profile's name; then one row per store provider.
  std::vector<Row> rows;
  rows.push_back({MakeLong(PR_ROWID, 0), MakeLong(PR_RESOURCE_TYPE, MAPI_SUBSYSTEM),
                  MakeString(PR_DISPLAY_NAME_A, profile_),
                  MakeString(PR_PROVIDER_DISPLAY_A, "Messaging Subsystem"),
                  MakeLong(PR_STATUS_CODE, STATUS_AVAILABLE),
                  MakeBinary(PR_INSTANCE_KEY, "subsystem"), MakeLong(PR_RESOURCE_FLAGS, 0)});
  long rowId = 1;
  for (const profiles::Section& s : profiles::StoreProviders(profile_)) {
    const Prop* name = FindProp(s.props, PR_DISPLAY_NAME_A);
    rows.push_back({MakeLong(PR_ROWID, rowId++), MakeLong(PR_RESOURCE_TYPE, MAPI_STORE_PROVIDER),
                    MakeString(PR_DISPLAY_NAME_A, name ? name->bytes : ""),
                    MakeLong(PR_STATUS_CODE, STATUS_AVAILABLE),
                    MakeBinary(PR_INSTANCE_KEY, s.uidHex)});
  }
  *table = new Table(
      "status", std::move(rows),
      {PR_ROWID, PR_DISPLAY_NAME_A, PR_RESOURCE_TYPE, PR_STATUS_CODE, PR_PROVIDER_DISPLAY_A});
  return S_OK;
}

STDMETHODIMP Session::OpenEntry(ULONG cb, LPENTRYID id, LPCIID iid, ULONG flags, ULONG* type,
                                LPUNKNOWN* out) {
  // 1. Arguments and state.
  if (!type || !out) return MAPI_E_INVALID_PARAMETER;
  *out = nullptr;
  control::Journal("IMAPISession::OpenEntry", flags);
  if (HRESULT hr = CheckOpen(); FAILED(hr)) return hr;
  if (HRESULT hr = control::Fault("IMAPISession::OpenEntry"); FAILED(hr)) return hr;
  auto ref = ParseEntryId(id, cb);
  // 2. A mail user of the address book (the identity, a recipient).
  if (!ref) {
    const HRESULT hr = OpenMailUser(profile_, cb, id, iid, type, out);
    return hr == MAPI_E_UNKNOWN_ENTRYID ? MAPI_E_INVALID_ENTRYID : hr;
  }
  // 3. The store that holds the object, then the object in it.
  Ref<IMsgStore> store;
  if (HRESULT hr = OpenStoreByUid(ref->storeUid, MAPI_BEST_ACCESS, store.put()); FAILED(hr)) {
    return hr == MAPI_E_NOT_FOUND ? MAPI_E_INVALID_ENTRYID : hr;
  }
  return store->OpenEntry(cb, id, iid, flags, type, out);
}

STDMETHODIMP Session::CompareEntryIDs(ULONG cb1, LPENTRYID id1, ULONG cb2, LPENTRYID id2,
                                      ULONG flags, ULONG* result) {
  control::Journal("IMAPISession::CompareEntryIDs", flags);
  if (!result || !id1 || !id2) return MAPI_E_INVALID_PARAMETER;
  if (HRESULT hr = CheckOpen(); FAILED(hr)) return hr;
  auto a = ParseEntryId(id1, cb1);
  auto b = ParseEntryId(id2, cb2);
  if (!a || !b) return MAPI_E_UNKNOWN_ENTRYID;
  *result = SameEntry(*a, *b) ? TRUE : FALSE;
  return S_OK;
}

STDMETHODIMP Session::QueryIdentity(ULONG* cb, LPENTRYID* id) {
  if (!cb || !id) return MAPI_E_INVALID_PARAMETER;
  *cb = 0;
  *id = nullptr;
  if (HRESULT hr = CheckOpen(); FAILED(hr)) return hr;
  // The directory's entry for the profile's owner; without one no provider of the profile
  // supplies an identity.
  const addrbook::Directory directory = addrbook::LoadDirectory(profile_);
  if (directory.identity < 0) return MAPI_W_NO_SERVICE;
  const std::string bytes = addrbook::DirectoryEntryId(directory.entries[directory.identity]);
  void* block = nullptr;
  if (HRESULT hr = MAPIAllocateBuffer(static_cast<ULONG>(bytes.size()), &block); FAILED(hr))
    return hr;
  std::memcpy(block, bytes.data(), bytes.size());
  *cb = static_cast<ULONG>(bytes.size());
  *id = static_cast<LPENTRYID>(block);
  return S_OK;
}

STDMETHODIMP Session::OpenAddressBook(ULONG_PTR, LPCIID iid, ULONG flags, LPADRBOOK* book) {
  if (!book) return MAPI_E_INVALID_PARAMETER;
  *book = nullptr;
  control::Journal("IMAPISession::OpenAddressBook", flags);
  if (HRESULT hr = CheckOpen(); FAILED(hr)) return hr;
  if (HRESULT hr = control::Fault("OpenAddressBook"); FAILED(hr)) return hr;
  if (iid && *iid != IID_IAddrBook && *iid != IID_IMAPIProp) return MAPI_E_INTERFACE_NOT_SUPPORTED;
  *book = new AddrBook(profile_);
  return S_OK;
}

STDMETHODIMP Session::Logoff(ULONG_PTR, ULONG flags, ULONG) {
  control::Journal("IMAPISession::Logoff", flags, {}, profile_);
  if (HRESULT hr = control::Fault("Logoff"); FAILED(hr)) return hr;
  // What this session submitted goes out before it ends (bounded, as the spooler's own
  // logoff is).
  spooler::WaitIdle(kLogoffSpoolerWaitMs);
  loggedOff_ = true;
  return S_OK;
}

STDMETHODIMP Session::SetDefaultStore(ULONG flags, ULONG cb, LPENTRYID id) {
  control::Journal("IMAPISession::SetDefaultStore", flags);
  if (HRESULT hr = CheckOpen(); FAILED(hr)) return hr;
  auto ref = ParseEntryId(id, cb);
  if (!ref) return MAPI_E_INVALID_ENTRYID;
  bool found = false;
  for (profiles::Section& s : profiles::StoreProviders(profile_)) {
    const Prop* eid = FindProp(s.props, PR_ENTRYID);
    auto other = eid ? ParseEntryId(eid->bytes.data(), eid->bytes.size()) : std::nullopt;
    const bool match = other && other->storeUid == ref->storeUid;
    found = found || match;
    const Prop* f = FindProp(s.props, PR_RESOURCE_FLAGS);
    std::int64_t v = f ? f->integer : 0;
    v = match ? (v | STATUS_DEFAULT_STORE) : (v & ~std::int64_t{STATUS_DEFAULT_STORE});
    profiles::WriteSection(profile_, s.uidHex, {MakeLong(PR_RESOURCE_FLAGS, v)});
  }
  profiles::ProvidersChanged(profile_);
  return found ? S_OK : MAPI_E_NOT_FOUND;
}

STDMETHODIMP Session::AdminServices(ULONG flags, LPSERVICEADMIN* admin) {
  if (!admin) return MAPI_E_INVALID_PARAMETER;
  *admin = nullptr;
  control::Journal("IMAPISession::AdminServices", flags);
  if (HRESULT hr = CheckOpen(); FAILED(hr)) return hr;
  if (HRESULT hr = control::Fault("AdminServices"); FAILED(hr)) return hr;
  *admin = new ServiceAdmin(profile_);
  return S_OK;
}

}  // namespace mapistandin
