// Proves each piece of the lab with real traffic: iputils `ping`, `getent`, and a Linux ping
// socket like the one the engine uses.
#include "lab/Command.h"
#include "lab/Lab.h"
#include "lab/Namespace.h"
#include "lab/PrivateNetwork.h"
#include "lab/Sysctl.h"
#include "lab/TestResolver.h"
#include "lab/TunPath.h"

#include <algorithm>
#include <arpa/inet.h>
#include <chrono>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <linux/errqueue.h>
#include <linux/magic.h>
#include <netdb.h>
#include <netinet/ip_icmp.h>
#include <optional>
#include <poll.h>
#include <sys/socket.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace vantorel::lab {
namespace {

using namespace std::chrono_literals;
using testing::HasSubstr;
using testing::Not;

// One echo request with iputils ping; `-W` is short because the lab's paths answer in
// microseconds unless a test asks for a delay.
CommandResult ping(const std::string& address, std::vector<std::string> options = {}) {
    std::vector<std::string> arguments = {"ping", "-n", "-c", "1", "-W", "0.3"};
    arguments.insert(arguments.end(), options.begin(), options.end());
    arguments.push_back(address);
    return runCommand({arguments, {}});
}

// Every "time=20.1 ms" of ping's output.
std::vector<double> roundTripsOf(const std::string& output) {
    std::vector<double> times;
    for (std::size_t at = output.find("time="); at != std::string::npos;
         at = output.find("time=", at + 1))
        times.push_back(std::stod(output.substr(at + 5)));
    return times;
}

std::string trimmed(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
        text.pop_back();
    return text;
}

// A Linux ping socket (SOCK_DGRAM, IPPROTO_ICMP) with the error queue enabled, as the engine
// uses it: replies arrive without IPv4 header, ICMP errors on the error queue.
class PingSocket {
public:
    struct Answer {
        bool isError = false;
        std::uint16_t sequence = 0; // of the reply, or of the request an error quotes
        std::uint8_t errorType = 0;
        std::string from;
        std::string payload;
    };

    PingSocket()
        : fd_(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_ICMP)) {
        const int on = 1;
        ::setsockopt(fd_, SOL_IP, IP_RECVERR, &on, sizeof on);
    }
    ~PingSocket() { ::close(fd_); }
    bool isOpen() const { return fd_ >= 0; }

    // Returns 0, or the errno of a failed sendto.
    int send(const std::string& address, std::uint16_t sequence, int ttl = 64,
             const std::string& payload = "vantorel lab") {
        ::setsockopt(fd_, SOL_IP, IP_TTL, &ttl, sizeof ttl);
        std::string message(8, '\0');
        message[0] = ICMP_ECHO;
        message[6] = static_cast<char>(sequence >> 8);
        message[7] = static_cast<char>(sequence & 0xff);
        message += payload;
        sockaddr_in target = {};
        target.sin_family = AF_INET;
        ::inet_pton(AF_INET, address.c_str(), &target.sin_addr);
        if (::sendto(fd_, message.data(), message.size(), 0, reinterpret_cast<sockaddr*>(&target),
                     sizeof target) < 0)
            return errno;
        return 0;
    }

    std::optional<Answer> receive(std::chrono::milliseconds timeout = 1000ms) {
        pollfd ready = {fd_, POLLIN, 0};
        if (::poll(&ready, 1, static_cast<int>(timeout.count())) != 1)
            return std::nullopt;
        if (ready.revents & POLLERR)
            return readError();
        char buffer[1500];
        sockaddr_in from = {};
        socklen_t fromLength = sizeof from;
        const ssize_t length = ::recvfrom(fd_, buffer, sizeof buffer, 0,
                                          reinterpret_cast<sockaddr*>(&from), &fromLength);
        if (length < 8 || static_cast<std::uint8_t>(buffer[0]) != ICMP_ECHOREPLY)
            return std::nullopt;
        Answer answer;
        answer.sequence = sequenceAt(buffer);
        answer.from = ::inet_ntoa(from.sin_addr);
        answer.payload.assign(buffer + 8, static_cast<std::size_t>(length - 8));
        return answer;
    }

private:
    static std::uint16_t sequenceAt(const char* message) {
        return static_cast<std::uint16_t>(static_cast<std::uint8_t>(message[6]) << 8 |
                                          static_cast<std::uint8_t>(message[7]));
    }

