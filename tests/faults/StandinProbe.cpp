#include "StandinProbe.h"

#include "MapiStandinControl.h"

namespace probe {

namespace {

template <class F>
F Control(const char* name) {
  HMODULE mapi = GetModuleHandleA("mapi32.dll");
  return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(mapi, name)));
}

}  // namespace

Outstanding Now() {
  Outstanding now;
  Control<decltype(&StandinLiveCounts)>("StandinLiveCounts")(&now.objects, &now.buffers);
  return now;
}

std::map<std::string, ULONG> FaultPoints() {
  const auto count = Control<decltype(&StandinFaultPointCount)>("StandinFaultPointCount");
  const auto entry = Control<decltype(&StandinFaultPointEntry)>("StandinFaultPointEntry");
  std::map<std::string, ULONG> points;
  for (ULONG i = 0, n = count(); i < n; ++i) {
    char name[128] = {};
    ULONG calls = 0;
    if (entry(i, name, sizeof name, &calls)) points[name] = calls;
  }
  return points;
}

ULONG Calls(const std::string& operation) {
  return Control<decltype(&StandinFaultPointCalls)>("StandinFaultPointCalls")(operation.c_str());
}

void ClearFaultPoints() {
  Control<decltype(&StandinFaultPointsClear)>("StandinFaultPointsClear")();
}

void FailOnce(const std::string& operation, HRESULT result, ULONG skip) {
  Control<decltype(&StandinSetFaultOnce)>("StandinSetFaultOnce")(operation.c_str(), result, skip);
}

void FailFrom(const std::string& operation, HRESULT result, ULONG skip) {
  Control<decltype(&StandinSetFault)>("StandinSetFault")(operation.c_str(), result, nullptr, skip);
}

void ClearFaults() {
  Control<decltype(&StandinClearFaults)>("StandinClearFaults")();
}

}  // namespace probe
