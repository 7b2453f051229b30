// The tray icon and its popover over targets probing a TUN path of the test's own.
#include "lab/TunPath.h"
#include "settings/Preferences.h"
#include "settings/SettingKeys.h"
#include "support/EventLoop.h"
#include "support/PaintRecorder.h"
#include "targets/HostStore.h"
#include "targets/TargetSpecJson.h"
#include "ui/controls/Icons.h"
#include "ui/controls/Theme.h"
#include "ui/tray/TrayExtra.h"
#include "ui/tray/TrayMenu.h"
#include "ui/tray/TrayPopover.h"
#include "ui/tray/TrayRow.h"

#include <QAbstractButton>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTest>
#include <gtest/gtest.h>

namespace vantorel {
namespace {

using namespace std::chrono_literals;
using namespace vantorel::test;

TEST(Tray, PopoverSwitchesTargetsAndTheIconWarnsWhileOneIsDown) {
    lab::TunPath path;
    // .7: an address no other test probes, whose stored history would show here.
    path.setDestinations({path.address(7)});
    path.setDelay(20ms);
    std::vector<TargetSpec> specs;
    // .9, which goes down, first: the icon weighs every target, not the last one.
    for (const int last : {9, 7})
        specs.push_back({TargetKind::hostPing, QString::fromStdString(path.address(last)), {}, 24});
    Preferences::instance().setValue(keys::targetsV2, *encodeTargetSpecs(specs));
    HostStore store(MonitorTiming{.probeInterval = 0.1, .probeTimeout = 0.1, .restartDelay = 0.2});
    int opened = 0;
    TrayExtra tray(store, [&] { ++opened; });
    TrayMenu menu(store, {});
    auto* icon = tray.findChild<QSystemTrayIcon*>();
    const auto image = [](const QIcon& i) { return i.pixmap(22, 22).toImage(); };
    const auto shows = [&](const QIcon& drawing) { return image(icon->icon()) == image(drawing); };
    const QIcon mark = icons::image(QStringLiteral("MenuBarIcon"));
    EXPECT_TRUE(shows(mark));

    auto& popover = static_cast<TrayPopover&>(*tray.popover());
    const auto activate = [&](QSystemTrayIcon::ActivationReason reason) {
        Q_EMIT icon->activated(reason);
        return popover.isVisible();
    };
    ASSERT_TRUE(activate(QSystemTrayIcon::Trigger));
    const std::vector<TrayRow*> rows = popover.rows();
    ASSERT_EQ(rows.size(), 2u);
    const auto figure = [&] { return rows[1]->findChild<QLabel*>("trayFigure")->text(); };
    EXPECT_EQ(figure() + ": " + rows[1]->accessibleDescription(), "off: Host Ping, monitoring off");
    EXPECT_EQ(PaintRecorder(*rows[1]).colourOf("off"), theme::secondaryText()) << "as its kind";
    rows[1]->findChild<QAbstractButton*>("traySwitch")->click();
    EXPECT_EQ(figure(), "…") << "no round trip yet";
    EXPECT_FALSE(tray.warningShown()) << "starting is no warning";
    ASSERT_TRUE(spinUntil([&] { return figure().endsWith(" ms"); }));
    EXPECT_TRUE(menu.entries().value(1).endsWith(" [on]") && figure().chopped(3).toInt() >= 20);
    EXPECT_TRUE(PaintRecorder(*rows[1]).painted(theme::accent())) << "its switch drawn on";

    // Nothing answers at .9: after three lost echoes that target is down, and the icon says so
    // until the target is switched off, here or anywhere else.
    rows[0]->findChild<QAbstractButton*>("traySwitch")->click();
    ASSERT_TRUE(spinUntil([&] { return tray.warningShown(); }));
    EXPECT_TRUE(shows(icons::symbol("exclamationmark.triangle.fill", theme::red())));
    EXPECT_TRUE(PaintRecorder(*rows[0]).painted(theme::red())) << "and so does its row's dot";
    store.targets()[0]->setEnabled(false);
    ASSERT_TRUE(spinUntil([&] { return !tray.warningShown(); }));
    EXPECT_TRUE(shows(mark) && !rows[0]->findChild<QAbstractButton*>("traySwitch")->isChecked());

    menu.actions().value(1)->trigger();
    EXPECT_EQ(figure(), "off");
    spinFor(200ms); // a probe already in flight lands
    const auto requests = path.counters().requests;
    spinFor(500ms);
    EXPECT_EQ(path.counters().requests, requests) << "switched off, nothing is probed";

    // The icon toggles the popover (its menu too), but not just after a click away closed it.
    EXPECT_FALSE(activate(QSystemTrayIcon::Trigger));
    EXPECT_TRUE(activate(QSystemTrayIcon::Context));
    QTest::keyClick(&popover, Qt::Key_Escape); // closing it as a click away does
    EXPECT_FALSE(popover.isVisible() || activate(QSystemTrayIcon::Trigger));
    spinFor(400ms);
    EXPECT_TRUE(activate(QSystemTrayIcon::Trigger));
    popover.findChild<QAbstractButton*>("trayPreferencesButton")->click();
    TrayMenu(store, [&] { ++opened; }).actions().value(4)->trigger(); // Preferences…
    popover.findChild<QAbstractButton*>("openButton")->click();
    EXPECT_EQ(std::tuple(opened, popover.isVisible()), std::tuple(1, false));

    // Beside an icon in the screen's bottom right corner, it opens above it inside the screen, and
    // below one at the top. A target added while it shows gets its row; with none left, it says so.
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    const QRect corner(screen.right() - 19, screen.bottom() - 59, 20, 60);
    for (int last = 10; last < 40; ++last) // more rows than the screen holds: they scroll
        store.add({TargetKind::hostPing, QStringLiteral("127.0.0.%1").arg(last), {}, 24});
    popover.showBeside(corner);
    EXPECT_TRUE(popover.geometry().bottom() < corner.top() && screen.contains(popover.geometry()) &&
                popover.geometry().right() > corner.left() && popover.rows().at(31)->isVisible());
    popover.showBeside(corner.translated(0, screen.top() - corner.top()));
    EXPECT_GT(popover.geometry().top(), screen.top() + 59);
    const QColor fill = popover.palette().window().color();
    Preferences::instance().setValue(keys::appearance, theme::isDark() ? "light" : "dark");
    EXPECT_NE(popover.palette().window().color(), fill) << "recoloured while it shows";
    Preferences::instance().remove(keys::appearance);
    store.add({TargetKind::hostPing, "127.0.0.3", {}, 24});
    EXPECT_EQ(popover.rows().size(), 33u);
    while (!store.targets().empty())
        store.remove(store.targets().front()->id());
    EXPECT_TRUE(popover.rows().empty() &&
                popover.findChild<QLabel*>("noTargetsLabel")->isVisible());
    EXPECT_EQ(menu.entries().value(0), "No targets");
    EXPECT_EQ(TrayMenu(store, {}).entries().value(0), "No targets") << "made over no targets";
}

} // namespace
} // namespace vantorel
