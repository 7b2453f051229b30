#pragma once

#include "platform/Clock.h"

#include <QString>

namespace vantorel {

// A date as the graph and the results show it, in local time with the fixed POSIX English
// locale: "2024-03-09 1:05 PM", or "2024-03-09 13:05" when `use24Hour` is on; with seconds,
// "1:05:09 PM" / "13:05:09".
QString timeLabel(Date date, bool withSeconds);

} // namespace vantorel
