#include "AppHarness.h"
#include "RunningApp.h"
#include "XSession.h"
#include "lab/TunPath.h"
#include "settings/Preferences.h"
#include "settings/SettingKeys.h"
#include "support/EventLoop.h"
#include "support/NotificationDaemon.h"
#include "support/QtPrinters.h"
#include "support/SessionBus.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <algorithm>
#include <gtest/gtest.h>

using namespace std::chrono_literals;
using vantorel::test::spinFor;
using vantorel::test::spinUntil;

namespace vantorel::test {
namespace {

// Pictures for a person to look at, kept after the test.
const QString kShots = QStringLiteral("/tmp/vantorel-shots");

std::size_t requestsTo(const lab::TunPath& path, const std::string& address) {
    const auto requests = path.requests();
    return std::size_t(std::count_if(requests.begin(), requests.end(), [&](const auto& request) {
        return request.destination == address;
    }));
}

QPoint centre(const QRect& rect) {
    return rect.center();
}

// The target list and alert settings written where the application reads them.
void writeSettings(const QString& home, const std::vector<TargetSpec>& targets) {
    writeTargetList(home, targets);
    Preferences settings(settingsPath(home));
    settings.setValue(keys::alertsEnabled, true);
    settings.setValue(keys::alertUnreachableSecs, 5);
}

QJsonArray targetStates(RunningApp& app) {
    return QJsonDocument::fromJson(app.ask("targets").toUtf8()).array();
}

// The user's story, on a real X server with a real tray: the application starts with two stored
// targets switched off; the user switches them on in the tray's popover, closes the window,
// reopens it from the tray and finally quits from the tray.
TEST(EndToEnd, TrayStartsMonitoringWhichOutlivesTheWindowUntilQuit) {
    lab::TunPath path;
    const auto answering = path.address(2);
    const auto silent = path.address(9); // never answers
    path.setDestinations({answering});
    path.setDelay(8ms);

    SessionBus bus(SessionBus::Role::standalone);
    NotificationDaemon notifications(bus);
    XSession x;
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    QDir().mkpath(kShots);
    const auto environment = userEnvironment(home.path(), x, bus);
    writeSettings(home.path(), {{TargetKind::hostPing, QString::fromStdString(answering), "", 24},
                                {TargetKind::hostPing, QString::fromStdString(silent), "", 24}});

    RunningApp app(QStringLiteral(VANTOREL_UNDER_TEST), environment, home.path());
    EXPECT_EQ(app.ask("window"), "open");
    const auto stored = targetStates(app);
    ASSERT_EQ(stored.size(), 2) << app.failure("stored targets").toStdString();
    EXPECT_FALSE(stored[0].toObject()["enabled"].toBool() ||
                 stored[1].toObject()["enabled"].toBool());

    // The icon sits in trayer's panel once the tray has embedded it.
    QRect icon;
    ASSERT_TRUE(spinUntil([&] { return !(icon = app.rectangle("geometry tray")).isEmpty(); }, 15s))
        << app.failure("no tray icon").toStdString();
    EXPECT_EQ(requestsTo(path, answering), 0u) << "nothing is probed before the user asks";

    x.click(centre(icon));
    ASSERT_TRUE(spinUntil([&] { return app.ask("visible trayPopover") == "yes"; }, 5s));
    x.click(centre(app.rectangle("geometry traySwitch 0")));
    ASSERT_TRUE(spinUntil([&] { return requestsTo(path, answering) > 0; }, 5s))
        << "switched on from the tray, the target probes";
    x.click(centre(app.rectangle("geometry traySwitch 1")));
    ASSERT_TRUE(spinUntil([&] { return targetStates(app)[0].toObject()["health"] == "ok"; }, 15s));
    spinFor(1s); // the views redraw at most four times a second
    x.screenshot(kShots + "/e2e-tray-popover.png");

    // The silent host goes down: the icon turns into the warning sign and, the window having
    // appeared, the alert engine is running and notifies.
    EXPECT_TRUE(spinUntil([&] { return app.ask("warning") == "yes"; }, 15s));
    const QString unreachable = QString::fromStdString(silent) + " unreachable";
    std::vector<ShownNotification> shown;
    EXPECT_TRUE(spinUntil(
        [&] {
            shown = notifications.received();
            return std::any_of(shown.begin(), shown.end(),
                               [&](const auto& shown) { return shown.summary == unreachable; });
        },
        40s))
        << app.failure("no notification that " + unreachable).toStdString();
    for (const auto& notification : shown) {
        EXPECT_EQ(notification.appName, "Vantorel");
        EXPECT_TRUE(notification.summary.startsWith(QString::fromStdString(silent) + " "))
            << "only the silent host is in trouble: " << notification.summary.toStdString();
    }
    x.screenshot(kShots + "/e2e-tray-warning.png");

    // A second click on the icon closes the popover.
    x.click(centre(icon));
    ASSERT_TRUE(spinUntil([&] { return app.ask("visible trayPopover") == "no"; }, 5s));

    // Closing the main window leaves the process and its probing alone.
    app.ask("close-window");
    ASSERT_TRUE(spinUntil([&] { return app.ask("window") == "closed"; }, 5s));
    const auto before = requestsTo(path, answering);
    spinFor(3s);
    EXPECT_TRUE(app.isRunning());
    EXPECT_GE(requestsTo(path, answering), before + 2) << "one echo a second goes on";

    // "Open Vantorel" in the popover brings a main window back.
    x.click(centre(icon));
    ASSERT_TRUE(spinUntil([&] { return app.ask("visible trayPopover") == "yes"; }, 5s));
    x.click(centre(app.rectangle("geometry openButton")));
    ASSERT_TRUE(spinUntil([&] { return app.ask("window") == "open"; }, 5s));
    EXPECT_EQ(app.ask("visible trayPopover"), "no");
    EXPECT_EQ(app.ask("visible mainWindow"), "yes");

    // Pictures of every window for a person to judge, in both colour schemes.
    app.ask("set appearance light");
    spinFor(1s);
    app.ask("grab mainWindow " + kShots + "/e2e-main-light.png");
    app.ask("set appearance dark");
    spinFor(1s);
    app.ask("grab mainWindow " + kShots + "/e2e-main-dark.png");
    app.ask("add-target");
    ASSERT_TRUE(spinUntil([&] { return app.ask("visible addTargetSheet") == "yes"; }, 5s));
    spinFor(500ms);
    x.screenshot(kShots + "/e2e-add-target-sheet.png");
    x.key("Escape");
    ASSERT_TRUE(spinUntil([&] { return app.ask("visible addTargetSheet") == "no"; }, 5s));
    app.ask("preferences");
    ASSERT_TRUE(spinUntil([&] { return app.ask("visible preferencesWindow") == "yes"; }, 5s));
    spinFor(500ms);
    app.ask("grab preferencesWindow " + kShots + "/e2e-preferences.png");

    // "Quit" ends the process.
    x.click(centre(icon));
    ASSERT_TRUE(spinUntil([&] { return app.ask("visible trayPopover") == "yes"; }, 5s));
    x.screenshot(kShots + "/e2e-tray-popover-dark.png");
    x.click(centre(app.rectangle("geometry quitButton")));
    EXPECT_TRUE(spinUntil([&] { return !app.isRunning(); }, 10s));
}

} // namespace
} // namespace vantorel::test
