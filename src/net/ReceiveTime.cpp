#include "net/ReceiveTime.h"

#include "platform/Clock.h"

#include <algorithm>
#include <ctime>

namespace vantorel {

namespace {
std::int64_t nanos(const timespec& ts) {
    return std::int64_t(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}
} // namespace

std::int64_t receiveTimeMonotonic(const msghdr& message) {
    const std::int64_t monotonicNow = monotonicNanos();
    for (auto* c = CMSG_FIRSTHDR(&message); c; c = CMSG_NXTHDR(const_cast<msghdr*>(&message), c)) {
        if (c->cmsg_level != SOL_SOCKET || c->cmsg_type != SCM_TIMESTAMPNS)
            continue;
        timespec stamp{};
        std::copy_n(CMSG_DATA(c), sizeof(stamp), reinterpret_cast<unsigned char*>(&stamp));
        timespec wallNow{};
        clock_gettime(CLOCK_REALTIME, &wallNow);
        // A wall-clock step between the stamp and now would make the gap meaningless; a negative
        // or implausibly large gap is ignored.
        const std::int64_t waited = nanos(wallNow) - nanos(stamp);
        if (waited < 0 || waited > 10'000'000'000)
            return monotonicNow;
        return monotonicNow - waited;
    }
    return monotonicNow;
}

} // namespace vantorel
