#include "lab/TunPath.h"

#include "lab/Addresses.h"
#include "lab/Command.h"
#include "lab/IcmpWire.h"
#include "lab/LabError.h"
#include "lab/Sysctl.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/if_tun.h>
#include <map>
#include <mutex>
#include <net/if.h>
#include <poll.h>
#include <queue>
#include <random>
#include <set>
#include <span>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/timerfd.h>
#include <thread>
#include <unistd.h>

namespace vantorel::lab {
namespace {

constexpr std::uint32_t pathRange = 0xC6130000; // 198.19.0.0/16, one /24 per TunPath

SlotPool& pathSlots() {
    // 198.19.255.0/24 is left out: TestResolver puts an address there.
    static SlotPool pool("TunPaths", 255);
    return pool;
}

std::int64_t monotonicNanoseconds() {
    timespec now = {};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return std::int64_t{now.tv_sec} * 1'000'000'000 + now.tv_nsec;
}

class OwnedDescriptor {
public:
    explicit OwnedDescriptor(int fd, const std::string& what)
        : fd_(fd) {
        if (fd_ < 0)
            throw LabError(systemError(what));
    }
    ~OwnedDescriptor() { ::close(fd_); }
    OwnedDescriptor(const OwnedDescriptor&) = delete;
    OwnedDescriptor& operator=(const OwnedDescriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

int openTun(const std::string& name) {
    const int fd = ::open("/dev/net/tun", O_RDWR | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return fd;
    ifreq request = {};
    request.ifr_flags = IFF_TUN | IFF_NO_PI;
    std::strncpy(request.ifr_name, name.c_str(), IFNAMSIZ - 1);
    if (::ioctl(fd, TUNSETIFF, &request) != 0) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return -1;
    }
    return fd;
}

std::string nextDeviceName() {
    static std::atomic<int> counter{0};
    return "vtp" + std::to_string(++counter);
}

// Holds a /24 of 198.19.0.0/16 for as long as the path exists, also when building it fails.
class SlotLease {
public:
    SlotLease()
        : slot_(pathSlots().acquire()) {}
    ~SlotLease() { pathSlots().release(slot_); }
    SlotLease(const SlotLease&) = delete;
    SlotLease& operator=(const SlotLease&) = delete;
    int slot() const { return slot_; }

private:
    int slot_;
};

struct Scheduled {
    std::int64_t due;    // CLOCK_MONOTONIC nanoseconds
    std::uint64_t order; // keeps replies due at the same moment in arrival order
    std::vector<std::uint8_t> packet;

    bool operator>(const Scheduled& other) const {
        return due != other.due ? due > other.due : order > other.order;
    }
};

struct ParsedRouter {
    std::uint32_t address;
    std::int64_t delay;
    bool silent;
};

struct ParsedUnreachable {
    std::uint32_t from;
    std::uint8_t code;
};

} // namespace

class TunPath::Emulator {
public:
    Emulator()
        : name_(nextDeviceName())
        , network_(pathRange + static_cast<std::uint32_t>(lease_.slot()) * 256)
        , local_(ipv4Text(network_ + 1))
        , tun_(openTun(name_), "cannot create TUN device " + name_ + " (/dev/net/tun)")
        , timer_(::timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC | TFD_NONBLOCK), "timerfd_create")
        , wake_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK), "eventfd") {
        // The device would otherwise send IPv6 router solicitations into the emulator.
        struct stat info = {};
        if (::stat(("/proc/sys/net/ipv6/conf/" + name_).c_str(), &info) == 0)
            writeSysctls({{"net.ipv6.conf." + name_ + ".disable_ipv6", "1"}});
        runChecked({{"ip", "-batch", "-"},
                    "address add " + local_ + "/24 dev " + name_ + "\n" + // routes the /24 here
                        "link set " + name_ + " up\n"});
        thread_ = std::thread([this] { run(); });
    }

    ~Emulator() {
        const std::uint64_t one = 1;
        if (::write(wake_.get(), &one, sizeof one) < 0)
            reportCleanupFailure(systemError("waking the TUN path emulator"));
        thread_.join();
        // Closing the descriptor then removes the device with its address and route.
    }

