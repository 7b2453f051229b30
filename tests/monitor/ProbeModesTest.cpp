#include "history/SampleStore.h"
#include "lab/Lab.h"
#include "lab/TestResolver.h"
#include "lab/TunPath.h"
#include "monitor/PingMonitor.h"
#include "support/EventLoop.h"
#include "support/HttpTestServer.h"
#include "support/QtPrinters.h"

#include <QTcpServer>
#include <gtest/gtest.h>
#include <sqlite3.h>

using namespace std::chrono_literals;
using vantorel::test::HttpAnswer;
using vantorel::test::HttpTestServer;
using vantorel::test::spinFor;
using vantorel::test::spinUntil;

namespace vantorel {
namespace {

using Monitors = std::vector<std::shared_ptr<PingMonitor>>;

QString qt(const std::string& text) {
    return QString::fromStdString(text);
}

Monitors scan(const std::vector<std::string>& hosts) {
    Monitors monitors;
    for (const auto& host : hosts) {
        monitors.push_back(
            PingMonitor::create(qt(host), PingMonitor::Mode::liveness, std::nullopt));
        monitors.back()->start();
    }
    return monitors;
}

bool scanned(const Monitors& monitors) {
    return std::all_of(monitors.begin(), monitors.end(), [](const auto& monitor) {
        return !monitor->isRunning() && monitor->alive().has_value();
    });
}

// A path on which .2, .3 and .254 answer after 30 ms, every other echo request being lost, and
// .5 never answers; .2 has a reverse name.
TEST(LivenessMode, ScansTellAliveFromSilentHostsNameEachOnceAndStartStaggeredByAddress) {
    lab::TunPath path;
    const std::vector<std::string> hosts{path.address(2), path.address(3), path.address(254),
                                         path.address(5)};
    path.setDestinations({hosts[0], hosts[1], hosts[2]});
    path.setDelay(30ms);
    path.setLoss(lab::TunPath::Loss::everyNth(2));
    lab::TestResolver resolver;
    resolver.addPointer(hosts[0], "alpha.lab").start();
    auto monitors = scan(hosts);
    ASSERT_TRUE(spinUntil([&] { return scanned(monitors) && monitors[0]->hostname(); }, 15s));
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(monitors[i]->alive(), true);
        // Lost probes are left out of the mean rather than counted as timeouts.
        EXPECT_GE(monitors[i]->latency().value_or(0), 30.0);
        EXPECT_LT(monitors[i]->latency().value_or(1000), 40.0);
    }
    EXPECT_EQ(monitors[0]->hostname(), "alpha.lab");
    EXPECT_FALSE(monitors[3]->alive().value_or(true) || monitors[3]->latency());
    std::map<std::string, std::chrono::nanoseconds> firstArrival;
    for (const auto& request : path.requests())
        firstArrival.emplace(request.destination, request.arrival);
    EXPECT_GE(firstArrival[hosts[2]] - firstArrival[hosts[0]], 200ms) << ".254 starts 0.25 s late";

    // A rescan shows "not known" while it runs and keeps the last latency until it ends; a host
    // is looked up once, whether it has a name or not, and never while it does not answer.
    const auto previousLatency = monitors[0]->latency();
    for (const auto& monitor : monitors)
        monitor->start();
    EXPECT_FALSE(monitors[0]->alive().has_value());
    EXPECT_EQ(monitors[0]->latency(), previousLatency);
    ASSERT_TRUE(spinUntil([&] { return scanned(monitors); }, 15s));
    spinFor(200ms);
    for (int i = 0; i < 4; ++i) {
        const auto octets = qt(hosts[i]).split('.');
        const auto reverse = octets[3] + '.' + octets[2] + '.' + octets[1] + '.' + octets[0];
        EXPECT_EQ(resolver.queryCount((reverse + ".in-addr.arpa").toStdString()), int(i < 3)) << i;
    }
    EXPECT_TRUE(monitors[0]->samples().empty()) << "a scan records no samples";

