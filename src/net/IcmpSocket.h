#pragma once

#include "net/SocketAddress.h"

#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>

struct msghdr;

namespace vantorel {

// What came back for one of our echo requests: its echo reply, or a time-exceeded message from a
// router on the way.
struct IcmpAnswer {
    std::uint16_t sequence = 0;
    QString from; // the address that answered
    bool timeExceeded = false;
    std::int64_t receivedMono = 0; // monotonic nanoseconds, stamped by the kernel where it can
};

// One unprivileged ICMP datagram socket ("ping socket") of one address family: it opens the
// descriptor with its options, sends echo requests and reads the error queue and the datagrams.
// No thread of its own and no locking: its owner calls it from one thread at a time.
//
// On Linux an ICMP error that arrives on the socket (the error queue being on) makes the next
// send fail with that error's errno, whoever the error was meant for, until the error queue is
// read. A send that fails with such an errno therefore reads both queues (handing over what they
// hold) and tries once more; only a failure that repeats is the request's own.
class IcmpSocket {
public:
    using Answered = std::function<void(const IcmpAnswer&)>;

    struct Family; // what tells ICMP over IPv4 from ICMPv6 here

    struct Sent {
        int error = 0;       // errno of the failed send; 0 when the request left
        std::int64_t at = 0; // monotonic nanoseconds, just before the request was handed over
    };

    explicit IcmpSocket(int family); // AF_INET or AF_INET6
    ~IcmpSocket();
    IcmpSocket(const IcmpSocket&) = delete;
    IcmpSocket& operator=(const IcmpSocket&) = delete;

    // Opens the socket unless it is open: 0, or the errno of the failure (tried again next time).
    int open();
    int descriptor() const { return fd_; }

    // Sends an echo request with this sequence number to `to`, of the socket's family, with the
    // given hop limit (IPv4 TTL). Answers read on the way go to `answered`.
    Sent send(const SocketAddress& to, int hopLimit, std::uint16_t sequence,
              const Answered& answered);

    // Reads the error queue and the datagrams until a full round finds both empty (or a bound on
    // the work per call is reached); every answer to one of our requests goes to `answered`.
    // Returns how many messages and errors it read.
    int drain(const Answered& answered);

private:
    int drainQueue(bool errorQueue, const Answered& answered);
    std::optional<IcmpAnswer> readError(const msghdr& message,
                                        std::span<const std::uint8_t> bytes) const;

    const Family& family_;
    int fd_ = -1;
    int hopLimit_ = -1; // as last set on the socket; none yet
};

} // namespace vantorel
