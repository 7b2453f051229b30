// The results pane: the sample list over a fed monitor, the statistic chips, and the sweep's host
// list with its filter chips.
#include "ui/detail/ResultsPane.h"

#include "monitor/PingMonitor.h"
#include "settings/Preferences.h"
#include "settings/SettingKeys.h"
#include "support/EventLoop.h"
#include "support/PaintRecorder.h"
#include "targets/Target.h"
#include "ui/controls/FocusRing.h"
#include "ui/controls/Theme.h"
#include "ui/detail/HostGrid.h"
#include "ui/detail/ResultChip.h"
#include "ui/detail/SampleListModel.h"
#include "ui/detail/SampleListView.h"
#include "ui/detail/SweepHostList.h"
#include "ui/detail/SweepHostModel.h"

#include <QAccessible>
#include <QApplication>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace vantorel {
namespace {

using namespace std::chrono_literals;
using test::spinUntil;

class ResultsPaneTest : public testing::Test {
protected:
    void show(std::shared_ptr<Target> shown) {
        target = std::move(shown);
        pane = std::make_unique<ResultsPane>(target);
        pane->resize(640, 420);
        pane->show();
        pane->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(pane.get()));
    }
    ResultChip* chip(const char* name) const { return pane->findChild<ResultChip*>(name); }
    QString value(const char* name) const { return chip(name)->value(); }

    SampleListView& list() const { return *pane->sampleList(); }
    QScrollBar& scrollBar() const { return *list().verticalScrollBar(); }
    QModelIndex topRow() const { return list().indexAt(QPoint(5, 0)); }
    int seqAtTop() const { return topRow().data(SampleListModel::sequenceNumberRole).toInt(); }
    QStringList listed(int role = Qt::DisplayRole) const {
        const SweepHostModel& rows = *pane->hostList()->hostModel();
        QStringList hosts;
        for (int row = 0; row < rows.rowCount(); ++row)
            hosts << rows.index(row, 0).data(role).toString();
        return hosts;
    }

    std::shared_ptr<Target> target;
    std::unique_ptr<ResultsPane> pane;
};

