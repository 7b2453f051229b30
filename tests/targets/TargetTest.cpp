#include "targets/Target.h"

#include "history/SampleStore.h"
#include "lab/Lab.h"
#include "lab/TunPath.h"
#include "support/EventLoop.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;
using vantorel::test::spinFor;
using vantorel::test::spinUntil;

namespace vantorel {
namespace {

constexpr MonitorTiming kFast{.probeInterval = 0.1, .probeTimeout = 0.1, .restartDelay = 0.2};

QString qt(const std::string& text) {
    return QString::fromStdString(text);
}

std::optional<std::vector<SweepHostState>> storedSweep(const QString& key) {
    std::optional<std::vector<SweepHostState>> states;
    SampleStore::shared()->loadSweepState(key, [&](auto loaded) { states = loaded; });
    EXPECT_TRUE(spinUntil([&] { return states.has_value(); }));
    return states;
}

TEST(Target, HostPingHealthIsWarnBeforeTheFirstReplyThenOkThenDownAfterThreeLosses) {
    lab::TunPath path;
    const auto host = path.address(2);
    path.setDestinations({host});
    auto target = Target::create({TargetKind::hostPing, qt(host), "", 24}, true, kFast);
    EXPECT_EQ(target->health(), TargetHealth::warn) << "no reply yet";
    ASSERT_TRUE(spinUntil([&] { return target->health() == TargetHealth::ok; }));

    int announcements = 0;
    QObject::connect(target.get(), &Target::changed, [&] { ++announcements; });
    const auto samplesBefore = target->monitors()[0]->samples().size();
    path.setLoss(lab::TunPath::Loss::everyNth(1));
    ASSERT_TRUE(spinUntil([&] { return target->health() == TargetHealth::down; }));
    EXPECT_GE(target->monitors()[0]->consecutiveLosses(), 3);
    // Ten samples a second, several changes each, but at most four announcements a second.
    spinFor(1s);
    const auto samples = target->monitors()[0]->samples().size() - samplesBefore;
    EXPECT_GE(samples, 10u);
    EXPECT_LE(announcements, int(samples) / 2);

    target->setEnabled(false);
    EXPECT_EQ(target->health(), TargetHealth::off);
    EXPECT_FALSE(target->monitors()[0]->isRunning());
}

TEST(Target, EachKindGetsItsMonitorsAndHistoryKeys) {
    auto trace = Target::create({TargetKind::traceroute, "h.lab", "", 24}, false);
    ASSERT_EQ(trace->monitors().size(), 1u);
    EXPECT_EQ(trace->monitors()[0]->persistKey(), "traceroute:h.lab");
    EXPECT_EQ(trace->monitors()[0]->mode(), PingMonitor::Mode::traceroute);
    auto service = Target::create({TargetKind::serviceCheck, "h.lab:22", "", 24}, false);
    EXPECT_EQ(service->monitors()[0]->persistKey(), "serviceCheck:h.lab:22");
    auto sweep =
        Target::create({TargetKind::pingSweep, "198.18.250.1", "198.18.250.254", 24}, false);
    ASSERT_EQ(sweep->monitors().size(), 254u);
    EXPECT_FALSE(sweep->monitors()[0]->persistKey());
    EXPECT_EQ(sweep->monitors()[253]->host(), "198.18.250.254");
    EXPECT_EQ(sweep->sweepResultKey(), "pingSweep:198.18.250.0/24");
    EXPECT_EQ(sweep->health(), TargetHealth::off);
}

TEST(Target, SweepStoresOneCompletePassNothingWhenStoppedAndRestoresIntoADisabledSweep) {
    lab::Lab lab;
    const auto subnet = lab.startSubnet();
    const auto alive = lab.addHosts(3);
    lab.addSilentHost();
    // The range runs two addresses past the silent host, where nobody answers either.
    const auto first = qt(alive.front());
    const QString last = first.left(first.lastIndexOf('.') + 1) + "6";
    const TargetSpec spec{TargetKind::pingSweep, first, last, 24};

    auto sweep = Target::create(spec, true);
    EXPECT_EQ(sweep->health(), TargetHealth::ok) << "healthy while the pass fills in";
    EXPECT_TRUE(sweep->isScanning());
    ASSERT_TRUE(spinUntil([&] { return !sweep->isScanning(); }, 15s));
    EXPECT_EQ(sweep->health(), TargetHealth::ok);
    std::optional<std::vector<SweepHostState>> stored;
    ASSERT_TRUE(spinUntil([&] {
        stored = storedSweep(sweep->sweepResultKey());
        return stored && !stored->empty();
    }));
    ASSERT_EQ(stored->size(), 6u);
    for (std::size_t i = 0; i < 6; ++i) {
        EXPECT_EQ((*stored)[i].host, sweep->monitors()[i]->host());
        EXPECT_EQ((*stored)[i].alive, i < 3) << i;
    }
    sweep->stop();

    // A second sweep of another network, stopped in the middle of its pass, stores nothing.
    lab.startSubnet();
    const auto other = qt(lab.addHost());
    auto interrupted = Target::create({TargetKind::pingSweep, other, other, 24}, true);
    spinFor(300ms);
    interrupted->stop();
    spinFor(1500ms);
    EXPECT_TRUE(storedSweep(interrupted->sweepResultKey())->empty());

    // Read back at a later launch: a disabled sweep shows the stored pass.
    auto restored = Target::create(spec, false);
    ASSERT_TRUE(spinUntil([&] { return restored->monitors()[0]->alive().has_value(); }));
    for (std::size_t i = 0; i < 6; ++i)
        EXPECT_EQ(restored->monitors()[i]->alive(), i < 3) << i;
    EXPECT_EQ(restored->health(), TargetHealth::off);
    (void)subnet;
}

} // namespace
} // namespace vantorel
