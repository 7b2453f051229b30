#include "ui/tray/TrayPopover.h"

#include "TrayTestSupport.h"
#include "lab/TunPath.h"
#include "support/EventLoop.h"
#include "targets/HostStore.h"
#include "ui/tray/TrayExtra.h"

#include <QAbstractButton>
#include <QGuiApplication>
#include <QLabel>
#include <QRegularExpression>
#include <QScreen>
#include <gtest/gtest.h>

using namespace std::chrono_literals;
using vantorel::test::spinFor;
using vantorel::test::spinUntil;

namespace vantorel {
namespace {

class TrayPopoverTest : public ::testing::Test {
protected:
    void SetUp() override { test::storeTargetList({}); }

    template <typename Widget = QWidget> static Widget* child(QWidget& popover, const char* name) {
        return popover.findChild<Widget*>(QString::fromLatin1(name));
    }

    lab::TunPath path;
};

TEST_F(TrayPopoverTest, EmptyStoreShowsNoTargetsAndBothButtonsThenRowsAsTargetsArrive) {
    path.setDestinations({path.address(2)});
    HostStore store(test::kFastTiming);
    int opened = 0;
    TrayExtra tray(store, [&] { ++opened; });
    tray.togglePopover();
    QWidget& popover = *tray.popover();
    ASSERT_TRUE(popover.isVisible());
    EXPECT_EQ(popover.objectName(), "trayPopover");
    EXPECT_EQ(popover.width(), 300);

    auto* empty = child<QLabel>(popover, "noTargetsLabel");
    ASSERT_NE(empty, nullptr);
    EXPECT_TRUE(empty->isVisible());
    EXPECT_EQ(empty->text(), "No targets");
    EXPECT_TRUE(test::trayRows(popover).empty());
    auto* open = child<QAbstractButton>(popover, "openButton");
    auto* quit = child<QAbstractButton>(popover, "quitButton");
    ASSERT_TRUE(open && quit);
    EXPECT_TRUE(open->isVisible() && quit->isVisible());
    EXPECT_EQ(open->text(), "Open Vantorel");
    EXPECT_EQ(quit->text(), "Quit");

    store.add(test::hostPing(path.address(2)));
    ASSERT_TRUE(spinUntil([&] { return test::trayRows(popover).size() == 1; }));
    EXPECT_FALSE(empty->isVisible());
    QWidget& row = *test::trayRows(popover)[0];
    EXPECT_EQ(child<QLabel>(row, "trayName")->text(), QString::fromStdString(path.address(2)));
    EXPECT_EQ(child<QLabel>(row, "trayKind")->text(), "Host Ping");

    open->click();
    EXPECT_EQ(opened, 1);
    EXPECT_FALSE(popover.isVisible());
}

TEST_F(TrayPopoverTest, RowSwitchStartsAndStopsItsTargetAndFollowsChangesMadeElsewhere) {
    // An address no other test uses: the history would otherwise hand over their samples.
    path.setDestinations({path.address(7)});
    path.setDelay(20ms);
    test::storeTargetList({test::hostPing(path.address(7))});
    HostStore store(test::kFastTiming);
    TrayExtra tray(store, [] {});
    tray.togglePopover();
    ASSERT_EQ(test::trayRows(*tray.popover()).size(), 1u);
    QWidget& row = *test::trayRows(*tray.popover())[0];
    auto& onOff = test::traySwitch(row);
    const auto& target = *store.targets()[0];

    EXPECT_FALSE(onOff.isChecked());
    EXPECT_EQ(test::trayFigure(row), "off");
    spinFor(300ms);
    EXPECT_EQ(path.counters().requests, 0u) << "a stored target starts switched off";

    onOff.click();
    EXPECT_TRUE(target.enabled());
    EXPECT_EQ(test::trayFigure(row), "…") << "no round trip yet";
    ASSERT_TRUE(spinUntil([&] { return test::trayFigure(row).endsWith(" ms"); }));
    const QRegularExpression milliseconds(QStringLiteral("^(\\d+) ms$"));
    const auto match = milliseconds.match(test::trayFigure(row));
    ASSERT_TRUE(match.hasMatch()) << test::trayFigure(row).toStdString();
    EXPECT_GE(match.captured(1).toInt(), 20);
    EXPECT_GT(path.counters().requests, 0u);

    onOff.click();
    EXPECT_FALSE(target.enabled());
    EXPECT_EQ(test::trayFigure(row), "off");
    spinFor(200ms); // lets a probe already in flight land
    const auto requests = path.counters().requests;
    spinFor(500ms);
    EXPECT_EQ(path.counters().requests, requests) << "switched off, nothing is probed";

    // The sidebar's switch (or anything else) changing the target moves this switch too.
    store.targets()[0]->setEnabled(true);
    ASSERT_TRUE(spinUntil([&] { return onOff.isChecked(); }));
    store.targets()[0]->setEnabled(false);
    ASSERT_TRUE(spinUntil([&] { return !onOff.isChecked(); }));
}

TEST_F(TrayPopoverTest, SweepRowCountsTheHostsThatAnswer) {
    path.setDestinations({path.address(2), path.address(3)});
    HostStore store(test::kFastTiming);
    TrayExtra tray(store, [] {});
    tray.togglePopover();
    store.add({TargetKind::pingSweep, QString::fromStdString(path.address(2)),
               QString::fromStdString(path.address(5)), 24});
    ASSERT_TRUE(spinUntil([&] { return test::trayRows(*tray.popover()).size() == 1; }));
    QWidget& row = *test::trayRows(*tray.popover())[0];
    EXPECT_TRUE(spinUntil([&] { return test::trayFigure(row) == "2/4 up"; }, 15s))
        << test::trayFigure(row).toStdString();
}

TEST_F(TrayPopoverTest, OpensBelowAnIconAtTheTopAndAboveOneAtTheBottomAlwaysOnScreen) {
    HostStore store(test::kFastTiming);
    TrayPopover popover(store, [] {});
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();

    const QRect topRight(screen.right() - 10, screen.top(), 22, 24);
    popover.showBeside(topRight);
    EXPECT_GT(popover.geometry().top(), topRight.bottom());
    EXPECT_TRUE(screen.contains(popover.geometry())) << "pushed back inside the right edge";
    popover.hide();

    const QRect bottomLeft(screen.left(), screen.bottom() - 23, 22, 24);
    popover.showBeside(bottomLeft);
    EXPECT_LT(popover.geometry().bottom(), bottomLeft.top());
    EXPECT_TRUE(screen.contains(popover.geometry()));
}

} // namespace
} // namespace vantorel
