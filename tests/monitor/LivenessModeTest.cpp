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

Monitors scan(const std::vector<std::string>& hosts) {
    Monitors monitors;
    for (const auto& host : hosts) {
        monitors.push_back(PingMonitor::create(QString::fromStdString(host),
                                               PingMonitor::Mode::liveness, std::nullopt));
        monitors.back()->start();
    }
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

TEST(LivenessMode, ScansFindAliveAndSilentHostsAndNameEachAliveHostOnce) {
    lab::Lab lab;
    const auto named = lab.addHost();
    const auto unnamed = lab.addHost();
    const auto silent = lab.addSilentHost();
    lab::TestResolver resolver;
    resolver.addPointer(named, "alpha.lab").start();

    auto monitors = scan({named, unnamed, silent});
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
    EXPECT_TRUE(monitors[0]->samples().empty()) << "a scan records no samples";
}

TEST(LivenessMode, AnsweredProbesOnlyCountAndScansStartStaggeredByAddress) {
    lab::TunPath path;
    const auto low = path.address(2);
    const auto high = path.address(254);
    path.setDestinations({low, high});
    path.setDelay(30ms);
    path.setLoss(lab::TunPath::Loss::everyNth(2));
    auto monitors = scan({low, high});
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
    EXPECT_GE(firstArrival[high] - firstArrival[low], 200ms) << ".254 starts a quarter second late";

    // Every echo expires on the way: only time-exceeded answers mean the host is not alive.
    path.setLoss(lab::TunPath::Loss::none());
    path.setRouters(std::vector<lab::TunPath::Router>(64, {path.address(9)}));
    auto expired = scan({low});
    ASSERT_TRUE(spinUntil([&] { return scanned(expired); }, 15s));
    EXPECT_EQ(expired[0]->alive(), false);
    EXPECT_FALSE(expired[0]->latency());

    // A stored result shows until a scan replaces it; a name found earlier stays, and a scanned
    // monitor takes no stored result.
    auto fresh = PingMonitor::create(expired[0]->host(), PingMonitor::Mode::liveness, std::nullopt);
    fresh->restoreLiveness(true, 12.5, QString("stored.lab"));
    EXPECT_EQ(fresh->alive(), true);
    fresh->start();
    ASSERT_TRUE(spinUntil([&] { return scanned({fresh}); }, 15s));
    EXPECT_FALSE(fresh->alive().value_or(true) || fresh->latency());
    EXPECT_EQ(fresh->hostname(), "stored.lab");
    fresh->restoreLiveness(true, 1.0, QString("other.lab"));
    EXPECT_EQ(fresh->alive(), false);

    // A scan stopped midway publishes nothing.
    fresh->start();
    spinFor(100ms);
    fresh->stop();
    spinFor(1500ms);
    EXPECT_FALSE(fresh->alive().has_value());
}

} // namespace
} // namespace vantorel
