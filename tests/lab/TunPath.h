#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vantorel::lab {

// A network path emulated by a TUN device, for what veths cannot do without `netem`: a precise
// added delay, deterministic loss, and ICMP answers from routers that do not exist.
//
// The device lives in the test process's (private) namespace with 198.19.S.1/24 (S differs per
// TunPath), so everything sent to 198.19.S.2 … 198.19.S.254 is handed to a thread that answers
// like a path would:
//   - an echo request to a destination gets an echo reply after delay();
//   - with TTL k ≤ routers().size(), router k answers ICMP time exceeded instead, after that
//     router's own delay (so traceroute-like probing sees the routers);
//   - an address listed as unreachable gets ICMP destination unreachable;
//   - loss drops requests before anything answers them;
//   - other addresses never answer.
// Replies are scheduled on absolute CLOCK_MONOTONIC deadlines (a timerfd, timer slack 1 ns), so
// the added delay is accurate to a few microseconds of wake-up latency. Works with Linux ping
// sockets and with iputils `ping` alike. All setters are thread-safe and take effect for
// requests that arrive afterwards.
class TunPath {
public:
    struct Router {
        std::string address;
        std::chrono::nanoseconds delay{0}; // between the request and the time exceeded
        bool silent = false;               // drops probes that expire here, like a filtering hop
    };

    struct Unreachable {
        std::string address;   // probes to it get ICMP destination unreachable …
        std::string from;      // … from this router address
        std::uint8_t code = 1; // host unreachable
    };

    // Deterministic loss: every n-th request is dropped, or a fraction drawn from a generator
    // with a fixed seed, so a test sees the same losses on every run.
    struct Loss {
        int dropEvery = 0;
        double fraction = 0.0;
        std::uint32_t seed = 1;

        static Loss none() { return {}; }
        static Loss everyNth(int n) { return {n, 0.0, 1}; }
        static Loss random(double fraction, std::uint32_t seed = 1) { return {0, fraction, seed}; }
    };

    struct Counters {
        std::uint64_t requests = 0; // echo requests to a destination or unreachable address
        std::uint64_t dropped = 0;  // by loss
        std::uint64_t echoReplies = 0;
        std::uint64_t timeExceeded = 0;
        std::uint64_t unreachable = 0;
        std::uint64_t silentRouter = 0; // expired at a silent router
        std::uint64_t ignored = 0;      // not an echo request, or to an unknown address
    };

    // One echo request the path received (for a destination, router or unreachable address).
    struct Request {
        std::chrono::nanoseconds arrival; // CLOCK_MONOTONIC
        std::string destination;
        int ttl = 0;
    };

    TunPath();
    ~TunPath();
    TunPath(const TunPath&) = delete;
    TunPath& operator=(const TunPath&) = delete;

    const std::string& deviceName() const;
    // The test process's own address on the path (198.19.S.1), the source of its probes.
    const std::string& localAddress() const;
    // 198.19.S.<lastByte>: addresses for destinations and routers on this path.
    std::string address(int lastByte) const;

    void setDestinations(const std::vector<std::string>& addresses);
    void setDelay(std::chrono::nanoseconds delay);
    void setLoss(Loss loss); // also restarts the loss sequence
    void setRouters(const std::vector<Router>& routers);
    void setUnreachable(const std::vector<Unreachable>& entries);

    Counters counters() const;
    // Every request that was not ignored, in arrival order, for tests of when probes leave.
    std::vector<Request> requests() const;

private:
    class Emulator;
    std::unique_ptr<Emulator> emulator_;
};

} // namespace vantorel::lab
