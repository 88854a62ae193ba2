// The advise sink of a store object: hands the store's notifications to it. While
// advised, the sink keeps the store object alive (until MAPI drops the sink at Unadvise).
#pragma once

#include "frame/AdviseSink.h"
#include "store/QMXMessageStore.h"

namespace kelmsgs {

using CMAPINotify = AdviseSink<CQMXMessageStore, &CQMXMessageStore::OnStoreNotify>;

}  // namespace kelmsgs
