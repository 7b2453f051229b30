#pragma once

#include <cstdint>
#include <sys/socket.h>

namespace vantorel {

// When the kernel received the message, on the monotonic clock. The kernel stamps datagrams with
// wall-clock time (SO_TIMESTAMPNS); the stamp is carried over to the monotonic clock by the gap
// between it and now, so RTTs are not stretched by however long the datagram waited to be read.
// Without a stamp, now is the best there is.
std::int64_t receiveTimeMonotonic(const msghdr& message);

} // namespace vantorel
