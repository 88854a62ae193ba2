#include "frame/ClassTable.h"

#include "frame/resource.h"
#include "utilities/QMXMemoryStatus.h"
#include "utilities/QMXRegistryTools.h"

namespace kelmsgs {

namespace {
const ClassEntry kClasses[] = {
    {&CLSID_QMXRegistryTools, "QMXRegistryTools", IDR_QMXREGISTRYTOOLS,
     &CQMXRegistryTools::CreateInstance},
    {&CLSID_QMXMemoryStatus, "QMXMemoryStatus", IDR_QMXMEMORYSTATUS,
     &CQMXMemoryStatus::CreateInstance},
};
}  // namespace

std::span<const ClassEntry> ClassTable() noexcept { return kClasses; }

const ClassEntry* FindClass(REFCLSID clsid) noexcept {
  for (const auto& entry : kClasses)
    if (*entry.clsid == clsid) return &entry;
  return nullptr;
}

}  // namespace kelmsgs