    std::optional<Answer> readError() {
        char data[1500];
        char control[512];
        iovec vector = {data, sizeof data};
        msghdr message = {};
        message.msg_iov = &vector;
        message.msg_iovlen = 1;
        message.msg_control = control;
        message.msg_controllen = sizeof control;
        const ssize_t length = ::recvmsg(fd_, &message, MSG_ERRQUEUE);
        if (length < 8)
            return std::nullopt;
        for (cmsghdr* header = CMSG_FIRSTHDR(&message); header;
             header = CMSG_NXTHDR(&message, header)) {
            if (header->cmsg_level != SOL_IP || header->cmsg_type != IP_RECVERR)
                continue;
            const auto* error = reinterpret_cast<const sock_extended_err*>(CMSG_DATA(header));
            if (error->ee_origin != SO_EE_ORIGIN_ICMP)
                continue;
            const auto* offender = reinterpret_cast<const sockaddr_in*>(SO_EE_OFFENDER(error));
            Answer answer;
            answer.isError = true;
            answer.errorType = error->ee_type;
            answer.sequence = sequenceAt(data);
            answer.from = ::inet_ntoa(offender->sin_addr);
            return answer;
        }
        return std::nullopt;
    }

    int fd_;
};

TEST(PrivateNetwork, IsCutOffFromTheMachine) {
    // No route leads anywhere but to what the tests build.
    EXPECT_EQ(runChecked({{"ip", "-4", "route", "show", "default"}, {}}), "");
    EXPECT_EQ(trimmed(runChecked({{"ip", "-brief", "link", "show"}, {}})).substr(0, 2), "lo");
    EXPECT_EQ(readSysctl("net.ipv4.ping_group_range"), "0\t2147483647");
    EXPECT_TRUE(PingSocket().isOpen());
    // Namespace handles live in a tmpfs of this process, never on the machine.
    struct statfs folder = {};
    ASSERT_EQ(::statfs(namespaceFolder, &folder), 0);
    EXPECT_EQ(folder.f_type, TMPFS_MAGIC);
}

TEST(Namespace, SetsAndRunsInsideAndIsRemoved) {
    std::string name;
    {
        Namespace space;
        name = space.name();
        space.setSysctls({{"net.ipv4.ip_forward", "1"}});
        EXPECT_EQ(space.sysctl("net.ipv4.ip_forward"), "1");
        EXPECT_EQ(readSysctl("net.ipv4.ip_forward"), "0"); // the test's own is untouched
        EXPECT_EQ(trimmed(space.run({"cat", "/proc/sys/net/ipv4/ip_forward"})), "1");
        EXPECT_THAT(runChecked({{"ip", "netns", "list"}, {}}), HasSubstr(name));
    }
    EXPECT_THAT(runChecked({{"ip", "netns", "list"}, {}}), Not(HasSubstr(name)));
}

TEST(Lab, HostsAnswerSilentHostsAndEmptyAddressesDoNot) {
    Lab lab;
    const std::string host = lab.addHost();
    const std::string silent = lab.addSilentHost();
    const CommandResult answered = ping(host);
    EXPECT_EQ(answered.exitStatus, 0) << answered.output << answered.errors;
    EXPECT_THAT(answered.output, HasSubstr("1 received"));

    // Neither an answer nor an error: a probe there times out.
    for (const std::string& quiet :
         {silent, std::string(host).replace(host.rfind('.'), 4, ".200")}) {
        const CommandResult unanswered = ping(quiet);
        EXPECT_EQ(unanswered.exitStatus, 1) << quiet << "\n" << unanswered.output;
        EXPECT_THAT(unanswered.output, HasSubstr("0 received"));
        EXPECT_THAT(unanswered.output, Not(HasSubstr("From"))) << quiet;
    }
}

TEST(Lab, FiftyHostsAreQuickToBuildAndAllAnswer) {
    Lab first;
    Lab second; // alive at once, in another range
    const auto started = std::chrono::steady_clock::now();
    const std::vector<std::string> hosts = second.addHosts(50);
    const auto took = std::chrono::steady_clock::now() - started;
    std::cout << "50 hosts built in " << std::chrono::duration<double>(took).count() << " s\n";
    EXPECT_LT(took, 10s); // generous: parallel test processes share the kernel's locks
    EXPECT_NE(first.proberAddress(), second.proberAddress());

    std::vector<Command> pings;
    for (const std::string& host : hosts)
        pings.push_back({{"ping", "-n", "-c", "1", "-W", "1", host}, {}});
    EXPECT_NO_THROW(runAllChecked(pings));
    EXPECT_THAT(first.startSubnet(), Not(testing::Eq(second.startSubnet())));
}

