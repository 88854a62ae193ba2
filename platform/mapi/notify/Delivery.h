// Delivery of notifications to advise sinks, on the threads MAPI uses. Without
// MAPI_MULTITHREAD_NOTIFICATIONS a sink hears its notifications on the thread that
// advised it, when that thread dispatches window messages (each advising thread gets a
// hidden window); with it, on the stand-in's own notification thread. Notifications are
// always delivered later, never inside the call that caused them.
#pragma once

#include <mapix.h>

#include "notify/NotificationBlock.h"

namespace mapistandin::delivery {

// A new connection for the sink (one reference held until Unsubscribe); 0 when the
// advising thread's window cannot be made.
ULONG Subscribe(IMAPIAdviseSink* sink);
// Ends the connection and drops its reference; notifications still queued for it are
// discarded. False for an unknown connection.
bool Unsubscribe(ULONG connection);
// Queues one batch for the connection (discarded when the connection is gone by the time
// it would be delivered).
void Post(ULONG connection, NotificationBlock batch);

// The mode of connections made from now on (MAPIInitialize's flag).
void SetMultithreaded(bool on);
// Stops the notification thread (last MAPIUninitialize); it starts again when needed.
void StopThread();
// Connections alive (a test control).
ULONG Connections();

}  // namespace mapistandin::delivery
