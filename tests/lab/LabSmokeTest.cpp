// Proves the lab's pieces together with real traffic: iputils `ping` and `getent` against hosts,
// routers, a TUN path and the resolver, inside this process's private network.
#include "lab/Lab.h"
#include "lab/TestResolver.h"
#include "lab/TunPath.h"

#include <QProcess>
#include <gmock/gmock.h>

namespace vantorel::lab {
namespace {

using namespace std::chrono_literals;
using testing::HasSubstr;

// What a command printed; its exit status does not matter (ping exits 1 when unanswered).
std::string output(QStringList command) {
    QProcess process;
    process.start(command.takeFirst(), command);
    process.waitForFinished(10000);
    return process.readAllStandardOutput().toStdString();
}

std::string ping(const std::string& address, int ttl = 64, const QString& count = "1") {
    return output({"ping", "-n", "-c", count, "-i", "0.05", "-W", "0.5", "-t", QString::number(ttl),
                   QString::fromStdString(address)});
}

TEST(LabSmoke, HostsRoutersAndTheResolverWorkTogetherOverBothFamilies) {
    EXPECT_EQ(output({"ip", "route", "show", "default"}) +
                  output({"ip", "-6", "route", "show", "default"}),
              "")
        << "no way off the machine";
    const std::string machineResolvConf = output({"cat", "/etc/resolv.conf"});
    {
        Lab lab;
        const std::string host = lab.addHost(), silent = lab.addSilentHost();
        RouterChain& chain = lab.addRouteThroughRouters(2);
        const UnreachableBehindRouter unreachable = lab.addUnreachableBehindRouter();
        EXPECT_THAT(ping(lab.linkLocalHost()), HasSubstr("1 received"));
        for (const bool ipv6 : {false, true}) {
            const auto in = [&](const std::string& address) { return inFamily(ipv6, address); };
            EXPECT_THAT(ping(in(host)), HasSubstr("1 received"));
            EXPECT_THAT(ping(in(silent)), HasSubstr("0 received"));
            for (std::size_t hop = 1; hop <= 2; ++hop)
                EXPECT_THAT(ping(in(chain.destination()), int(hop)),
                            HasSubstr("From " + in(chain.routers()[hop - 1]) + " icmp_seq=1 Time"));
            EXPECT_THAT(ping(in(chain.destination()), 3), HasSubstr("1 received"));
            EXPECT_THAT(ping(in(unreachable.target)),
                        HasSubstr("From " + in(unreachable.router) + " icmp_seq=1 Destination"));
        }
        chain.setLength(1);
        EXPECT_THAT(ping(chain.destination(), 2), HasSubstr("1 received"));
        EXPECT_THAT(ping(ipv6Twin(chain.destination()), 2), HasSubstr("1 received"));
        chain.setRouterSilent(1, true);
        EXPECT_THAT(ping(chain.destination(), 1), testing::Not(HasSubstr("From")));

        TestResolver resolver;
        resolver.addHost("host.lab.test", host).addPointer(chain.destination(), "far.lab.test");
        resolver.start();
        EXPECT_THAT(output({"getent", "ahostsv4", "host.lab.test"}), HasSubstr(host + " "));
        EXPECT_THAT(output({"getent", "hosts", QString::fromStdString(chain.destination())}),
                    HasSubstr("far.lab.test"));
        EXPECT_EQ(output({"getent", "hosts", "unknown.lab.test"}), "");
        EXPECT_GE(resolver.queryCount("host.lab.test"), 1);
    }
    EXPECT_EQ(output({"ip", "netns", "list"}), "") << "the Lab removes what it built";
    EXPECT_EQ(output({"cat", "/etc/resolv.conf"}), machineResolvConf);
}

TEST(LabSmoke, TunPathDelaysDropsAndAnswersForItsRouters) {
    TunPath path;
    const std::string destination = path.address(2);
    path.setDestinations({destination});
    path.setDelay(20ms);
    path.setRouters({{path.address(101)}});
    const std::string delayed = ping(destination, 2, "3");
    std::vector<double> times;
    for (auto at = delayed.find("time="); at != std::string::npos;
         at = delayed.find("time=", at + 1))
        times.push_back(std::stod(delayed.substr(at + 5)));
    ASSERT_EQ(times.size(), 3u) << delayed;
    EXPECT_GE(*std::min_element(times.begin(), times.end()), 20.0) << "never early";
    EXPECT_THAT(ping(destination, 1), HasSubstr("From " + path.address(101) + " icmp_seq=1 Time"));
    EXPECT_THAT(ping(path.address(3)), HasSubstr("0 received")) << "not a destination";

    path.setLoss(TunPath::Loss::everyNth(2));
    EXPECT_THAT(ping(destination, 64, "4"), HasSubstr("4 packets transmitted, 2 received"));
    const TunPath::Counters counters = path.counters();
    EXPECT_EQ(std::vector({counters.requests, counters.dropped, counters.echoReplies,
                           counters.timeExceeded}),
              std::vector<std::uint64_t>({8, 2, 5, 1}));
    ASSERT_EQ(path.requests().size(), 8u);
    EXPECT_EQ(path.requests()[3].ttl, 1);
}

} // namespace
} // namespace vantorel::lab