TEST(Lab, RouterChainAnswersHopByHopAndCanChange) {
    Lab lab;
    RouterChain& chain = lab.addRouteThroughRouters(3);
    ASSERT_EQ(chain.routers().size(), 3u);
    for (int ttl = 1; ttl <= 3; ++ttl) {
        const CommandResult expired = ping(chain.destination(), {"-t", std::to_string(ttl)});
        EXPECT_THAT(expired.output, HasSubstr("From " + chain.routers()[ttl - 1] +
                                              " icmp_seq=1 Time to live exceeded"))
            << "TTL " << ttl << "\n"
            << expired.output;
    }
    EXPECT_EQ(ping(chain.destination(), {"-t", "4"}).exitStatus, 0);

    chain.setLength(1);
    EXPECT_EQ(ping(chain.destination(), {"-t", "2"}).exitStatus, 0);
    EXPECT_THAT(ping(chain.destination(), {"-t", "1"}).output,
                HasSubstr("From " + chain.routers()[0]));
    chain.setLength(3);

    chain.setRouterSilent(2, true);
    EXPECT_THAT(ping(chain.destination(), {"-t", "2"}).output, Not(HasSubstr("From")));
    EXPECT_THAT(ping(chain.destination(), {"-t", "3"}).output,
                HasSubstr("From " + chain.routers()[2]));
    chain.setRouterSilent(2, false);
    EXPECT_THAT(ping(chain.destination(), {"-t", "2"}).output,
                HasSubstr("From " + chain.routers()[1]));
}

TEST(Lab, RouterAnswersDestinationUnreachable) {
    Lab lab;
    const UnreachableBehindRouter unreachable = lab.addUnreachableBehindRouter();
    EXPECT_THAT(
        ping(unreachable.target).output,
        HasSubstr("From " + unreachable.router + " icmp_seq=1 Destination Host Unreachable"));

    PingSocket socket;
    ASSERT_EQ(socket.send(unreachable.target, 5), 0);
    const auto answer = socket.receive();
    ASSERT_TRUE(answer && answer->isError);
    EXPECT_EQ(answer->errorType, ICMP_DEST_UNREACH);
    EXPECT_EQ(answer->from, unreachable.router);
    EXPECT_EQ(answer->sequence, 5);
}

TEST(Lab, LocalRoutesMakeSendingFail) {
    Lab lab;
    PingSocket socket;
    EXPECT_EQ(socket.send(lab.addUnreachableRoute(), 1), EHOSTUNREACH);
    EXPECT_EQ(socket.send(lab.addProhibitRoute(), 2), EACCES);
}

TEST(TunPath, RepliesAfterTheConfiguredDelay) {
    TunPath path;
    const std::string destination = path.address(2);
    path.setDestinations({destination});
    path.setDelay(20ms);
    const CommandResult delayed =
        runCommand({{"ping", "-n", "-c", "3", "-i", "0.05", "-W", "1", destination}, {}});
    const std::vector<double> times = roundTripsOf(delayed.output);
    ASSERT_EQ(times.size(), 3u) << delayed.output << delayed.errors;
    // Never early. Late only by scheduling, which a loaded machine can stretch, so only the
    // quickest of the three is bounded.
    for (double time : times)
        EXPECT_GE(time, 20.0);
    EXPECT_LT(*std::min_element(times.begin(), times.end()), 30.0);

    path.setDelay(0ms);
    const std::vector<double> direct = roundTripsOf(ping(destination).output);
    ASSERT_EQ(direct.size(), 1u);
    EXPECT_LT(direct.front(), 15.0);
    EXPECT_THAT(ping(path.address(3)).output, HasSubstr("0 received")); // not a destination
}

TEST(TunPath, DropsEveryNthRequest) {
    TunPath path;
    path.setDestinations({path.address(2)});
    path.setLoss(TunPath::Loss::everyNth(2));
    const CommandResult lossy =
        runCommand({{"ping", "-n", "-c", "6", "-i", "0.02", "-W", "0.3", path.address(2)}, {}});
    EXPECT_THAT(lossy.output, HasSubstr("6 packets transmitted, 3 received"));
    const TunPath::Counters counters = path.counters();
    EXPECT_EQ(counters.requests, 6u);
    EXPECT_EQ(counters.dropped, 3u);
    EXPECT_EQ(counters.echoReplies, 3u);
}

