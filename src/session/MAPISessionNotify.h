// The advise sink of the session's store table: hands table changes to the session,
// which it keeps alive until MAPI drops the sink at Unadvise.
#pragma once

#include "frame/AdviseSink.h"
#include "session/QMXSession.h"

namespace kelmsgs {

using CMAPISessionNotify = AdviseSink<CQMXSession, &CQMXSession::OnTableNotify>;

}  // namespace kelmsgs
