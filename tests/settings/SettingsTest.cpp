#include "settings/Preferences.h"
#include "settings/SettingKeys.h"
#include "settings/SettingRules.h"
#include "settings/ValueConversion.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <cmath>
#include <gtest/gtest.h>
#include <numeric>

namespace vantorel {
namespace {

class SettingsTest : public testing::Test {
protected:
    // A file of its own for every store: QSettings keeps parsed files cached per path within
    // the process, and a fresh path is the only way to make it read a file from disk.
    QString freshPath() { return folder_.filePath(QStringLiteral("prefs%1.conf").arg(++files_)); }

    // Reads `path` back as a new process would, through a copy QSettings has never seen.
    QString copyAsUnseen(const QString& path) {
        const QString copy = freshPath();
        EXPECT_TRUE(QFile::copy(path, copy));
        return copy;
    }

    QTemporaryDir folder_;
    int files_ = 0;
};

TEST_F(SettingsTest, DefaultsAreReadUntilAValueIsStoredNeverWrittenAndRepairedInUse) {
    const QString path = freshPath();
    Preferences prefs(path);
    prefs.registerDefaults();
    const std::pair<QLatin1StringView, QVariant> defaults[] = {
        {keys::appearance, "auto"},       {keys::glassEnabled, true},
        {keys::latencyGreen, 50.0},       {keys::latencyYellow, 150.0},
        {keys::scrollbackEnabled, true},  {keys::scrollbackMinutes, 30},
        {keys::use24Hour, false},         {keys::alertsEnabled, false},
        {keys::alertUnreachableSecs, 30}, {keys::alertLossPct, 10.0},
        {keys::alertLatencyMs, 500.0},    {keys::targetsV2, QVariant()},
        {keys::targets, QVariant()},      {keys::preferIPv6, false},
        {keys::metricsEnabled, false},    {keys::metricsPort, 9464}};
    for (const auto& [key, value] : defaults)
        EXPECT_EQ(prefs.value(key), value) << key.data();
    EXPECT_EQ(historyWindowSeconds(prefs), 1800);
    EXPECT_EQ(latencyColour(50, prefs), LatencyColour::yellow);
    EXPECT_EQ(unreachableDelaySeconds(prefs), 30);

    prefs.setValue(keys::scrollbackEnabled, false);
    prefs.setValue(keys::latencyYellow, 40.0);
    prefs.setValue(keys::alertUnreachableSecs, 4);
    EXPECT_EQ(std::tuple(historyWindowSeconds(prefs), latencyColour(51, prefs),
                         unreachableDelaySeconds(prefs), unreachableDelaySeconds(-1)),
              std::tuple(600, LatencyColour::red, 5, 5));

    prefs.setValue(keys::scrollbackMinutes, 90);
    prefs.setValue(keys::appearance, "dark");
    EXPECT_EQ(prefs.integerValue(keys::scrollbackMinutes), 90);
    EXPECT_EQ(prefs.stringValue(keys::appearance), "dark");
    EXPECT_FALSE(Preferences(copyAsUnseen(path)).contains(keys::latencyGreen))
        << "a default is never written";
    // A key never written follows whatever default is registered now, also once it was read.
    EXPECT_EQ(prefs.doubleValue(keys::latencyGreen), 50.0);
    prefs.registerDefaults({{keys::latencyGreen, 80.0}});
    EXPECT_EQ(prefs.doubleValue(keys::latencyGreen), 80.0);

    // Only a default that changes what an unstored key reads is announced; a removal always is.
    QSignalSpy changes(&prefs, &Preferences::changed);
    prefs.registerDefaults({{keys::latencyGreen, 80.0}, {keys::appearance, "light"}});
    EXPECT_TRUE(changes.isEmpty());
    prefs.remove(keys::scrollbackMinutes);
    prefs.setValue(keys::appearance, QVariant());
    EXPECT_EQ(changes.size(), 2);
    EXPECT_EQ(prefs.integerValue(keys::scrollbackMinutes), 30);
    EXPECT_EQ(prefs.stringValue(keys::appearance), "light");
}

TEST_F(SettingsTest, EveryValueIsOnDiskWhenSetValueReturnsAndReadsBackTheSame) {
    QByteArray everyByte(256, 0);
    std::iota(everyByte.begin(), everyByte.end(), char(0));
    const QStringList targets{"192.0.2.1", "a, b", "@x", "ü \"quoted\" ;#="};
    const QString path = freshPath();
    Preferences writer(path); // never destroyed before the reads: what a killed process leaves
    writer.setValue(keys::targetsV2, everyByte);
    writer.setValue(keys::targets, targets);
    writer.setValue("single", QStringList{"only"});
    writer.setValue(keys::latencyGreen, 0.1);
    writer.setValue(keys::scrollbackMinutes, qint64(1) << 40);
    writer.setValue(keys::appearance, "@ByteArray(dark)");
    for (const QString& readPath : {path, copyAsUnseen(path)}) {
        Preferences reader(readPath);
        EXPECT_EQ(reader.dataValue(keys::targetsV2), everyByte);
        EXPECT_EQ(reader.stringListValue(keys::targets), targets);
        EXPECT_EQ(reader.stringListValue("single"), QStringList{"only"});
        EXPECT_EQ(reader.doubleValue(keys::latencyGreen), 0.1);
        EXPECT_EQ(reader.integerValue(keys::scrollbackMinutes), qint64(1) << 40);
        EXPECT_EQ(reader.stringValue(keys::appearance), "@ByteArray(dark)");
    }
    writer.remove(keys::latencyGreen);
    EXPECT_FALSE(Preferences(copyAsUnseen(path)).contains(keys::latencyGreen));

    // A file that cannot be written (its folder is a file) fails every change, logged only once.
    Preferences unsaved(path + "/Vantorel.conf");
    QSignalSpy failures(&unsaved, &Preferences::writeFailed);
    testing::internal::CaptureStderr();
    unsaved.setValue(keys::use24Hour, true);
    unsaved.remove(keys::use24Hour);
    unsaved.setValue(keys::use24Hour, false);
    EXPECT_EQ(QString::fromStdString(testing::internal::GetCapturedStderr())
                  .count("settings could not be saved to " + path),
              1);
    EXPECT_EQ(failures.size(), 3);
}

// A hand-edited file, or a value another version wrote with another type, reads as the type asked
// for; what cannot be read gives that type's zero.
TEST(SettingValues, AnyStoredTypeReadsAsTheTypeAskedFor) {
    using namespace preference_values;
    const double nan = std::nan("");
    for (const auto& [value, truth] : std::vector<std::pair<QVariant, bool>>{
             {"TRUE", true}, {" False ", false}, {" 0.5", true}, {nan, false}, {1.5f, true}})
        EXPECT_EQ(toBool(value), truth) << value.toString().toStdString();
    constexpr qint64 most = std::numeric_limits<qint64>::max();
    for (const auto& [value, integer] :
         std::vector<std::pair<QVariant, qint64>>{{9223372036854775808.0, most},
                                                  {std::numeric_limits<quint64>::max(), most},
                                                  {"9007199254740993", 9007199254740993},
                                                  {" 2.9 ", 2},
                                                  {-1e19, -most - 1}})
        EXPECT_EQ(toInteger(value), integer) << value.toString().toStdString();
    EXPECT_EQ(std::tuple(toDouble(true),
                         toDouble("inf") + toDouble(std::numeric_limits<double>::infinity()),
                         toText(42) + toText(true),
                         toTextList(QVariantList{"a", 1}) + toTextList(QVariantList{"b"}),
                         toBytes("text")),
              std::tuple(1.0, 0.0, "42true", QStringList{"b"}, QByteArray()));
}

TEST(SettingRules, HistoryWindowAndLatencyBandsRepairWhatTheyAreGiven) {
    const std::tuple<bool, int, int> windows[] = {
        {true, 30, 1800},    {true, 0, 60},   {true, -5, 60},    {true, 1440, 86400},
        {true, 5000, 86400}, {false, 0, 600}, {false, 5000, 600}};
    for (const auto& [enabled, minutes, seconds] : windows)
        EXPECT_EQ(historyWindowSeconds(enabled, minutes), seconds) << enabled << ' ' << minutes;

    // Half-open bands; zero or inverted thresholds repaired (green 100, yellow 60: 100 and 101).
    using enum LatencyColour;
    const double nan = std::nan("");
    const std::tuple<double, double, double, LatencyColour> bands[] = {
        {49.99, 50, 150, green}, {50, 50, 150, yellow},  {149.99, 50, 150, yellow},
        {150, 50, 150, red},     {0.5, 0, 0, green},     {1.5, 0, 0, yellow},
        {2, 0, 0, red},          {99, 100, 60, green},   {100.5, 100, 60, yellow},
        {101, 100, 60, red},     {0.5, nan, nan, green}, {1.5, nan, nan, yellow}};
    for (const auto& [ms, green, yellow, colour] : bands)
        EXPECT_EQ(latencyColour(ms, green, yellow), colour)
            << ms << " in " << green << '/' << yellow;
}

} // namespace
} // namespace vantorel
