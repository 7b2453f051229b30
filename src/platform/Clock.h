#pragma once

#include <cstdint>

namespace vantorel {

// Wall-clock instants are kept as seconds since 2001-01-01 00:00:00 UTC: that is the form the
// history database and the stored JSON use, so keeping it in memory avoids conversions.
using Date = double;

// Seconds between the Unix epoch and 2001-01-01 00:00:00 UTC.
inline constexpr double kReferenceDateOffset = 978307200.0;

Date dateNow();
Date dateFromUnixSeconds(double unixSeconds);
double unixSecondsFromDate(Date date);

// Monotonic time in nanoseconds; never goes backwards and ignores wall-clock changes.
std::int64_t monotonicNanos();

} // namespace vantorel