TEST_F(ResultsPaneTest, ListFollowsTheNewestSampleKeepsItsPlaceWhileScrolledAndNowReturns) {
    // Ten minutes of history, whose first thirty samples are about to leave it.
    Preferences::instance().setValue(keys::scrollbackEnabled, false);
    Preferences::instance().setValue(keys::appearance, QStringLiteral("dark"));
    show(Target::create({TargetKind::hostPing, QStringLiteral("198.19.250.2"), {}, 24}, false));
    PingMonitor& fed = *target->monitors().front();
    const Date start = dateNow();
    for (int i = 0; i < 30; ++i)
        fed.record(10.0 + i, start - 599);
    for (int i = 30; i < 70; ++i)
        fed.record(i % 5 ? std::optional(5.0) : std::nullopt, start);
    // The chips sum the series up.
    EXPECT_TRUE(spinUntil([&] { return value("chip_loss") == "11%"; }));
    EXPECT_EQ((QStringList{value("chip_min"), value("chip_max"), value("chip_jitter")}),
              (QStringList{"5 ms", "39 ms", "1 ms"}));
    EXPECT_EQ(std::tuple(seqAtTop(), topRow().data().toString()), std::tuple(70, "5.0 ms"));
    EXPECT_EQ(topRow().data(SampleListModel::sequenceRole).toString(), "seq 70");
    EXPECT_TRUE(list().model()->index(9, 0).data(SampleListModel::lostRole).toBool()) << "seq 61";
    EXPECT_TRUE(list().followsTop() && !list().nowButton()->isVisible());

    // Widened, the rows are drawn to the new width, as a list that has drawn none yet draws them:
    // each drawn in another appearance and back again.
    const int narrow = list().width();
    pane->resize(760, 420);
    ASSERT_TRUE(spinUntil([&] { return list().width() > narrow; }));
    const QImage widened = list().viewport()->grab().toImage();
    for (const char* appearance : {"light", "dark"}) {
        Preferences::instance().setValue(keys::appearance, QString::fromLatin1(appearance));
        list().viewport()->grab();
    }
    EXPECT_EQ(list().viewport()->grab().toImage(), widened);

    // Rows read as text: the time, the number and the figure.
    QAccessibleInterface* rows = QAccessible::queryAccessibleInterface(&list());
    ASSERT_TRUE(rows && rows->childCount() == 1 + 70);
    EXPECT_EQ(rows->child(0)->text(QAccessible::Name), "Now");
    EXPECT_EQ(rows->child(1 + 9)->text(QAccessible::Name),
              list().model()->index(9, 0).data(SampleListModel::timeRole).toString() +
                  ", seq 61, timeout");
    EXPECT_EQ(rows->indexOfChild(rows->child(1 + 9)), 1 + 9);
    const QPoint top = list().viewport()->mapToGlobal(QPoint(5, 2));
    EXPECT_EQ(rows->childAt(top.x(), top.y()), rows->child(1));
    EXPECT_EQ(rows->child(1 + 9)->role(), QAccessible::ListItem);
    EXPECT_TRUE(!rows->child(1)->state().offscreen && !rows->child(1)->state().invalid &&
                rows->child(70)->state().offscreen);

    // Scrolled away by keyboard, the row under the user's eyes stays where it is as the newest
    // samples arrive and the oldest leave, several at once.
    const auto ringShown = [&] {
        return list().viewport()->grab().toImage().pixel(0, 40) == theme::accent().rgba();
    };
    list().clearFocus();
    list().setFocus(Qt::MouseFocusReason);
    EXPECT_FALSE(ringShown()) << "focus from a click";
    list().clearFocus();
    list().setFocus(Qt::TabFocusReason);
    EXPECT_TRUE(ringShown()) << "focus from the keyboard";
    QTest::keyClick(&list(), Qt::Key_Down);
    EXPECT_FALSE(list().followsTop()) << "a row away from the newest";
    for (int i = 1; i < 6; ++i)
        QTest::keyClick(&list(), Qt::Key_Down);
    QTest::keyClick(&list(), Qt::Key_Up);
    EXPECT_EQ(scrollBar().value(), scrollBar().singleStep() * 5);
    ASSERT_TRUE(!list().followsTop() && list().nowButton()->isVisible());
    const auto anchor = std::pair(seqAtTop(), list().visualRect(topRow()));
    test::spinFor(1200ms);
    test::PaintCounter paints(*list().viewport());
    {
        const QSignalBlocker batch(fed);
        for (int i = 0; i < 30; ++i) // as many as leave
            fed.record(7.0, dateNow());
    }
    Q_EMIT fed.changed();
    ASSERT_EQ(list().model()->rowCount(), 70) << "the oldest samples should have left";
    EXPECT_EQ(std::pair(seqAtTop(), list().visualRect(topRow())), anchor);
    QApplication::processEvents();
    EXPECT_EQ(paints.paints, 0) << "the rows on screen have not moved: nothing to paint again";

    // "Now", reached with Tab, brings the newest sample back to the top, and the list follows
    // from then on; so does End after paging away.
    QTest::keyClick(&list(), Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), list().nowButton());
    QTest::keyClick(list().nowButton(), Qt::Key_Space);
    ASSERT_TRUE(spinUntil([&] { return scrollBar().value() == 0; }, 3s) && list().followsTop());
    test::spinFor(100ms);
    paints.paints = 0;
    fed.record(12345.0, dateNow()); // wider than the room a chip keeps for its figure
    EXPECT_EQ(std::tuple(seqAtTop(), list().nowButton()->isVisible()), std::tuple(101, false));
    EXPECT_TRUE(spinUntil([&] { return paints.paints > 0; })) << "the rows moved down: drawn so";
    const ResultChip& max = *chip("chip_max");
    EXPECT_TRUE(spinUntil([&] {
        return max.value() != "7 ms" && max.width() >= max.sizeHint().width();
    })) << max.value().toStdString();
    list().setFocus(Qt::TabFocusReason);
    QTest::keyClick(&list(), Qt::Key_PageDown);
    EXPECT_GT(scrollBar().value(), scrollBar().singleStep() * 5);
    // Scrolled as far as it goes, the oldest row ends where the list does.
    scrollBar().setValue(scrollBar().maximum());
    EXPECT_EQ(list().indexAt(QPoint(5, list().viewport()->height() - 1)).row(),
              list().model()->rowCount() - 1);
    QTest::keyClick(&list(), Qt::Key_End);
    EXPECT_TRUE(spinUntil([&] { return scrollBar().value() == 0 && list().followsTop(); }, 3s));
}

