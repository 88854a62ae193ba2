// QMXMemoryStatus: a snapshot of the machine's memory usage, read by properties.
#pragma once

#include "KelMsgs.h"
#include "frame/AutomationObject.h"
#include "utilities/MemoryFigures.h"

namespace kelmsgs {

class CQMXMemoryStatus final
    : public AutomationObject<CQMXMemoryStatus, IQMXMemoryStatus, QMXMemoryStatus> {
 public:
  HRESULT STDMETHODCALLTYPE GetMemoryStatus() override;
  HRESULT STDMETHODCALLTYPE get_MemoryLoad(LONG* pVal) override;
  HRESULT STDMETHODCALLTYPE get_TotalPhysical(LONG* pVal) override;
  HRESULT STDMETHODCALLTYPE get_AvailablePhysical(LONG* pVal) override;
  HRESULT STDMETHODCALLTYPE get_TotalPageFile(LONG* pVal) override;
  HRESULT STDMETHODCALLTYPE get_AvailablePageFile(LONG* pVal) override;
  HRESULT STDMETHODCALLTYPE get_TotalVirtual(LONG* pVal) override;
  HRESULT STDMETHODCALLTYPE get_AvailableVirtual(LONG* pVal) override;
  HRESULT STDMETHODCALLTYPE get_UsedPhysical(LONG* pVal) override;
  HRESULT STDMETHODCALLTYPE get_UsedPageFile(LONG* pVal) override;
  HRESULT STDMETHODCALLTYPE get_UsedVirtual(LONG* pVal) override;

 private:
  static HRESULT Read(std::int32_t value, LONG* pVal);
  MemoryFigures figures_;
};

}  // namespace kelmsgs
