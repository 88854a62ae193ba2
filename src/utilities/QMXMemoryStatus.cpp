#include "utilities/QMXMemoryStatus.h"

namespace kelmsgs {

HRESULT CQMXMemoryStatus::GetMemoryStatus() {
  MEMORYSTATUS status{};
  status.dwLength = sizeof status;
  GlobalMemoryStatus(&status);
  figures_ = ComputeMemoryFigures({status.dwMemoryLoad, status.dwTotalPhys, status.dwAvailPhys,
                                   status.dwTotalPageFile, status.dwAvailPageFile,
                                   status.dwTotalVirtual, status.dwAvailVirtual});
  return S_OK;
}

HRESULT CQMXMemoryStatus::Read(std::int32_t value, LONG* pVal) {
  if (!pVal) return E_POINTER;
  *pVal = value;
  return S_OK;
}

HRESULT CQMXMemoryStatus::get_MemoryLoad(LONG* p) { return Read(figures_.memoryLoad, p); }
HRESULT CQMXMemoryStatus::get_TotalPhysical(LONG* p) { return Read(figures_.totalPhysical, p); }
HRESULT CQMXMemoryStatus::get_AvailablePhysical(LONG* p) {
  return Read(figures_.availablePhysical, p);
}
HRESULT CQMXMemoryStatus::get_TotalPageFile(LONG* p) { return Read(figures_.totalPageFile, p); }
HRESULT CQMXMemoryStatus::get_AvailablePageFile(LONG* p) {
  return Read(figures_.availablePageFile, p);
}
HRESULT CQMXMemoryStatus::get_TotalVirtual(LONG* p) { return Read(figures_.totalVirtual, p); }
HRESULT CQMXMemoryStatus::get_AvailableVirtual(LONG* p) {
  return Read(figures_.availableVirtual, p);
}
HRESULT CQMXMemoryStatus::get_UsedPhysical(LONG* p) { return Read(figures_.usedPhysical, p); }
HRESULT CQMXMemoryStatus::get_UsedPageFile(LONG* p) { return Read(figures_.usedPageFile, p); }
HRESULT CQMXMemoryStatus::get_UsedVirtual(LONG* p) { return Read(figures_.usedVirtual, p); }

}  // namespace kelmsgs
