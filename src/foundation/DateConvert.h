// Conversions of automation dates: to the system locale's text, and from file times.
#pragma once

#include <oaidl.h>

#include "foundation/Owned.h"

namespace kelmsgs {

// "<short date> <time>" in the system locale; an empty string for a date out of range.
// Null only when memory runs out.
Bstr DateToText(DATE date);

// A file time (UTC, as the messaging subsystem stores it) as an automation date, with
// no time-zone shift; 0.0 when it cannot be converted.
DATE FileTimeToDate(const FILETIME& time);

}  // namespace kelmsgs
