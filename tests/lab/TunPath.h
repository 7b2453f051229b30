#pragma once

#include "lab/Addresses.h"

#include <chrono>
#include <cstdint>
#include <map>
#include <mutex>
#include <set>
#include <span>
#include <string>
#include <thread>
#include <vector>

namespace vantorel::lab {

// A network path emulated by a TUN device, for what veths cannot do without `netem`: a precise
// added delay, deterministic loss, and ICMP answers from routers that do not exist.
//
// The device has 198.19.S.1/24 and its IPv6 twin (Addresses.h) in the test process's namespace (S
// differs per TunPath), so what is sent to 198.19.S.2 … 198.19.S.254 or their twins goes to a
// thread that answers like a path would, over ICMP or ICMPv6 as asked: a destination's echo reply
// (and, over IPv4, a SYN-ACK to a TCP connect) after the delay; with TTL (hop limit) k ≤ the number
// of routers, time exceeded from router k (or its twin) after that router's delay; an unreachable
// address gets host unreachable after the delay; loss drops requests first; other addresses never
// answer. The setters take IPv4 addresses, which stand for their twins too. Replies are due at
// absolute CLOCK_MONOTONIC times and the thread's timer slack is 1 ns, so the delay is accurate to
// a few microseconds. The setters are thread-safe and apply to later requests.
class TunPath {
public:
    struct Router {
        std::string address;
        std::chrono::nanoseconds delay{0}; // between the request and the time exceeded
    };

    struct Counters {
        std::uint64_t requests = 0; // echo requests to a destination
        std::uint64_t echoReplies = 0;
        std::uint64_t unreachable = 0;
    };

    // One echo request to a destination or an unreachable address, for tests of where probes go.
    struct Request {
        std::string destination; // an IPv4 address or a twin, as requested
        int ttl = 0;
    };

    TunPath();
    ~TunPath();

    // 198.19.S.<lastByte>: addresses for destinations and routers on this path.
    std::string address(int lastByte) const;

    void setDestinations(const std::vector<std::string>& addresses);
    void setDelay(std::chrono::nanoseconds delay) {
        std::lock_guard lock(mutex_);
        delay_ = delay;
    }
    // Drops every n-th request from now on (none for 0), so a test sees the same on every run.
    void setLossEvery(int n) {
        std::lock_guard lock(mutex_);
        dropEvery_ = n;
        lossCount_ = 0;
    }
    void setRouters(const std::vector<Router>& routers);
    // Requests to `addresses` get ICMP host unreachable from `from`, as a LAN's router answers for
    // a machine that is off.
    void setUnreachable(const std::vector<std::string>& addresses, const std::string& from);

    Counters counters() const {
        std::lock_guard lock(mutex_);
        return counters_;
    }
    std::vector<Request> requests() const { // in arrival order
        std::lock_guard lock(mutex_);
        return requests_;
    }

private:
    void emulate();
    void answer(std::span<const std::uint8_t> packet, std::chrono::nanoseconds arrival);

    const Slot slot_;
    const std::uint32_t network_;
    int tun_ = -1;
    int wake_ = -1; // an eventfd that stops the thread

    mutable std::mutex mutex_; // guards the configuration and records below
    std::set<std::uint32_t> destinations_;
    std::set<std::uint32_t> unreachable_;
    std::uint32_t unreachableFrom_ = 0;
    std::vector<std::pair<std::uint32_t, std::chrono::nanoseconds>> routers_;
    std::chrono::nanoseconds delay_{0};
    int dropEvery_ = 0;
    std::uint64_t lossCount_ = 0;
    Counters counters_;
    std::vector<Request> requests_;

    // The emulator thread's own: replies by the time they are due, in order made when equal.
    std::multimap<std::chrono::nanoseconds, std::vector<std::uint8_t>> pending_;
    std::thread thread_;
};

} // namespace vantorel::lab
