#include "AppHarness.h"
#include "history/SampleStore.h"
#include "history/Sqlite.h"
#include "lab/Kernel.h"
#include "lab/TunPath.h"
#include "settings/Preferences.h"
#include "settings/SettingKeys.h"
#include "support/EventLoop.h"
#include "support/NotificationDaemon.h"
#include "support/QtPrinters.h"
#include "targets/TargetSpecJson.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QProcess>
#include <gtest/gtest.h>
#include <set>
#include <signal.h>

using namespace std::chrono_literals;

namespace vantorel::test {
namespace {

// A fresh user's session on a private X server with a tray, a session bus and a TUN path to probe.
class EndToEnd : public testing::Test {
protected:
    lab::TunPath path;
    SessionBus bus{SessionBus::Role::standalone};
    XSession x;
    QTemporaryDir home;
    const QProcessEnvironment environment = userEnvironment(home.path(), x, bus);
};

// The user's story, on a real X server and tray: the program starts hidden with two stored targets
// switched off; the user switches them on in the tray's popover, the silent one raises an alert,
// the window is opened, closed and reopened from the tray as probing goes on, and "Quit" ends it.
TEST_F(EndToEnd, TrayStartsMonitoringWhichOutlivesTheWindowUntilQuit) {
    const auto answering = path.address(2), silent = path.address(9);
    path.setDestinations({answering});
    NotificationDaemon notifications(bus);
    writeTargetList(home.path(), {{TargetKind::hostPing, QString::fromStdString(answering), "", 24},
                                  {TargetKind::hostPing, QString::fromStdString(silent), "", 24}});
    Preferences settings(settingsPath(home.path()));
    settings.setValue(keys::alertsEnabled, true);
    settings.setValue(keys::alertUnreachableSecs, 5);

    RunningApp app(VANTOREL_UNDER_TEST, environment, home.path(), {"--hidden"});
    const auto state = [&](int target, const char* field) { return app.targets()[target][field]; };
    // Clicks there, then waits for the tray's popover to be shown or not.
    const auto clickThenPopover = [&](QPoint at, const char* shown) {
        x.click(at);
        return spinUntil([&] { return app.ask("visible trayPopover") == shown; }, 5s);
    };
    EXPECT_EQ(state(1, "name"), QString::fromStdString(silent)) << app.failure("").toStdString();
    EXPECT_FALSE(state(0, "enabled").toBool() || state(1, "enabled").toBool());
    QRect icon;
    ASSERT_TRUE(spinUntil([&] { return !(icon = app.rectangle("geometry tray")).isEmpty(); }, 15s))
        << app.failure("no tray icon").toStdString();
    EXPECT_EQ(path.counters().requests, 0u) << "nothing is probed before the user asks";

    ASSERT_TRUE(clickThenPopover(icon.center(), "yes"));
    x.click(app.rectangle("geometry traySwitch 0").center());
    x.click(app.rectangle("geometry traySwitch 1").center());
    ASSERT_TRUE(spinUntil([&] { return state(0, "health") == "ok"; }, 15s));

    // The silent host goes down: the icon shows the warning sign and, though no window has
    // appeared, the alert engine runs, notifies and says so on standard output.
    const QString unreachable = QString::fromStdString(silent) + " unreachable";
    EXPECT_TRUE(spinUntil([&] { return app.ask("warning") == "yes"; }, 15s));
    const auto lastShown = [&] {
        const auto shown = notifications.received();
        return shown.empty() ? QString() : shown.back().appName + ' ' + shown.back().summary;
    };
    EXPECT_TRUE(spinUntil([&] { return lastShown() == "Vantorel " + unreachable; }, 40s))
        << app.failure("no notification that " + unreachable).toStdString();
    EXPECT_TRUE(app.failure("").contains("ALERT fired: " + unreachable));
    // "Open Vantorel" in the popover shows the window and closes the popover; the icon reopens it.
    const auto openWindowFromPopover = [&] {
        EXPECT_TRUE(clickThenPopover(app.rectangle("geometry openButton").center(), "no"));
        EXPECT_TRUE(spinUntil([&] { return app.ask("window") == "open"; }, 5s));
        spinFor(500ms); // the icon ignores a click that comes right after the popover closed
        EXPECT_TRUE(clickThenPopover(icon.center(), "yes"));
    };
    openWindowFromPopover();
    ASSERT_TRUE(clickThenPopover(icon.center(), "no")) << "a second click closes the popover";

    // Closing the main window leaves the process and its probing alone.
    app.ask("close-window");
    ASSERT_TRUE(spinUntil([&] { return app.ask("window") == "closed"; }, 5s));
    const auto before = path.counters().requests;
    spinFor(3s);
    EXPECT_GE(path.counters().requests, before + 2) << "one echo a second goes on";

    // The popover brings a main window back; "Quit" ends the process.
    ASSERT_TRUE(clickThenPopover(icon.center(), "yes"));
    openWindowFromPopover();
    x.click(app.rectangle("geometry quitButton").center());
    EXPECT_TRUE(spinUntil([&] { return !app.isRunning(); }, 10s));
}

// Exit code and output of a run to its end (within 2 s) in `environment`, `watch` called meanwhile.
std::pair<int, QString> runToEnd(
    const QStringList& arguments, QProcessEnvironment environment,
    const std::function<void()>& watch = [] {}) {
    environment.remove("VANTOREL_TEST_CONTROL");
    QProcess program;
    program.setProcessEnvironment(environment);
    program.setProcessChannelMode(QProcess::MergedChannels);
    program.start(VANTOREL_UNDER_TEST, arguments);
    for (QDeadlineTimer deadline(2000); !program.waitForFinished(10) && !deadline.hasExpired();)
        watch();
    const bool ended = program.state() == QProcess::NotRunning;
    return {ended ? program.exitCode() : -1, QString::fromLocal8Bit(program.readAll())};
}

// The processes that have `file` open.
std::set<quint32> holdersOf(const QString& file) {
    std::set<quint32> pids;
    for (const QString& pid : QDir("/proc").entryList({"[0-9]*"}, QDir::Dirs))
        for (auto fd : QDir("/proc/" + pid + "/fd").entryInfoList(QDir::Files | QDir::System))
            if (fd.symLinkTarget() == file)
                pids.insert(pid.toUInt());
    return pids;
}

// One Vantorel per session, started hidden in the tray, that says what it cannot keep: a target
// list it cannot read (kept aside through an add, logged, and noticed in the window) and a history
// file it cannot write (logged, and said in the preferences). A second launch, with or without
// the session bus, only brings the first one's window up.
TEST_F(EndToEnd, OneInstanceStartsHiddenAndSaysWhatItCannotKeep) {
    path.setDestinations({path.address(2)});
    auto terminal = QProcessEnvironment::systemEnvironment();
    terminal.remove("DISPLAY");
    terminal.remove("QT_QPA_PLATFORM");
    const auto [helpStatus, help] = runToEnd({"--help"}, terminal);
    EXPECT_TRUE(helpStatus == 0 && help.startsWith("Usage: ") && help.contains("--hidden"));
    EXPECT_EQ(runToEnd({"--help-all"}, terminal).first, 0) << "Qt's options too, with no display";
    const auto [versionStatus, version] = runToEnd({"--version"}, terminal);
    EXPECT_TRUE(versionStatus == 0 && version.startsWith("Vantorel 0.")) << version.toStdString();

    const QByteArray unreadable = R"([{"kind":"hostPing","host":"198.18.0.1"}])";
    Preferences(settingsPath(home.path())).setValue(keys::targetsV2, unreadable);
    const QString data = home.path() + "/.local/share/Vantorel", history = data + "/history.sqlite";
    SampleStore::create(history)->appendSample("hostPing:198.18.0.1", {1, 1.0, dateNow()});
    const lab::ReadOnlyFolder readOnly(data.toStdString());

    RunningApp app(VANTOREL_UNDER_TEST, environment, home.path(), {"--hidden"});
    ASSERT_TRUE(spinUntil([&] { return !app.rectangle("geometry tray").isEmpty(); }, 15s))
        << app.failure("no tray icon").toStdString();
    EXPECT_EQ(app.ask("window"), "closed");
    std::set<quint32> holders; // of the history file, while the second launch runs
    const QString historyFile = QFileInfo(history).canonicalFilePath();
    EXPECT_EQ(runToEnd({}, environment, [&] { holders.merge(holdersOf(historyFile)); }).first, 0);
    EXPECT_TRUE(spinUntil([&] { return app.ask("window") == "open"; }, 5s));
    auto busless = environment;
    busless.insert("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + home.filePath("no-bus"));
    const auto [buslessStatus, said] = runToEnd({}, busless);
    EXPECT_TRUE(buslessStatus == 0 && said.contains("Vantorel is already running."))
        << said.toStdString();
    EXPECT_EQ(holders, std::set{app.pid()});

    const QString log = app.failure("");
    EXPECT_TRUE(log.contains("Vantorel: history database unavailable — cannot write to it: "))
        << log.toStdString();
    EXPECT_TRUE(log.contains("Vantorel: the target list could not be read; it is kept as "
                             "targetsV2.unreadable-"));
    EXPECT_EQ(app.ask("visible unreadableListNotice"), "yes");
    app.ask("preferences");
    EXPECT_EQ(app.ask("visible historyNotSaved"), "yes");
    app.ask("add " + QString::fromStdString(path.address(2)));
    EXPECT_TRUE(spinUntil([&] { return path.counters().requests > 0; }));

    Preferences settings(settingsPath(home.path()));
    const QStringList kept = settings.storedKeys().filter("targetsV2.unreadable-");
    ASSERT_EQ(kept.size(), 1);
    EXPECT_EQ(settings.dataValue(kept[0]), unreadable);
    EXPECT_EQ(decodeTargetSpecs(settings.dataValue(keys::targetsV2))->size(), 3u)
        << "the built-in two and the added one";
}

// SIGTERM, as the end of a session sends it, ends the program as its Quit does: every sample taken
// is in the history, the newest too, which was still waiting for its batch to be committed.
TEST_F(EndToEnd, SigtermLosesNoSampleThatWasTaken) {
    const auto answering = QString::fromStdString(path.address(3));
    path.setDestinations({answering.toStdString()});
    writeTargetList(home.path(), {{TargetKind::hostPing, answering, "", 24}});
    Preferences(settingsPath(home.path())).setValue(keys::alertsEnabled, true);
    // Every answer is too slow: the alert engine, started with the window, says so at once.
    Preferences(settingsPath(home.path())).setValue(keys::alertLatencyMs, 0.001);
    RunningApp app(VANTOREL_UNDER_TEST, environment, home.path());
    app.ask("enable-all");
    const auto newest = [&] { return app.targets()[0]["counter"].toInteger(); };
    ASSERT_TRUE(spinUntil([&] { return newest() >= 2; }, 15s)) << app.failure("").toStdString();
    EXPECT_TRUE(
        spinUntil([&] { return app.failure("").contains("ALERT fired: " + answering); }, 15s));
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
