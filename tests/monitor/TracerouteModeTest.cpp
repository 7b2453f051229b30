#include "history/SampleStore.h"
#include "lab/Lab.h"
#include "lab/TestResolver.h"
#include "lab/TunPath.h"
#include "monitor/PingMonitor.h"
#include "support/EventLoop.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

using namespace std::chrono_literals;
using vantorel::test::spinFor;
using vantorel::test::spinUntil;

namespace vantorel {
namespace {

QString qt(const std::string& text) {
    return QString::fromStdString(text);
}

std::shared_ptr<PingMonitor> traceroute(const std::string& host) {
    return PingMonitor::create(qt(host), PingMonitor::Mode::traceroute, "traceroute:" + qt(host));
}

std::vector<QString> hopHosts(const PingMonitor& monitor) {
    std::vector<QString> hosts;
    for (const auto& hop : monitor.hopStats())
        hosts.push_back(hop.host);
    return hosts;
}

// When the stored path of `key` was last written, straight from the database file.
std::optional<double> tracePathWritten(const QString& key) {
    sqlite3* db = nullptr;
    std::optional<double> updated;
    const auto file = SampleStore::defaultDatabaseFile().toStdString();
    if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* statement = nullptr;
        sqlite3_prepare_v2(db, "SELECT updated FROM trace_paths WHERE key=?;", -1, &statement,
                           nullptr);
        const auto text = key.toStdString();
        sqlite3_bind_text(statement, 1, text.c_str(), -1, SQLITE_TRANSIENT);
        if (sqlite3_step(statement) == SQLITE_ROW)
            updated = sqlite3_column_double(statement, 0);
        sqlite3_finalize(statement);
    }
    sqlite3_close(db);
    return updated;
}

TEST(TracerouteMode, WalksRoutersFollowsRouteChangesAndRestoresThePathAfterARestart) {
    lab::Lab lab;
    auto& route = lab.addRouteThroughRouters(3);
    lab::TestResolver resolver;
    for (int i = 0; i < 3; ++i)
        resolver.addPointer(route.routers()[std::size_t(i)], "r" + std::to_string(i + 1) + ".lab");
    resolver.start();
    const auto destination = route.destination();
    const std::vector<QString> fullPath = {qt(route.routers()[0]), qt(route.routers()[1]),
                                           qt(route.routers()[2]), qt(destination)};

    auto monitor = traceroute(destination);
    monitor->start();
    ASSERT_TRUE(spinUntil([&] {
        return monitor->samples().size() >= 2 && monitor->hopStats().size() == 4 &&
               monitor->hopStats()[2].hostname.has_value();
    }));
    EXPECT_EQ(hopHosts(*monitor), fullPath);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(monitor->hopStats()[std::size_t(i)].number, i + 1);
    EXPECT_EQ(monitor->hopStats()[0].hostname, "r1.lab");
    EXPECT_EQ(monitor->hopStats()[2].hostname, "r3.lab");
    EXPECT_FALSE(monitor->hopStats()[3].hostname);
    EXPECT_EQ(monitor->samples().back().rtt, monitor->hopStats()[3].last)
        << "a walk's sample is the destination's round trip";

    // Walks over the unchanged route do not write the stored path again.
    const auto written = tracePathWritten("traceroute:" + qt(destination));
    ASSERT_TRUE(written);
    const auto walks = monitor->samples().size();
    ASSERT_TRUE(spinUntil([&] { return monitor->samples().size() >= walks + 2; }));
    EXPECT_EQ(tracePathWritten("traceroute:" + qt(destination)), written);

    // A router that stops answering keeps its address and history.
    route.setRouterSilent(2, true);
    const auto rttsBefore = monitor->hopStats()[1].rtts.size();
    const auto silentSince = monitor->samples().size();
    ASSERT_TRUE(spinUntil([&] { return monitor->samples().size() >= silentSince + 2; }));
    EXPECT_EQ(monitor->hopStats()[1].host, fullPath[1]);
    EXPECT_FALSE(monitor->hopStats()[1].last);
    EXPECT_GE(monitor->hopStats()[1].rtts.size(), rttsBefore);
    EXPECT_EQ(monitor->hopStats()[1].hostname, "r2.lab");
    route.setRouterSilent(2, false);

    // A shorter route: the hops beyond its new end are gone after the next completed walk.
    route.setLength(1);
    ASSERT_TRUE(spinUntil([&] { return monitor->hopStats().size() == 2; }));
    EXPECT_EQ(hopHosts(*monitor), (std::vector<QString>{fullPath[0], qt(destination)}));
    ASSERT_TRUE(spinUntil([&] {
        return tracePathWritten("traceroute:" + qt(destination)) != written;
    })) << "the changed path is stored";
    monitor->stop();

    // Restarted without a resolver: the names can only come from the stored path.
    resolver.stop();
    route.setLength(3);
    auto restarted = traceroute(destination);
    restarted->start();
    ASSERT_TRUE(spinUntil([&] { return !restarted->hopStats().empty(); }));
    EXPECT_EQ(restarted->hopStats()[0].hostname, "r1.lab");
    EXPECT_TRUE(spinUntil([&] { return restarted->samples().size() >= monitor->samples().size(); }))
        << "history adopted";
    restarted->stop();
}

TEST(TracerouteMode, AStopDuringAWalkNeverLeavesTwoWalksRunning) {
    lab::TunPath path;
    const auto destination = path.address(2);
    path.setDestinations({destination});
    path.setRouters({{path.address(9), 400ms}});
    auto monitor =
        PingMonitor::create(qt(destination), PingMonitor::Mode::traceroute, std::nullopt);
    // Each walk first waits 400 ms for the router. Walk 1 is cancelled and replaced by walk 2; it
    // wakes while walk 2 still waits and must leave walk 2 in place, so that the next stop
    // cancels walk 2 too instead of letting it run beside walk 3.
    monitor->start();
    spinFor(100ms);
    monitor->stop();
    monitor->start();
    spinFor(350ms);
    monitor->stop();
    monitor->start();
    // Walk 3 reaches TTL 2 only once its router answers, 400 ms after this start; a walk 2 left
    // running would have probed TTL 2 by now.
    spinFor(250ms);
    const auto requests = path.requests();
    EXPECT_EQ(std::count_if(requests.begin(), requests.end(),
                            [](const lab::TunPath::Request& r) { return r.ttl == 2; }),
              0);
    spinFor(3250ms);
    monitor->stop();
    // One walk a second: three to five in 3.5 s. Two walks side by side would give twice that.
    EXPECT_GE(monitor->samples().size(), 3u);
    EXPECT_LE(monitor->samples().size(), 5u);
    EXPECT_EQ(hopHosts(*monitor), (std::vector<QString>{qt(path.address(9)), qt(destination)}));
}

TEST(TracerouteMode, UnresolvableHostStopsWithItsMessage) {
    lab::TestResolver resolver;
    resolver.start();
    auto monitor = traceroute("nowhere.lab");
    monitor->start();
    ASSERT_TRUE(spinUntil([&] { return !monitor->isRunning(); }));
    EXPECT_EQ(monitor->statusMessage(), "Cannot resolve nowhere.lab");
    EXPECT_TRUE(monitor->samples().empty());
}

} // namespace
} // namespace vantorel
