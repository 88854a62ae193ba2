#include "addrbook/AddrBook.h"

#include <cstring>

#include "addrbook/MailUser.h"

namespace mapistandin {

namespace {

bool SameText(const std::string& a, const std::string& b) {
  return _stricmp(a.c_str(), b.c_str()) == 0;
}

bool StartsWith(const std::string& text, const std::string& prefix) {
  return text.size() >= prefix.size() &&
         _strnicmp(text.c_str(), prefix.c_str(), prefix.size()) == 0;
}

// The directory entries a typed name stands for: those whose display name or address it
// is; failing that, those whose display name starts with it (ambiguous name resolution).
std::vector<addrbook::DirEntry> Candidates(const addrbook::Directory& directory,
                                           const std::string& name) {
  std::vector<addrbook::DirEntry> exact, prefix;
  if (name.empty()) return exact;
  for (const addrbook::DirEntry& e : directory.entries) {
    if (SameText(e.name, name) || SameText(e.email, name)) {
      exact.push_back(e);
    } else if (StartsWith(e.name, name)) {
      prefix.push_back(e);
    }
  }
  return exact.empty() ? prefix : exact;
}

}  // namespace

AddrBook::AddrBook(std::string profile) : profile_(std::move(profile)) {}

void* AddrBook::FindInterface(REFIID iid) {
  if (iid == IID_IUnknown || iid == IID_IMAPIProp || iid == IID_IAddrBook)
    return static_cast<IAddrBook*>(this);
  return nullptr;
}

HRESULT OpenMailUser(const std::string& profile, ULONG cb, LPENTRYID id, LPCIID iid, ULONG* type,
                     LPUNKNOWN* out) {
  if (!type || !out) return MAPI_E_INVALID_PARAMETER;
  *out = nullptr;
  if (iid && *iid != IID_IMailUser && *iid != IID_IMAPIProp && *iid != IID_IUnknown)
    return MAPI_E_INTERFACE_NOT_SUPPORTED;
  const auto entry = addrbook::ParseEntryId(addrbook::LoadDirectory(profile), id, cb);
  if (!entry) return MAPI_E_UNKNOWN_ENTRYID;
  *type = MAPI_MAILUSER;
  *out = static_cast<IMailUser*>(
      new MailUser(*entry, std::string(reinterpret_cast<const char*>(id), cb)));
  return S_OK;
}

STDMETHODIMP AddrBook::OpenEntry(ULONG cb, LPENTRYID id, LPCIID iid, ULONG flags, ULONG* type,
                                 LPUNKNOWN* out) {
  control::Journal("IAddrBook::OpenEntry", flags);
  if (HRESULT hr = control::Fault("IAddrBook::OpenEntry"); FAILED(hr)) return hr;
  return OpenMailUser(profile_, cb, id, iid, type, out);
}

STDMETHODIMP AddrBook::CompareEntryIDs(ULONG cb1, LPENTRYID id1, ULONG cb2, LPENTRYID id2, ULONG,
                                       ULONG* result) {
  if (!result || !id1 || !id2) return MAPI_E_INVALID_PARAMETER;
  const addrbook::Directory directory = addrbook::LoadDirectory(profile_);
  const auto a = addrbook::ParseEntryId(directory, id1, cb1);
  const auto b = addrbook::ParseEntryId(directory, id2, cb2);
  if (!a || !b) return MAPI_E_UNKNOWN_ENTRYID;
  *result = SameText(a->email, b->email) ? TRUE : FALSE;
  return S_OK;
}

STDMETHODIMP AddrBook::CreateOneOff(LPTSTR name, LPTSTR type, LPTSTR address, ULONG, ULONG* cb,
                                    LPENTRYID* id) {
  if (!name || !type || !address || !cb || !id) return MAPI_E_INVALID_PARAMETER;
  const std::string bytes = addrbook::OneOffEntryId(name, type, address);
  void* block = nullptr;
  if (HRESULT hr = MAPIAllocateBuffer(static_cast<ULONG>(bytes.size()), &block); FAILED(hr))
    return hr;
  std::memcpy(block, bytes.data(), bytes.size());
  *cb = static_cast<ULONG>(bytes.size());
  *id = static_cast<LPENTRYID>(block);
  return S_OK;
}

HRESULT AddrBook::ResolveEntry(const addrbook::Directory& directory, ADRENTRY& entry) {
  // 1. Entries without values and entries already resolved are left alone.
  const Row before = FromSPropArray(entry.cValues, entry.rgPropVals);
  if (before.empty() || FindProp(before, PR_ENTRYID)) return S_OK;
  const Prop* name = FindPropById(before, PROP_ID(PR_DISPLAY_NAME_A));
  if (!name) return MAPI_E_NOT_FOUND;
  // 2. One directory entry, or an SMTP address as a one-off entry.
  const std::vector<addrbook::DirEntry> found = Candidates(directory, name->bytes);
  if (found.size() > 1) return MAPI_E_AMBIGUOUS_RECIP;
  Row resolved;
  if (found.size() == 1) {
    resolved = MailUserProps(found[0], addrbook::DirectoryEntryId(found[0]));
  } else if (addrbook::LooksLikeSmtp(name->bytes)) {
    const addrbook::DirEntry oneOff{name->bytes, name->bytes};
    resolved = MailUserProps(oneOff, addrbook::OneOffEntryId(name->bytes, "SMTP", name->bytes));
  } else {
    return MAPI_E_NOT_FOUND;
  }
  // 3. The entry's other values stay (the recipient type among them); its array is
  //    replaced by a new one and the old one freed.
  for (const Prop& p : before) {
    if (!FindPropById(resolved, IdOf(p.tag))) resolved.push_back(p);
  }
  ULONG count = 0;
  SPropValue* values = nullptr;
  if (HRESULT hr = RowToProps(resolved, nullptr, &count, &values); FAILED(hr)) return hr;
  MAPIFreeBuffer(entry.rgPropVals);
  entry.rgPropVals = values;
  entry.cValues = count;
  return S_OK;
}

STDMETHODIMP AddrBook::ResolveName(ULONG_PTR, ULONG flags, LPTSTR, LPADRLIST list) {
  // 1. Arguments.
  control::Journal("IAddrBook::ResolveName", flags);
  if (!list) return MAPI_E_INVALID_PARAMETER;
  if (HRESULT hr = control::Fault("ResolveName"); FAILED(hr)) return hr;
  if (flags & MAPI_UNICODE) return MAPI_E_BAD_CHARWIDTH;
  // 2. Every entry; an ambiguous name outweighs an unknown one. Entries that do not
  //    resolve stay as they were.
  const addrbook::Directory directory = addrbook::LoadDirectory(profile_);
  bool ambiguous = false, unknown = false;
  for (ULONG i = 0; i < list->cEntries; ++i) {
    const HRESULT hr = ResolveEntry(directory, list->aEntries[i]);
    ambiguous = ambiguous || hr == MAPI_E_AMBIGUOUS_RECIP;
    unknown = unknown || hr == MAPI_E_NOT_FOUND;
    if (FAILED(hr) && hr != MAPI_E_AMBIGUOUS_RECIP && hr != MAPI_E_NOT_FOUND) return hr;
  }
  if (ambiguous) return MAPI_E_AMBIGUOUS_RECIP;
  return unknown ? MAPI_E_NOT_FOUND : S_OK;
}

}  // namespace mapistandin