TEST_F(ResultsPaneTest, SweepListsTheHostsTheChipsLetThrough) {
    using Filter = ResultChip::Filter;
    show(Target::create({TargetKind::pingSweep, "198.18.240.1", "198.18.240.4", 24}, false));
    const auto& hosts = target->monitors();
    hosts[0]->restoreLiveness(true, 1.5, QStringLiteral("gateway.lab"));
    hosts[1]->restoreLiveness(false, std::nullopt, std::nullopt);
    hosts[2]->restoreLiveness(true, 3.0, std::nullopt);
    // A stored result read later than the host's own is older than it.
    hosts[1]->restoreLiveness(true, 9.0, std::nullopt);
    // Alive hosts and those without a result yet, at first.
    ASSERT_TRUE(spinUntil([&] { return value("deadChip") == "1"; }));
    EXPECT_EQ(listed(), (QStringList{"198.18.240.1", "198.18.240.3", "198.18.240.4"}));
    EXPECT_EQ(listed(SweepHostModel::statusTextRole), (QStringList{"Alive", "Alive", "checking…"}));
    const test::PaintRecorder drawn(*pane->hostList()); // the host, and its name beside it
    EXPECT_EQ(std::pair(drawn.colourOf("198.18.240.1"), drawn.colourOf("gateway.lab")),
              std::pair(theme::primaryText(), theme::secondaryText()));
    EXPECT_EQ(listed(Qt::AccessibleTextRole).first(), "198.18.240.1, gateway.lab, Alive, 1.5 ms");
    EXPECT_EQ((QStringList{value("aliveChip"), value("totalChip")}), (QStringList{"2", "4"}));
    HostGrid grid(target); // its cells drawn, the one not scanned yet in the secondary colour
    EXPECT_EQ(std::pair(grid.toolTipFor(2), test::PaintRecorder(grid).colourOf("4")),
              std::pair(QString("198.18.240.3 3 ms"), theme::secondaryText()));
    const int twoColumns = 2 * HostGrid::kMinCellWidth + HostGrid::kSpacing;
    EXPECT_EQ(grid.heightForWidth(twoColumns), 2 * HostGrid::kCellHeight + HostGrid::kSpacing);
    EXPECT_EQ(chip("totalChip")->accessibleName(), "total of " + target->spec().displayName());
    EXPECT_EQ(chip("deadChip")->filter(), Filter::off);

    // The list takes the keyboard, whose row stays on its host as the filters change the rows; the
    // chips are one tab stop that Left and Right walk, and Space and Return press.
    SweepHostList& rows = *pane->hostList();
    rows.setFocus(Qt::TabFocusReason);
    QTest::keyClick(&rows, Qt::Key_Down);
    ASSERT_EQ(rows.currentIndex().data().toString(), "198.18.240.3");
    EXPECT_EQ(chip("aliveChip")->focusPolicy(), Qt::TabFocus);
    chip("aliveChip")->setFocus(Qt::TabFocusReason);
    QTest::keyClick(chip("aliveChip"), Qt::Key_Right);
    ASSERT_TRUE(chip("deadChip")->hasFocus());
    QTest::keyClick(chip("deadChip"), Qt::Key_Left); // and back, to the first
    EXPECT_TRUE(chip("aliveChip")->hasFocus() && chip("deadChip")->focusPolicy() == Qt::NoFocus);
    QTest::keyClick(chip("deadChip"), Qt::Key_Space);
    EXPECT_TRUE(focus_ring::shown(*chip("aliveChip"))) << "a key was pressed last";
    EXPECT_EQ(listed(SweepHostModel::statusTextRole).join(' '), "Alive Dead Alive checking…");
    EXPECT_EQ(test::PaintRecorder(rows).colourOf("Dead"), theme::red()) << "as is its dot";
    EXPECT_EQ(rows.currentIndex().row(), 2);
    EXPECT_EQ(rows.currentIndex().data().toString(), "198.18.240.3");
    EXPECT_EQ(chip("totalChip")->filter(), Filter::on);
    QTest::mouseClick(pane->windowHandle(), Qt::LeftButton, {},
                      chip("aliveChip")->mapTo(pane.get(), QPoint(4, 4))); // through the window
    EXPECT_EQ(listed(), (QStringList{"198.18.240.2", "198.18.240.4"}));
    EXPECT_EQ(rows.currentIndex().data().toString(), "198.18.240.4") << "the row now in its place";
    EXPECT_FALSE(focus_ring::shown(*chip("aliveChip"))) << "a click came last";
    QImage off(chip("aliveChip")->size(), QImage::Format_ARGB32);
    off.fill(Qt::transparent);
    chip("aliveChip")->render(&off, {}, {}, QWidget::DrawChildren);
    const std::span pixels(reinterpret_cast<const QRgb*>(off.constBits()), off.sizeInBytes() / 4);
    EXPECT_LT(qAlpha(std::ranges::max(pixels)), 200) << "and drawn faint"; // alpha: the top byte
    EXPECT_FALSE(chip("aliveChip")->isChecked()) << "read as a check box that is off";
    EXPECT_EQ(chip("totalChip")->filter(), Filter::off) << "not all hosts are listed";
    // A result arriving later is filtered like the others.
    hosts[3]->restoreLiveness(true, 2.0, std::nullopt);
    ASSERT_TRUE(spinUntil([&] { return listed().size() == 1; }, 3s));
    QTest::keyClick(chip("totalChip"), Qt::Key_Return);
    EXPECT_EQ(listed().size(), 4);
    // A change that leaves the rows as they are still has them drawn again.
    QSignalSpy redrawn(pane->hostList()->hostModel(), &QAbstractItemModel::dataChanged);
    hosts[0]->onChanged();
    EXPECT_TRUE(spinUntil([&] { return !redrawn.isEmpty(); }));
}

} // namespace
} // namespace vantorel
