#include "platform/Clock.h"

#include <algorithm>
#include <time.h>

namespace vantorel {

Date dateNow() {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    return dateFromUnixSeconds(double(ts.tv_sec) + double(ts.tv_nsec) / 1e9);
}

Date dateFromUnixSeconds(double unixSeconds) {
    return unixSeconds - kReferenceDateOffset;
}

double unixSecondsFromDate(Date date) {
    return date + kReferenceDateOffset;
}

std::int64_t monotonicNanos() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return std::int64_t(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

std::int64_t nearestBeat(std::int64_t at, std::int64_t period) {
    return (at + period / 2) / period * period;
}

double secondsToNextBeat(std::int64_t startedAt, double periodSeconds) {
    const auto period = std::int64_t(periodSeconds * 1e9);
    if (period <= 0)
        return 0;
    const std::int64_t next = nearestBeat(startedAt + period, period);
    return std::max(0.0, double(next - monotonicNanos()) / 1e9);
}

} // namespace vantorel
