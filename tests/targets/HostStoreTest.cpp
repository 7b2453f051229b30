#include "targets/HostStore.h"

#include "lab/TunPath.h"
#include "settings/Preferences.h"
#include "settings/SettingKeys.h"
#include "support/EventLoop.h"
#include "support/QtPrinters.h"
#include "targets/TargetSpecJson.h"

#include <gtest/gtest.h>

namespace vantorel {
namespace {

Preferences& preferences() {
    return Preferences::instance();
}

std::vector<TargetSpec> specsOf(const HostStore& store) {
    std::vector<TargetSpec> specs;
    for (const auto& target : store.targets())
        specs.push_back(target->spec());
    return specs;
}

// What a launch reads: the current list, else the older list migrated, else the built-in one.
TEST(HostStore, LaunchReadsTheStoredListOrMigratesTheOlderOneAllSwitchedOff) {
    const QByteArray damaged = R"([{"kind":"hostPing","host":"a","endHost":""}])";
    const QVariant absent;
    const struct {
        QVariant current, older;
        std::vector<TargetSpec> specs;
    } cases[] = {
        {absent,
         absent,
         {{TargetKind::hostPing, HostStore::defaultEntries()[0], "", 24},
          {TargetKind::hostPing, HostStore::defaultEntries()[1], "", 24}}},
        {QByteArray("[]"), QStringList{"10.0.0.7"}, {}},
        {damaged,
         QStringList{"10.0.0.0/24", "10.0.0.7", "10.0.0.0/23", "", "router/32"},
         {{TargetKind::pingSweep, "10.0.0.1", "10.0.0.254", 24},
          {TargetKind::hostPing, "10.0.0.7", "", 24},
          {TargetKind::hostPing, "router", "", 24}}},
        {absent,
         QStringList{"10.1.2.3/30", "10.1.2.3/31"},
         {{TargetKind::pingSweep, "10.1.2.1", "10.1.2.2", 30},
          {TargetKind::pingSweep, "10.1.2.2", "10.1.2.3", 31}}},
    };
    for (const auto& [current, older, specs] : cases) {
        preferences().setValue(HostStore::kKey, current);
        preferences().setValue(keys::targets, older);
        HostStore store;
        EXPECT_EQ(specsOf(store), specs) << older.toStringList().join(' ').toStdString();
        for (const auto& target : store.targets())
            EXPECT_FALSE(target->enabled() || target->monitors()[0]->isRunning());
        EXPECT_EQ(preferences().dataValue(HostStore::kKey), current.toByteArray())
            << "nothing is saved at launch";
    }
}

TEST(HostStore, AddAndRemoveAreSavedAndReadBackSwitchedOffWithNewIds) {
    lab::TunPath path;
    path.setDestinations({path.address(2)});
    const auto address = [&](int lastByte) {
        return QString::fromStdString(path.address(lastByte));
    };
    preferences().setValue(HostStore::kKey, QByteArray("[]"));
    const TargetSpec ping{TargetKind::hostPing, address(2), "", 24};
    const TargetSpec trace{TargetKind::traceroute, address(2), "", 24};
    const TargetSpec sweep{TargetKind::pingSweep, address(10), address(20), 24};
    std::vector<QUuid> firstIds;
    {
        HostStore store;
        int announcements = 0;
        QObject::connect(&store, &HostStore::changed, [&] { ++announcements; });
        const auto pingId = store.add(ping);
        store.add(trace);
        store.add(sweep);
        ASSERT_EQ(store.targets().size(), 3u);
        EXPECT_TRUE(store.targets()[0]->enabled()) << "an added target starts at once";

        // Duplicates: same kind and display name, even when a sweep's end differs.
        const QByteArray saved = preferences().dataValue(HostStore::kKey);
        EXPECT_EQ(store.add(ping), pingId);
        EXPECT_EQ(store.add({TargetKind::pingSweep, address(30), address(40), 24}),
                  store.targets()[2]->id());
        EXPECT_EQ(store.targets().size(), 3u);
        EXPECT_EQ(preferences().dataValue(HostStore::kKey), saved) << "a duplicate saves nothing";

        ASSERT_TRUE(test::spinUntil([&] { return announcements > 3; }))
            << "target changes are re-announced";
        const auto removed = store.targets()[1];
        store.remove(removed->id());
        EXPECT_FALSE(removed->enabled() || removed->monitors()[0]->isRunning());
        for (const auto& target : store.targets())
            firstIds.push_back(target->id());
    }
    const std::vector<TargetSpec> kept{ping, sweep};
    EXPECT_EQ(decodeTargetSpecs(preferences().dataValue(HostStore::kKey)), kept);
    HostStore restarted;
    EXPECT_EQ(specsOf(restarted), kept);
    for (const auto& target : restarted.targets()) {
        EXPECT_FALSE(target->enabled());
        EXPECT_EQ(std::count(firstIds.begin(), firstIds.end(), target->id()), 0);
    }
}

} // namespace
} // namespace vantorel
