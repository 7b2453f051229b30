// The overview over switched-on targets whose monitors are stopped, so that only what the test
// records reaches them.
#include "ui/overview/DashboardView.h"

#include "platform/Clock.h"
#include "settings/Preferences.h"
#include "settings/SettingKeys.h"
#include "support/EventLoop.h"
#include "support/PaintRecorder.h"
#include "targets/HostStore.h"
#include "ui/controls/TargetStatus.h"
#include "ui/controls/Theme.h"
#include "ui/overview/DashboardCanvas.h"
#include "ui/overview/TargetTile.h"
#include "ui/tray/TrayRow.h"

#include <QLabel>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace vantorel {
namespace {

using test::spinUntil;

TargetSpec spec(TargetKind kind, int network) {
    const QString address = QStringLiteral("127.0.%1.%2").arg(network);
    return {kind, address.arg(1), kind == TargetKind::pingSweep ? address.arg(4) : QString(), 24};
}

QImage image(TargetTile* tile) {
    QImage image(tile->size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    tile->render(&image, {}, {}, QWidget::DrawChildren);
    return image;
}

TEST(DashboardView, TilesFillTheShortestColumnsFollowTheirTargetsAndOpenThem) {
    using enum TargetKind;
    Preferences::instance().setValue(keys::appearance, QStringLiteral("dark"));
    Preferences::instance().setValue(keys::scrollbackEnabled, false); // ten minutes of samples
    // Heights 1, 2 (a traceroute with no hop yet), 1, and two sweeps sharing a block.
    HostStore store({spec(hostPing, 0), spec(traceroute, 1), spec(pingSweep, 2), spec(hostPing, 3),
                     spec(pingSweep, 4)},
                    MonitorTiming::production()); // every target on
    const auto& targets = store.targets();
    for (const auto& target : targets)
        for (const auto& monitor : target->monitors())
            monitor->stop();
    DashboardView view(store);
    const DashboardCanvas& canvas = *view.canvas();
    view.show();
    // The panel's padding of 22 on either side does not count towards the columns.
    const auto resize = [&](int canvasWidth) {
        view.resize(canvasWidth + 2 * 22, 900);
        EXPECT_TRUE(spinUntil([&] { return canvas.width() == canvasWidth; }));
        return canvas.columnCount();
    };
    const auto tile = [&](int index) {
        const auto tiles = view.findChildren<TargetTile*>();
        const auto found = std::ranges::find(tiles, targets[index], &TargetTile::target);
        return found == tiles.end() ? nullptr : *found;
    };
    const auto place = [&](int index) { return tile(index)->geometry(); };

    EXPECT_EQ(resize(716), 2);
    // Columns (716 − 14) / 2 = 351 wide; the second starts at 365.
    EXPECT_EQ((QList{place(0), place(1), place(3)}),
              (QList{QRect(0, 0, 351, 140), QRect(365, 0, 351, 294), QRect(0, 154, 351, 140)}));
    // The sweeps stand side by side where the second one comes, 14 apart.
    EXPECT_EQ(place(2).topLeft(), QPoint(0, 308));
    EXPECT_EQ(std::tuple(place(4).left() - place(2).right() - 1, place(4).right(), canvas.height()),
              std::tuple(14, 350, 448));
    EXPECT_EQ((std::pair{resize(653), resize(654)}), std::pair(1, 2)); // braces: in this order
    EXPECT_TRUE(test::PaintRecorder(*tile(0)).texts().contains("waiting…")) << "no sample yet";

    // Lost pings stand full height in red; quick answers stay low.
    std::vector<QPointer<TargetTile>> before{tile(0), tile(1), tile(3)};
    const Date start = dateNow() - 160;
    for (int i = 0; i < 140; ++i) {
        targets[0]->monitors().front()->record(i < 120 ? std::optional(4.0) : std::nullopt,
                                               start + i);
        // The first kept after the warm-up is about to leave the window: the sample that comes
        // below then keeps the count as it is.
        targets[3]->monitors().front()->record(4.0, i == 5 ? dateNow() - 600 + 0.7 : start + i);
    }
    const auto chartTop = [](TargetTile* t) { return image(t).pixelColor(t->width() - 16, 50); };
    EXPECT_GT(chartTop(tile(0)).red() - chartTop(tile(0)).green(), 100);
    EXPECT_TRUE(chartTop(tile(0)).alpha() > 120 && chartTop(tile(3)).alpha() < 60);
    // What is only ever painted: a target that is down has its figure in red; the footer rounds.
    EXPECT_EQ(test::PaintRecorder(*tile(0)).colourOf("4 ms"), theme::red());
    EXPECT_EQ(test::PaintRecorder(*tile(3)).texts(),
              (QStringList{"127.0.3.1", "4 ms", "jitter 0 ms  ·  MOS 4.4"}));
    EXPECT_EQ(test::PaintRecorder(*tile(1)).texts(),
              (QStringList{"0 hops", "127.0.1.1", "tracing route…"}));

    QSignalSpy chosen(&view, &DashboardView::targetChosen);
    QTest::mousePress(tile(3), Qt::LeftButton, {}, QPoint(40, 60));
    QTest::mouseRelease(tile(3), Qt::LeftButton, {}, QPoint(40, -5)); // dragged off: no click
    QTest::mouseClick(tile(3), Qt::LeftButton, {}, QPoint(40, 60));
    ASSERT_EQ(chosen.size(), 1);
    EXPECT_EQ(chosen.at(0).at(0).value<QUuid>(), targets[3]->id());
    QTest::keyClick(tile(3), Qt::Key_Space);
    QTest::keyClick(tile(3), Qt::Key_Return);
    EXPECT_EQ(chosen.size(), 3) << "Space and Return open a tile as a click does";

    // A tile repaints for a change it draws, and only then: not for an empty announcement; for a
    // new sample even when the count and figure stay; and a new figure is set anew in its header.
    test::PaintCounter counter(*tile(3));
    test::spinFor(std::chrono::milliseconds(400));
    counter.paints = 0;
    QEvent left(QEvent::Leave); // the pointer leaving takes the hover highlight away
    QCoreApplication::sendEvent(tile(3), &left);
    EXPECT_TRUE(spinUntil([&] { return std::exchange(counter.paints, 0) > 0; }));
    PingMonitor& pinged = *targets[3]->monitors().front();
    pinged.onChanged();
    test::spinFor(std::chrono::milliseconds(400));
    EXPECT_EQ(counter.paints, 0);
    const std::size_t count = pinged.samples().size();
    pinged.record(4.0, dateNow());
    EXPECT_TRUE(spinUntil([&] { return counter.paints > 0; }, std::chrono::seconds(2)));
    ASSERT_EQ(pinged.samples().size(), count);
    pinged.record(5.0, dateNow());
    EXPECT_TRUE(spinUntil([&] { return tile(3)->accessibleDescription().endsWith(", 5 ms"); }));
    EXPECT_TRUE(test::PaintRecorder(*tile(3)).texts().contains("5 ms")) << "still shows 4 ms";

    // New latency limits colour the bars anew.
    const QImage shown = image(tile(3));
    Preferences::instance().setValue(keys::latencyGreen, 2.0);
    EXPECT_NE(image(tile(3)), shown);
    EXPECT_TRUE(test::PaintRecorder(*tile(3)).painted(theme::latencyColour(LatencyColour::yellow)));
    Preferences::instance().setValue(keys::latencyGreen, 50.0);
    EXPECT_EQ(image(tile(3)), shown);
    Preferences::instance().setValue(keys::latencyYellow, 20.0);
    EXPECT_NE(image(tile(3)), shown) << "the scale follows the yellow limit";
    EXPECT_TRUE(test::PaintRecorder(*tile(3)).painted(theme::withOpacity(theme::red(), 0.45)));
    Preferences::instance().setValue(keys::latencyYellow, 150.0);
    // In another appearance a tile looks as one made in it does, its kind badge included.
    Preferences::instance().setValue(keys::appearance, QStringLiteral("light"));
    TargetTile madeInLight(targets[3], 1);
    madeInLight.resize(tile(3)->size());
    EXPECT_EQ(image(tile(3)), image(&madeInLight));
    Preferences::instance().setValue(keys::appearance, QStringLiteral("dark"));

    // A sweep counts the hosts it knows while it scans, and is red once none of them is alive; the
    // tray counts those alive.
    const auto &firstSweep = targets[2]->monitors(), &secondSweep = targets[4]->monitors();
    secondSweep[0]->restoreLiveness(true, 500.0, std::nullopt); // slow
    for (const auto& host : {firstSweep[0], firstSweep[1], firstSweep[2], firstSweep[3]})
        host->restoreLiveness(false, std::nullopt, std::nullopt);
    tile(4)->installEventFilter(&counter);
    test::spinFor(std::chrono::milliseconds(400));
    counter.paints = 0;
    secondSweep[1]->restoreLiveness(false, std::nullopt, std::nullopt); // still scanning, as before
    EXPECT_TRUE(spinUntil([&] { return counter.paints > 0; })) << "a host found dead, drawn so";
    EXPECT_EQ(std::tuple(statusLine(*targets[4]), statusLine(*targets[2]),
                         statusColour(*targets[2]), TrayRow::figure(*targets[4])),
              std::tuple("scanning… 2/4", "0/4 alive", theme::red(), "1/4 up"));
    for (const auto& host : {secondSweep[2], secondSweep[3]})
        host->restoreLiveness(false, std::nullopt, std::nullopt);
    const test::PaintRecorder sweepTile(*tile(4));
    EXPECT_EQ(sweepTile.colourOf("1"), theme::green()) << "the big number counts those alive";
    EXPECT_TRUE(sweepTile.texts().contains("hosts alive")) << "its caption, all known";
    EXPECT_TRUE(sweepTile.painted(theme::withOpacity(theme::red(), 0.3))) << "a dead host's cell";
    EXPECT_TRUE(sweepTile.painted(theme::red())) << "a slow host's cell, as its latency";
    // A large sweep's last row of cells stays clear of the tile's bottom margin.
    TargetTile large(Target::create({pingSweep, "127.0.7.1", "127.0.7.64", 24}, false), 1);
    large.resize(tile(4)->size());
    const QRect margin(0, large.height() - 14, large.width(), 14);
    EXPECT_EQ(image(&large).copy(margin), image(tile(4)).copy(margin));
    EXPECT_EQ(statusColour(*targets[4]), theme::green()) << "one host alive is enough";

    // Samples repaint tiles without rebuilding them; a target switched off takes its tile alone
    // away, and the one below moves up into its place.
    const QRect traceroutePlace = place(1);
    targets[1]->setEnabled(false);
    ASSERT_TRUE(spinUntil([&] { return before[1].isNull(); }) && before[0] && before[2]);
    EXPECT_EQ(before[2]->geometry().topLeft(), traceroutePlace.topLeft());

    auto* empty = view.findChild<QLabel*>(QStringLiteral("dashboardEmpty"));
    EXPECT_FALSE(empty->isVisible());
    for (const auto& target : targets)
        target->setEnabled(false);
    ASSERT_TRUE(spinUntil(
        [&] { return empty->isVisible() && view.findChildren<TargetTile*>().isEmpty(); }));
    EXPECT_EQ(empty->text(), QStringLiteral("No active targets — enable one in the sidebar."));
    targets[0]->setEnabled(true);
    ASSERT_TRUE(spinUntil([&] { return !empty->isVisible(); }));
}

} // namespace
} // namespace vantorel
