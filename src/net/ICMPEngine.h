#pragma once

#include "net/IcmpPacket.h"
#include "platform/Continuation.h"

#include <QString>
#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <unordered_map>
#include <variant>

class QSocketNotifier;
class QTimer;

namespace vantorel {

class IcmpSocket;
struct IcmpAnswer;
class SerialQueue;

struct ICMPReply {
    double ms = 0;
    QString from; // canonical text of the answering address, of the probe's family
    bool timeExceeded = false;
};

struct ICMPFailed {
    int error = 0; // errno; EINVAL when the address is no literal
};

struct ICMPTimeout {};

using ICMPOutcome = std::variant<ICMPReply, ICMPFailed, ICMPTimeout>;

// Sends ICMP echo requests over unprivileged ICMP datagram sockets, one per address family, each
// opened by the first probe of its family, and matches what comes back to the waiting probe by
// sequence number. Every probe ends in exactly one outcome:
//   - ICMPReply: the echo reply, or time exceeded (IPv4 type 11, ICMPv6 type 3) from the router
//     where the TTL / hop limit ran out, with `from` that router;
//   - ICMPTimeout: nothing matched in time; a destination-unreachable answer also ends here;
//   - ICMPFailed: nothing was sent (no socket, no literal, or the send failed on its own).
// Sequence numbers, the pending probes and the expiry timer are the engine's, shared by both
// families: a probe is told apart by its number alone.
//
// All socket state lives on the ICMP queue. A probe in flight keeps its engine alive until its
// outcome is delivered, so dropping the last reference never loses an outcome; the sockets close
// when the engine goes away.
class ICMPEngine : public std::enable_shared_from_this<ICMPEngine> {
public:
    using Done = std::function<void(ICMPOutcome)>;

    static std::shared_ptr<ICMPEngine> create();
    // The process-wide engine of host pings and sweeps; created on first use, never destroyed.
    static const std::shared_ptr<ICMPEngine>& shared();

    ~ICMPEngine();

    // Returns at once; `done` is later called exactly once, on the ICMP queue. The request leaves
    // on the main thread's next turn, with every other probe submitted before then: a beat of
    // many monitors then wakes the ICMP queue once. `ip` is a literal of
    // either family: a dotted-quad IPv4 address ("198.18.0.1") or an IPv6 address with an optional
    // zone ("2001:db8::1", "fe80::1%eth0"); names are never resolved here. `ttl` is the IPv4 TTL
    // or the IPv6 hop limit.
    void probe(const QString& ip, int ttl, double timeoutSeconds, Done done);

    // Suspends the calling main-thread task until the probe's outcome arrives.
    Continuation<ICMPOutcome> probe(const QString& ip, int ttl, double timeoutSeconds);

private:
    struct Pending {
        std::int64_t
            sent; // monotonic nanoseconds, just before the request was handed to the socket
        std::int64_t deadline; // monotonic nanoseconds at which the probe times out
        Done done;
    };

    ICMPEngine();

    // The socket of a family (0: IPv4, 1: IPv6), opened with its notifier; 0 or an errno.
    int open(std::size_t family);
    struct Submission {
        QString ip;
        int ttl;
        double timeoutSeconds;
        Done done;
    };
    // Hands what was submitted since the last turn over to the ICMP queue, as one block.
    void submitHeldProbes();
    void send(const QString& ip, int ttl, double timeoutSeconds, Done done);
    // Reads a socket's answers; their outcomes reach the main thread together.
    void drain(std::size_t family);
    void track(std::uint16_t sequence, Pending pending);
    // Takes a probe out of the pending ones, or none when it has already ended.
    std::optional<Pending> untrack(std::uint16_t sequence);
    void armExpiry();
    void expireDue();
    void complete(const IcmpAnswer& answer);

    SerialQueue& queue_;
    // Probes submitted since the last main-thread turn; the only state not of the ICMP queue.
    // A deque grows in small blocks: a beat's list in one block of several kilobytes made the
    // allocator sweep up all the main thread's small free blocks at every beat.
    std::mutex heldLock_;
    std::deque<Submission> held_;
    // Shared, so that the sockets can close on the queue after the engine has gone.
    std::array<std::shared_ptr<IcmpSocket>, 2> sockets_;
    std::array<QSocketNotifier*, 2> sources_{};
    icmp::SequenceCounter sequence_;
    std::unordered_map<std::uint16_t, Pending> pending_;
    // The pending probes by deadline. One timer per engine, set for the earliest of them, rather
    // than one per probe: a probe then costs no timer of its own, and no wake-up when it is
    // answered in time.
    std::set<std::pair<std::int64_t, std::uint16_t>> deadlines_;
    QTimer* expiry_ = nullptr;
    // Holds the engine while probes are pending, so that every probe gets its outcome however
    // the callers let go of it.
    std::shared_ptr<ICMPEngine> keepAlive_;
};

} // namespace vantorel
