#include "platform/Clock.h"

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

std::int64_t beatAtOrAfter(std::int64_t at, std::int64_t period) {
    return (at + period - 1) / period * period;
}

} // namespace vantorel
