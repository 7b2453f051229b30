#include "history/SampleStore.h"
#include "lab/TunPath.h"
#include "settings/Preferences.h"
#include "settings/SettingKeys.h"
#include "support/EventLoop.h"
#include "support/HttpTestServer.h"
#include "support/QtPrinters.h"
#include "targets/HeldTarget.h"
#include "targets/HostStore.h"
#include "targets/TargetForm.h"
#include "targets/TargetSpecJson.h"
#include "targets/UnreadableList.h"

#include <QTcpServer>
#include <gtest/gtest.h>
#include <limits>
#include <thread>

using namespace std::chrono_literals;
using namespace vantorel::test;

namespace vantorel {
namespace {

constexpr auto ping = TargetKind::hostPing, sweep = TargetKind::pingSweep,
               trace = TargetKind::traceroute, service = TargetKind::serviceCheck;
constexpr auto lost = std::nullopt;

std::vector<TargetSpec> specsOf(const HostStore& store) {
    std::vector<TargetSpec> specs;
    std::ranges::transform(store.targets(), std::back_inserter(specs), &Target::spec);
    return specs;
}

std::vector<SweepHostState> storedSweep(const Target& sweep) {
    std::optional<std::vector<SweepHostState>> states;
    SampleStore::shared()->loadSweepState(sweep.sweepResultKey(), [&](auto s) { states = s; });
    EXPECT_TRUE(spinUntil([&] { return states.has_value(); }));
    return states.value_or(std::vector<SweepHostState>{});
}

std::vector<std::optional<bool>> aliveOf(const Target& sweep) {
    std::vector<std::optional<bool>> alive;
    std::ranges::transform(sweep.monitors(), std::back_inserter(alive), &PingMonitor::alive);
    return alive;
}

// The current list, else the older list (hosts and /24 to /32 blocks) migrated, else the built-in
// one; every target read switched off, and nothing saved.
TEST(HostStore, LaunchReadsTheStoredListAsItWasWrittenOrMigratesTheOlderOne) {
    const QByteArray damaged = R"([{"kind":"hostPing","host":"a","endHost":""}])";
    const QStringList older{
        "10.0.0.0/24",  " 10.0.0.7\t",  "router",        "router/32",
        "10.1.2.3/29",  "10.1.2.3/31",  "10.0.0.0/23",   "",
        "/24",          "10.0.0.0/ 24", "10.0.0.0/24/1", "router/24",
        "10.0.0.0/-24", "10.2.0.0 /24", "10.0.0.8/33",   "10.0.0.0/18446744073709551640"};
    const std::vector<TargetSpec> migrated{{sweep, "10.0.0.1", "10.0.0.254", 24},
                                           {ping, "10.0.0.7", "", 24},
                                           {ping, "router", "", 24},
                                           {ping, "router", "", 24},
                                           {sweep, "10.1.2.1", "10.1.2.6", 29},
                                           {sweep, "10.1.2.2", "10.1.2.3", 31},
                                           {sweep, "10.2.0.1", "10.2.0.254", 24}};
    const auto& builtIn = HostStore::defaultEntries();
    const std::tuple<QVariant, QVariant, std::vector<TargetSpec>> cases[] = {
        {{}, {}, {{ping, builtIn[0], "", 24}, {ping, builtIn[1], "", 24}}},
        {QByteArray("[]"), older, {}},
        {{}, QStringList(), {}}, // an older list the user emptied stays empty
        {damaged, older, migrated}};
    for (const auto& [current, previous, specs] : cases) {
        Preferences::instance().setValue(HostStore::kKey, current);
        Preferences::instance().setValue(keys::targets, previous);
        HostStore store;
        EXPECT_EQ(specsOf(store), specs);
        EXPECT_NE(store.takeUnreadableListCopy(), QString(HostStore::kKey)) << "kept beside it";
        for (const auto& target : store.targets())
            EXPECT_FALSE(target->enabled() || target->monitors()[0]->isRunning());
        EXPECT_EQ(Preferences::instance().dataValue(HostStore::kKey), current.toByteArray());
    }
    // A list is kept once however often it is met, and two of the same second both are.
    auto& preferences = Preferences::instance();
    const QDateTime at = QDateTime::fromSecsSinceEpoch(0, Qt::UTC);
    const QString first = keepUnreadableList(preferences, "[{", at);
    EXPECT_NE(keepUnreadableList(preferences, "[{}", at), first);
    EXPECT_EQ(keepUnreadableList(preferences, "[{", at.addDays(1)), first);
    EXPECT_EQ(preferences.dataValue(first), "[{");

    // A pre-IPv6 list reads back under the names and history keys it had, saved byte for byte.
    const QByteArray before =
        R"([{"kind":"hostPing","host":"198.018.0.1","endHost":"","maskPrefix":24},)"
        R"({"kind":"traceroute","host":"router.lab","endHost":"","maskPrefix":24},)"
        R"({"kind":"serviceCheck","host":"0198.18.0.5:22","endHost":"","maskPrefix":24},)"
        R"({"kind":"pingSweep","host":"198.18.0.1","endHost":"198.18.0.20","maskPrefix":27}])";
    preferences.setValue(HostStore::kKey, before);
    HostStore store;
    QStringList read;
    for (const auto& target : store.targets())
        read.append(target->spec().displayName() + ' ' +
                    target->monitors()[0]->persistKey().value_or(target->sweepResultKey()));
    EXPECT_EQ(read,
              (QStringList{"198.018.0.1 hostPing:198.18.0.1", "router.lab traceroute:router.lab",
                           "0198.18.0.5:22 serviceCheck:0198.18.0.5:22",
                           "198.18.0.0/27 pingSweep:198.18.0.0/27"}));
    store.save();
    EXPECT_EQ(preferences.dataValue(HostStore::kKey), before);
}

TEST(HostStore, AddAndRemoveAreSavedAndReadBackSwitchedOff) {
    lab::TunPath path; // the targets' addresses, so that what they probe stays on this machine
    const auto address = [&](int byte) { return QString::fromStdString(path.address(byte)); };
    Preferences::instance().setValue(HostStore::kKey, QByteArray("[]"));
    const TargetSpec pinged{ping, address(2), "", 24}, traced{trace, address(2), "", 24},
        swept{sweep, address(10), address(20), 24};
    std::shared_ptr<PingMonitor> outliving; // as a view may hold it
    {
        HostStore store;
        int announcements = 0;
        QObject::connect(&store, &HostStore::changed, [&] { ++announcements; });
        const auto pingId = store.add(pinged);
        outliving = store.targets()[0]->monitors()[0];
        store.add(traced);
        store.add(swept);
        const auto& added = store.targets();
        ASSERT_EQ(added.size(), 3u);
        EXPECT_TRUE(added[0]->enabled()) << "an added target starts at once";
        // Each kind's monitors, and the keys their history is kept under.
        EXPECT_EQ(added[0]->monitors()[0]->persistKey(), "hostPing:" + address(2));
        EXPECT_EQ(added[1]->monitors()[0]->persistKey(), "traceroute:" + address(2));
        EXPECT_FALSE(added[2]->monitors()[0]->persistKey());
        EXPECT_EQ(added[2]->sweepResultKey(), "pingSweep:" + address(10).chopped(2) + "0/24");

        // A duplicate has the same kind and display name, even when a sweep's end differs.
        const QByteArray saved = Preferences::instance().dataValue(HostStore::kKey);
        EXPECT_EQ(store.add(pinged), pingId);
        EXPECT_EQ(store.add({sweep, address(30), address(40), 24}), added[2]->id());
        EXPECT_EQ(added.size(), 3u);

        ASSERT_TRUE(spinUntil([&] { return announcements > 3; })) << "target changes are announced";
        const auto removed = added[2];
        store.remove(removed->id());
        EXPECT_FALSE(removed->enabled() || removed->monitors()[0]->isRunning());
        store.restore(removed, 2, true); // an undone removal goes back to its place, the last too
        EXPECT_TRUE(store.targets()[2] == removed && removed->enabled());
        EXPECT_EQ(Preferences::instance().dataValue(HostStore::kKey), saved) << "saved as it was";
        EXPECT_EQ(store.restore(Target::create(swept, false), 0, true), removed->id()) << "equal";
        store.remove(removed->id());
    }
    outliving->record(5.0, dateNow()); // its target gone, it changes without a word to it
    spinFor(2 * ChangeCoalescer::kWindowMs * 1ms);
    const std::vector<TargetSpec> kept{pinged, traced};
    EXPECT_EQ(decodeTargetSpecs(Preferences::instance().dataValue(HostStore::kKey)), kept);
    HostStore restarted;
    EXPECT_EQ(specsOf(restarted), kept);
    EXPECT_FALSE(restarted.targets()[0]->enabled() || restarted.targets()[1]->enabled());

    // Targets whose windows close in one turn are announced once; a change of the user's, at once.
    int announced = 0;
    QObject::connect(&restarted, &HostStore::changed, [&] { ++announced; });
    for (const auto& target : restarted.targets())
        target->monitors()[0]->onChanged();
    std::this_thread::sleep_for(2 * ChangeCoalescer::kWindowMs * 1ms); // both windows are due
    spinFor(50ms);
    EXPECT_EQ(announced, 1);
    restarted.setStartWithVantorel(restarted.targets()[0]->id(), true);
    EXPECT_EQ(announced, 2);
}

// Addresses typed with leading zeros or a "+", or IPv6 ones in any of their spellings, are probed,
// keyed and told apart as the addresses they name, a service's host too; IPv6 ones are shown in
// their canonical form, and TCP and HTTP checks reach ::1. A target marked to start with Vantorel
// probes again after a restart, while the others stay off; every spec reads back as it was added.
TEST(HostStore, CanonicalAddressesAndTargetsThatStartWithVantorel) {
    lab::TunPath path;
    path.setDestinations({path.address(2), path.address(3)});
    const QString second = QString::fromStdString(path.address(2));
    const TargetSpec zeros{ping, "0" + second.split('.').join(".0"), "", 24};
    const QString twin = QString::fromStdString(lab::ipv6Twin(path.address(3)));
    QTcpServer tcp, tcp6;
    ASSERT_TRUE(tcp.listen(QHostAddress::LocalHost) && tcp6.listen(QHostAddress::LocalHostIPv6));
    HttpTestServer http6({}, QHostAddress::LocalHostIPv6);
    const QString port6 = QString::number(tcp6.serverPort());
    const std::vector<TargetSpec> added{
        zeros,
        {ping, "+" + QString::fromStdString(path.address(3)), "", 24},
        {service, "0127.0.0.1:" + QString::number(tcp.serverPort()), "", 24},
        {trace, twin.toUpper(), "", 24},
        {service, "[0:0::1]:" + port6, "", 24},
        {service, "http://[0::1]:" + QString::number(http6.port()) + "/", "", 24}};
    Preferences::instance().setValue(HostStore::kKey, QByteArray("[]"));
    const MonitorTiming fast{.probeInterval = 0.2, .probeTimeout = 0.5, .httpCheckPeriod = 0.2};
    {
        HostStore store(fast);
        for (const TargetSpec& spec : added)
            store.add(spec);
        const auto& targets = store.targets();
        ASSERT_EQ(targets.size(), added.size());
        for (const auto& [spec, same] : {std::pair{TargetSpec{ping, second, "", 24}, 0},
                                         {{trace, twin, "", 24}, 3},
                                         {{service, "[::1]:" + port6, "", 24}, 4}})
            EXPECT_EQ(store.add(spec), targets[same]->id()) << spec.host.toStdString();
        EXPECT_EQ(targets[0]->monitors()[0]->persistKey(), "hostPing:" + second);
        EXPECT_EQ(targets[3]->monitors()[0]->persistKey(), "traceroute:" + twin);
        EXPECT_TRUE(spinUntil([&] {
            return std::all_of(targets.begin(), targets.end(),
                               [](auto& target) { return target->health() == TargetHealth::ok; });
        }));
        store.setStartWithVantorel(targets[0]->id(), true);
    }
    HostStore restarted(fast);
    const auto& targets = restarted.targets();
    auto readBack = added;
    readBack[0].startWithVantorel = true;
    EXPECT_EQ(specsOf(restarted), readBack) << "as typed";
    EXPECT_TRUE(spinUntil([&] { return targets[0]->health() == TargetHealth::ok; }));
    EXPECT_TRUE(std::ranges::none_of(targets.begin() + 1, targets.end(), &Target::enabled));
    EXPECT_EQ(HostStore({zeros, {ping, second, "", 24}}, fast).targets().size(), 1u)
        << "a list given twice over runs each target once";
}

std::shared_ptr<Target> held(const TargetSpec& spec, const std::vector<Outcomes>& outcomes,
                             const std::vector<std::optional<bool>>& alive = {}) {
    auto target = Target::create(spec, true);
    holdMonitors(*target, outcomes, alive);
    return target;
}

TEST(Target, HealthAtTheEdgesOfItsRulesAndTheCombinedFigures) {
    const TargetSpec host{ping, "127.0.0.1", "", 24}, range{sweep, "127.0.0.1", "127.0.0.3", 24};
    Outcomes loss10_1(101, lost); // lost first, so the newest sample answered
    loss10_1.resize(1000, 5.0);
    const std::tuple<const char*, TargetSpec, Outcomes, std::vector<std::optional<bool>>,
                     TargetHealth>
        cases[] = {{"no reply yet", host, {}, {}, TargetHealth::warn},
                   {"loss 10.0 %", host, answeredThenLost(9, 1), {}, TargetHealth::ok},
                   {"loss 10.1 %", host, loss10_1, {}, TargetHealth::warn},
                   {"two losses in a row", host, answeredThenLost(98, 2), {}, TargetHealth::ok},
                   {"three in a row", host, answeredThenLost(97, 3), {}, TargetHealth::down},
                   {"no host alive", range, {}, {false, false, false}, TargetHealth::down},
                   {"one host alive", range, {}, {false, true, false}, TargetHealth::ok},
                   {"a host not known yet", range, {}, {false, false, {}}, TargetHealth::ok}};
    for (const auto& [what, spec, outcomes, alive, health] : cases) {
        auto target = held(spec, {outcomes}, alive);
        EXPECT_EQ(target->health(), health) << what;
        target->stop();
        EXPECT_EQ(target->health(), TargetHealth::off) << what;
    }

    auto swept = held(range, {{10, 30, lost}, {20, 40}, {}});
    EXPECT_EQ(swept->currentLatency(), 35) << "the mean of the newest answers";
    EXPECT_NEAR(swept->lossPct(), 100.0 / 3 / 3, 1e-9);
    EXPECT_EQ(std::tuple(swept->avgLatency(), swept->minLatency(), swept->maxLatency()),
              std::tuple(25, 10, 40));
    EXPECT_FALSE(swept->jitter() || swept->mos() || swept->statusMessage());
    auto pinged = held(host, {{10, 30}});
    EXPECT_EQ(pinged->jitter(), 20);
    EXPECT_EQ(pinged->mos(), pinged->monitors()[0]->stats().mos);
    pinged->monitors()[0]->start(); // blocked at once: the answers before do not outweigh it
    pinged->monitors()[0]->handleBlock("no route");
    EXPECT_EQ(pinged->health(), TargetHealth::warn);
}

// A sweep over .2 to .7 of a path on which .2 and .3 answer: each complete pass is stored, a
// later launch shows it in the disabled sweep, and the rescan finds a host that came up since.
// Passes last about six seconds (five unanswered echoes), so rescans come every eight.
TEST(Target, SweepStoresCompletePassesRestoresThemAndRescansOnSchedule) {
    lab::TunPath path;
    path.setDestinations({path.address(2), path.address(3)});
    const auto address = [&](int byte) { return QString::fromStdString(path.address(byte)); };
    const TargetSpec spec{sweep, address(2), address(7), 24};
    const std::vector<std::optional<bool>> firstPass{true, true, false, false, false, false};
    auto swept = Target::create(spec, true, {.sweepRescanInterval = 8});
    EXPECT_TRUE(swept->isScanning());
    EXPECT_EQ(swept->health(), TargetHealth::ok) << "healthy while the pass fills in";
    ASSERT_TRUE(spinUntil([&] { return !swept->isScanning(); }, 15s));
    ASSERT_EQ(aliveOf(*swept), firstPass);
    std::vector<SweepHostState> stored;
    ASSERT_TRUE(spinUntil([&] { return (stored = storedSweep(*swept)).size() == 6; }));
    for (std::size_t i = 0; i < 6; ++i)
        EXPECT_EQ(std::tuple(stored[i].host, stored[i].alive, stored[i].latency.has_value()),
                  std::tuple(address(2 + int(i)), firstPass[i], *firstPass[i]));

    stored[0].hostname = "alpha.lab"; // as a lookup may have named it by then
    SampleStore::shared()->saveSweepState(swept->sweepResultKey(), stored);
    auto restored = Target::create(spec, false);
    int changes = 0;
    const QObject counting; // goes before `changes`, and takes the connection with it
    QObject::connect(restored->monitors()[0].get(), &PingMonitor::changed, &counting,
                     [&] { ++changes; });
    ASSERT_TRUE(spinUntil([&] { return changes > 0; })) << "the restored result is announced";
    EXPECT_EQ(aliveOf(*restored), firstPass);
    EXPECT_EQ(restored->monitors()[0]->hostname(), "alpha.lab");

    path.setDestinations({path.address(2), path.address(3), path.address(4)});
    EXPECT_TRUE(spinUntil([&] { return swept->monitors()[2]->alive() == true; }, 15s));
    swept->stop();

    // Stopped mid-pass, a sweep of another network stores nothing; and no sweep probes on once off.
    auto interrupted = Target::create({sweep, address(9), address(9), 28}, true);
    spinFor(300ms);
    interrupted->stop();
    spinFor(1500ms);
    EXPECT_TRUE(storedSweep(*interrupted).empty());
    EXPECT_FALSE(interrupted->isScanning() || swept->monitors().back()->isRunning()) << "stopped";
}

TEST(TargetSpec, KindsKeepTheirNamesAndLabelsAndHostsExpandOnlyAReadableSweep) {
    const QStringList names{"hostPing Host Ping", "pingSweep Ping Sweep", "traceroute Traceroute",
                            "serviceCheck Service Check"};
    for (int i = 0; const TargetKind kind : allTargetKinds)
        EXPECT_EQ(QString(persistedName(kind)) + ' ' + label(kind), names[i++]);

    EXPECT_EQ((TargetSpec{sweep, "198.18.0.254", "198.18.1.001", 24}.hosts()),
              (QStringList{"198.18.0.254", "198.18.0.255", "198.18.1.0", "198.18.1.1"}));
    EXPECT_EQ((TargetSpec{sweep, "010.0.0.7", "10.0.0.7", 24}.hosts()), QStringList{"10.0.0.7"});
    EXPECT_EQ((TargetSpec{trace, "+010.0.0.7", "", 24}.hosts()), QStringList{"10.0.0.7"});
    for (const TargetSpec& single :
         {TargetSpec{sweep, "10.0.0.9", "10.0.0.8", 24},
          TargetSpec{sweep, "router", "10.0.0.8", 24}, TargetSpec{sweep, "10.0.0.9", "", 24},
          TargetSpec{ping, "10.0.0.9", "10.0.0.12", 24},
          TargetSpec{service, "10.0.0.9", "10.0.0.12", 24}})
        EXPECT_EQ(single.hosts(), QStringList{single.host}) << single.endHost.toStdString();
    const QStringList cut = TargetSpec{sweep, "10.0.0.1", "10.0.1.255", 24}.hosts();
    EXPECT_EQ(cut.mid(252), (QStringList{"10.0.0.253", "10.0.0.254"})) << "254 in all";
}

TEST(TargetSpec, ASweepIsNamedAfterItsNetworkAndEverythingElseAfterItsHost) {
    const std::tuple<TargetKind, const char*, std::int64_t, const char*> names[] = {
        {sweep, "192.168.1.77", 24, "192.168.1.0/24"},
        {sweep, "192.168.1.77", 32, "192.168.1.77/32"},
        {sweep, "192.168.1.77", 16, "192.168.0.0/16"},
        {sweep, "192.168.001.77", 8, "192.0.0.0/8"},
        {sweep, "192.168.1.77", 7, "192.168.1.77"},
        {sweep, "192.168.1.77", 33, "192.168.1.77"},
        {sweep, "router", 24, "router"},
        {ping, "010.0.0.1", 24, "010.0.0.1"},
        {trace, "2001:DB8:0::1", 24, "2001:db8::1"},
        {service, "https://[2001:DB8::0:1]:8443/[x]", 24, "https://[2001:db8::1]:8443/[x]"}};
    for (const auto& [kind, host, prefix, name] : names)
        EXPECT_EQ((TargetSpec{kind, host, "192.168.1.80", prefix}.displayName()), name) << host;
}

TEST(TargetSpecJson, WritesTheMembersReadsBackAnyValidEncodingAndRefusesAnyFaultyElement) {
    EXPECT_EQ(encodeTargetSpecs(std::vector<TargetSpec>{{ping, "198.18.0.1", "", 24},
                                                        {sweep, "198.18.0.1", "198.18.0.20", 27}}),
              QByteArray(R"([{"kind":"hostPing","host":"198.18.0.1","endHost":"","maskPrefix":24},)"
                         R"({"kind":"pingSweep","host":"198.18.0.1","endHost":"198.18.0.20",)"
                         R"("maskPrefix":27}])"));
    std::vector<TargetSpec> specs{{sweep, "a", "b", std::numeric_limits<std::int64_t>::min()},
                                  {ping, "a", "", 24, true}};
    EXPECT_TRUE(encodeTargetSpec(specs[1])->endsWith(R"(:24,"startWithVantorel":true})"));
    for (const TargetKind kind : allTargetKinds)
        specs.push_back({kind, QString::fromUtf8("hôte \"x\"\\\n\t/\x1f😀"), "/", 24});
    EXPECT_EQ(decodeTargetSpecs(*encodeTargetSpecs(specs)), specs);
    EXPECT_EQ(decodeTargetSpecs(R"([ {"maskPrefix": 24.0, "extra": [1], "endHost": "",)"
                                R"( "host": "https:\/\/lab.test", "kind": "serviceCheck"} ])"),
              (std::vector<TargetSpec>{{service, "https://lab.test", "", 24}}));
    const char* const good = R"({"kind":"hostPing","host":"a","endHost":"","maskPrefix":24})";
    for (const char* faulty :
         {R"({"kind":"hostPing","host":"h","endHost":""})",
          R"({"kind":"HostPing","host":"h","endHost":"","maskPrefix":24})",
          R"({"host":"h","endHost":"","maskPrefix":24})",
          R"({"kind":"hostPing","host":"h","endHost":7,"maskPrefix":24})",
          R"({"kind":"hostPing","host":"h","endHost":"","maskPrefix":"24"})",
          R"({"kind":"hostPing","host":"h","endHost":"","maskPrefix":24.5})", R"("h")",
          R"({"kind":"hostPing","host":"h","endHost":"","maskPrefix":24,"startWithVantorel":1})"})
        EXPECT_EQ(decodeTargetSpecs(QByteArray("[") + good + "," + faulty + "]"), std::nullopt)
            << faulty;
    EXPECT_EQ(decodeTargetSpecs(good), std::nullopt) << "not an array";
}

TEST(TargetForm, TheLiveMessageAndTheSpecTheFormWouldSubmit) {
    const auto message = [](TargetKind kind, const char* host, const char* end) {
        return validationMessage(kind, QString(host), QString(end)).value_or("");
    };
    EXPECT_EQ(message(sweep, " 10.0.0.1\t", "10.0.0.254 ") + message(sweep, "  ", "\t"), "");
    EXPECT_EQ(message(sweep, "10.0.0.5", "10.0.0.5"), "") << "one address";
    EXPECT_EQ(message(sweep, "10.0.0.1", "10.0.0.255"), "Range too large (max 254 addresses)");
    EXPECT_EQ(message(sweep, "10.0.0.9", "10.0.0.8"), "Start IP must be ≤ end IP");
    EXPECT_EQ(message(sweep, "", "10.0.0.8"), "Start must be a valid IPv4 address");
    EXPECT_EQ(message(sweep, "10.0.0.1", "10.0.0"), "End must be a valid IPv4 address");
    for (const char* bad : {"server", "server:0", "a:b:22"})
        EXPECT_EQ(message(service, bad, ""), "Use host:port (TCP) or an http(s):// URL") << bad;
    for (const char* good : {"  ", " 10.0.0.5:8080\t", "https://lab.test/x"})
        EXPECT_EQ(message(service, good, ""), "") << good;
    EXPECT_EQ(message(ping, "not an address:", "10.0.0.0") + message(trace, "", ""), "");

    const auto spec = [](TargetKind kind, const char* host, const char* end, std::int64_t prefix) {
        return specFromForm(kind, QString(host), QString(end), prefix);
    };
    EXPECT_EQ(spec(ping, "\u00a0 a\u3000", "10.0.0.9", 16), (TargetSpec{ping, "a", "", 24}));
    EXPECT_EQ(spec(trace, "\t010.0.0.1 ", "", 30), (TargetSpec{trace, "010.0.0.1", "", 24}));
    EXPECT_EQ(spec(service, " server:22 ", "x", 16), (TargetSpec{service, "server:22", "", 24}));
    EXPECT_EQ(spec(service, "[0::1]:22", "", 16), (TargetSpec{service, "[::1]:22", "", 24}));
    EXPECT_EQ(spec(sweep, " 010.0.0.1", "10.0.0.254 ", 27),
              (TargetSpec{sweep, "010.0.0.1", "10.0.0.254", 27}));
    for (const auto& refused :
         {spec(ping, "   ", "", 24), spec(service, "", "", 24), spec(service, "server:0", "", 24),
          spec(sweep, "10.0.0.1", "", 24), spec(sweep, "10.0.0.1", "10.0.0.255", 24),
          spec(sweep, "10.0.0.9", "10.0.0.8", 24), spec(sweep, "2001:db8::1", "2001:db8::9", 24)})
        EXPECT_EQ(refused, std::nullopt);
}

} // namespace
} // namespace vantorel
