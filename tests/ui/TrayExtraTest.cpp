#include "ui/tray/TrayExtra.h"

#include "TrayTestSupport.h"
#include "lab/TunPath.h"
#include "support/EventLoop.h"
#include "targets/HostStore.h"
#include "ui/controls/Icons.h"
#include "ui/controls/Theme.h"

#include <QAbstractButton>
#include <QImage>
#include <QSystemTrayIcon>
#include <gtest/gtest.h>

using namespace std::chrono_literals;
using vantorel::test::spinFor;
using vantorel::test::spinUntil;

namespace vantorel {
namespace {

QImage rendered(const QIcon& icon) {
    return icon.pixmap(QSize(22, 22)).toImage().convertToFormat(QImage::Format_ARGB32);
}

// What the tray really shows, compared with the two drawings it may show.
bool showsDrawing(TrayExtra& tray, const QIcon& drawing) {
    const auto* icon = tray.findChild<QSystemTrayIcon*>();
    return icon && rendered(icon->icon()) == rendered(drawing);
}

bool showsMark(TrayExtra& tray) {
    return showsDrawing(tray, icons::image(QStringLiteral("MenuBarIcon")));
}

bool showsWarningSign(TrayExtra& tray) {
    return showsDrawing(
        tray, icons::symbol(QStringLiteral("exclamationmark.triangle.fill"), theme::red()));
}

class TrayExtraTest : public ::testing::Test {
protected:
    void SetUp() override { test::storeTargetList({}); }

    lab::TunPath path;
};

TEST_F(TrayExtraTest, OneTargetDownAmongHealthyOnesShowsTheWarningSignUntilItIsSwitchedOff) {
    path.setDestinations({path.address(2), path.address(3)});
    HostStore store(test::kFastTiming);
    TrayExtra tray(store, [] {});
    EXPECT_FALSE(tray.warningShown()) << "an empty list is nothing to worry about";
    EXPECT_TRUE(showsMark(tray));

    const auto first = store.add(test::hostPing(path.address(2)));
    const auto second = store.add(test::hostPing(path.address(3)));
    ASSERT_TRUE(spinUntil([&] {
        return store.target(first)->health() == TargetHealth::ok &&
               store.target(second)->health() == TargetHealth::ok;
    }));
    EXPECT_FALSE(tray.warningShown());

    // Nothing answers at .9: after three lost echoes the target is down.
    const auto silent = store.add(test::hostPing(path.address(9)));
    ASSERT_TRUE(spinUntil([&] { return tray.warningShown(); }));
    EXPECT_EQ(store.target(silent)->health(), TargetHealth::down);
    EXPECT_TRUE(showsWarningSign(tray));
    EXPECT_FALSE(showsMark(tray));

    tray.togglePopover();
    const auto rows = test::trayRows(*tray.popover());
    ASSERT_EQ(rows.size(), 3u);
    test::traySwitch(*rows[2]).click();
    EXPECT_FALSE(store.target(silent)->enabled());
    ASSERT_TRUE(spinUntil([&] { return !tray.warningShown(); }))
        << "a disabled target counts as off";
    EXPECT_TRUE(showsMark(tray));
    EXPECT_EQ(store.target(first)->health(), TargetHealth::ok);
}

TEST_F(TrayExtraTest, TargetThatOnlyWarnsLeavesTheMarkInPlace) {
    // Every other echo is lost: half the packets, but never three in a row.
    path.setDestinations({path.address(2)});
    path.setLoss(lab::TunPath::Loss::everyNth(2));
    HostStore store(test::kFastTiming);
    TrayExtra tray(store, [] {});
    const auto id = store.add(test::hostPing(path.address(2)));

    ASSERT_TRUE(spinUntil([&] { return store.target(id)->lossPct() > 10.0; }));
    for (int check = 0; check < 20; ++check) {
        spinFor(100ms);
        ASSERT_EQ(store.target(id)->health(), TargetHealth::warn);
        ASSERT_FALSE(tray.warningShown());
    }
    EXPECT_TRUE(showsMark(tray));
}

TEST_F(TrayExtraTest, ActivatingTheIconTogglesThePopoverButNotRightAfterAClickAwayClosedIt) {
    HostStore store(test::kFastTiming);
    TrayExtra tray(store, [] {});
    auto* icon = tray.findChild<QSystemTrayIcon*>();
    ASSERT_NE(icon, nullptr);
    QWidget& popover = *tray.popover();

    Q_EMIT icon->activated(QSystemTrayIcon::Trigger);
    EXPECT_TRUE(popover.isVisible());
    Q_EMIT icon->activated(QSystemTrayIcon::Trigger);
    EXPECT_FALSE(popover.isVisible());
    Q_EMIT icon->activated(QSystemTrayIcon::Context);
    EXPECT_TRUE(popover.isVisible()) << "the popover is the icon's menu too";

    // A click on the icon while the popover is open first closes the popup, then reaches the
    // icon: that second half must not open it again.
    popover.hide();
    Q_EMIT icon->activated(QSystemTrayIcon::Trigger);
    EXPECT_FALSE(popover.isVisible());
    spinFor(400ms);
    Q_EMIT icon->activated(QSystemTrayIcon::Trigger);
    EXPECT_TRUE(popover.isVisible());
}

} // namespace
} // namespace vantorel
