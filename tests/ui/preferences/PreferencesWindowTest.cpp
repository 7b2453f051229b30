// The preferences window: each control writes its preference (a number field when its edit is
// finished), and follows it when it changes elsewhere.
#include "ui/preferences/PreferencesWindow.h"

#include "history/SampleStore.h"
#include "monitor/PingMonitor.h"
#include "settings/Preferences.h"
#include "settings/SettingKeys.h"
#include "support/EventLoop.h"
#include "ui/controls/FormSegmentedPicker.h"
#include "ui/controls/FormSwitch.h"
#include "ui/preferences/LoginStart.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QProcess>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryFile>
#include <QTest>
#include <gtest/gtest.h>

namespace vantorel {
namespace {

// Each control carries its key as its name.
template <typename Widget = QLineEdit> Widget* control(QWidget& window, QLatin1StringView key) {
    return window.findChild<Widget*>(QString(key));
}

TEST(PreferencesWindow, ControlsWriteTheirPreferenceAtOnceAndFollowItsChanges) {
    // German numbers, so that a field reading or writing them any other way shows.
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    Preferences& preferences = Preferences::instance();
    // Limits stay editable while their feature is off.
    preferences.setValue(keys::alertsEnabled, false);
    preferences.setValue(keys::scrollbackEnabled, false);
    PreferencesWindow window;
    const auto caption = [&] { return window.findChild<QLabel*>("thresholdsCaption")->text(); };
    // Types over the field's text and ends the edit, as a user does.
    const auto type = [&](QLatin1StringView key, const QString& text) {
        control(window, key)->selectAll();
        QTest::keyClick(control(window, key), Qt::Key_Backspace);
        QTest::keyClicks(control(window, key), text);
        QTest::keyClick(control(window, key), Qt::Key_Return);
    };
    for (const auto& [key, typed, stored, shown] :
         std::vector<std::tuple<QLatin1StringView, QString, double, QString>>{
             {keys::scrollbackMinutes, "0", 1, "1 minutes"},
             {keys::scrollbackMinutes, "5000", 1440, "1.440 minutes"},
             {keys::scrollbackMinutes, "1.200", 1200, "1.200 minutes"},
             {keys::latencyGreen, "75,25", 75.25, "75,25 ms"},
             {keys::alertUnreachableSecs, "45", 45, "45 s"},
             {keys::alertLossPct, "2,5", 2.5, "2,5 %"},
             {keys::alertLossPct, "nan", 2.5, "2,5 %"},
             {keys::alertLossPct, "inf", 2.5, "2,5 %"},
             {keys::alertLatencyMs, "fast", 500, "500 ms"},
             {keys::alertLatencyMs, "0", 0, "0 ms"}}) {
        type(key, typed);
        EXPECT_EQ(preferences.doubleValue(key), stored) << key.data() << " " << typed.toStdString();
        const QLineEdit* field = control(window, key); // and its unit, as a screen reader has it
        EXPECT_EQ(field->text() + ' ' + field->accessibleDescription(), shown) << qPrintable(typed);
    }
    // Thresholds out of order are stored as typed; the caption truncates them, past 2^63 too.
    type(keys::latencyGreen, "9223372036854775808");
    type(keys::latencyYellow, "60,9");
    EXPECT_EQ(preferences.doubleValue(keys::latencyYellow), 60.9);
    EXPECT_EQ(caption(), "Green ≤ 9223372036854775807 ms · Yellow ≤ 60 ms · Red above");

    auto* theme = control<FormSegmentedPicker>(window, keys::appearance);
    auto* clock = control<FormSegmentedPicker>(window, keys::use24Hour);
    for (const auto& [segment, scheme] : {std::pair(0, "auto"), {2, "dark"}, {1, "light"}}) {
        QTest::mouseClick(theme->segment(segment), Qt::LeftButton);
        EXPECT_EQ(preferences.stringValue(keys::appearance), scheme);
    }
    EXPECT_GE(window.palette().color(QPalette::Window).lightness(), 128) << "light at once";
    for (const bool use24Hour : {true, false}) {
        QTest::mouseClick(clock->segment(use24Hour), Qt::LeftButton);
        EXPECT_EQ(preferences.boolValue(keys::use24Hour), use24Hour);
    }
    for (const auto key : {keys::glassEnabled, keys::alertsEnabled, keys::scrollbackEnabled,
                           keys::preferIPv6, keys::metricsEnabled}) {
        auto* toggle = control<FormSwitch>(window, key);
        const bool before = toggle->isChecked();
        QTest::mouseClick(toggle, Qt::LeftButton);
        EXPECT_EQ(preferences.boolValue(key), !before) << key.data();
        preferences.setValue(key, before);
        EXPECT_EQ(toggle->isChecked(), before) << key.data();
    }

    QTest::keyClicks(control(window, keys::alertLatencyMs), "9"); // typing over what changes
    preferences.setValue(keys::alertLatencyMs, 600);
    preferences.setValue(keys::appearance, QStringLiteral("dark"));
    preferences.setValue(keys::use24Hour, true);
    preferences.setValue(keys::latencyGreen, 50.0);
    preferences.setValue(keys::metricsPort, 9500);
    preferences.setValue(keys::latencyYellow, 80.5);
    EXPECT_EQ(std::pair(theme->currentIndex(), clock->currentIndex()), std::pair(2, 1));
    EXPECT_EQ(control(window, keys::alertLatencyMs)->text(), "09");
    EXPECT_LT(window.palette().color(QPalette::Window).lightness(), 128) << "and dark";
    EXPECT_EQ(control(window, keys::latencyYellow)->text(), QLocale().toString(80.5));
    EXPECT_EQ(caption(), "Green ≤ 50 ms · Yellow ≤ 80 ms · Red above");
    EXPECT_TRUE(window.findChild<QLabel*>("metricsCaption")->text().contains(":9500/"));
    QLocale::setDefault(QLocale::c());
}

// "Start at login" writes an autostart entry, valid to the desktop's validator, that starts hidden,
// and removes it; the form scrolls in a window shorter than it, which Escape and Ctrl+W close.
TEST(PreferencesWindow, StartsAtLoginScrollsAndClosesFromTheKeyboard) {
    const QString entry =
        qEnvironmentVariable("XDG_CONFIG_HOME") + "/autostart/org.vantorel.Vantorel.desktop";
    PreferencesWindow window;
    auto* login = window.findChild<FormSwitch*>("startAtLogin");
    ASSERT_FALSE(login->isChecked());
    QFile blocker(QFileInfo(entry).path()); // a file where the folder goes: no entry can be written
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    QTest::mouseClick(login, Qt::LeftButton);
    EXPECT_FALSE(login->isChecked()) << "the switch says what the file says";
    blocker.remove();
    QTest::mouseClick(login, Qt::LeftButton);
    QFile written(entry);
    ASSERT_TRUE(written.open(QIODevice::ReadWrite));
    EXPECT_TRUE(QString::fromUtf8(written.readAll()).contains(" --hidden\n"));
    QTemporaryFile odd(QDir::tempPath() + "/XXXXXX.desktop"); // a program under a backslash
    ASSERT_TRUE(odd.open() &&
                odd.write(login_start::entryText(login_start::execPath("/a\\b/v")).toUtf8()) > 0 &&
                odd.flush());
    for (const QString& file : {entry, odd.fileName()}) {
        QProcess validator;
        validator.setProcessChannelMode(QProcess::MergedChannels);
        validator.start("desktop-file-validate", {file});
        ASSERT_TRUE(validator.waitForFinished(10000));
        EXPECT_EQ(std::pair(validator.exitCode(), validator.readAll()), std::pair(0, QByteArray()));
    }
    EXPECT_TRUE(PreferencesWindow().findChild<FormSwitch*>("startAtLogin")->isChecked());
    const qint64 length = written.size(); // either line the desktop writes switches it off
    for (const char* off : {"Hidden=true\n", "X-GNOME-Autostart-enabled=false\n"}) {
        ASSERT_TRUE(written.resize(length) && written.seek(length) && written.write(off) > 0 &&
                    written.flush());
        EXPECT_FALSE(PreferencesWindow().findChild<FormSwitch*>("startAtLogin")->isChecked())
            << off;
    }
    QTest::mouseClick(login, Qt::LeftButton);
    EXPECT_FALSE(QFile::exists(entry));

    for (const QKeyCombination keys : {QKeyCombination(Qt::Key_Escape), Qt::CTRL | Qt::Key_W}) {
        window.show();
        const int fitted = window.screen()->availableGeometry().height() - 80; // to the screen
        EXPECT_EQ(window.height(), keys.key() == Qt::Key_Escape ? fitted : 300) << "then as left";
        window.resize(window.width(), 300);
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        EXPECT_GT(window.findChild<QScrollArea*>()->verticalScrollBar()->maximum(), 0);
        QTest::keyClick(&window, keys.key(), keys.keyboardModifiers());
        EXPECT_FALSE(window.isVisible());
    }
    PreferencesWindow::showWindow();
    PreferencesWindow::showWindow();
    EXPECT_EQ(std::ranges::count_if(QApplication::topLevelWidgets(),
                                    [](QWidget* w) { return qobject_cast<PreferencesWindow*>(w); }),
              2); // this test's own and the one shown twice
}

// Retyping "30" passes through "3"; only the finished edit counts: no monitor trims its series on
// the way; 5 minutes and back to 30 brings the stored stretch back. Closing finishes an edit too.
TEST(PreferencesWindow, NumbersCountWhenTheEditIsFinishedAndALongerWindowComesBackFromTheStore) {
    Preferences& preferences = Preferences::instance();
    preferences.setValue(keys::scrollbackEnabled, true);
    preferences.setValue(keys::scrollbackMinutes, 30);
    // An address of its own: other tests of this process record under theirs.
    const QString key = "hostPing:127.0.9.1";
    const Date start = dateNow();
    for (int i = 0; i < 170; ++i) // every ten seconds from 29 minutes ago
        SampleStore::shared()->appendSample(key, {i + 1, 1.0, start - 1740 + 10.0 * i});
    const auto monitor = PingMonitor::create("127.0.9.1", PingMonitor::Mode::continuous, key,
                                             {.probeInterval = 0.1});
    monitor->start();
    const auto oldestAge = [&] { return start - monitor->samples().front().time; };
    ASSERT_TRUE(test::spinUntil([&] { return monitor->samples().size() > 175; }));
    PreferencesWindow window;
    window.show();
    auto* keep = control(window, keys::scrollbackMinutes);
    QTest::keyClick(keep, Qt::Key_Backspace);
    test::spinFor(std::chrono::milliseconds(500)); // probes answer while the field says 3
    QTest::keyClicks(keep, "0");
    EXPECT_TRUE(preferences.integerValue(keys::scrollbackMinutes) == 30 && oldestAge() > 1700);
    for (const auto& [typed, minutes] : {std::pair("5", 5), {"30", 30}}) {
        keep->selectAll();
        QTest::keyClicks(keep, typed);
        QTest::keyClick(keep, Qt::Key_Return);
        EXPECT_TRUE(test::spinUntil([&, minutes = minutes] {
            return minutes == 5 ? oldestAge() <= 300 : oldestAge() > 1700;
        })) << typed;
    }
    monitor->stop();
    // Strictly rising: `is_sorted` would need a strict order, which cannot say "no repeats".
    const auto& samples = monitor->samples();
    EXPECT_EQ(std::ranges::adjacent_find(samples, std::greater_equal{}, &PingSample::id),
              samples.end())
        << "what came back from the store is there once, in order";

    control(window, keys::alertUnreachableSecs)->selectAll();
    QTest::keyClicks(control(window, keys::alertUnreachableSecs), "50");
    window.close();
    EXPECT_EQ(preferences.integerValue(keys::alertUnreachableSecs), 50);
    EXPECT_TRUE(window.findChild<QLabel*>("historyNotSaved")->isHidden()) << "the store saves";
}

} // namespace
} // namespace vantorel
