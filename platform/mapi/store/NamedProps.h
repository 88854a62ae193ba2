// Named properties: names (a property set and a number or a string) mapped to
// identifiers from 0x8000 up. A store keeps them in its file; a message file in its
// mapping storage.
#pragma once

#include <mapix.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/StoreImage.h"

namespace mapistandin {

class StoreEngine;

// Where the names of an object live.
class NameRegistry {
 public:
  virtual ~NameRegistry() = default;
  // The identifier of the name (0 when unknown); with create, a new name is registered.
  virtual HRESULT Lookup(const NamedKey& key, bool create, std::uint16_t& id) = 0;
  virtual bool NameOf(std::uint16_t id, NamedKey& key) = 0;
  // The identifiers of every name, or of the names of one property set.
  virtual std::vector<std::uint16_t> Ids(const std::string* guid) = 0;
};

// The names of a store.
std::shared_ptr<NameRegistry> StoreNames(std::shared_ptr<StoreEngine> engine);

HRESULT GetIDsFromNames(NameRegistry& registry, ULONG count, LPMAPINAMEID* names, ULONG flags,
                        LPSPropTagArray* tags);
HRESULT GetNamesFromIDs(NameRegistry& registry, LPSPropTagArray* tags, LPGUID propSet, ULONG flags,
                        ULONG* count, LPMAPINAMEID** names);

}  // namespace mapistandin
