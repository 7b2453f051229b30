#include "platform/Clock.h"
#include "settings/Preferences.h"
#include "settings/SettingKeys.h"
#include "support/EventLoop.h"
#include "targets/HostStore.h"
#include "targets/TargetSpecJson.h"
#include "ui/overview/DashboardCanvas.h"
#include "ui/overview/DashboardView.h"
#include "ui/overview/TargetTile.h"

#include <QLabel>
#include <QPointer>
#include <QScrollArea>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace vantorel {
namespace {

using namespace std::chrono_literals;

constexpr int kPanelPadding = 22;

TargetSpec host(const QString& address) {
    return {TargetKind::hostPing, address, {}, 24};
}
TargetSpec trace(const QString& address) {
    return {TargetKind::traceroute, address, {}, 24};
}
// A sweep of four loopback addresses in its own /24, so that every sweep has a name of its own.
TargetSpec sweep(int network) {
    return {TargetKind::pingSweep, QStringLiteral("127.0.%1.1").arg(network),
            QStringLiteral("127.0.%1.4").arg(network), 24};
}

class DashboardTest : public testing::Test {
protected:
    void SetUp() override {
        auto& preferences = Preferences::instance();
        preferences.setValue(keys::appearance, QStringLiteral("dark"));
        preferences.remove(keys::latencyGreen);
        preferences.remove(keys::latencyYellow);
    }

    void TearDown() override {
        view.reset();
        store.reset();
        test::spinFor(20ms);
    }

    // A store of exactly these targets, all switched on, their monitors stopped at once so that
    // only what the test records reaches them; and the overview over it, `width` wide.
    void open(const std::vector<TargetSpec>& specs, int width) {
        Preferences::instance().setValue(keys::targetsV2, *encodeTargetSpecs(specs));
        store = std::make_unique<HostStore>();
        for (const auto& target : store->targets()) {
            target->setEnabled(true);
            for (const auto& monitor : target->monitors())
                monitor->stop();
        }
        view = std::make_unique<DashboardView>(*store);
        view->resize(width, 900);
        view->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(view.get()));
        ASSERT_TRUE(test::spinUntil([&] { return tiles().size() == specs.size(); }));
    }

    std::vector<TargetTile*> tiles() const {
        const QList<TargetTile*> found = view->findChildren<TargetTile*>(
            QStringLiteral("targetTile"), Qt::FindChildrenRecursively);
        return {found.begin(), found.end()};
    }

    TargetTile* tileOf(int targetIndex) const {
        const QUuid id = store->targets().at(std::size_t(targetIndex))->id();
        for (TargetTile* tile : tiles())
            if (tile->target()->id() == id)
                return tile;
        return nullptr;
    }

    QRect placeOf(int targetIndex) const {
        const TargetTile* tile = tileOf(targetIndex);
        return tile ? tile->geometry() : QRect();
    }

    static int viewWidthFor(int canvasWidth) { return canvasWidth + 2 * kPanelPadding; }

    std::unique_ptr<HostStore> store;
    std::unique_ptr<DashboardView> view;
};

TEST_F(DashboardTest, BlocksFillTheShortestColumnAndReflowWithTheWidth) {
    // Heights 1, 2 (a traceroute with no hop yet), 1, 1.
    open({host("127.0.0.1"), trace("127.0.0.2"), host("127.0.0.3"), host("127.0.0.4")},
         viewWidthFor(716));
    ASSERT_EQ(view->canvas()->width(), 716);
    ASSERT_EQ(view->canvas()->columnCount(), 2);
    // Column width (716 − 14) / 2 = 351; the second column starts at 365.
    EXPECT_EQ(placeOf(0), QRect(0, 0, 351, 140));
    EXPECT_EQ(placeOf(1), QRect(365, 0, 351, 294));
    EXPECT_EQ(placeOf(2), QRect(0, 154, 351, 140));
    // Both columns are 2 units high now: the leftmost takes the last tile.
    EXPECT_EQ(placeOf(3), QRect(0, 308, 351, 140));
    EXPECT_EQ(view->canvas()->height(), 448);

    view->resize(viewWidthFor(1056), 900);
    ASSERT_TRUE(test::spinUntil([&] { return view->canvas()->width() == 1056; }));
    EXPECT_EQ(view->canvas()->columnCount(), 3);
    EXPECT_EQ(placeOf(1).x(), 357);
    EXPECT_EQ(placeOf(2).topLeft(), QPoint(713, 0));
    EXPECT_EQ(placeOf(3).topLeft(), QPoint(0, 154));
    EXPECT_EQ(view->canvas()->height(), 294);
}

TEST_F(DashboardTest, ColumnsCountTheAreaInsideThePanelPadding) {
    // 653 points inside the padding: one short of room for two columns, although the view
    // itself is wider than that.
    open({host("127.0.0.1"), host("127.0.0.2")}, viewWidthFor(653));
    EXPECT_EQ(view->canvas()->columnCount(), 1);
    EXPECT_EQ(placeOf(0), QRect(0, 0, 653, 140));
    EXPECT_EQ(placeOf(1), QRect(0, 154, 653, 140));

    view->resize(viewWidthFor(654), 900);
    ASSERT_TRUE(test::spinUntil([&] { return view->canvas()->columnCount() == 2; }));
    EXPECT_EQ(placeOf(1), QRect(334, 0, 320, 140));
}