TEST(TunPath, RoutersAnswerTimeExceededAndUnreachable) {
    TunPath path;
    const std::string destination = path.address(2);
    const std::string unreachable = path.address(3);
    const std::vector<TunPath::Router> routers = {{path.address(101)}, {path.address(102)}};
    path.setDestinations({destination});
    path.setRouters(routers);
    path.setUnreachable({{unreachable, routers[1].address}});

    EXPECT_THAT(ping(destination, {"-t", "2"}).output,
                HasSubstr("From " + routers[1].address + " icmp_seq=1 Time to live exceeded"));
    EXPECT_EQ(ping(destination, {"-t", "3"}).exitStatus, 0);
    EXPECT_THAT(ping(unreachable).output, HasSubstr("From " + routers[1].address +
                                                    " icmp_seq=1 Destination Host Unreachable"));

    // The same through a ping socket, the way the engine sees it.
    PingSocket socket;
    ASSERT_EQ(socket.send(destination, 41, 1), 0);
    const auto expired = socket.receive();
    ASSERT_TRUE(expired && expired->isError);
    EXPECT_EQ(expired->errorType, ICMP_TIME_EXCEEDED);
    EXPECT_EQ(expired->from, routers[0].address);
    EXPECT_EQ(expired->sequence, 41);

    ASSERT_EQ(socket.send(destination, 42, 64, "payload comes back"), 0);
    const auto reply = socket.receive();
    ASSERT_TRUE(reply && !reply->isError);
    EXPECT_EQ(reply->sequence, 42);
    EXPECT_EQ(reply->from, destination);
    EXPECT_EQ(reply->payload, "payload comes back");
}

TEST(TestResolver, AnswersItsOwnRecordsOnly) {
    const std::string machineResolvConf = runChecked({{"cat", "/etc/resolv.conf"}, {}});
    {
        TestResolver resolver;
        resolver.addHost("alpha.lab.test", "198.18.250.5")
            .addAddresses("multi.lab.test", {"198.18.250.6", "198.18.250.7"})
            .addIpv6Only("six.lab.test", "2001:db8::6")
            .addPointer("198.18.250.9", "nine.lab.test");
        resolver.start();

        EXPECT_EQ(trimmed(runChecked({{"getent", "hosts", "alpha.lab.test"}, {}})),
                  "198.18.250.5    alpha.lab.test");
        const std::string multi = runChecked({{"getent", "ahostsv4", "multi.lab.test"}, {}});
        EXPECT_THAT(multi, HasSubstr("198.18.250.6"));
        EXPECT_THAT(multi, HasSubstr("198.18.250.7"));
        EXPECT_THAT(runChecked({{"getent", "hosts", "198.18.250.5"}, {}}),
                    HasSubstr("alpha.lab.test"));
        EXPECT_THAT(runChecked({{"getent", "hosts", "198.18.250.9"}, {}}),
                    HasSubstr("nine.lab.test"));
        EXPECT_THAT(runChecked({{"getent", "hosts", "six.lab.test"}, {}}),
                    HasSubstr("2001:db8::6"));
        EXPECT_EQ(runCommand({{"getent", "ahostsv4", "six.lab.test"}, {}}).exitStatus, 2);
        EXPECT_EQ(runCommand({{"getent", "hosts", "unknown.example"}, {}}).exitStatus, 2);

        // This process's own resolver calls go there too.
        addrinfo hints = {};
        hints.ai_family = AF_INET;
        hints.ai_flags = AI_ADDRCONFIG;
        addrinfo* found = nullptr;
        ASSERT_EQ(::getaddrinfo("alpha.lab.test", nullptr, &hints, &found), 0);
        EXPECT_STREQ(::inet_ntoa(reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr),
                     "198.18.250.5");
        ::freeaddrinfo(found);
    }
    EXPECT_EQ(runChecked({{"cat", "/etc/resolv.conf"}, {}}), machineResolvConf);
}

TEST(TestResolver, SilentServerMakesLookupsTimeOut) {
    TestResolver resolver;
    resolver.startSilent();
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(runCommand({{"getent", "ahostsv4", "alpha.lab.test"}, {}}).exitStatus, 2);
    EXPECT_GE(std::chrono::steady_clock::now() - started, 900ms);
}

} // namespace
} // namespace vantorel::lab
