#include "settings/Preferences.h"

#include "settings/SettingKeys.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace vantorel {
namespace {

// Points the configuration folder at a private temporary folder before any test runs, so that
// nothing here can reach the real user's settings, including the process-wide store.
class PrivateConfigHome : public testing::Environment {
public:
    void SetUp() override {
        ASSERT_TRUE(folder_.isValid());
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(folder_.path()));
    }

    static QString path() { return qEnvironmentVariable("XDG_CONFIG_HOME"); }

private:
    QTemporaryDir folder_;
};

[[maybe_unused]] testing::Environment* const privateConfigHome =
    testing::AddGlobalTestEnvironment(new PrivateConfigHome);

class PreferencesTest : public testing::Test {
protected:
    // Each test gets a file of its own: QSettings keeps parsed files cached per path within
    // the process, and a fresh path is the only way to make it read a file from disk.
    QString freshPath() { return folder_.filePath(QStringLiteral("prefs%1.conf").arg(++files_)); }

    QString writeFile(const QByteArray& contents) {
        const QString path = freshPath();
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(contents);
        return path;
    }

    // Reads `path` back as a new process would: through a copy QSettings has never seen.
    QString copyAsUnseen(const QString& path) {
        const QString copy = freshPath();
        EXPECT_TRUE(QFile::copy(path, copy));
        return copy;
    }

    QTemporaryDir folder_;
    int files_ = 0;
};

TEST_F(PreferencesTest, FreshAccountReadsEveryDefault) {
    Preferences prefs(freshPath());
    prefs.registerDefaults();

    EXPECT_EQ(prefs.stringValue("appearance"), "auto");
    EXPECT_TRUE(prefs.boolValue("glassEnabled"));
    EXPECT_EQ(prefs.doubleValue("latencyGreen"), 50.0);
    EXPECT_EQ(prefs.doubleValue("latencyYellow"), 150.0);
    EXPECT_TRUE(prefs.boolValue("scrollbackEnabled"));
    EXPECT_EQ(prefs.integerValue("scrollbackMinutes"), 30);
    EXPECT_FALSE(prefs.boolValue("use24Hour"));
    EXPECT_FALSE(prefs.boolValue("alertsEnabled"));
    EXPECT_EQ(prefs.integerValue("alertUnreachableSecs"), 30);
    EXPECT_EQ(prefs.doubleValue("alertLossPct"), 10.0);
    EXPECT_EQ(prefs.doubleValue("alertLatencyMs"), 500.0);

    EXPECT_FALSE(prefs.contains("targetsV2"));
    EXPECT_TRUE(prefs.dataValue("targetsV2").isEmpty());
    EXPECT_FALSE(prefs.contains("targets"));
    EXPECT_TRUE(prefs.stringListValue("targets").isEmpty());
}

TEST_F(PreferencesTest, RegisteredDefaultsStayInMemory) {
    const QString path = freshPath();
    Preferences prefs(path);
    prefs.registerDefaults();
    prefs.setValue(keys::use24Hour, true);

    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray contents = file.readAll();
    EXPECT_TRUE(contents.contains("use24Hour"));
    EXPECT_FALSE(contents.contains("latencyGreen"));
    EXPECT_FALSE(contents.contains("appearance"));

    // A key never written follows whatever default is registered now.
    prefs.registerDefaults({{keys::latencyGreen, 80.0}});
    EXPECT_EQ(prefs.doubleValue(keys::latencyGreen), 80.0);
}

TEST_F(PreferencesTest, StoredValueWinsOverDefaultAndRemovalRestoresIt) {
    Preferences prefs(freshPath());
    prefs.registerDefaults();
    prefs.setValue(keys::scrollbackMinutes, 90);
    EXPECT_EQ(prefs.integerValue(keys::scrollbackMinutes), 90);
    prefs.remove(keys::scrollbackMinutes);
    EXPECT_EQ(prefs.integerValue(keys::scrollbackMinutes), 30);

    prefs.setValue(keys::appearance, "dark");
    prefs.setValue(keys::appearance, QVariant());
    EXPECT_EQ(prefs.stringValue(keys::appearance), "auto");
}

