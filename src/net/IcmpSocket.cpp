#include "net/IcmpSocket.h"

#include "net/IcmpPacket.h"
#include "net/ReceiveTime.h"
#include "platform/Clock.h"

#include <cerrno>
#include <fcntl.h>
#include <linux/errqueue.h>
#include <netinet/in.h>
#include <unistd.h>
#include <utility>

namespace vantorel {

struct IcmpSocket::Family {
    int domain;
    int protocol;
    int level;        // of the hop limit and error queue options and messages
    int hopLimit;     // the option that sets it
    int receiveError; // the option that turns the error queue on, and its messages' type
    std::uint8_t errorOrigin;
    std::uint8_t echoRequest;
    std::uint8_t timeExceeded;
    std::optional<icmp::ParsedDatagram> (*parse)(std::span<const std::uint8_t>);
};

namespace {

constexpr IcmpSocket::Family kIpv4{AF_INET,
                                   IPPROTO_ICMP,
                                   IPPROTO_IP,
                                   IP_TTL,
                                   IP_RECVERR,
                                   SO_EE_ORIGIN_ICMP,
                                   icmp::kTypeEchoRequest,
                                   icmp::kTypeTimeExceeded,
                                   icmp::parseDatagram};
constexpr IcmpSocket::Family kIpv6{AF_INET6,
                                   IPPROTO_ICMPV6,
                                   IPPROTO_IPV6,
                                   IPV6_UNICAST_HOPS,
                                   IPV6_RECVERR,
                                   SO_EE_ORIGIN_ICMP6,
                                   icmp::kTypeV6EchoRequest,
                                   icmp::kTypeV6TimeExceeded,
                                   icmp::parseDatagramV6};

constexpr char kPayload[] = "Vantorel";
constexpr std::size_t kReceiveBufferSize = 1500;
// A drain stops after this many messages so that a flood cannot hold the queue forever; the
// notifier fires again at once for whatever is left.
constexpr int kMaxMessagesPerDrain = 4096;
constexpr int kMaxDrainRounds = 64;
// A send that a queued error failed is tried again after the queues are read. Under a flood of
// errors (a sweep of a sparse network) another may arrive between that read and the retry, so the
// send is retried for as long as each read finds something (and once after a read that finds
// nothing, see send), up to this many times.
constexpr int kMaxSendAttempts = 8;

// The errnos an ICMP or ICMPv6 error sets on a ping socket (unreachable codes, time exceeded,
// parameter problem, packet too big, source quench and redirect).
bool mayComeFromQueuedError(int error) {
    for (const int queued : {EHOSTUNREACH, ENETUNREACH, EACCES, ECONNREFUSED, EMSGSIZE, EPROTO,
                             EREMOTEIO, ENOPROTOOPT, EOPNOTSUPP, EHOSTDOWN, ENONET})
        if (error == queued)
            return true;
    return false;
}

} // namespace

IcmpSocket::IcmpSocket(int family)
    : family_(family == AF_INET6 ? kIpv6 : kIpv4) {}

IcmpSocket::~IcmpSocket() {
    if (fd_ >= 0)
        ::close(fd_);
}

int IcmpSocket::open() {
    if (fd_ >= 0)
        return 0;
    const int fd =
        ::socket(family_.domain, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, family_.protocol);
    if (fd < 0)
        return errno;
    const int on = 1;
    // Time-exceeded and unreachable messages reach a ping socket only through its error queue.
    ::setsockopt(fd, family_.level, family_.receiveError, &on, sizeof(on));
    // Kernel receive stamps keep RTTs exact however late this thread gets to the datagram.
    ::setsockopt(fd, SOL_SOCKET, SO_TIMESTAMPNS, &on, sizeof(on));
    fd_ = fd;
    return 0;
}

IcmpSocket::Sent IcmpSocket::send(const SocketAddress& to, int hopLimit, std::uint16_t sequence,
                                  const Answered& answered) {
    // Host pings send with the same hop limit every time; only traceroutes change it. A system
    // call saved per probe is a good part of what a probe costs.
    if (hopLimit != hopLimit_ &&
        ::setsockopt(fd_, family_.level, family_.hopLimit, &hopLimit, sizeof(hopLimit)) == 0)
        hopLimit_ = hopLimit;
    const auto request = icmp::buildEchoRequest(
        sequence, {reinterpret_cast<const std::uint8_t*>(kPayload), sizeof(kPayload) - 1},
        family_.echoRequest);
    Sent sent;
    bool drainedNothing = false;
    for (int attempt = 0; attempt < kMaxSendAttempts; ++attempt) {
        // Stamped just before the send, as iputils ping does: on loopback and fast links the
        // answer is received (and kernel-stamped) before sendto even returns, so a stamp taken
        // after it would make short round trips come out as zero.
        sent.at = monotonicNanos();
        if (::sendto(fd_, request.data(), request.size(), 0, to.get(), to.length) > 0)
            return {0, sent.at};
        sent.error = errno;
        if (!mayComeFromQueuedError(sent.error))
            break;
        // The kernel queues an error before it raises it on the socket, so a drain can read the
        // entry just before the error is raised, and the next send then fails with it alone. That
        // send cleared it: one more try tells it from a failure that is the probe's own, such as
        // an unreachable or prohibited route, which fails alike every time.
        if (drain(answered) == 0 && std::exchange(drainedNothing, true))
            break;
    }
    return sent;
}

int IcmpSocket::drain(const Answered& answered) {
    // A queued ICMP error makes the next plain receive fail, so both queues are read until a full
    // round finds nothing: an error must not hide the replies waiting behind it, and an unread
    // error would wake the notifier again at once.
    int handled = 0;
    for (int round = 0; round < kMaxDrainRounds; ++round) {
        const int read = drainQueue(true, answered) + drainQueue(false, answered);
        if (read == 0)
            break;
        handled += read;
    }
    return handled;
}

int IcmpSocket::drainQueue(bool errorQueue, const Answered& answered) {
    int handled = 0;
    for (; handled < kMaxMessagesPerDrain; ++handled) {
        std::uint8_t buffer[kReceiveBufferSize] = {};
        alignas(cmsghdr) char control[512];
        sockaddr_storage source{};
        iovec vector{buffer, sizeof(buffer)};
        msghdr message{};
        message.msg_name = &source;
        message.msg_namelen = sizeof(source);
        message.msg_iov = &vector;
        message.msg_iovlen = 1;
        message.msg_control = control;
        message.msg_controllen = sizeof(control);
        const ssize_t length =
            ::recvmsg(fd_, &message, MSG_DONTWAIT | (errorQueue ? MSG_ERRQUEUE : 0));
        if (length < 0) {
            if (errorQueue || errno == EAGAIN || errno == EWOULDBLOCK)
                break;
            // A pending socket error was reported instead of a datagram. Reading it cleared it;
            // the next round reads the error queue and then the datagrams waiting behind it.
            return handled + 1;
        }
        const std::int64_t received = receiveTimeMonotonic(message);
        const std::span<const std::uint8_t> bytes(buffer, std::size_t(length));
        std::optional<IcmpAnswer> answer;
        if (errorQueue) {
            answer = readError(message, bytes);
        } else if (const auto parsed = family_.parse(bytes)) {
            answer = IcmpAnswer{parsed->sequence,
                                addressText(reinterpret_cast<const sockaddr*>(&source)),
                                parsed->timeExceeded};
        }
        if (answer) {
            answer->receivedMono = received;
            answered(*answer);
        }
    }
    return handled;
}

std::optional<IcmpAnswer> IcmpSocket::readError(const msghdr& message,
                                                std::span<const std::uint8_t> bytes) const {
    const sock_extended_err* error = nullptr;
    for (auto* c = CMSG_FIRSTHDR(&message); c; c = CMSG_NXTHDR(const_cast<msghdr*>(&message), c))
        if (c->cmsg_level == family_.level && c->cmsg_type == family_.receiveError)
            error = reinterpret_cast<const sock_extended_err*>(CMSG_DATA(c));
    // Only time exceeded answers a probe; unreachable and local errors leave it to time out.
    if (!error || error->ee_origin != family_.errorOrigin || error->ee_type != family_.timeExceeded)
        return std::nullopt;
    const auto sequence = icmp::sequenceOfReturnedRequest(bytes, family_.echoRequest);
    const sockaddr* offender = SO_EE_OFFENDER(error);
    if (!sequence || offender->sa_family != family_.domain)
        return std::nullopt;
    return IcmpAnswer{*sequence, addressText(offender), true};
}

} // namespace vantorel