    const std::string& name() const { return name_; }
    const std::string& local() const { return local_; }
    std::uint32_t network() const { return network_; }

    void setDestinations(const std::vector<std::string>& addresses) {
        std::set<std::uint32_t> parsed;
        for (const std::string& address : addresses)
            parsed.insert(ipv4Value(address));
        std::lock_guard lock(mutex_);
        destinations_ = std::move(parsed);
    }

    void setDelay(std::chrono::nanoseconds delay) {
        std::lock_guard lock(mutex_);
        delay_ = delay.count();
    }

    void setLoss(Loss loss) {
        std::lock_guard lock(mutex_);
        loss_ = loss;
        lossCount_ = 0;
        random_.seed(loss.seed);
    }

    void setRouters(const std::vector<Router>& routers) {
        std::vector<ParsedRouter> parsed;
        for (const Router& router : routers)
            parsed.push_back({ipv4Value(router.address), router.delay.count(), router.silent});
        std::lock_guard lock(mutex_);
        routers_ = std::move(parsed);
    }

    void setUnreachable(const std::vector<Unreachable>& entries) {
        std::map<std::uint32_t, ParsedUnreachable> parsed;
        for (const Unreachable& entry : entries)
            parsed[ipv4Value(entry.address)] = {ipv4Value(entry.from), entry.code};
        std::lock_guard lock(mutex_);
        unreachable_ = std::move(parsed);
    }

    std::vector<Request> requests() const {
        std::lock_guard lock(mutex_);
        return requests_;
    }

    Counters counters() const {
        std::lock_guard lock(mutex_);
        return counters_;
    }

private:
    void run() {
        // The timerfd expires on time; timer slack (50 µs by default) could still defer the
        // thread's wake-up from poll to batch it with others, so it is cut to 1 ns.
        ::prctl(PR_SET_TIMERSLACK, 1UL);
        std::vector<std::uint8_t> buffer(65536);
        for (;;) {
            pollfd watched[] = {
                {tun_.get(), POLLIN, 0}, {timer_.get(), POLLIN, 0}, {wake_.get(), POLLIN, 0}};
            if (::poll(watched, 3, -1) < 0 && errno != EINTR)
                return;
            if (watched[2].revents)
                return;
            if (watched[0].revents)
                readRequests(buffer);
            if (watched[1].revents) {
                std::uint64_t expirations = 0;
                [[maybe_unused]] auto ignored =
                    ::read(timer_.get(), &expirations, sizeof expirations);
            }
            sendDueReplies();
            armTimer();
        }
    }

    void readRequests(std::vector<std::uint8_t>& buffer) {
        for (;;) {
            const ssize_t length = ::read(tun_.get(), buffer.data(), buffer.size());
            if (length <= 0)
                return; // EAGAIN: drained
            // The delay counts from the moment the request left the kernel for the path.
            const std::int64_t arrival = monotonicNanoseconds();
            answer({buffer.data(), static_cast<std::size_t>(length)}, arrival);
        }
    }

    bool lossDrops() {
        if (loss_.dropEvery > 0)
            return ++lossCount_ % static_cast<std::uint64_t>(loss_.dropEvery) == 0;
        if (loss_.fraction > 0.0)
            return std::uniform_real_distribution<double>(0.0, 1.0)(random_) < loss_.fraction;
        return false;
    }

    void answer(std::span<const std::uint8_t> packet, std::int64_t arrival) {
        const auto request = icmp::parseEchoRequest(packet);
        std::lock_guard lock(mutex_);
        if (!request) {
            ++counters_.ignored;
            return;
        }
        const auto unreachable = unreachable_.find(request->destination);
        if (!destinations_.count(request->destination) && unreachable == unreachable_.end()) {
            ++counters_.ignored;
            return;
        }
        ++counters_.requests;
        requests_.push_back(
            {std::chrono::nanoseconds(arrival), ipv4Text(request->destination), int(request->ttl)});
        if (lossDrops()) {
            ++counters_.dropped;
            return;
        }
        if (request->ttl <= routers_.size()) {
            const ParsedRouter& router = routers_[request->ttl - 1u];
            if (router.silent) {
                ++counters_.silentRouter;
                return;
            }
            ++counters_.timeExceeded;
            schedule(arrival + router.delay,
                     icmp::errorReply(*request, router.address, icmp::timeExceededType, 0, 1,
                                      nextIdentifier_++));
        } else if (unreachable != unreachable_.end()) {
            ++counters_.unreachable;
            const auto quotedTtl = static_cast<std::uint8_t>(request->ttl - routers_.size());
            schedule(arrival + delay_,
                     icmp::errorReply(*request, unreachable->second.from,
                                      icmp::destinationUnreachableType, unreachable->second.code,
                                      quotedTtl, nextIdentifier_++));
        } else {
            ++counters_.echoReplies;
            schedule(arrival + delay_, icmp::echoReply(*request, nextIdentifier_++));
        }
    }

