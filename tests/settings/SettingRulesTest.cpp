#include "settings/SettingRules.h"

#include "settings/Preferences.h"
#include "settings/SettingKeys.h"

#include <QTemporaryDir>
#include <cmath>
#include <gtest/gtest.h>

namespace vantorel {
namespace {

TEST(HistoryWindow, ClampsMinutesToOneMinuteThroughOneDayOrIsTenMinutesWhenOff) {
    EXPECT_EQ(historyWindowSeconds(true, 30), 1800);
    EXPECT_EQ(historyWindowSeconds(true, 0), 60);
    EXPECT_EQ(historyWindowSeconds(true, -5), 60);
    EXPECT_EQ(historyWindowSeconds(true, 5000), 86400);
    EXPECT_EQ(historyWindowSeconds(false, 0), 600);
    EXPECT_EQ(historyWindowSeconds(false, 5000), 600);
}

TEST(LatencyColour, BandsAreHalfOpenAtTheDefaultThresholds) {
    EXPECT_EQ(latencyColour(49.99, 50, 150), LatencyColour::green);
    EXPECT_EQ(latencyColour(50.0, 50, 150), LatencyColour::yellow);
    EXPECT_EQ(latencyColour(149.99, 50, 150), LatencyColour::yellow);
    EXPECT_EQ(latencyColour(150.0, 50, 150), LatencyColour::red);
}

TEST(LatencyColour, RepairsZeroAndInvertedThresholds) {
    EXPECT_EQ(latencyColour(0.5, 0, 0), LatencyColour::green);
    EXPECT_EQ(latencyColour(1.5, 0, 0), LatencyColour::yellow);
    EXPECT_EQ(latencyColour(2.0, 0, 0), LatencyColour::red);

    // Green 100, yellow 60 behave as 100 and 101.
    EXPECT_EQ(latencyColour(99, 100, 60), LatencyColour::green);
    EXPECT_EQ(latencyColour(100.5, 100, 60), LatencyColour::yellow);
    EXPECT_EQ(latencyColour(101, 100, 60), LatencyColour::red);

    EXPECT_EQ(latencyColour(0.5, std::nan(""), std::nan("")), LatencyColour::green);
    EXPECT_EQ(latencyColour(1.5, std::nan(""), std::nan("")), LatencyColour::yellow);
}

TEST(UnreachableDelay, IsAtLeastFiveSeconds) {
    EXPECT_EQ(unreachableDelaySeconds(30), 30);
    EXPECT_EQ(unreachableDelaySeconds(4), 5);
    EXPECT_EQ(unreachableDelaySeconds(-1), 5);
}

TEST(SettingRules, ReadThePreferencesStore) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    Preferences prefs(folder.filePath("rules.conf"));
    prefs.registerDefaults();
    prefs.setValue(keys::scrollbackEnabled, false);
    prefs.setValue(keys::latencyYellow, 40.0);
    prefs.setValue(keys::alertUnreachableSecs, 2);
    EXPECT_EQ(historyWindowSeconds(prefs), 600);
    EXPECT_EQ(latencyColour(51, prefs), LatencyColour::red);
    EXPECT_EQ(unreachableDelaySeconds(prefs), 5);
}

} // namespace
} // namespace vantorel