TEST_F(PreferencesTest, TextFromTheFileConvertsToEachType) {
    Preferences prefs(writeFile("[General]\n"
                                "green=50\n"
                                "fraction=12.7\n"
                                "negativeFraction=-12.7\n"
                                "yes=true\n"
                                "no=false\n"
                                "garbage=banana\n"
                                "padded=\" 42 \"\n"
                                "huge=1e300\n"
                                "big=9007199254740993\n"
                                "notANumber=nan\n"
                                "list=a, b\n"));
    EXPECT_EQ(prefs.doubleValue("green"), 50.0);
    EXPECT_TRUE(prefs.boolValue("green"));

    EXPECT_EQ(prefs.integerValue("fraction"), 12);
    EXPECT_EQ(prefs.integerValue("negativeFraction"), -12);
    EXPECT_DOUBLE_EQ(prefs.doubleValue("fraction"), 12.7);

    EXPECT_TRUE(prefs.boolValue("yes"));
    EXPECT_FALSE(prefs.boolValue("no"));

    EXPECT_FALSE(prefs.boolValue("garbage"));
    EXPECT_EQ(prefs.integerValue("garbage"), 0);
    EXPECT_EQ(prefs.doubleValue("garbage"), 0.0);
    EXPECT_EQ(prefs.stringValue("garbage"), "banana");

    EXPECT_EQ(prefs.integerValue("padded"), 42);
    EXPECT_EQ(prefs.integerValue("huge"), std::numeric_limits<qint64>::max());
    EXPECT_EQ(prefs.integerValue("big"), 9007199254740993);
    EXPECT_EQ(prefs.doubleValue("notANumber"), 0.0);

    EXPECT_EQ(prefs.stringListValue("list"), QStringList({"a", "b"}));
    EXPECT_EQ(prefs.stringValue("list"), "");
}

TEST_F(PreferencesTest, GarbageStoredOverADefaultReadsAsZeroNotAsTheDefault) {
    Preferences prefs(writeFile("[General]\nlatencyGreen=fast\nscrollbackEnabled=maybe\n"));
    prefs.registerDefaults();
    EXPECT_EQ(prefs.doubleValue(keys::latencyGreen), 0.0);
    EXPECT_FALSE(prefs.boolValue(keys::scrollbackEnabled));
}

TEST_F(PreferencesTest, WrittenValuesReadBackTheSameFromDisk) {
    QByteArray everyByte;
    for (int i = 0; i < 256; ++i)
        everyByte.append(char(i));
    const QByteArray notUtf8("\xff\xfe\xc3(\x80\x00@ByteArray(x)", 20);
    const QStringList targets{"192.0.2.1", "a, b", "@x", "ü \"quoted\" ;#="};

    const QString path = freshPath();
    {
        Preferences writer(path);
        writer.setValue(keys::targetsV2, everyByte);
        writer.setValue("notUtf8", notUtf8);
        writer.setValue("emptyBytes", QByteArray());
        writer.setValue(keys::targets, targets);
        writer.setValue("single", QStringList{"only"});
        writer.setValue(keys::latencyGreen, 0.1);
        writer.setValue(keys::scrollbackMinutes, qint64(1) << 40);
        writer.setValue(keys::alertsEnabled, true);
        writer.setValue(keys::appearance, "@ByteArray(dark)");
    }

    for (const QString& readPath : {path, copyAsUnseen(path)}) {
        SCOPED_TRACE(readPath.toStdString());
        Preferences reader(readPath);
        EXPECT_EQ(reader.dataValue(keys::targetsV2), everyByte);
        EXPECT_EQ(reader.dataValue("notUtf8"), notUtf8);
        EXPECT_TRUE(reader.contains("emptyBytes"));
        EXPECT_EQ(reader.dataValue("emptyBytes"), QByteArray());
        EXPECT_EQ(reader.stringListValue(keys::targets), targets);
        EXPECT_EQ(reader.stringListValue("single"), QStringList{"only"});
        EXPECT_EQ(reader.doubleValue(keys::latencyGreen), 0.1);
        EXPECT_EQ(reader.integerValue(keys::scrollbackMinutes), qint64(1) << 40);
        EXPECT_TRUE(reader.boolValue(keys::alertsEnabled));
        EXPECT_EQ(reader.stringValue(keys::appearance), "@ByteArray(dark)");
    }
}

