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

// "number host" of every hop, in order.
std::vector<QString> hops(const PingMonitor& monitor) {
    std::vector<QString> list;
    for (const auto& hop : monitor.hopStats())
        list.push_back(QString::number(hop.number) + ' ' + hop.host);
    return list;
}

// When the stored path of `key` was last written, straight from the database file.
std::optional<double> tracePathWritten(const std::string& host) {
    sqlite3* db = nullptr;
    sqlite3_stmt* statement = nullptr;
    std::optional<double> updated;
    const auto file = SampleStore::defaultDatabaseFile().toStdString();
    const auto key = "traceroute:" + host;
    if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK &&
        sqlite3_prepare_v2(db, "SELECT updated FROM trace_paths WHERE key=?;", -1, &statement,
                           nullptr) == SQLITE_OK) {
        sqlite3_bind_text(statement, 1, key.c_str(), -1, SQLITE_TRANSIENT);
        if (sqlite3_step(statement) == SQLITE_ROW)
            updated = sqlite3_column_double(statement, 0);
    }
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return updated;
}

TEST(TracerouteMode, WalksRoutersFollowsRouteChangesAndRestoresThePathAfterARestart) {
    lab::Lab lab;
    auto& route = lab.addRouteThroughRouters(3);
    lab::TestResolver resolver;
    for (std::size_t i = 0; i < 3; ++i)
        resolver.addPointer(route.routers()[i], "r" + std::to_string(i + 1) + ".lab");
    resolver.start();
    const auto destination = route.destination();
    const auto& routers = route.routers();
    const std::vector<QString> fullPath = {"1 " + qt(routers[0]), "2 " + qt(routers[1]),
                                           "3 " + qt(routers[2]), "4 " + qt(destination)};

    auto monitor = traceroute(destination);
    monitor->start();
    ASSERT_TRUE(spinUntil([&] {
        return monitor->samples().size() >= 2 && monitor->hopStats().size() == 4 &&
               monitor->hopStats()[2].hostname.has_value();
    }));
    EXPECT_EQ(hops(*monitor), fullPath);
    EXPECT_EQ(monitor->hopStats()[0].hostname, "r1.lab");
    EXPECT_EQ(monitor->hopStats()[2].hostname, "r3.lab");
    EXPECT_FALSE(monitor->hopStats()[3].hostname);
    EXPECT_EQ(monitor->samples().back().rtt, monitor->hopStats()[3].last)
        << "a walk's sample is the destination's round trip";

    // Walks over the unchanged route do not write the stored path again.
    const auto written = tracePathWritten(destination);
    ASSERT_TRUE(written);
    const auto walks = monitor->samples().size();
    ASSERT_TRUE(spinUntil([&] { return monitor->samples().size() >= walks + 2; }));
    EXPECT_EQ(tracePathWritten(destination), written);

    // A router that stops answering keeps its address, name and history.
    route.setRouterSilent(2, true);
    const auto rttsBefore = monitor->hopStats()[1].rtts.size();
    const auto silentSince = monitor->samples().size();
    ASSERT_TRUE(spinUntil([&] { return monitor->samples().size() >= silentSince + 2; }));
    EXPECT_EQ(hops(*monitor), fullPath);
    EXPECT_FALSE(monitor->hopStats()[1].last);
    EXPECT_GE(monitor->hopStats()[1].rtts.size(), rttsBefore);
    EXPECT_EQ(monitor->hopStats()[1].hostname, "r2.lab");
    route.setRouterSilent(2, false);

    // A shorter route: the hops beyond its new end are gone after the next completed walk.
    route.setLength(1);
    ASSERT_TRUE(spinUntil([&] { return monitor->hopStats().size() == 2; }));
    EXPECT_EQ(hops(*monitor), (std::vector<QString>{fullPath[0], "2 " + qt(destination)}));
    ASSERT_TRUE(spinUntil([&] { return tracePathWritten(destination) != written; }))
        << "the changed path is stored";
    monitor->stop();

    // A name that does not resolve stops the monitor with its message.
    auto unresolved = traceroute("nowhere.lab");
    unresolved->start();
    ASSERT_TRUE(spinUntil([&] { return !unresolved->isRunning(); }));
    EXPECT_EQ(unresolved->statusMessage(), "Cannot resolve nowhere.lab");
    EXPECT_TRUE(unresolved->samples().empty());

    // Restarted without a resolver: the names can only come from the stored path, which the
    // first completed walk writes once more, unchanged.
    resolver.stop();
    const auto shortPathWritten = tracePathWritten(destination);
    auto restarted = traceroute(destination);
    restarted->start();
    ASSERT_TRUE(spinUntil([&] { return !restarted->hopStats().empty(); }));
    EXPECT_EQ(restarted->hopStats()[0].hostname, "r1.lab");
    EXPECT_TRUE(spinUntil([&] { return restarted->samples().size() >= monitor->samples().size(); }))
        << "history adopted";
    EXPECT_TRUE(spinUntil([&] { return tracePathWritten(destination) != shortPathWritten; }));
    restarted->stop();
}

// Each walk first waits 400 ms for the router. Walk 1 is cancelled and replaced by walk 2; it wakes
// while walk 2 still waits and must leave walk 2 in place, so that the next stop cancels walk 2
// too instead of letting it run beside walk 3.
TEST(TracerouteMode, AStopDuringAWalkNeverLeavesTwoWalksRunning) {
    lab::TunPath path;
    const auto destination = path.address(2);
    path.setDestinations({destination});
    path.setRouters({{path.address(9), 400ms}});
    auto monitor =
        PingMonitor::create(qt(destination), PingMonitor::Mode::traceroute, std::nullopt);
    monitor->start();
    spinFor(100ms);
    monitor->stop();
    monitor->start();
    spinFor(350ms);
    monitor->stop();
    monitor->start();
    // Walk 3 reaches TTL 2 only 400 ms after this start; a walk 2 left running would have by now.
    spinFor(250ms);
    const auto requests = path.requests();
    EXPECT_EQ(std::count_if(requests.begin(), requests.end(), [](auto& r) { return r.ttl == 2; }),
              0);
    spinFor(3250ms);
    monitor->stop();
    // One walk a second: three to five in 3.5 s. Two walks side by side would give twice that.
    EXPECT_GE(monitor->samples().size(), 3u);
    EXPECT_LE(monitor->samples().size(), 5u);
    EXPECT_EQ(hops(*monitor),
              (std::vector<QString>{"1 " + qt(path.address(9)), "2 " + qt(destination)}));
}

} // namespace
} // namespace vantorel
