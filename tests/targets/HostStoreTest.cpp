#include "targets/HostStore.h"

#include "lab/TunPath.h"
#include "settings/Preferences.h"
#include "settings/SettingKeys.h"
#include "support/EventLoop.h"
#include "support/QtPrinters.h"
#include "targets/TargetSpecJson.h"

#include <gtest/gtest.h>

using vantorel::test::spinUntil;

namespace vantorel {
namespace {

QString qt(const std::string& text) {
    return QString::fromStdString(text);
}

class HostStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        preferences().remove(HostStore::kKey);
        preferences().remove(keys::targets);
    }
    static Preferences& preferences() { return Preferences::instance(); }
    static std::vector<TargetSpec> specsOf(const HostStore& store) {
        std::vector<TargetSpec> specs;
        for (const auto& target : store.targets())
            specs.push_back(target->spec());
        return specs;
    }
};

TEST_F(HostStoreTest, FirstLaunchHasTheTwoDefaultHostPingsSwitchedOff) {
    HostStore store;
    ASSERT_EQ(store.targets().size(), 2u);
    for (int i = 0; i < 2; ++i) {
        const auto& target = *store.targets()[std::size_t(i)];
        EXPECT_EQ(target.spec(),
                  (TargetSpec{TargetKind::hostPing, HostStore::defaultEntries()[i], "", 24}));
        EXPECT_FALSE(target.enabled());
        EXPECT_FALSE(target.monitors()[0]->isRunning());
    }
    EXPECT_FALSE(preferences().contains(HostStore::kKey)) << "nothing is saved at launch";
}

TEST_F(HostStoreTest, OlderListIsMigratedAndAnUndecodableListIsLeftInPlace) {
    const QByteArray damaged = R"([{"kind":"hostPing","host":"a","endHost":""}])";
    preferences().setValue(HostStore::kKey, damaged);
    preferences().setValue(keys::targets,
                           QStringList{"10.0.0.0/24", "10.0.0.7", "10.0.0.0/23", ""});
    HostStore store;
    EXPECT_EQ(specsOf(store),
              (std::vector<TargetSpec>{{TargetKind::pingSweep, "10.0.0.1", "10.0.0.254", 24},
                                       {TargetKind::hostPing, "10.0.0.7", "", 24}}));
    EXPECT_EQ(store.targets()[0]->spec().displayName(), "10.0.0.0/24");
    EXPECT_EQ(preferences().dataValue(HostStore::kKey), damaged);

    preferences().setValue(HostStore::kKey, QByteArray("[]"));
    EXPECT_TRUE(HostStore().targets().empty()) << "an empty stored list is a list";
}

TEST_F(HostStoreTest, AddAndRemoveAreSavedAndReadBackDisabledWithNewIds) {
    lab::TunPath path;
    path.setDestinations({path.address(2), path.address(3)});
    preferences().setValue(HostStore::kKey, QByteArray("[]"));
    std::vector<QUuid> firstIds;
    std::vector<TargetSpec> kept;
    {
        HostStore store;
        int announcements = 0;
        QObject::connect(&store, &HostStore::changed, [&] { ++announcements; });
        const TargetSpec ping{TargetKind::hostPing, qt(path.address(2)), "", 24};
        const TargetSpec trace{TargetKind::traceroute, qt(path.address(2)), "", 24};
        const TargetSpec sweep{TargetKind::pingSweep, qt(path.address(10)), qt(path.address(20)),
                               24};
        const auto pingId = store.add(ping);
        store.add(trace);
        store.add(sweep);
        ASSERT_EQ(store.targets().size(), 3u);
        EXPECT_TRUE(store.targets()[0]->enabled()) << "an added target starts at once";

        const QByteArray saved = preferences().dataValue(HostStore::kKey);
        EXPECT_EQ(store.add(ping), pingId) << "an equal target is the existing one";
        const TargetSpec sameNetwork{TargetKind::pingSweep, qt(path.address(30)),
                                     qt(path.address(40)), 24};
        EXPECT_EQ(store.add(sameNetwork), store.targets()[2]->id());
        EXPECT_EQ(store.targets().size(), 3u);
        EXPECT_EQ(preferences().dataValue(HostStore::kKey), saved) << "a duplicate saves nothing";

        ASSERT_TRUE(spinUntil([&] { return announcements > 3; }))
            << "target changes are re-announced";
        const auto removed = store.targets()[1];
        store.remove(removed->id());
        EXPECT_FALSE(removed->enabled());
        EXPECT_FALSE(removed->monitors()[0]->isRunning());
        kept = specsOf(store);
        EXPECT_EQ(kept, (std::vector<TargetSpec>{ping, sweep}));
        for (const auto& target : store.targets())
            firstIds.push_back(target->id());
    }
    const auto stored = decodeTargetSpecs(preferences().dataValue(HostStore::kKey));
    ASSERT_TRUE(stored);
    EXPECT_EQ(*stored, kept);

    HostStore restarted;
    EXPECT_EQ(specsOf(restarted), kept);
    for (const auto& target : restarted.targets()) {
        EXPECT_FALSE(target->enabled());
        EXPECT_EQ(std::count(firstIds.begin(), firstIds.end(), target->id()), 0);
    }
}

} // namespace
} // namespace vantorel
