// The raw result list: following the newest sample, staying put while the user reads older ones,
// the "Now" button, and how lost probes read.
#include "ResultsPaneFixture.h"
#include "lab/Lab.h"
#include "lab/TunPath.h"
#include "monitor/PingMonitor.h"
#include "settings/Preferences.h"
#include "settings/SettingKeys.h"
#include "support/EventLoop.h"
#include "ui/controls/Theme.h"
#include "ui/detail/SampleListModel.h"
#include "ui/detail/SampleListView.h"

#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>

namespace vantorel {
namespace {

using namespace std::chrono_literals;
using test::spinFor;
using test::spinUntil;

class SampleListTest : public ResultsPaneFixture {
protected:
    SampleListView* list() const { return pane->sampleList(); }
    const PingMonitor& monitor() const { return *target->monitors().front(); }
    std::int64_t newest() const { return monitor().samples().back().id; }

    // The sequence number of the row painted at the top of the list.
    std::int64_t seqAtTop() const {
        return list()->indexAt(QPoint(5, 2)).data(SampleListModel::sequenceNumberRole).toLongLong();
    }
    // Where the row of a sample is painted, or an empty rectangle when it has no row.
    QRect rowRect(std::int64_t sequence) const {
        const auto row = list()->sampleModel()->rowOf(sequence);
        return row ? list()->visualRect(list()->model()->index(*row, 0)) : QRect();
    }
    void wheel(int notches) const {
        QWidget* viewport = list()->viewport();
        const QPointF at(viewport->width() / 2.0, viewport->height() / 2.0);
        for (int i = 0; i < std::abs(notches); ++i) {
            QWheelEvent event(at, viewport->mapToGlobal(at), QPoint(),
                              QPoint(0, notches > 0 ? -120 : 120), Qt::NoButton, Qt::NoModifier,
                              Qt::NoScrollPhase, false);
            QApplication::sendEvent(viewport, &event);
        }
    }
    void waitForSamples(std::int64_t beyond) const {
        ASSERT_TRUE(spinUntil([&] { return newest() >= beyond; }, 20s));
    }
};

TEST_F(SampleListTest, FollowsTheNewestSampleStaysPutWhenScrolledAwayAndNowReturns) {
    lab::Lab lab;
    open(singleHost(TargetKind::hostPing, qt(lab.addHost())), true);
    ASSERT_TRUE(spinUntil([&] { return monitor().samples().size() >= 40; }, 30s));

    // Following: every new sample is at the top as soon as it is there.
    for (int i = 0; i < 3; ++i) {
        waitForSamples(newest() + 1);
        EXPECT_EQ(list()->topSeq(), newest());
        EXPECT_EQ(seqAtTop(), newest());
    }
    EXPECT_TRUE(list()->followsTop());
    EXPECT_FALSE(list()->nowButton()->isVisible());

    // Scrolled away, the rows under the user's eyes stay where they are as samples arrive.
    wheel(3);
    ASSERT_FALSE(list()->followsTop());
    const std::int64_t anchor = seqAtTop();
    const QRect anchorRect = rowRect(anchor);
    EXPECT_LT(anchor, newest());
    waitForSamples(newest() + 5);
    EXPECT_EQ(seqAtTop(), anchor);
    EXPECT_EQ(list()->topSeq(), anchor);
    EXPECT_EQ(rowRect(anchor), anchorRect);
    EXPECT_FALSE(list()->followsTop());
    EXPECT_TRUE(list()->nowButton()->isVisible());
    EXPECT_FALSE(list()->nowButton()->toolTip().isEmpty());

    // Scrolling back up to the newest row follows again.
    wheel(-40);
    EXPECT_TRUE(list()->followsTop());
    EXPECT_FALSE(list()->nowButton()->isVisible());
    waitForSamples(newest() + 1);
    EXPECT_EQ(seqAtTop(), newest());

    // "Now" brings the newest sample back to the top, and the list follows from then on.
    wheel(5);
    ASSERT_TRUE(list()->nowButton()->isVisible());
    waitForSamples(newest() + 2);
    ASSERT_NE(seqAtTop(), newest());
    QTest::mouseClick(list()->nowButton(), Qt::LeftButton);
    ASSERT_TRUE(spinUntil([&] { return list()->followsTop(); }, 3s));
    waitForSamples(newest() + 2);
    EXPECT_EQ(seqAtTop(), newest());
    EXPECT_EQ(list()->verticalScrollBar()->value(), 0);
    EXPECT_FALSE(list()->nowButton()->isVisible());
}

TEST_F(SampleListTest, RowsReadRepliesAndLossesInTheirColours) {
    lab::TunPath path;
    path.setDestinations({path.address(2)});
    path.setDelay(3ms);
    path.setLoss(lab::TunPath::Loss::everyNth(3));
    open(singleHost(TargetKind::hostPing, qt(path.address(2))), true);
    ASSERT_TRUE(spinUntil([&] { return monitor().samples().size() >= 8; }, 20s));
    // Read while nothing arrives, so the rows looked at and the picture agree.
    target->stop();
    spinFor(50ms);

    const QAbstractItemModel& rows = *list()->model();
    ASSERT_EQ(rows.rowCount(), int(monitor().samples().size()));
    std::optional<int> lost;
    std::optional<int> answered;
    for (int row = 0; row < 6; ++row) {
        const QModelIndex index = rows.index(row, 0);
        const PingSample& sample = monitor().samples()[monitor().samples().size() - 1 - row];
        EXPECT_EQ(index.data(SampleListModel::sequenceRole).toString(),
                  QStringLiteral("seq %1").arg(sample.id));
        if (index.data(SampleListModel::lostRole).toBool()) {
            EXPECT_EQ(index.data().toString(), QStringLiteral("timeout"));
            lost = lost.value_or(row);
        } else {
            EXPECT_EQ(index.data().toString(), QString::asprintf("%.1f ms", *sample.rtt));
            answered = answered.value_or(row);
        }
    }
    ASSERT_TRUE(lost && answered);

    const QImage picture = list()->viewport()->grab().toImage();
    const auto leading = [&](int row) {
        QRect r = list()->visualRect(rows.index(row, 0));
        return r.adjusted(0, 0, -(r.width() - 30), 0);
    };
    const auto trailing = [&](int row) {
        QRect r = list()->visualRect(rows.index(row, 0));
        return r.adjusted(r.width() - 70, 0, 0, 0);
    };
    EXPECT_TRUE(containsColour(picture, leading(*lost), theme::red()));
    EXPECT_TRUE(containsColour(picture, trailing(*lost), theme::red()));
    EXPECT_TRUE(containsColour(picture, leading(*answered), theme::green()));
    EXPECT_FALSE(containsColour(picture, trailing(*answered), theme::red()));
}

TEST_F(SampleListTest, KeepsItsPlaceWhileTheOldEndIsTrimmedAndTheNewEndGrows) {
    // A ten-minute window, fed directly: the first samples are about to leave it.
    Preferences::instance().setValue(keys::scrollbackEnabled, false);
    open(singleHost(TargetKind::hostPing, QStringLiteral("127.0.0.1")), false);
    PingMonitor& fed = *target->monitors().front();
    const Date start = dateNow();
    for (int i = 0; i < 30; ++i)
        fed.record(10.0 + i, start - 599.0);
    for (int i = 0; i < 40; ++i)
        fed.record(i % 5 ? std::optional(5.0) : std::nullopt, start);
    ASSERT_EQ(list()->model()->rowCount(), 70);
    EXPECT_EQ(list()->topSeq(), 70);

    spinFor(50ms);
    wheel(2);
    ASSERT_FALSE(list()->followsTop());
    const std::int64_t anchor = seqAtTop();
    const QRect anchorRect = rowRect(anchor);
    ASSERT_GT(anchor, 30);

    spinFor(1200ms);
    for (int i = 0; i < 3; ++i)
        fed.record(7.0, dateNow());
    ASSERT_EQ(fed.samples().size(), 43u) << "the oldest samples should have left the window";
    const QAbstractItemModel& rows = *list()->model();
    EXPECT_EQ(rows.rowCount(), 43);
    EXPECT_EQ(rows.index(0, 0).data(SampleListModel::sequenceNumberRole).toLongLong(), 73);
    EXPECT_EQ(rows.index(42, 0).data(SampleListModel::sequenceNumberRole).toLongLong(), 31);
    EXPECT_EQ(seqAtTop(), anchor);
    EXPECT_EQ(rowRect(anchor), anchorRect);
    EXPECT_FALSE(list()->followsTop());
}

} // namespace
} // namespace vantorel
