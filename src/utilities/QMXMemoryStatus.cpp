#include "utilities/QMXMemoryStatus.h"

namespace kelmsgs {

// The figures come from GlobalMemoryStatusEx, not GlobalMemoryStatus: in a 32-bit process
// the latter caps physical and virtual figures at 2 GB - 1 unless the program is large-
// address aware, so a 32-bit and a 64-bit client would read different figures of the same
// machine. The 64-bit figures, cut to 32 bits the same way in both builds, agree.
HRESULT CQMXMemoryStatus::GetMemoryStatus() {
  MEMORYSTATUSEX status{};
  status.dwLength = sizeof status;
  if (!GlobalMemoryStatusEx(&status)) return S_OK;
  figures_ = ComputeMemoryFigures({status.dwMemoryLoad, status.ullTotalPhys, status.ullAvailPhys,
                                   status.ullTotalPageFile, status.ullAvailPageFile,
                                   status.ullTotalVirtual, status.ullAvailVirtual});
  return S_OK;
}

HRESULT CQMXMemoryStatus::Read(std::int32_t value, LONG* pVal) {
  if (!pVal) return E_POINTER;
  *pVal = value;
  return S_OK;
}

HRESULT CQMXMemoryStatus::get_MemoryLoad(LONG* p) {
  return Read(figures_.memoryLoad, p);
}
HRESULT CQMXMemoryStatus::get_TotalPhysical(LONG* p) {
  return Read(figures_.totalPhysical, p);
}
HRESULT CQMXMemoryStatus::get_AvailablePhysical(LONG* p) {
  return Read(figures_.availablePhysical, p);
}
HRESULT CQMXMemoryStatus::get_TotalPageFile(LONG* p) {
  return Read(figures_.totalPageFile, p);
}
HRESULT CQMXMemoryStatus::get_AvailablePageFile(LONG* p) {
  return Read(figures_.availablePageFile, p);
}
HRESULT CQMXMemoryStatus::get_TotalVirtual(LONG* p) {
  return Read(figures_.totalVirtual, p);
}
HRESULT CQMXMemoryStatus::get_AvailableVirtual(LONG* p) {
  return Read(figures_.availableVirtual, p);
}
HRESULT CQMXMemoryStatus::get_UsedPhysical(LONG* p) {
  return Read(figures_.usedPhysical, p);
}
HRESULT CQMXMemoryStatus::get_UsedPageFile(LONG* p) {
  return Read(figures_.usedPageFile, p);
}
HRESULT CQMXMemoryStatus::get_UsedVirtual(LONG* p) {
  return Read(figures_.usedVirtual, p);
}

}  // namespace kelmsgs