TEST_F(DashboardTest, SweepsShareABlockTwoByTwo) {
    open({sweep(1), host("127.0.0.1"), sweep(2), host("127.0.0.2"), sweep(3)}, viewWidthFor(556));
    // One column 556 wide; sweep halves (556 − 14) / 2 = 271 wide.
    EXPECT_EQ(placeOf(1), QRect(0, 0, 556, 140));
    // The pair stands where its second sweep comes.
    EXPECT_EQ(placeOf(0), QRect(0, 154, 271, 140));
    EXPECT_EQ(placeOf(2), QRect(285, 154, 271, 140));
    EXPECT_EQ(placeOf(3), QRect(0, 308, 556, 140));
    // The odd one out keeps its half, with room beside it.
    EXPECT_EQ(placeOf(4), QRect(0, 462, 271, 140));
    EXPECT_EQ(view->canvas()->blocks().size(), 4u);
}

TEST_F(DashboardTest, PressingATileAsksForItsTarget) {
    open({host("127.0.0.1"), host("127.0.0.2")}, viewWidthFor(716));
    QSignalSpy chosen(view.get(), &DashboardView::targetChosen);
    QTest::mouseClick(tileOf(1), Qt::LeftButton, {}, QPoint(40, 60));
    ASSERT_EQ(chosen.size(), 1);
    EXPECT_EQ(chosen.at(0).at(0).value<QUuid>(), store->targets()[1]->id());

    // A press that is dragged off the tile before release is no choice.
    QTest::mousePress(tileOf(0), Qt::LeftButton, {}, QPoint(40, 60));
    QTest::mouseRelease(tileOf(0), Qt::LeftButton, {}, QPoint(-30, 60));
    EXPECT_EQ(chosen.size(), 1);
}

TEST_F(DashboardTest, WithEveryTargetOffOnlyTheSentenceRemains) {
    open({host("127.0.0.1"), sweep(1)}, viewWidthFor(716));
    auto* empty = view->findChild<QLabel*>(QStringLiteral("dashboardEmpty"));
    ASSERT_NE(empty, nullptr);
    EXPECT_FALSE(empty->isVisible());

    for (const auto& target : store->targets())
        target->setEnabled(false);
    ASSERT_TRUE(test::spinUntil([&] { return tiles().empty(); }));
    EXPECT_TRUE(empty->isVisible());
    EXPECT_EQ(empty->text(), QStringLiteral("No active targets — enable one in the sidebar."));
    EXPECT_FALSE(view->findChild<QScrollArea*>()->isVisible());

    store->targets()[0]->setEnabled(true);
    ASSERT_TRUE(test::spinUntil([&] { return tiles().size() == 1; }));
    EXPECT_FALSE(empty->isVisible());
    EXPECT_TRUE(view->findChild<QScrollArea*>()->isVisible());
}

TEST_F(DashboardTest, SamplesRepaintTilesWithoutRebuildingThem) {
    open({host("127.0.0.1"), host("127.0.0.2"), host("127.0.0.3")}, viewWidthFor(556));
    std::vector<QPointer<TargetTile>> before;
    for (TargetTile* tile : tiles())
        before.emplace_back(tile);

    QSignalSpy storeChanged(store.get(), &HostStore::changed);
    const auto& monitor = store->targets()[1]->monitors().front();
    const Date start = dateNow() - 60;
    for (int i = 0; i < 30; ++i)
        monitor->record(12.0 + i % 5, start + i);
    ASSERT_TRUE(storeChanged.wait(2000));
    test::spinFor(50ms);
    ASSERT_EQ(tiles().size(), 3u);
    for (const auto& tile : before)
        EXPECT_FALSE(tile.isNull());

    // Switching one off drops its tile alone; the one below moves up into its place.
    store->targets()[1]->setEnabled(false);
    ASSERT_TRUE(test::spinUntil([&] { return tiles().size() == 2; }));
    EXPECT_TRUE(before[1].isNull());
    EXPECT_FALSE(before[0].isNull());
    EXPECT_FALSE(before[2].isNull());
    EXPECT_EQ(before[2]->geometry().top(), 154);
}

// A pixel near the top right of a host-ping tile's chart.
QColor chartTopPixel(TargetTile& tile) {
    QImage image(tile.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    tile.render(&image, {}, {}, QWidget::DrawChildren);
    return image.pixelColor(image.width() - 16, 50);
}

TEST_F(DashboardTest, LostPingsStandFullHeightInRedWhileQuickOnesStayLow) {
    open({host("127.0.0.1"), host("127.0.0.2")}, viewWidthFor(716));
    const auto& lossy = store->targets()[0]->monitors().front();
    const auto& quick = store->targets()[1]->monitors().front();
    const Date start = dateNow() - 60;
    for (int i = 0; i < 40; ++i) {
        lossy->record(std::nullopt, start + i);
        quick->record(4.0, start + i);
    }
    const QColor lost = chartTopPixel(*tileOf(0));
    EXPECT_GT(lost.red() - lost.green(), 100) << lost.name(QColor::HexArgb).toStdString();
    EXPECT_GT(lost.alpha(), 120);
    const QColor answered = chartTopPixel(*tileOf(1));
    EXPECT_LT(answered.alpha(), 60) << answered.name(QColor::HexArgb).toStdString();
}

} // namespace
} // namespace vantorel
