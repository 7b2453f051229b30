#include "history/SampleStore.h"
#include "history/Sqlite.h"
#include "lab/Command.h"
#include "lab/Kernel.h"
#include "lab/Lab.h"
#include "lab/TestResolver.h"
#include "lab/TunPath.h"
#include "monitor/PingMonitor.h"
#include "monitor/SortedTimes.h"
#include "settings/Preferences.h"
#include "settings/SettingKeys.h"
#include "support/EventLoop.h"
#include "support/HttpTestServer.h"
#include "support/QtPrinters.h"

#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <random>

using namespace std::chrono_literals;
using namespace vantorel::test;

namespace vantorel {
namespace {

constexpr auto kContinuous = PingMonitor::Mode::continuous;
constexpr auto lost = std::nullopt;

std::size_t storedCount(const QString& key) {
    std::optional<std::size_t> count;
    SampleStore::shared()->loadSamples(key, 0, [&](auto samples, auto) { count = samples.size(); });
    EXPECT_TRUE(spinUntil([&] { return count.has_value(); }));
    return count.value_or(0);
}

// Sending to `address` fails at once with ENETUNREACH while the rule is in (a rule rather than a
// route, since the address may have a route of its own).
void setUnreachable(const std::string& address, bool unreachable) {
    lab::run({{"ip", "rule", unreachable ? "add" : "del", "to", address, "unreachable"}, ""});
}

// A monitor of `host`, started: a host ping probing every 100 ms unless told otherwise.
std::shared_ptr<PingMonitor> fastPing(const std::string& host,
                                      MonitorTiming timing = {.probeInterval = 0.1},
                                      PingMonitor::Mode mode = kContinuous) {
    auto monitor = PingMonitor::create(QString::fromStdString(host), mode, {}, timing);
    monitor->start();
    return monitor;
}

// Must stay the first test of this program: the shared ICMP engine keeps its socket once one
// opens, so ping sockets have to be forbidden when it first tries to open one.
TEST(ContinuousMode, ForbiddenPingSocketsBlockUntilAllowedAndAnsweredHostsAreNeverPaused) {
    lab::TunPath path;
    path.setDestinations({path.address(2)});
    lab::writeSysctls({{"net.ipv4.ping_group_range", "1 0"}});
    auto monitor = fastPing(path.address(2), {.probeInterval = 0.1, .probeTimeout = 0.1});
    ASSERT_TRUE(spinUntil([&] { return monitor->statusMessage().has_value(); }));
    EXPECT_EQ(monitor->statusMessage(), "Reconnecting… (" + QString(strerror(EACCES)) + ")");

    lab::writeSysctls({{"net.ipv4.ping_group_range", "0 2147483647"}});
    ASSERT_TRUE(spinUntil([&] { return !monitor->samples().empty(); }));
    EXPECT_TRUE(monitor->samples().front().rtt);
    EXPECT_FALSE(monitor->statusMessage()) << "the first reply clears the reconnecting text";

    // A reply forgives the blocks before it: however many there are, each is restarted, not paused.
    for (int block = 0; block < 3; ++block) {
        setUnreachable(path.address(2), true);
        const QString reconnecting = "Reconnecting… (" + QString(strerror(ENETUNREACH)) + ")";
        ASSERT_TRUE(spinUntil([&] { return monitor->statusMessage() == reconnecting; }));
        setUnreachable(path.address(2), false);
        ASSERT_TRUE(spinUntil([&] { return !monitor->statusMessage(); }, 5s)) << "block " << block;
    }

    path.setRouters(std::vector<lab::TunPath::Router>(64, {path.address(9)}));
    ASSERT_TRUE(spinUntil([&] { return monitor->stats().lostCount >= 12; }));
    EXPECT_TRUE(monitor->isRunning() && !monitor->statusMessage())
        << "echoes expiring on the way after a reply are loss";
    monitor->stop();
    monitor->start(); // a new run goes by its own replies, and this one has none
    EXPECT_TRUE(spinUntil([&] { return monitor->statusMessage().has_value(); }));
}

// Every way a monitor blocks: three automatic restarts under the reconnecting text, then a pause.
// A host that never answered is blocked after four losses a run, the warm-up's included, so it
// leaves 0 + 3 + 4 + 4 lost samples; a block on sending or resolving records nothing.
TEST(ContinuousMode, BlocksAreRestartedThreeTimesThenPausedWithTheirReason) {
    lab::Lab lab;
    lab::TestResolver resolver;
    resolver.start();
    const std::tuple<std::string, QString, int> cases[] = {
        {lab.addSilentHost(), "not responding", 11},
        {"nowhere.lab", "cannot resolve", 0},
        {lab.addUnreachableRoute(), strerror(EHOSTUNREACH), 0},
        {lab.addProhibitRoute(), strerror(EACCES), 0},
        {"fe80::1%nowhere", strerror(EINVAL), 0}}; // its interface gone, as when unplugged
    for (const auto& [host, reason, lostSamples] : cases) {
        auto monitor =
            fastPing(host, {.probeInterval = 0.1, .probeTimeout = 0.1, .restartDelay = 0.3});
        QStringList statuses{""}; // a start announces no reason, and blocks come after it
        QObject::connect(monitor.get(), &PingMonitor::changed, [&, m = monitor.get()] {
            if (statuses.back() != m->statusMessage().value_or(""))
                statuses.append(m->statusMessage().value_or(""));
        });
        ASSERT_TRUE(spinUntil([&] { return !monitor->isRunning(); }, 20s)) << host;
        EXPECT_EQ(statuses, (QStringList{"", "Reconnecting… (" + reason + ")",
                                         "Auto-paused: ping " + reason}));
        EXPECT_EQ(monitor->samples().size(), std::size_t(lostSamples)) << host;
        EXPECT_EQ(monitor->counter(), lostSamples);
        monitor->start(); // afresh: no reason shown, no loss counted yet, and three restarts again
        EXPECT_EQ(monitor->consecutiveLosses(), 0);
        ASSERT_TRUE(spinUntil([&] { return statuses.size() > 4; })) << host;
        EXPECT_EQ(statuses.mid(3, 2), (QStringList{"", statuses[1]}));
        monitor->stop();
    }
}

// The window rule, through record() alone; then a host ping that continues the stored history.
TEST(ContinuousMode, TheSeriesKeepsItsWindowAndIsWrittenWhileRecordingContinuingTheStoredOne) {
    Preferences::instance().setValue(keys::scrollbackEnabled, false);
    auto window = PingMonitor::create("window.test", kContinuous, "hostPing:window.test");
    const Date now = dateNow();
    window->record(10, now - 900);
    window->record(lost, now - 700);
    EXPECT_EQ(window->samples().size(), 2u) << "nothing inside the window: nothing removed";
    window->record(12, now - 599);
    window->record(14, now);
    ASSERT_EQ(window->samples().size(), 2u) << "with recording off the window is 600 s";
    EXPECT_EQ(window->samples().front().id, 3);
    EXPECT_EQ(window->stats(),
              (MonitorStats{13, 12, 14, 0, 12, 2, meanOpinionScore(13, 2, 0), 0, {}}));
    EXPECT_EQ(storedCount("hostPing:window.test"), 0u);
    Preferences::instance().setValue(keys::scrollbackEnabled, true);
    window->record(16, now);
    EXPECT_EQ(storedCount("hostPing:window.test"), 1u);
    lab::TunPath path;
    path.setDestinations({path.address(3)});
    const QString host = QString::fromStdString(path.address(3)), key = "hostPing:" + host;
    for (int id = 490; id <= 500; ++id)
        SampleStore::shared()->appendSample(key, {id, 2.5, now - 600 + id - (id == 490) * 2000});
    auto monitor = PingMonitor::create(host, kContinuous, key);
    monitor->start();
    monitor->stop();
    spinFor(300ms);
    EXPECT_TRUE(monitor->samples().empty()) << "history arriving after a stop is dropped";

    monitor->start();
    monitor->stop(); // and started again before the history arrives: still one probe loop
    monitor->start();
    EXPECT_TRUE(spinUntil([&] { return monitor->stats().avg == 2.5; })) << "its statistics at once";
    ASSERT_TRUE(spinUntil([&] { return monitor->samples().size() >= 13; }, 15s));
    EXPECT_EQ(monitor->samples().front().id, 491) << "the stored history in the window is adopted";
    Preferences::instance().setValue(keys::scrollbackMinutes, 60); // brings back 490, once
    ASSERT_TRUE(spinUntil([&] { return monitor->samples().front().id == 490; }));
    monitor->stop();
    const auto kept = monitor->samples();
    EXPECT_EQ(kept[11].id, 501) << "numbering continues after the stored samples";
    EXPECT_GE(kept[11].time - now, 4.5) << "five outcomes were discarded as warm-up";
    for (std::size_t i = 12; i < kept.size(); ++i)
        EXPECT_NEAR(kept[i].time - kept[i - 1].time, 1.0, 0.2);
    EXPECT_TRUE(spinUntil([&] { return storedCount(key) == kept.size(); })) << "all are written";

    // Started again, it keeps its series, reads no history and warms up afresh.
    path.setDelay(300ms);
    SampleStore::shared()->appendSample(key, {9999, 1.0, dateNow()});
    monitor->start();
    spinFor(100ms);
    monitor->stop();
    monitor->start(); // while the first echo is out: its answer belongs to neither run
    const Date restart = dateNow();
    ASSERT_TRUE(spinUntil([&] { return monitor->samples().size() > kept.size(); }, 10s));
    monitor->stop();
    EXPECT_TRUE(std::equal(kept.begin(), kept.end(), monitor->samples().begin()));
    EXPECT_EQ(monitor->samples()[kept.size()].id, kept.back().id + 1);
    EXPECT_GE(monitor->samples()[kept.size()].time - restart, 4.5);
}

MonitorStats statsOf(const std::vector<std::optional<double>>& rtts) {
    SampleSeries series;
    for (std::size_t i = 0; i < rtts.size(); ++i)
        series.append({std::int64_t(i + 1), rtts[i], 1001.0 + double(i)});
    return series.computeStats();
}

TEST(Statistics, WorkedSeriesTheMeanOpinionScoreAndRunningTalliesThroughAppendsAndRemovals) {
    EXPECT_EQ(statsOf({}), MonitorStats{});
    EXPECT_EQ(statsOf({lost, lost, lost}),
              (MonitorStats{.lossPct = 100, .lostCount = 3, .lastFailure = 1003.0}));
    // Jitter skips the loss between answers; p95 is index 1 of the 3 sorted answers.
    EXPECT_EQ(statsOf({10, 20, lost, 40}),
              (MonitorStats{70.0 / 3, 10, 40, 25, 20, 15, meanOpinionScore(70.0 / 3, 15, 25), 1,
                            1003.0}));
    EXPECT_EQ(statsOf({12.5}),
              (MonitorStats{12.5, 12.5, 12.5, 0, 12.5, {}, meanOpinionScore(12.5, 0, 0), 0, {}}));
    std::vector<std::optional<double>> descending(100);
    std::ranges::generate(descending, [rtt = 101]() mutable { return --rtt; });
    EXPECT_EQ(statsOf(descending).p95, 95);
    EXPECT_EQ(statsOf({descending.end() - 20, descending.end()}).p95, 19) << "not the largest";
    // Times from a damaged file: none counts below zero or above an hour.
    EXPECT_EQ(statsOf({-5, 1e300, 10}).avg, (3'600'000 + 10) / 3.0);
    // The last answer leaves while a loss stays; the tallies go on from nothing.
    SampleSeries series;
    series.assign(std::vector<PingSample>{{1, 17.0, 1001}, {2, lost, 1002}});
    series.dropFront(1);
    series.append({3, 20.0, 1003});
    series.append({4, 30.0, 1004});
    EXPECT_EQ(series.computeStats().jitter, 10);

    const double r = 89.2; // an effective latency of exactly 160 takes the second branch
    EXPECT_NEAR(meanOpinionScore(0, 0, 0), 4.4044, 5e-5);
    EXPECT_NEAR(meanOpinionScore(20, 2, 0), 4.3974, 5e-5);
    EXPECT_NEAR(meanOpinionScore(70.0 / 3, 15, 25), 1.5847, 5e-5);
    EXPECT_NEAR(meanOpinionScore(300, 0, 0), 1 + 0.035 * r + (100 - r) * 0.000007 * r * (r - 60),
                1e-12);
    EXPECT_EQ(meanOpinionScore(1, 0, 40) + meanOpinionScore(5000, 100, 0), 2) << "clamped to 1";
    EXPECT_EQ(meanOpinionScore(0, 0, 35.18), 1) << "an R of 5 gives less than 1";

    // The series keeps its sums as samples come and go; after any appends and removals (singly
    // and past the re-tally threshold), with loss runs at either end, they equal a fresh tally.
    std::mt19937 random(7);
    std::bernoulli_distribution lostNow(0.3);
    std::uniform_int_distribution<int> micros(100, 90'000);
    series = SampleSeries();
    std::int64_t id = 0, dropped = 0;
    for (int round = 0; round < 400; ++round) {
        const int appends = round % 50 == 49 ? 120 : 3;
        for (int i = 0; i < appends; ++i, ++id) {
            // Whole runs of losses, so removals must look past them for the next answer.
            const bool loss = (id / 40) % 5 == 4 || lostNow(random);
            series.append(
                {id, loss ? std::nullopt : std::optional(micros(random) / 1000.0), double(id)});
        }
        const std::size_t drop = round % 50 == 49 ? 100 : std::size_t(round % 4);
        series.dropFront(drop);
        ASSERT_EQ(series.samples().front().id, dropped += std::int64_t(drop)) << round;
        SampleSeries fresh;
        fresh.assign(std::vector(series.samples().begin(), series.samples().end()));
        const MonitorStats expected = fresh.computeStats();
        ASSERT_EQ(series.computeStats(), expected) << "after round " << round;
        // And the fresh tally against the plain definitions.
        double sum = 0, jitterSum = 0;
        int answers = 0;
        std::optional<double> previous;
        for (const auto& sample : series.samples()) {
            if (!sample.rtt)
                continue;
            if (previous)
                jitterSum += std::abs(*sample.rtt - *previous);
            previous = sample.rtt;
            sum += *sample.rtt;
            ++answers;
        }
        ASSERT_EQ(expected.lostCount, int(series.samples().size()) - answers);
        ASSERT_NEAR(expected.avg.value_or(0), answers ? sum / answers : 0, 1e-9);
        ASSERT_NEAR(expected.jitter.value_or(0), answers > 1 ? jitterSum / (answers - 1) : 0, 1e-9);
    }
}

TEST(Statistics, TimesInOrderThroughASlidingWindowAListAndBackToNothing) {
    // Many equal times, rising and then falling, so that times come in at one end of their order
    // and leave at the other, and then the reverse; then the window, a whole number of blocks, set
    // anew and emptied.
    SortedTimes times;
    std::deque<double> window;
    std::vector<double> plain;
    for (int i = 0; i < 9000; ++i) {
        if (i < 6000 || i >= 7600) {
            window.push_back(std::floor(double(i / 1500 % 2 ? 9000 - i : i) / 4));
            times.insert(window.back());
        }
        if (i == 6000)
            times.assign({window.begin(), window.end()});
        if (window.size() > 1536 || (i >= 6000 && i < 7600 && !window.empty())) {
            times.erase(window.front());
            window.pop_front();
        }
        if (i % 10 != 0)
            continue;
        plain.assign(window.begin(), window.end());
        std::sort(plain.begin(), plain.end());
        std::vector<double> held(times.size());
        for (std::size_t k = 0; k < held.size(); ++k)
            held[k] = times[k];
        ASSERT_EQ(held, plain) << i;
        if (!plain.empty())
            ASSERT_EQ(std::pair(times.min(), times.max()), std::pair(plain.front(), plain.back()));
    }
}

using Monitors = std::vector<std::shared_ptr<PingMonitor>>;

const auto qt = [](const std::string& text) { return QString::fromStdString(text); };

Monitors started(const std::vector<std::string>& hosts, PingMonitor::Mode mode) {
    Monitors monitors;
    for (const auto& host : hosts) {
        const bool kept = mode == PingMonitor::Mode::traceroute;
        monitors.push_back(PingMonitor::create(
            qt(host), mode, kept ? std::optional("traceroute:" + qt(host)) : std::nullopt));
        monitors.back()->start();
    }
    return monitors;
}

bool scanned(const Monitors& monitors) {
    return std::ranges::all_of(monitors, [](auto& m) { return !m->isRunning() && m->alive(); });
}

// Over IPv6: a literal samples once a second; a name with only an AAAA record is probed over
// IPv6, names with both over IPv4 unless IPv6 is preferred (each dual name answers only over the
// family it should be probed with); a zone reaches a link-local neighbour. Then host pings started
// apart share one beat, so one wake-up serves all, yet average one an interval.
TEST(ContinuousMode, ProbesOverIPv6AsPreferredAndMonitorsStartedApartOnTheSameBeat) {
    lab::Lab lab;
    lab::TunPath path;
    path.setDestinations({path.address(2), path.address(3), path.address(4), path.address(5)});
    const auto twin = [&](int byte) { return lab::ipv6Twin(path.address(byte)); };
    lab::TestResolver resolver;
    resolver.addHost("six.lab", twin(3))
        .addAddresses("dual.lab", {twin(9), path.address(4)})
        .addAddresses("dual6.lab", {path.address(9), twin(5)})
        .start();
    auto literal = started({twin(2)}, kContinuous)[0];
    const std::pair<std::string, bool> hosts[] = {
        {"six.lab", false}, {"dual.lab", false}, {"dual6.lab", true}, {lab.linkLocalHost(), false}};
    for (const auto& [host, preferIPv6] : hosts) {
        Preferences::instance().setValue(keys::preferIPv6, preferIPv6);
        auto monitor = fastPing(host);
        EXPECT_TRUE(spinUntil([&] { return monitor->lastRtt().has_value(); })) << host;
        monitor->stop();
    }
    Preferences::instance().setValue(keys::preferIPv6, false);
    ASSERT_TRUE(spinUntil([&] { return literal->samples().size() >= 3; }));
    literal->stop();
    const auto& samples = literal->samples();
    for (std::size_t i = 1; i < samples.size(); ++i)
        EXPECT_NEAR(samples[i].time - samples[i - 1].time, 1.0, 0.2);
    EXPECT_EQ(literal->stats().lostCount, 0);

    Monitors monitors;
    for (int i = 0; i < 2; ++i, spinFor(37ms))
        monitors.push_back(fastPing(path.address(2)));
    ASSERT_TRUE(spinUntil([&] { return monitors[1]->samples().size() >= 8; }));
    std::ranges::for_each(monitors, &PingMonitor::stop);
    const auto& second = monitors[1]->samples();
    EXPECT_NEAR((second.back().time - second.front().time) / double(second.size() - 1), 0.1, 0.02);
    const double apart = monitors[0]->samples().back().time - second.back().time;
    EXPECT_NEAR(apart, std::round(apart / 0.1) * 0.1, 0.01) << "not on the same beat";
}

// .2, .3 and .254 answer in 150 ms, every other echo lost; .5 and nowhere.lab never; .2 is named.
TEST(LivenessMode, ScansTellAliveFromSilentHostsAndNameEachAliveHostOnce) {
    lab::TunPath path;
    const std::vector<std::string> hosts{path.address(2), path.address(3), path.address(254),
                                         path.address(5), "nowhere.lab"};
    path.setDestinations({hosts[0], hosts[1], hosts[2]});
    path.setDelay(150ms);
    path.setLossEvery(2);
    lab::TestResolver resolver;
    resolver.addPointer(hosts[0], "alpha.lab").start();
    auto monitors = started(hosts, PingMonitor::Mode::liveness);
    ASSERT_TRUE(spinUntil([&] { return scanned(monitors) && monitors[0]->hostname(); }, 15s));
    EXPECT_EQ(path.counters().requests, 15u) << "five echoes for each host that answers";
    monitors[3]->restoreLiveness(true, 1.0, "stale.lab"); // a scan outranks the stored result
    for (int i = 0; i < 5; ++i) { // lost probes are left out of the mean; the silent have none
        EXPECT_EQ(monitors[i]->alive(), i < 3) << i;
        EXPECT_NEAR(monitors[i]->latency().value_or(-1e3), i < 3 ? 155 : -1e3, 5.0) << i;
    }
    EXPECT_EQ(monitors[0]->hostname(), "alpha.lab");

    // A rescan shows "not known" while it runs and keeps the last latency until it ends. Each
    // host that answered is looked up once, named or not; a silent one never.
    const auto previousLatency = monitors[0]->latency();
    std::ranges::for_each(monitors, &PingMonitor::start);
    EXPECT_FALSE(monitors[0]->alive().has_value());
    EXPECT_EQ(monitors[0]->latency(), previousLatency);
    ASSERT_TRUE(spinUntil([&] { return scanned(monitors); }, 15s));
    spinFor(200ms);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(resolver.queryCount(hosts[i]), int(i < 3)) << i;

    // Echoes that all expire on the way mean not alive, and the latency of the last scan goes.
    path.setRouters(std::vector<lab::TunPath::Router>(64, {path.address(9)}));
    monitors[1]->start();
    ASSERT_TRUE(spinUntil([&] { return scanned(monitors); }, 15s));
    EXPECT_FALSE(monitors[1]->alive().value_or(true) || monitors[1]->latency());
}

// "number host" of every hop, in order, and its name when asked for.
QStringList hops(const PingMonitor& monitor, bool named = false) {
    QStringList list;
    for (const auto& hop : monitor.hopStats())
        list.append(QString::number(hop.number) + ' ' + hop.host +
                    (named ? u' ' + hop.hostname.value_or("") : QString()));
    return list;
}

// When the stored path to `host` was last written, straight from the database file.
std::optional<double> tracePathWritten(const std::string& host) {
    QString error;
    const auto db = sqlite::Connection::openReadOnly(SampleStore::defaultDatabaseFile(), error);
    const auto sql = "SELECT updated FROM trace_paths WHERE key='traceroute:" + host + "';";
    auto row = sqlite::Statement::prepare(db, sql.c_str());
    return row && row.stepRow() ? std::optional(row.columnDouble(0)) : std::nullopt;
}

TEST(TracerouteMode, WalksRoutersFollowsRouteChangesAndRestoresThePathAfterARestart) {
    Preferences::instance().setValue(keys::scrollbackEnabled, true);
    lab::Lab lab;
    auto& route = lab.addRouteThroughRouters(3);
    const auto& routers = route.routers();
    const auto destination = route.destination();
    const auto destination6 = qt(lab::ipv6Twin(destination)) + " far.six.lab";
    lab::TestResolver resolver;
    QStringList path6; // to a name with only an AAAA record, every hop named by its PTR record
    for (std::size_t i = 0; i < 3; ++i) {
        const auto number = std::to_string(i + 1), router6 = lab::ipv6Twin(routers[i]);
        resolver.addPointer(routers[i], "r" + number + ".lab").addPointer(router6, "r6." + number);
        path6.append(qt(number + ' ' + router6 + " r6." + number));
    }
    resolver.addHost("far.six.lab", lab::ipv6Twin(destination)).start();
    path6.append("4 " + destination6);
    const QStringList fullPath = {"1 " + qt(routers[0]), "2 " + qt(routers[1]),
                                  "3 " + qt(routers[2]), "4 " + qt(destination)};
    auto monitor = started({destination}, PingMonitor::Mode::traceroute)[0];
    auto six = started({"far.six.lab"}, PingMonitor::Mode::traceroute)[0];
    EXPECT_TRUE(spinUntil([&] { return hops(*six, true) == path6; }));
    ASSERT_TRUE(spinUntil([&] {
        return monitor->samples().size() >= 2 && hops(*monitor) == fullPath &&
               monitor->hopStats()[2].hostname;
    }));
    EXPECT_EQ(monitor->hopStats()[0].hostname, "r1.lab");
    EXPECT_EQ(monitor->samples().back().rtt, monitor->hopStats()[3].last) << "the last hop's";

    // Walks over the unchanged route do not write the stored path again; a router that stops
    // answering keeps its address, name and history.
    const auto written = tracePathWritten(destination);
    ASSERT_TRUE(written);
    route.setRouterSilent(2, true);
    const auto rttsBefore = monitor->hopStats()[1].rtts.size();
    const auto silentSince = monitor->samples().size();
    ASSERT_TRUE(spinUntil([&] { return monitor->samples().size() >= silentSince + 2; }));
    EXPECT_EQ(hops(*monitor), fullPath);
    EXPECT_FALSE(monitor->hopStats()[1].last);
    EXPECT_GE(monitor->hopStats()[1].rtts.size(), rttsBefore);
    EXPECT_EQ(monitor->hopStats()[1].hostname, "r2.lab");
    EXPECT_FALSE(monitor->hopStats()[3].hostname) << "an address without a name stays unnamed";
    EXPECT_EQ(resolver.queryCount(destination), 1) << "and is asked for once, not at every walk";
    EXPECT_EQ(tracePathWritten(destination), written);
    route.setRouterSilent(2, false);

    // A walk that cannot send is a lost sample, and the hops stay as they were.
    const auto lostBefore = monitor->stats().lostCount;
    setUnreachable(destination, true);
    ASSERT_TRUE(spinUntil([&] { return monitor->stats().lostCount > lostBefore; }));
    EXPECT_EQ(hops(*monitor), fullPath);
    setUnreachable(destination, false);

    // A shorter route: hops past its end go after the next completed walk; the new path is stored.
    route.setLength(1);
    ASSERT_TRUE(spinUntil([&] { return monitor->hopStats().size() == 2; }));
    EXPECT_EQ(hops(*monitor), (QStringList{fullPath[0], "2 " + qt(destination)}));
    EXPECT_TRUE(spinUntil([&] {
        return hops(*six, true) == QStringList{path6[0], "2 " + destination6};
    }));
    six->stop();
    ASSERT_TRUE(spinUntil([&] { return tracePathWritten(destination) != written; }));
    monitor->stop();

    auto unresolved = started({"nowhere.lab"}, PingMonitor::Mode::traceroute)[0];
    ASSERT_TRUE(spinUntil([&] { return !unresolved->isRunning(); }));
    EXPECT_EQ(unresolved->statusMessage(), "Cannot resolve nowhere.lab");

    // Restarted without a resolver: the names can only come from the stored path, which the
    // first completed walk writes once more; the samples come back from the history.
    resolver.stop();
    const auto shortPathWritten = tracePathWritten(destination);
    auto restarted = started({destination}, PingMonitor::Mode::traceroute)[0];
    ASSERT_TRUE(spinUntil([&] { return !restarted->hopStats().empty(); }));
    EXPECT_EQ(restarted->hopStats()[0].hostname, "r1.lab");
    ASSERT_TRUE(spinUntil([&] { return !restarted->samples().empty(); }));
    EXPECT_EQ(restarted->samples().front(), monitor->samples().front());
    EXPECT_TRUE(spinUntil([&] { return tracePathWritten(destination) != shortPathWritten; }));
    restarted->stop();
}

// Each walk waits 400 ms for the router. Walk 1, cancelled, wakes while walk 2 waits and must leave
// it in place, so the next stop cancels walk 2 too rather than let it probe TTL 2 beside walk 3.
TEST(TracerouteMode, AStopDuringAWalkNeverLeavesTwoWalksRunningAndAWalkEndsAtHop30) {
    lab::TunPath path;
    path.setDestinations({path.address(2)});
    path.setRouters({{path.address(9), 400ms}});
    const QString host = qt(path.address(2));
    auto monitor = PingMonitor::create(host, PingMonitor::Mode::traceroute, "traceroute:" + host);
    for (const auto wait : {100ms, 350ms, 250ms}) {
        monitor->start();
        spinFor(wait);
        monitor->stop();
    }
    EXPECT_FALSE(std::ranges::any_of(path.requests(), [](auto& r) { return r.ttl == 2; }));
    path.setRouters(std::vector<lab::TunPath::Router>(64, {path.address(9)}));
    monitor->start();
    ASSERT_TRUE(spinUntil([&] { return !monitor->samples().empty(); }));
    EXPECT_EQ(monitor->hopStats().size(), 30u);
    // The same length through other routers is another path, and is stored again.
    ASSERT_TRUE(spinUntil([&] { return tracePathWritten(path.address(2)).has_value(); }));
    const auto written = tracePathWritten(path.address(2));
    path.setRouters(std::vector<lab::TunPath::Router>(64, {path.address(8)}));
    EXPECT_TRUE(spinUntil([&] { return tracePathWritten(path.address(2)) != written; }, 10s));
}

// Checks every 300 ms (HTTP) or 100 ms (TCP) instead of every 5 s or 1 s.
std::shared_ptr<PingMonitor> serviceMonitor(const QString& address) {
    return fastPing(address.toStdString(), {.httpCheckPeriod = 0.3, .tcpCheckPeriod = 0.1},
                    PingMonitor::Mode::service);
}

TEST(ServiceMode, AttemptsBecomeSamplesAfterTheFirstIsDroppedAndFailuresNeverPause) {
    HttpTestServer server;
    server.answer("/", {.status = 503, .reason = "Service Unavailable"});
    auto http = serviceMonitor(server.url().toString());
    ASSERT_TRUE(spinUntil([&] { return http->samples().size() >= 2; }));
    EXPECT_GE(server.requests().size(), 3u) << "the first attempt is not kept";
    EXPECT_EQ(http->httpStatus(), 503);
    EXPECT_FALSE(http->statusMessage() || http->samples().back().rtt);
    server.answer("/", {.status = 200});
    ASSERT_TRUE(spinUntil([&] { return http->samples().back().rtt.has_value(); }));
    EXPECT_EQ(http->httpStatus(), 200);
    // Stopped while a check waits for its answer: that check ends without a sample.
    server.answer("/", {.status = 200, .headDelay = 300ms});
    const std::size_t asked = server.requests().size();
    ASSERT_TRUE(spinUntil([&] { return server.requests().size() > asked; }));
    http->stop();
    const std::size_t kept = http->samples().size();
    spinFor(600ms);
    EXPECT_EQ(http->samples().size(), kept);

    const auto port = unusedPort();
    auto tcp = serviceMonitor(QStringLiteral("127.0.0.1:%1").arg(port));
    auto refused = serviceMonitor(QStringLiteral("http://127.0.0.1:%1/").arg(port));
    auto invalid = serviceMonitor("server");
    EXPECT_FALSE(invalid->isRunning());
    EXPECT_EQ(invalid->statusMessage(), "Invalid address — use host:port or an http(s):// URL");
    ASSERT_TRUE(
        spinUntil([&] { return tcp->samples().size() >= 6 && refused->samples().size() >= 6; }));
    EXPECT_TRUE(tcp->isRunning() && refused->isRunning() && !tcp->statusMessage());
    EXPECT_GT(tcp->samples().size(), 9u) << "TCP is checked three times as often as HTTP";
    EXPECT_EQ(tcp->stats().lossPct, 100);
    EXPECT_TRUE(refused->statusMessage().has_value()) << "an HTTP failure says why";
    QTcpServer late; // takes the refused port: once it has answered, a failure clears the status
    ASSERT_TRUE(late.listen(QHostAddress::LocalHost, port));
    QObject::connect(&late, &QTcpServer::newConnection,
                     [&] { late.nextPendingConnection()->write("HTTP/1.0 204 OK\r\n\r\n"); });
    ASSERT_TRUE(spinUntil([&] { return refused->httpStatus() == 204; }));
    late.close();
    EXPECT_TRUE(spinUntil([&] { return refused->statusMessage() && !refused->httpStatus(); }));
    refused->stop();
    EXPECT_FALSE(refused->statusMessage());
}

} // namespace
} // namespace vantorel
