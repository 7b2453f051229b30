#include "AppHarness.h"
#include "history/Sqlite.h"
#include "lab/TunPath.h"
#include "settings/Preferences.h"
#include "settings/SettingKeys.h"
#include "support/EventLoop.h"
#include "support/NotificationDaemon.h"
#include "support/QtPrinters.h"

#include <QJsonDocument>
#include <gtest/gtest.h>
#include <signal.h>

using namespace std::chrono_literals;
using vantorel::test::spinFor;
using vantorel::test::spinUntil;

namespace vantorel::test {
namespace {

// The user's story, on a real X server with a real tray: the program starts with two stored
// targets switched off; the user switches them on in the tray's popover, the silent one raises an
// alert, the window is closed and reopened from the tray while probing goes on, and "Quit" ends it.
TEST(EndToEnd, TrayStartsMonitoringWhichOutlivesTheWindowUntilQuit) {
    lab::TunPath path;
    const auto answering = path.address(2);
    const auto silent = path.address(9);
    path.setDestinations({answering});
    SessionBus bus(SessionBus::Role::standalone);
    NotificationDaemon notifications(bus);
    XSession x;
    QTemporaryDir home;
    const auto environment = userEnvironment(home.path(), x, bus);
    writeTargetList(home.path(), {{TargetKind::hostPing, QString::fromStdString(answering), "", 24},
                                  {TargetKind::hostPing, QString::fromStdString(silent), "", 24}});
    Preferences settings(settingsPath(home.path()));
    settings.setValue(keys::alertsEnabled, true);
    settings.setValue(keys::alertUnreachableSecs, 5);

    RunningApp app(VANTOREL_UNDER_TEST, environment, home.path());
    const auto state = [&](int target, const char* field) {
        return QJsonDocument::fromJson(app.ask("targets").toUtf8())[target][field];
    };
    const auto popoverShown = [&](const char* shown) {
        return spinUntil([&] { return app.ask("visible trayPopover") == shown; }, 5s);
    };
    EXPECT_EQ(state(1, "name"), QString::fromStdString(silent)) << app.failure("").toStdString();
    EXPECT_FALSE(state(0, "enabled").toBool() || state(1, "enabled").toBool());
    QRect icon;
    ASSERT_TRUE(spinUntil([&] { return !(icon = app.rectangle("geometry tray")).isEmpty(); }, 15s))
        << app.failure("no tray icon").toStdString();
    EXPECT_EQ(path.counters().requests, 0u) << "nothing is probed before the user asks";

    x.click(icon.center());
    ASSERT_TRUE(popoverShown("yes"));
    x.click(app.rectangle("geometry traySwitch 0").center());
    x.click(app.rectangle("geometry traySwitch 1").center());
    ASSERT_TRUE(spinUntil([&] { return state(0, "health") == "ok"; }, 15s));

    // The silent host goes down: the icon shows the warning sign and, the window having appeared,
    // the alert engine runs, notifies and says so on standard output.
    const QString unreachable = QString::fromStdString(silent) + " unreachable";
    EXPECT_TRUE(spinUntil([&] { return app.ask("warning") == "yes"; }, 15s));
    const auto lastShown = [&] {
        const auto shown = notifications.received();
        return shown.empty() ? QString() : shown.back().appName + ' ' + shown.back().summary;
    };
    EXPECT_TRUE(spinUntil([&] { return lastShown() == "Vantorel " + unreachable; }, 40s))
        << app.failure("no notification that " + unreachable).toStdString();
    EXPECT_TRUE(app.failure("").contains("ALERT fired: " + unreachable));
    x.click(icon.center());
    ASSERT_TRUE(popoverShown("no")) << "a second click closes the popover";

    // Closing the main window leaves the process and its probing alone.
    app.ask("close-window");
    ASSERT_TRUE(spinUntil([&] { return app.ask("window") == "closed"; }, 5s));
    const auto before = path.counters().requests;
    spinFor(3s);
    EXPECT_GE(path.counters().requests, before + 2) << "one echo a second goes on";

    // "Open Vantorel" in the popover brings a main window back; "Quit" ends the process.
    x.click(icon.center());
    ASSERT_TRUE(popoverShown("yes"));
    x.click(app.rectangle("geometry openButton").center());
    ASSERT_TRUE(spinUntil([&] { return app.ask("window") == "open"; }, 5s));
    ASSERT_TRUE(popoverShown("no"));
    spinFor(500ms); // the icon ignores a click that comes right after the popover closed
    x.click(icon.center());
    ASSERT_TRUE(popoverShown("yes"));
    x.click(app.rectangle("geometry quitButton").center());
    EXPECT_TRUE(spinUntil([&] { return !app.isRunning(); }, 10s));
}

// SIGTERM, as the end of a session sends it, ends the program as its Quit does: every sample taken
// is in the history, the newest too, which was still waiting for its batch to be committed.
TEST(EndToEnd, SigtermLosesNoSampleThatWasTaken) {
    lab::TunPath path;
    const auto answering = QString::fromStdString(path.address(3));
    path.setDestinations({answering.toStdString()});
    SessionBus bus(SessionBus::Role::standalone);
    XSession x;
    QTemporaryDir home;
    writeTargetList(home.path(), {{TargetKind::hostPing, answering, "", 24}});
    RunningApp app(VANTOREL_UNDER_TEST, userEnvironment(home.path(), x, bus), home.path());
    app.ask("enable-all");
    const auto newest = [&] {
        return QJsonDocument::fromJson(app.ask("targets").toUtf8())[0]["counter"].toInteger();
    };
    ASSERT_TRUE(spinUntil([&] { return newest() >= 2; }, 15s)) << app.failure("").toStdString();
    const qint64 seen = newest();
    ASSERT_TRUE(spinUntil([&] { return newest() > seen; }, 5s));
    const qint64 taken = newest(); // a few milliseconds old: its batch is far from due
    ::kill(pid_t(app.pid()), SIGTERM);
    ASSERT_TRUE(spinUntil([&] { return !app.isRunning(); }, 10s));

    QString error;
    const auto history =
        sqlite::Connection::open(home.path() + "/.local/share/Vantorel/history.sqlite", error);
    auto highest = sqlite::Statement::prepare(history, "SELECT max(seq) FROM samples");
    ASSERT_TRUE(highest && highest.stepRow()) << error.toStdString();
    EXPECT_GE(highest.columnInt64(0), taken);
}

} // namespace
} // namespace vantorel::test
