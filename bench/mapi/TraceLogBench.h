// Trace-log lines written through the library's trace log, with logging on and off,
// against raw fputs and fflush of lines of the same length.
#pragma once

namespace bench {

void TraceLogFigures();

}  // namespace bench
