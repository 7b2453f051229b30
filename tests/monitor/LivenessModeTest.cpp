#include "lab/Lab.h"
#include "lab/TestResolver.h"
#include "lab/TunPath.h"
#include "monitor/PingMonitor.h"
#include "support/EventLoop.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;
using vantorel::test::spinFor;
using vantorel::test::spinUntil;

namespace vantorel {
namespace {

using Monitors = std::vector<std::shared_ptr<PingMonitor>>;

Monitors sweepMonitors(const std::vector<std::string>& hosts) {
    Monitors monitors;
    for (const auto& host : hosts)
        monitors.push_back(PingMonitor::create(QString::fromStdString(host),
                                               PingMonitor::Mode::liveness, std::nullopt));
    return monitors;
}

bool scanned(const Monitors& monitors) {
    return std::all_of(monitors.begin(), monitors.end(), [](const auto& monitor) {
        return !monitor->isRunning() && monitor->alive().has_value();
    });
}

std::string reverseName(const std::string& address) {
    const auto parts = QString::fromStdString(address).split('.');
    return (parts[3] + '.' + parts[2] + '.' + parts[1] + '.' + parts[0] + ".in-addr.arpa")
        .toStdString();
}

TEST(LivenessMode, SweepFindsAliveAndSilentHostsAndNamesEachAliveHostOnce) {
    lab::Lab lab;
    const auto named = lab.addHost();
    const auto unnamed = lab.addHost();
    const auto silent = lab.addSilentHost();
    lab::TestResolver resolver;
    resolver.addPointer(named, "alpha.lab").start();

    auto monitors = sweepMonitors({named, unnamed, silent});
    for (const auto& monitor : monitors)
        monitor->start();
    ASSERT_TRUE(spinUntil([&] { return scanned(monitors); }, 15s));
    EXPECT_TRUE(spinUntil([&] { return monitors[0]->hostname().has_value(); }));

    EXPECT_EQ(monitors[0]->alive(), true);
    EXPECT_GT(monitors[0]->latency().value_or(0), 0);
    EXPECT_EQ(monitors[0]->hostname(), "alpha.lab");
    EXPECT_EQ(monitors[1]->alive(), true);
    EXPECT_EQ(monitors[2]->alive(), false);
    EXPECT_FALSE(monitors[2]->latency());

    // A rescan shows "not known" while it runs and keeps the last latency until it ends.
    const auto previousLatency = monitors[0]->latency();
    for (const auto& monitor : monitors)
        monitor->start();
    EXPECT_FALSE(monitors[0]->alive().has_value());
    EXPECT_EQ(monitors[0]->latency(), previousLatency);
    ASSERT_TRUE(spinUntil([&] { return scanned(monitors); }, 15s));
    spinFor(200ms);

    EXPECT_EQ(resolver.queryCount(reverseName(named)), 1);
    EXPECT_EQ(resolver.queryCount(reverseName(unnamed)), 1) << "no name is not asked again";
    EXPECT_EQ(resolver.queryCount(reverseName(silent)), 0) << "silent hosts are never looked up";
    EXPECT_FALSE(monitors[1]->hostname());
    EXPECT_TRUE(monitors[0]->samples().empty()) << "a scan records no samples";
}

TEST(LivenessMode, LatencyIsTheMeanOfAnsweredProbesAndFirstProbesAreStaggered) {
    lab::TunPath path;
    const auto low = path.address(2);
    const auto high = path.address(254);
    path.setDestinations({low, high});
    path.setDelay(30ms);
    path.setLoss(lab::TunPath::Loss::everyNth(2));

    auto monitors = sweepMonitors({low, high});
    for (const auto& monitor : monitors)
        monitor->start();
    ASSERT_TRUE(spinUntil([&] { return scanned(monitors); }, 15s));
    for (const auto& monitor : monitors) {
        EXPECT_EQ(monitor->alive(), true);
        // Lost probes are left out of the mean rather than counted as timeouts.
        EXPECT_GE(monitor->latency().value_or(0), 30.0);
        EXPECT_LT(monitor->latency().value_or(1000), 40.0);
    }

    std::map<std::string, std::chrono::nanoseconds> firstArrival;
    for (const auto& request : path.requests())
        firstArrival.emplace(request.destination, request.arrival);
    EXPECT_GE(firstArrival[high] - firstArrival[low], 200ms)
        << ".254 starts about a quarter second after .2";
}

TEST(LivenessMode, OnlyTimeExceededAnswersMeanNotAliveAndAStoppedScanPublishesNothing) {
    lab::TunPath path;
    const auto far = path.address(3);
    path.setDestinations({far});
    // Every echo expires on the way: 64 hops of routers before the destination.
    path.setRouters(std::vector<lab::TunPath::Router>(64, {path.address(9)}));
    auto expired = sweepMonitors({far});
    expired[0]->start();
    ASSERT_TRUE(spinUntil([&] { return scanned(expired); }, 15s));
    EXPECT_EQ(expired[0]->alive(), false);
    EXPECT_FALSE(expired[0]->latency());

    path.setRouters({});
    auto stopped = sweepMonitors({far});
    stopped[0]->start();
    spinFor(100ms);
    stopped[0]->stop();
    spinFor(1500ms);
    EXPECT_FALSE(stopped[0]->alive().has_value());
    EXPECT_FALSE(stopped[0]->isRunning());
}

TEST(LivenessMode, StoredResultsFillOnlyAMonitorThatHasNotScanned) {
    lab::TunPath path;
    const auto host = path.address(4);
    auto monitors = sweepMonitors({host});
    auto& monitor = *monitors[0];
    monitor.restoreLiveness(true, 12.5, QString("stored.lab"));
    EXPECT_EQ(monitor.alive(), true);
    EXPECT_EQ(monitor.latency(), 12.5);
    EXPECT_EQ(monitor.hostname(), "stored.lab");

    monitor.start(); // nobody answers on this path: the scan replaces the stored result
    ASSERT_TRUE(spinUntil([&] { return scanned(monitors); }, 15s));
    EXPECT_EQ(monitor.alive(), false);
    EXPECT_FALSE(monitor.latency());
    EXPECT_EQ(monitor.hostname(), "stored.lab") << "a found name is kept";

    monitor.restoreLiveness(true, 1.0, QString("other.lab"));
    EXPECT_EQ(monitor.alive(), false) << "a scanned monitor is left alone";
}

} // namespace
} // namespace vantorel
