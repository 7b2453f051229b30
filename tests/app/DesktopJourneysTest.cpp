// The program on two kinds of desktop: an X session worked with the keyboard alone, and a Wayland
// compositor, where nothing can be placed beside a tray icon.
#include "AppHarness.h"
#include "lab/Kernel.h"
#include "lab/TunPath.h"
#include "support/EventLoop.h"
#include "support/HttpTestServer.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace vantorel::test {
namespace {

// Keys only (xdotool, through openbox as the window manager): a target of each kind is added
// through the sheet, its kind chosen with the arrows; Up and Down walk the cards, Space switches
// one off, Delete removes one and Ctrl+Z puts it back with the samples it had; Ctrl+, and Escape
// open and close the preferences. The runtime folder is read-only: that no lock can be made there
// says nothing about another instance.
TEST(DesktopJourneys, KeyboardAloneAddsWalksSwitchesRemovesAndRestoresTargets) {
    lab::TunPath path;
    path.setDestinations({path.address(2), path.address(3), path.address(6)});
    path.setRouters({{path.address(101), 1ms}});
    HttpTestServer service;
    SessionBus bus(SessionBus::Role::standalone);
    XSession x(XSession::Desktop::windowManager);
    QTemporaryDir home;
    writeTargetList(home.path(), {});
    const auto environment = userEnvironment(home.path(), x, bus);
    const lab::ReadOnlyFolder runtime(home.filePath("runtime").toStdString());
    RunningApp app(VANTOREL_UNDER_TEST, environment, home.path());
    const auto targets = [&] { return app.targets().array(); };
    const auto target = [&](int index) { return targets()[index].toObject(); };
    const auto selected = [&] {
        const QJsonArray list = targets();
        const auto found = std::find_if(list.begin(), list.end(),
                                        [](const QJsonValue& t) { return t["selected"].toBool(); });
        return found == list.end() ? -1 : int(found - list.begin());
    };
    const auto shown = [&](const QString& window, const char* yes) {
        return spinUntil([&] { return app.ask("visible " + window) == yes; }, 10s);
    };
    ASSERT_TRUE(shown("mainWindow", "yes")) << app.failure("no window").toStdString();
    // Keys sent before the window manager hands the new window the keyboard go nowhere.
    ASSERT_TRUE(spinUntil([&] { return app.ask("active") == "yes"; }, 10s));

    const QString address = QString::fromStdString(path.address(2));
    const QString tcp = QStringLiteral("127.0.0.1:%1").arg(service.port());
    for (const auto& [arrows, host, endHost, kind] :
         std::vector<std::tuple<int, QString, QString, QString>>{
             {0, address, {}, "Host Ping"},
             {1, address, QString::fromStdString(path.address(5)), "Ping Sweep"},
             {2, QString::fromStdString(path.address(6)), {}, "Traceroute"},
             {3, tcp, {}, "Service Check"}}) {
        x.keys("ctrl+n");
        ASSERT_TRUE(shown("addTargetSheet", "yes"));
        // The kind picker is the one stop before the address field; the arrows choose.
        x.keys("shift+Tab" + QString(" Right").repeated(arrows) + " Tab");
        x.type(host);
        if (!endHost.isEmpty()) {
            x.keys("Tab");
            x.type(endHost);
        }
        x.keys("Return");
        ASSERT_TRUE(shown("addTargetSheet", "no")) << host.toStdString();
        const int added = arrows; // the kinds' order is the order they are added in
        ASSERT_TRUE(spinUntil([&] { return selected() == added; }, 5s)) << host.toStdString();
        EXPECT_EQ(target(added)["kind"], kind);
        EXPECT_TRUE(target(added)["enabled"].toBool());
        EXPECT_EQ(app.ask("focus"), target(added)["name"].toString()) << "its card has focus";
    }
    EXPECT_EQ(target(1)["name"], address.section('.', 0, 2) + ".0/24");

    // Up walks to the first card, Down back to the sweep, which Space switches off.
    for (const int expected : {2, 1, 0}) {
        x.keys("Up");
        EXPECT_TRUE(spinUntil([&] { return selected() == expected; }, 5s)) << expected;
    }
    x.keys("Down space");
    EXPECT_TRUE(spinUntil([&] { return !target(1)["enabled"].toBool(); }, 5s));
    EXPECT_EQ(selected(), 1);

    // Delete removes the host ping, which has samples by now; Ctrl+Z puts back the very target.
    ASSERT_TRUE(spinUntil([&] { return target(0)["samples"].toInt() >= 3; }, 15s));
    const QJsonObject before = target(0);
    x.keys("Up Delete");
    ASSERT_TRUE(spinUntil([&] { return targets().size() == 3; }, 5s));
    EXPECT_EQ(app.ask("note"), "Removed " + address + " — Undo");
    x.keys("ctrl+z");
    ASSERT_TRUE(spinUntil([&] { return targets().size() == 4; }, 5s));
    const QJsonObject after = target(0);
    EXPECT_EQ(std::pair(after["id"], after["enabled"]), std::pair(before["id"], QJsonValue(true)));
    EXPECT_GE(after["samples"].toInt(), before["samples"].toInt());
    EXPECT_EQ(app.ask("note"), "");

    x.keys("ctrl+comma");
    EXPECT_TRUE(shown("preferencesWindow", "yes"));
    x.keys("Escape");
    EXPECT_TRUE(shown("preferencesWindow", "no"));
}

// Weston without a display: the program starts, the tray icon (no tray host exists here, so the
// test clicks it through the control) brings the hidden window back instead of a popover, the
// icon's menu holds what the popover would, and nothing is logged about placing windows.
TEST(DesktopJourneys, OnWaylandTheTrayIconOpensTheWindowAndItsMenuHoldsThePopover) {
    SessionBus bus(SessionBus::Role::standalone);
    QTemporaryDir home;
    auto environment = userEnvironment(home.path(), bus);
    const QString socket = "wayland-vantorel-test";
    TestDaemonProcess compositor(
        "weston", {"--backend=headless-backend.so", "--socket=" + socket, "--idle-time=0"},
        environment, home.filePath("weston.log"));
    const QString runtime = environment.value("XDG_RUNTIME_DIR");
    ASSERT_TRUE(spinUntil([&] { return QFile::exists(runtime + "/" + socket); }, 10s))
        << compositor.failure("no Wayland socket").toStdString();
    environment.insert("QT_QPA_PLATFORM", "wayland");
    environment.insert("WAYLAND_DISPLAY", socket);
    writeTargetList(home.path(), {{TargetKind::hostPing, "127.0.0.1", {}, 24}});

    RunningApp app(VANTOREL_UNDER_TEST, environment, home.path());
    ASSERT_TRUE(spinUntil([&] { return app.ask("visible mainWindow") == "yes"; }, 10s));
    app.ask("hide-window");
    ASSERT_EQ(app.ask("visible mainWindow"), "no");
    app.ask("activate-tray");
    EXPECT_TRUE(spinUntil([&] { return app.ask("visible mainWindow") == "yes"; }, 5s));
    EXPECT_EQ(app.ask("visible trayPopover"), "no");
    EXPECT_EQ(app.ask("tray-menu"), "127.0.0.1|Open Vantorel|Preferences…|Quit");
    const QString log = app.failure("");
    EXPECT_FALSE(log.toLower().contains("position") || log.toLower().contains("popup"))
        << log.toStdString();
}

} // namespace
} // namespace vantorel::test
