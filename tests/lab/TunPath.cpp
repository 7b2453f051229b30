#include "lab/TunPath.h"

#include "lab/Command.h"
#include "lab/IcmpWire.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/if_tun.h>
#include <net/if.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <unistd.h>

namespace vantorel::lab {
namespace {

std::bitset<256> pathSlots; // 255: a /24 each in 198.19.0.0/16, but for TestResolver's 198.19.255

std::chrono::nanoseconds now() {
    return std::chrono::steady_clock::now().time_since_epoch(); // CLOCK_MONOTONIC
}

std::set<std::uint32_t> values(const std::vector<std::string>& addresses) {
    std::set<std::uint32_t> parsed;
    for (const std::string& address : addresses)
        parsed.insert(ipv4Value(address));
    return parsed;
}

} // namespace

TunPath::TunPath()
    : slot_(pathSlots, 255)
    , network_(0xC6130000 + slot_.number * 256) {
    try {
        tun_ = ::open("/dev/net/tun", O_RDWR | O_CLOEXEC | O_NONBLOCK);
        ifreq request = {}; // the kernel names the device
        request.ifr_flags = IFF_TUN | IFF_NO_PI;
        if (tun_ < 0 || ::ioctl(tun_, TUNSETIFF, &request) != 0)
            throw LabError(std::string("cannot create a TUN device: ") + std::strerror(errno));
        const std::string name = request.ifr_name;
        wake_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        // The /24 on the device routes the whole path here.
        run(ip("address add " + ipv4Text(network_ + 1) + "/24 dev " + name + "\nlink set " + name +
               " up\n"));
    } catch (...) {
        ::close(tun_);
        ::close(wake_);
        throw;
    }
    thread_ = std::thread([this] { emulate(); });
}

TunPath::~TunPath() {
    const std::uint64_t one = 1;
    if (::write(wake_, &one, sizeof one) != sizeof one)
        reportCleanupFailure("cannot stop the TUN path emulator");
    thread_.join();
    ::close(tun_); // removes the device with its address and route
    ::close(wake_);
}

std::string TunPath::address(int lastByte) const {
    if (lastByte < 2 || lastByte > 254)
        throw LabError("a TunPath address ends in 2 … 254, not " + std::to_string(lastByte));
    return ipv4Text(network_ + static_cast<std::uint32_t>(lastByte));
}

void TunPath::setDestinations(const std::vector<std::string>& addresses) {
    std::lock_guard lock(mutex_);
    destinations_ = values(addresses);
}

void TunPath::setUnreachable(const std::vector<std::string>& addresses, const std::string& from) {
    std::lock_guard lock(mutex_);
    unreachable_ = values(addresses);
    unreachableFrom_ = ipv4Value(from);
}

void TunPath::setRouters(const std::vector<Router>& routers) {
    std::vector<std::pair<std::uint32_t, std::chrono::nanoseconds>> parsed;
    for (const Router& router : routers)
        parsed.emplace_back(ipv4Value(router.address), router.delay);
    std::lock_guard lock(mutex_);
    routers_ = std::move(parsed);
}

void TunPath::emulate() {
    // Timer slack (50 µs by default) would let the kernel defer wake-ups to batch them.
    ::prctl(PR_SET_TIMERSLACK, 1UL);
    std::vector<std::uint8_t> buffer(65536);
    for (;;) {
        timespec wait = {};
        if (!pending_.empty()) {
            const auto left = std::max(pending_.begin()->first - now(), decltype(now())(0));
            wait = {left.count() / 1'000'000'000, left.count() % 1'000'000'000};
        }
        pollfd watched[] = {{tun_, POLLIN, 0}, {wake_, POLLIN, 0}};
        ::ppoll(watched, 2, pending_.empty() ? nullptr : &wait, nullptr);
        if (watched[1].revents)
            return;
        // The delay counts from the moment the request left the kernel for the path.
        for (ssize_t length; (length = ::read(tun_, buffer.data(), buffer.size())) > 0;)
            answer({buffer.data(), static_cast<std::size_t>(length)}, now());
        // Writing to a TUN device hands the packet to the kernel as if it had arrived; a failed
        // write is a lost reply, which tests notice.
        for (const auto time = now(); !pending_.empty() && pending_.begin()->first <= time;
             pending_.erase(pending_.begin()))
            [[maybe_unused]] auto written =
                ::write(tun_, pending_.begin()->second.data(), pending_.begin()->second.size());
    }
}

void TunPath::answer(std::span<const std::uint8_t> packet, std::chrono::nanoseconds arrival) {
    const auto request = icmp::parseEchoRequest(packet);
    std::lock_guard lock(mutex_);
    if (!request) {
        // A destination also accepts TCP connections on every port, after the same delay.
        const auto synAck = icmp::tcpSynAck(packet);
        if (synAck && destinations_.contains(std::uint32_t(packet[16]) << 24 | packet[17] << 16 |
                                             packet[18] << 8 | packet[19]))
            pending_.emplace(arrival + delay_, std::move(*synAck));
        return;
    }
    if (!(destinations_.contains(request->destination) ||
          unreachable_.contains(request->destination)))
        return;
    ++counters_.requests;
    requests_.push_back({inFamily(request->ipv6, ipv4Text(request->destination)), request->ttl});
    // A dropped request is counted among the requests and answered by nothing.
    if (dropEvery_ > 0 && ++lossCount_ % static_cast<std::uint64_t>(dropEvery_) == 0)
        return;
    if (request->ttl <= routers_.size()) {
        const auto& [router, delay] = routers_[request->ttl - 1u];
        pending_.emplace(arrival + delay,
                         icmp::errorReply(*request, router, icmp::Error::timeExceeded));
    } else if (unreachable_.contains(request->destination)) {
        ++counters_.unreachable;
        pending_.emplace(arrival + delay_, icmp::errorReply(*request, unreachableFrom_,
                                                            icmp::Error::hostUnreachable));
    } else {
        ++counters_.echoReplies;
        pending_.emplace(arrival + delay_, icmp::echoReply(*request));
    }
}

} // namespace vantorel::lab
