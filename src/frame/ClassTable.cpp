#include "frame/ClassTable.h"

#include "attach/QMXAttach.h"
#include "content/QMXFileContent.h"
#include "folder/QMXStoreFolder.h"
#include "frame/resource.h"
#include "message/QMXMessage.h"
#include "session/QMXSession.h"
#include "store/QMXMessageStore.h"
#include "utilities/QMXClipboardMonitor.h"
#include "utilities/QMXMemoryStatus.h"
#include "utilities/QMXRegistryTools.h"

namespace kelmsgs {

namespace {
const ClassEntry kClasses[] = {
    {&CLSID_QMXMessageStore, "QMXMessageStore", IDR_QMXMESSAGESTORE,
     &CQMXMessageStore::CreateInstance},
    {&CLSID_QMXStoreFolder, "QMXStoreFolder", IDR_QMXSTOREFOLDER, &CQMXStoreFolder::CreateInstance},
    {&CLSID_QMXMessage, "QMXMessage", IDR_QMXMESSAGE, &CQMXMessage::CreateInstance},
    {&CLSID_QMXFileContent, "QMXFileContent", IDR_QMXFILECONTENT, &CQMXFileContent::CreateInstance},
    {&CLSID_QMXAttach, "QMXAttach", IDR_QMXATTACH, &CQMXAttach::CreateInstance},
    {&CLSID_QMXSession, "QMXSession", IDR_QMXSESSION, &CQMXSession::CreateInstance},
    {&CLSID_QMXRegistryTools, "QMXRegistryTools", IDR_QMXREGISTRYTOOLS,
     &CQMXRegistryTools::CreateInstance},
    {&CLSID_QMXMemoryStatus, "QMXMemoryStatus", IDR_QMXMEMORYSTATUS,
     &CQMXMemoryStatus::CreateInstance},
    {&CLSID_QMXClipboardMonitor, "QMXClipboardMonitor", IDR_QMXCLIPBOARDMONITOR,
     &CQMXClipboardMonitor::CreateInstance},
};
}  // namespace

std::span<const ClassEntry> ClassTable() noexcept {
  return kClasses;
}

const ClassEntry* FindClass(REFCLSID clsid) noexcept {
  for (const auto& entry : kClasses)
    if (*entry.clsid == clsid) return &entry;
  return nullptr;
}

}  // namespace kelmsgs
