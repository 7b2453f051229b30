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

// The whole multiple of `period` (> 0) on the monotonic clock nearest to `at`. Loops of one period
// that each wait for their next beat wake together, one wake-up for all of them; rounding to the
// nearest beat keeps their average period exact, and a late wake-up does not delay later beats.
std::int64_t nearestBeat(std::int64_t at, std::int64_t period);

// How long a loop of `periodSeconds` that started its last round at `startedAt` (monotonic) waits
// for its next round: until the beat nearest one period after that start, or not at all when that
// has passed or the period is not positive. A round that overran starts at once and the next one
// falls back onto the beat.
double secondsToNextBeat(std::int64_t startedAt, double periodSeconds);

} // namespace vantorel