TEST_F(PreferencesTest, EveryWriteIsOnDiskBeforeSetValueReturns) {
    const QString path = freshPath();
    Preferences prefs(path);
    prefs.setValue(keys::alertLatencyMs, 250.0);
    // No destructor, no event loop: what a killed process would leave behind.
    EXPECT_EQ(Preferences(copyAsUnseen(path)).doubleValue(keys::alertLatencyMs), 250.0);

    prefs.remove(keys::alertLatencyMs);
    EXPECT_FALSE(Preferences(copyAsUnseen(path)).contains(keys::alertLatencyMs));
}

TEST_F(PreferencesTest, ChangedIsEmittedForEveryWriteAndRemoval) {
    Preferences prefs(freshPath());
    QSignalSpy spy(&prefs, &Preferences::changed);

    prefs.setValue(keys::latencyGreen, 40.0);
    prefs.setValue(keys::latencyGreen, 40.0);
    prefs.remove(keys::latencyGreen);
    prefs.setValue(keys::use24Hour, QVariant());

    ASSERT_EQ(spy.count(), 4);
    EXPECT_EQ(spy.at(0).at(0).toString(), "latencyGreen");
    EXPECT_EQ(spy.at(1).at(0).toString(), "latencyGreen");
    EXPECT_EQ(spy.at(2).at(0).toString(), "latencyGreen");
    EXPECT_EQ(spy.at(3).at(0).toString(), "use24Hour");
}

TEST_F(PreferencesTest, RegisteringADefaultAnnouncesOnlyKeysWhoseReadingChanges) {
    Preferences prefs(freshPath());
    prefs.setValue(keys::latencyGreen, 40.0);
    QSignalSpy spy(&prefs, &Preferences::changed);

    prefs.registerDefaults({{keys::latencyGreen, 50.0}, {keys::latencyYellow, 150.0}});
    ASSERT_EQ(spy.count(), 1);
    EXPECT_EQ(spy.at(0).at(0).toString(), "latencyYellow");

    prefs.registerDefaults({{keys::latencyYellow, 150.0}});
    EXPECT_EQ(spy.count(), 1);
}

TEST_F(PreferencesTest, EmptyKeyIsIgnoredRatherThanClearingEverything) {
    Preferences prefs(freshPath());
    prefs.setValue(keys::appearance, "dark");
    prefs.remove(QString());
    prefs.setValue(QString(), 1);
    EXPECT_EQ(prefs.stringValue(keys::appearance), "dark");
}

TEST_F(PreferencesTest, ProcessStoreLivesInTheUsersConfigFolder) {
    const QString expected = PrivateConfigHome::path() + "/Vantorel/Vantorel.conf";
    ASSERT_FALSE(PrivateConfigHome::path().isEmpty());
    EXPECT_EQ(Preferences::defaultFilePath(), expected);

    Preferences& shared = Preferences::instance();
    EXPECT_EQ(&shared, &Preferences::instance());
    EXPECT_EQ(QDir::cleanPath(shared.filePath()), expected);
    shared.setValue(keys::use24Hour, true);
    EXPECT_TRUE(QFile::exists(expected));
}

} // namespace
} // namespace vantorel