    void schedule(std::int64_t due, std::vector<std::uint8_t> packet) {
        pending_.push({due, nextOrder_++, std::move(packet)});
    }

    void sendDueReplies() {
        const std::int64_t now = monotonicNanoseconds();
        while (!pending_.empty() && pending_.top().due <= now) {
            const std::vector<std::uint8_t>& packet = pending_.top().packet;
            // Writing to a TUN device hands the packet to the kernel as if it had arrived;
            // it does not block. A failed write is a lost reply, which tests will notice.
            [[maybe_unused]] auto written = ::write(tun_.get(), packet.data(), packet.size());
            pending_.pop();
        }
    }

    void armTimer() {
        itimerspec deadline = {};
        if (!pending_.empty()) {
            const std::int64_t due = pending_.top().due;
            deadline.it_value.tv_sec = due / 1'000'000'000;
            deadline.it_value.tv_nsec = due % 1'000'000'000;
        } // otherwise all zero: disarmed
        ::timerfd_settime(timer_.get(), TFD_TIMER_ABSTIME, &deadline, nullptr);
    }

    const SlotLease lease_;
    const std::string name_;
    const std::uint32_t network_;
    const std::string local_;
    OwnedDescriptor tun_;
    OwnedDescriptor timer_;
    OwnedDescriptor wake_;

    mutable std::mutex mutex_; // guards the configuration and counters below
    std::set<std::uint32_t> destinations_;
    std::map<std::uint32_t, ParsedUnreachable> unreachable_;
    std::vector<ParsedRouter> routers_;
    std::int64_t delay_ = 0;
    Loss loss_;
    std::uint64_t lossCount_ = 0;
    std::mt19937 random_{1};
    Counters counters_;
    std::vector<Request> requests_;
    std::uint16_t nextIdentifier_ = 1;

    // Touched by the emulator thread only.
    std::priority_queue<Scheduled, std::vector<Scheduled>, std::greater<>> pending_;
    std::uint64_t nextOrder_ = 0;

    std::thread thread_;
};

TunPath::TunPath()
    : emulator_(std::make_unique<Emulator>()) {}

TunPath::~TunPath() = default;

const std::string& TunPath::deviceName() const {
    return emulator_->name();
}

const std::string& TunPath::localAddress() const {
    return emulator_->local();
}

std::string TunPath::address(int lastByte) const {
    if (lastByte < 2 || lastByte > 254)
        throw LabError("a TunPath address ends in 2 … 254, not " + std::to_string(lastByte));
    return ipv4Text(emulator_->network() + static_cast<std::uint32_t>(lastByte));
}

void TunPath::setDestinations(const std::vector<std::string>& addresses) {
    emulator_->setDestinations(addresses);
}

void TunPath::setDelay(std::chrono::nanoseconds delay) {
    emulator_->setDelay(delay);
}

void TunPath::setLoss(Loss loss) {
    emulator_->setLoss(loss);
}

void TunPath::setRouters(const std::vector<Router>& routers) {
    emulator_->setRouters(routers);
}

void TunPath::setUnreachable(const std::vector<Unreachable>& entries) {
    emulator_->setUnreachable(entries);
}

std::vector<TunPath::Request> TunPath::requests() const {
    return emulator_->requests();
}

TunPath::Counters TunPath::counters() const {
    return emulator_->counters();
}

} // namespace vantorel::lab
