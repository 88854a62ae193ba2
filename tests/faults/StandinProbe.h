// The stand-in's controls that the fault sweep uses: what it holds outstanding, which
// operations that can be made to fail were called and how often, and failing one call.
#pragma once

#include <windows.h>

#include <map>
#include <string>

struct Outstanding {
  ULONG objects = 0;
  ULONG buffers = 0;
  bool operator==(const Outstanding&) const = default;
};

namespace probe {

Outstanding Now();
// Each operation that can be made to fail, with its calls since the last clear.
std::map<std::string, ULONG> FaultPoints();
ULONG Calls(const std::string& operation);
void ClearFaultPoints();
// The call after the first `skip` calls of the operation fails with `result`.
void FailOnce(const std::string& operation, HRESULT result, ULONG skip);
// The same for that call and every later one.
void FailFrom(const std::string& operation, HRESULT result, ULONG skip);
void ClearFaults();

}  // namespace probe

#include <ostream>

inline std::ostream& operator<<(std::ostream& out, const Outstanding& o) {
  return out << o.objects << " objects, " << o.buffers << " buffers";
}
