#pragma once

#include "net/IcmpPacket.h"
#include "platform/Continuation.h"

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <unordered_map>
#include <variant>

class QSocketNotifier;
class QTimer;

namespace vantorel {

class SerialQueue;

struct ICMPReply {
    double ms = 0;
    QString from;
    bool timeExceeded = false;
};

struct ICMPFailed {
    int error = 0; // errno
};

struct ICMPTimeout {};

using ICMPOutcome = std::variant<ICMPReply, ICMPFailed, ICMPTimeout>;

// Sends ICMP echo requests over one unprivileged ICMP datagram socket and matches what comes back
// to the waiting probe by sequence number. Every probe ends in exactly one outcome.
//
// All socket state lives on the ICMP queue. A probe in flight keeps its engine alive until its
// outcome is delivered, so dropping the last reference never loses an outcome; the socket closes
// when the engine goes away.
class ICMPEngine : public std::enable_shared_from_this<ICMPEngine> {
public:
    using Done = std::function<void(ICMPOutcome)>;

    static std::shared_ptr<ICMPEngine> create();
    // The process-wide engine of host pings and sweeps; created on first use, never destroyed.
    static const std::shared_ptr<ICMPEngine>& shared();

    ~ICMPEngine();

    // Returns at once; `done` is later called exactly once, on the ICMP queue.
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

    int openSocket();
    void send(const QString& ip, int ttl, double timeoutSeconds, Done done);
    void track(std::uint16_t sequence, Pending pending);
    // Takes a probe out of the pending ones, or none when it has already ended.
    std::optional<Pending> untrack(std::uint16_t sequence);
    void armExpiry();
    void expireDue();
    void drain();
    int drainErrorQueue();
    int drainDatagrams();
    void complete(std::uint16_t sequence, const QString& from, bool timeExceeded,
                  std::int64_t receivedMono);

    SerialQueue& queue_;
    int fd_ = -1;
    QSocketNotifier* source_ = nullptr;
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
