#include "profile/ProfSect.h"

#include "profile/ProfileRegistry.h"

namespace mapistandin {

namespace {
#ifndef MAPI_FORCE_ACCESS
constexpr ULONG MAPI_FORCE_ACCESS = 0x00080000;  // missing from the SDK headers
#endif
}  // namespace

ProfSect::ProfSect(std::string profile, std::string uidHex, bool writable)
    : profile_(std::move(profile)), uidHex_(std::move(uidHex)) {
  writable_ = writable;
}

void* ProfSect::FindInterface(REFIID iid) {
  if (iid == IID_IUnknown || iid == IID_IMAPIProp || iid == IID_IProfSect)
    return static_cast<IProfSect*>(this);
  return nullptr;
}

Row ProfSect::AllProps() {
  Row props;
  profiles::ReadSection(profile_, uidHex_, props);
  return props;
}

HRESULT ProfSect::PutProps(const Row& values) {
  return profiles::WriteSection(profile_, uidHex_, values);
}

HRESULT ProfSect::RemoveProps(const std::vector<std::uint16_t>& ids) {
  std::vector<std::uint32_t> tags;
  for (const Prop& p : AllProps()) {
    for (std::uint16_t id : ids) {
      if (IdOf(p.tag) == id) tags.push_back(p.tag);
    }
  }
  return profiles::DeleteValues(profile_, uidHex_, tags);
}

HRESULT OpenProfileSection(const std::string& profile, LPMAPIUID uid, LPCIID iid, ULONG flags,
                           bool providerSectionsNeedForce, LPPROFSECT* out) {
  // 1. Arguments.
  if (!uid || !out) return MAPI_E_INVALID_PARAMETER;
  *out = nullptr;
  control::Journal("OpenProfileSection", flags, {}, profiles::UidHex(uid->ab));
  if (HRESULT hr = control::Fault("OpenProfileSection", profiles::UidHex(uid->ab)); FAILED(hr))
    return hr;
  if (iid && *iid != IID_IProfSect && *iid != IID_IMAPIProp) return MAPI_E_INTERFACE_NOT_SUPPORTED;
  const std::string hex = profiles::UidHex(uid->ab);
  // 2. A provider's section is its own: others reach it only with MAPI_FORCE_ACCESS.
  Row props;
  const bool exists = profiles::ReadSection(profile, hex, props);
  if (exists && providerSectionsNeedForce && FindProp(props, PR_PROVIDER_UID) &&
      !(flags & MAPI_FORCE_ACCESS)) {
    return MAPI_E_NO_ACCESS;
  }
  // 3. A section that does not exist yet is made when it is opened for writing.
  if (!exists) {
    if (!(flags & MAPI_MODIFY)) return MAPI_E_NOT_FOUND;
    if (HRESULT hr = profiles::WriteSection(profile, hex, {}); FAILED(hr)) return hr;
  }
  *out = new ProfSect(profile, hex, (flags & MAPI_MODIFY) != 0);
  return S_OK;
}

}  // namespace mapistandin