    // Every echo expires on the way: time-exceeded answers alone mean not alive. A stored result
    // shows until a scan replaces it, keeping a name found earlier; a scanned monitor takes none.
    path.setLoss(lab::TunPath::Loss::none());
    path.setRouters(std::vector<lab::TunPath::Router>(64, {path.address(9)}));
    auto restored = PingMonitor::create(qt(hosts[1]), PingMonitor::Mode::liveness, std::nullopt);
    restored->restoreLiveness(true, 12.5, QString("stored.lab"));
    EXPECT_EQ(restored->alive(), true);
    restored->start();
    ASSERT_TRUE(spinUntil([&] { return scanned({restored}); }, 15s));
    EXPECT_FALSE(restored->alive().value_or(true) || restored->latency());
    EXPECT_EQ(restored->hostname(), "stored.lab");
    restored->restoreLiveness(true, 1.0, QString("other.lab"));
    EXPECT_EQ(restored->alive(), false);

    // A scan stopped midway publishes nothing.
    restored->start();
    spinFor(100ms);
    restored->stop();
    spinFor(1500ms);
    EXPECT_FALSE(restored->alive().has_value());
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
    monitor->stop();
}

// Checks every 100 ms instead of every 5 s (HTTP) or 1 s (TCP).
std::shared_ptr<PingMonitor> serviceMonitor(const QString& address) {
    return PingMonitor::create(address, PingMonitor::Mode::service, std::nullopt,
                               {.httpCheckPeriod = 0.1, .tcpCheckPeriod = 0.1});
}

TEST(ServiceMode, HttpStatusesBecomeSamplesAfterTheFirstAttemptIsDropped) {
    HttpTestServer server;
    server.answer("/", HttpAnswer{.status = 503, .reason = "Service Unavailable"});
    auto monitor = serviceMonitor(server.url().toString());
    monitor->start();
    ASSERT_TRUE(spinUntil([&] { return monitor->samples().size() >= 2; }));
    EXPECT_GE(server.requests().size(), 3u) << "the first attempt is not kept";
    EXPECT_EQ(monitor->httpStatus(), 503);
    EXPECT_FALSE(monitor->statusMessage());
    EXPECT_FALSE(monitor->samples().back().rtt);

    server.answer("/", HttpAnswer{.status = 200});
    ASSERT_TRUE(spinUntil([&] { return monitor->samples().back().rtt.has_value(); }));
    EXPECT_EQ(monitor->httpStatus(), 200);
    monitor->stop();
}

TEST(ServiceMode, FailuresAreLostSamplesWithTheirReasonAndNeverPause) {
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost));
    const auto port = closed.serverPort();
    closed.close();
    auto tcp = serviceMonitor(QStringLiteral("127.0.0.1:%1").arg(port));
    auto http = serviceMonitor(QStringLiteral("http://127.0.0.1:%1/").arg(port));
    auto invalid = serviceMonitor("server");
    for (const auto& monitor : {tcp, http, invalid})
        monitor->start();
    EXPECT_FALSE(invalid->isRunning());
    EXPECT_EQ(invalid->statusMessage(), "Invalid address — use host:port or an http(s):// URL");
    ASSERT_TRUE(
        spinUntil([&] { return tcp->samples().size() >= 6 && http->samples().size() >= 6; }));
    EXPECT_TRUE(tcp->isRunning());
    EXPECT_FALSE(tcp->statusMessage()) << "a refused TCP port has no message";
    EXPECT_EQ(tcp->stats().lossPct, 100);
    EXPECT_TRUE(http->isRunning());
    EXPECT_TRUE(http->statusMessage().has_value()) << "an HTTP failure says why";
    EXPECT_FALSE(http->httpStatus());
    EXPECT_TRUE(invalid->samples().empty());
    tcp->stop();
    http->stop();
    EXPECT_FALSE(http->statusMessage());
}

} // namespace
} // namespace vantorel
