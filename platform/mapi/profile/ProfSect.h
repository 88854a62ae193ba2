// A profile section: its properties are the registry values of the section's key, and
// writes go to the registry at once.
#pragma once

#include <mapix.h>

#include "store/PropObject.h"

namespace mapistandin {

class ProfSect : public PropObject<IProfSect> {
 public:
  ProfSect(std::string profile, std::string uidHex, bool writable);

 protected:
  void* FindInterface(REFIID iid) override;
  const char* Kind() const override { return "IProfSect"; }
  std::string ObjectHex() const override { return uidHex_; }
  Row AllProps() override;
  HRESULT PutProps(const Row& values) override;
  HRESULT RemoveProps(const std::vector<std::uint16_t>& ids) override;
  HRESULT Save(ULONG) override { return S_OK; }
  HRESULT OpenProp(ULONG, REFIID, ULONG, ULONG, LPUNKNOWN*) override { return MAPI_E_NO_SUPPORT; }
  HRESULT CopyInto(REFIID, IUnknown*, const std::vector<ULONG>&, ULONG) override {
    return MAPI_E_NO_SUPPORT;
  }

 private:
  std::string profile_;
  std::string uidHex_;
};

// Opens a section of a profile. A section owned by a provider opens only with
// MAPI_FORCE_ACCESS; MAPI_MODIFY asks for write access.
HRESULT OpenProfileSection(const std::string& profile, LPMAPIUID uid, LPCIID iid, ULONG flags,
                           bool providerSectionsNeedForce, LPPROFSECT* out);

}  // namespace mapistandin
