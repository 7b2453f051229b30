#include "lab/Addresses.h"
#include "lab/Lab.h"
#include "lab/PrivateNetwork.h"
#include "lab/TestResolver.h"
#include "lab/TunPath.h"
#include "net/Resolver.h"
#include "net/ServiceMeasure.h"
#include "platform/Task.h"
#include "support/EventLoop.h"
#include "support/HttpTestServer.h"

#include <QThread>
#include <ctime>
#include <fstream>
#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace vantorel {
namespace {

TEST(NameResolution,
     NamesGiveAnAddressOfTheFamilyAskedForAddressesTheirNameAndServiceChecksUseThem) {
    lab::TestResolver resolver;
    resolver.addHost("alpha.lab", "198.18.200.10")
        .addHost("service.lab", "127.0.0.1")
        .addHost("six.lab", "2001:db8::6")
        .addAddresses("dual.lab", {"2001:db8::20", "198.18.200.20", "198.18.200.21"})
        .addPointer("198.18.200.30", "named-only-backwards.lab")
        .addPointer("2001:db8::30", "named-only-backwards6.lab")
        .start();
    const std::pair<const char*, std::optional<QString>> firstIpv4[] = {
        {"alpha.lab", "198.18.200.10"},
        {"198.18.200.99", "198.18.200.99"}, // an address resolves to itself
        {"six.lab", std::nullopt},          // only an IPv6 address
        {"nowhere.lab", std::nullopt}};
    for (const auto& [name, address] : firstIpv4)
        EXPECT_EQ(resolveIPv4(name), address) << name;
    const std::tuple<const char*, bool, std::optional<QString>> either[] = {
        {"alpha.lab", true, "198.18.200.10"},    {"six.lab", false, "2001:db8::6"},
        {"dual.lab", false, "198.18.200.20"},    {"dual.lab", true, "2001:db8::20"},
        {"010.1.0.7", true, "10.1.0.7"}, // literals in their canonical form, not looked up
        {"2001:DB8:0::6", false, "2001:db8::6"}, {"nowhere.lab", true, std::nullopt}};
    for (const auto& [name, preferIpv6, address] : either)
        EXPECT_EQ(resolve(name, preferIpv6), address) << name << (preferIpv6 ? " for IPv6" : "");
    const std::pair<const char*, std::optional<QString>> backward[] = {
        {"198.18.200.10", "alpha.lab"},  {"198.18.200.30", "named-only-backwards.lab"},
        {"2001:db8::6", "six.lab"},      {"2001:db8:0:0::30", "named-only-backwards6.lab"},
        {"198.18.200.77", std::nullopt}, // no reverse entry: never the address itself
        {"2001:db8::77", std::nullopt},  {"alpha.lab", std::nullopt}};
    for (const auto& [address, name] : backward)
        EXPECT_EQ(reverseLookup(address), name) << address;

    test::HttpTestServer server;
    const auto port = server.port();
    const auto attempts = test::measureAll(
        {ServiceProbe::Tcp{"service.lab", port}, ServiceProbe::Tcp{"nowhere.lab", port},
         ServiceProbe::Http{QUrl(QStringLiteral("http://service.lab:%1/").arg(port))},
         ServiceProbe::Http{QUrl(QStringLiteral("http://nowhere.lab:%1/").arg(port))}});
    EXPECT_TRUE(attempts[0].result.rttMs);
    EXPECT_EQ(attempts[1].result, ServiceResult{}) << "a TCP failure carries no text";
    EXPECT_EQ(attempts[2].result.httpStatus, 200);
    EXPECT_EQ(attempts[3].result.httpStatus, std::nullopt);
    EXPECT_TRUE(attempts[3].result.errorText.value_or("").contains("nowhere.lab"));
}

// Timed on the service-probe thread that connects: a main thread busy meanwhile adds nothing to it.
TEST(ServiceProbeTiming, ATcpCheckIsTimedOffTheBusyMainThread) {
    lab::TunPath path;
    const std::string destination = path.address(2);
    path.setDestinations({destination});
    path.setDelay(10ms);
    std::optional<ServiceResult> result;
    startTask([&](TaskHandle) -> QCoro::Task<> {
        auto attempt = ServiceProbe(ServiceProbe::Tcp{QString::fromStdString(destination), 443})
                           .measure(); // under way once this returns
        QThread::msleep(300);
        result = co_await attempt;
    });
    ASSERT_TRUE(test::spinUntil([&] { return result.has_value(); }, 5s));
    EXPECT_TRUE(result->rttMs >= 10.0 && result->rttMs < 100.0) << result->rttMs.value_or(-1);
}

// Side by side, so together they cost five seconds (Qt's transfer timer may fire 5 % early).
TEST(ServiceProbeDeadlines, UnansweredSynsEndAtThreeSecondsAndAHeadlessServerAtFive) {
    lab::Lab lab;
    const std::string host = lab.addHost();
    // The host's /24 is routed into a namespace that silently drops what no host claims, SYNs too.
    const std::string nobody = lab::ipv4Text((lab::ipv4Value(host) & 0xFFFFFF00u) | 200u);
    lab::TestResolver resolver; // answers only after a 1 s wait on that host, the first server
    resolver.addHost("nobody.lab", nobody).start();
    std::ofstream(lab::labFolder + std::string("/resolv.conf")) // what /etc/resolv.conf shows
        << "nameserver " << nobody << "\nnameserver 127.0.0.1\noptions timeout:1 attempts:1\n";
    test::HttpTestServer server;
    server.answer("/hang", {.silent = true});

    const std::clock_t cpuBefore = std::clock();
    const auto attempts = test::measureAll({ServiceProbe::Tcp{QString::fromStdString(nobody), 80},
                                            ServiceProbe::Http{server.url("/hang")},
                                            ServiceProbe::Tcp{"nobody.lab", 80}});
    for (const std::size_t tcp : {0, 2}) // by address, and by a name whose lookup counts too
        EXPECT_TRUE(attempts[tcp].result == ServiceResult{} && attempts[tcp].took >= 2950ms &&
                    attempts[tcp].took < 3500ms)
            << attempts[tcp].took.count();
    EXPECT_EQ(attempts[1].result, (ServiceResult{{}, {}, "The request timed out."}));
    EXPECT_TRUE(attempts[1].took >= 4700ms && attempts[1].took < 6s) << attempts[1].took.count();
    EXPECT_LT(std::clock() - cpuBefore, CLOCKS_PER_SEC) << "waited for, not polled";
    EXPECT_EQ(server.requests().size(), 1u) << "the request was sent; only the head never came";
}

} // namespace
} // namespace vantorel
