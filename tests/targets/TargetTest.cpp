#include "targets/Target.h"

#include "history/SampleStore.h"
#include "lab/TunPath.h"
#include "support/EventLoop.h"
#include "support/QtPrinters.h"
#include "targets/HeldTarget.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;
using vantorel::test::spinFor;
using vantorel::test::spinUntil;

namespace vantorel {
namespace {

using test::answeredThenLost;
using test::Outcomes;
constexpr auto lost = std::nullopt;

std::vector<SweepHostState> storedSweep(const Target& sweep) {
    std::optional<std::vector<SweepHostState>> states;
    SampleStore::shared()->loadSweepState(sweep.sweepResultKey(), [&](auto s) { states = s; });
    EXPECT_TRUE(spinUntil([&] { return states.has_value(); }));
    return states.value_or(std::vector<SweepHostState>{});
}

std::vector<std::optional<bool>> aliveOf(const Target& sweep) {
    std::vector<std::optional<bool>> alive;
    for (const auto& monitor : sweep.monitors())
        alive.push_back(monitor->alive());
    return alive;
}

std::shared_ptr<Target> heldTarget(const TargetSpec& spec, const std::vector<Outcomes>& outcomes,
                                   const std::vector<std::optional<bool>>& alive = {}) {
    auto target = Target::create(spec, true);
    test::holdMonitors(*target, outcomes, alive);
    return target;
}

TEST(Target, HealthAtTheEdgesOfItsRules) {
    const TargetSpec ping{TargetKind::hostPing, "127.0.0.1", "", 24};
    const TargetSpec sweep{TargetKind::pingSweep, "127.0.0.1", "127.0.0.3", 24};
    Outcomes lossOf10_1(101, lost); // lost first, so the newest sample answered
    lossOf10_1.resize(1000, 5.0);
    const struct {
        const char* what;
        TargetSpec spec;
        std::vector<Outcomes> outcomes;
        std::vector<std::optional<bool>> alive;
        TargetHealth health;
    } cases[] = {
        {"no reply yet", ping, {{}}, {}, TargetHealth::warn},
        {"loss 10.0 %", ping, {answeredThenLost(9, 1)}, {}, TargetHealth::ok},
        {"loss 10.1 %", ping, {lossOf10_1}, {}, TargetHealth::warn},
        {"two losses in a row", ping, {answeredThenLost(98, 2)}, {}, TargetHealth::ok},
        {"three losses in a row", ping, {answeredThenLost(97, 3)}, {}, TargetHealth::down},
        {"no host alive", sweep, {}, {false, false, false}, TargetHealth::down},
        {"one host alive", sweep, {}, {false, true, false}, TargetHealth::ok},
        {"a host not known yet", sweep, {}, {false, false, std::nullopt}, TargetHealth::ok},
    };
    for (const auto& [what, spec, outcomes, alive, health] : cases) {
        auto target = heldTarget(spec, outcomes, alive);
        EXPECT_EQ(target->health(), health) << what;
        target->stop();
        EXPECT_EQ(target->health(), TargetHealth::off) << what;
    }
}

TEST(Target, FiguresCombineTheMonitors) {
    auto sweep = heldTarget({TargetKind::pingSweep, "127.0.0.1", "127.0.0.3", 24},
                            {{10, 30, lost}, {20, 40}, {}});
    EXPECT_EQ(sweep->currentLatency(), 35) << "the mean of the newest answers";
    EXPECT_NEAR(sweep->lossPct(), 100.0 / 3 / 3, 1e-9) << "the mean loss";
    EXPECT_EQ(sweep->avgLatency(), 25);
    EXPECT_EQ(sweep->minLatency(), 10);
    EXPECT_EQ(sweep->maxLatency(), 40);
    EXPECT_FALSE(sweep->jitter() || sweep->mos() || sweep->statusMessage());

    auto ping = heldTarget({TargetKind::hostPing, "127.0.0.1", "", 24}, {{10, 30, lost}});
    EXPECT_EQ(ping->jitter(), 20);
    EXPECT_EQ(ping->mos(), ping->monitors()[0]->stats().mos);
    EXPECT_EQ(ping->currentLatency(), 30);
}

TEST(Target, EachKindGetsItsMonitorsAndHistoryKeys) {
    auto trace = Target::create({TargetKind::traceroute, "h.lab", "", 24}, false);
    ASSERT_EQ(trace->monitors().size(), 1u);
    EXPECT_EQ(trace->monitors()[0]->persistKey(), "traceroute:h.lab");
    EXPECT_EQ(trace->monitors()[0]->mode(), PingMonitor::Mode::traceroute);
    auto service = Target::create({TargetKind::serviceCheck, "h.lab:22", "", 24}, false);
    EXPECT_EQ(service->monitors()[0]->persistKey(), "serviceCheck:h.lab:22");
    EXPECT_EQ(service->monitors()[0]->mode(), PingMonitor::Mode::service);
    auto sweep =
        Target::create({TargetKind::pingSweep, "198.18.250.1", "198.18.250.254", 24}, false);
    ASSERT_EQ(sweep->monitors().size(), 254u);
    EXPECT_FALSE(sweep->monitors()[0]->persistKey());
    EXPECT_EQ(sweep->monitors()[0]->mode(), PingMonitor::Mode::liveness);
    EXPECT_EQ(sweep->monitors()[253]->host(), "198.18.250.254");
    EXPECT_EQ(sweep->sweepResultKey(), "pingSweep:198.18.250.0/24");
}

TEST(Target, HostPingHealthFollowsItsProbesAndIsAnnouncedAtMostFourTimesASecond) {
    lab::TunPath path;
    const auto host = path.address(2);
    path.setDestinations({host});
    auto target = Target::create({TargetKind::hostPing, QString::fromStdString(host), "", 24}, true,
                                 {.probeInterval = 0.1, .probeTimeout = 0.1});
    EXPECT_EQ(target->health(), TargetHealth::warn) << "no reply yet";
    ASSERT_TRUE(spinUntil([&] { return target->health() == TargetHealth::ok; }));

    int announcements = 0;
    QObject::connect(target.get(), &Target::changed, [&] { ++announcements; });
    const auto samplesBefore = target->monitors()[0]->samples().size();
    path.setLoss(lab::TunPath::Loss::everyNth(1));
    ASSERT_TRUE(spinUntil([&] { return target->health() == TargetHealth::down; }));
    // Ten samples a second, several changes each, but at most four announcements a second.
    spinFor(1s);
    const auto samples = target->monitors()[0]->samples().size() - samplesBefore;
    EXPECT_GE(samples, 10u);
    EXPECT_LE(announcements, int(samples) / 2);

    target->setEnabled(false);
    EXPECT_EQ(target->health(), TargetHealth::off);
    EXPECT_FALSE(target->monitors()[0]->isRunning());
}

// A sweep over .2 to .7 of a path on which .2 and .3 answer: each complete pass is stored, a
// later launch shows it in the disabled sweep, and the rescan finds a host that came up since.
// Passes last about six seconds (five unanswered echoes), so rescans come every eight.
TEST(Target, SweepStoresCompletePassesRestoresThemAndRescansOnSchedule) {
    lab::TunPath path;
    path.setDestinations({path.address(2), path.address(3)});
    const auto address = [&](int lastByte) {
        return QString::fromStdString(path.address(lastByte));
    };
    const TargetSpec spec{TargetKind::pingSweep, address(2), address(7), 24};
    const std::vector<std::optional<bool>> firstPass{true, true, false, false, false, false};
    auto sweep = Target::create(spec, true, {.sweepRescanInterval = 8});
    EXPECT_TRUE(sweep->isScanning());
    EXPECT_EQ(sweep->health(), TargetHealth::ok) << "healthy while the pass fills in";
    ASSERT_TRUE(spinUntil([&] { return !sweep->isScanning(); }, 15s));
    ASSERT_EQ(aliveOf(*sweep), firstPass);
    std::vector<SweepHostState> stored;
    ASSERT_TRUE(spinUntil([&] { return (stored = storedSweep(*sweep)).size() == 6; }));
    for (std::size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(stored[i].host, sweep->monitors()[i]->host());
        EXPECT_EQ(stored[i].alive, firstPass[i]);
    }

    auto restored = Target::create(spec, false);
    ASSERT_TRUE(spinUntil([&] { return restored->monitors()[0]->alive().has_value(); }));
    EXPECT_EQ(aliveOf(*restored), firstPass);

    path.setDestinations({path.address(2), path.address(3), path.address(4)});
    ASSERT_TRUE(spinUntil([&] { return sweep->monitors()[2]->alive() == true; }, 15s))
        << "the rescan finds the host that came up";
    sweep->stop();

    // Stopped in the middle of its first pass, a sweep of another network stores nothing.
    auto interrupted = Target::create({TargetKind::pingSweep, address(9), address(9), 28}, true);
    spinFor(300ms);
    interrupted->stop();
    spinFor(1500ms);
    EXPECT_TRUE(storedSweep(*interrupted).empty());
}

} // namespace
} // namespace vantorel
