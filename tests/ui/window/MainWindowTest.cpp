// The main window over a real store, its targets probing a TUN path of the test's own.
#include "ui/window/MainWindow.h"

#include "lab/Kernel.h"
#include "lab/TunPath.h"
#include "settings/Preferences.h"
#include "settings/SettingKeys.h"
#include "support/EventLoop.h"
#include "support/PaintRecorder.h"
#include "targets/HostStore.h"
#include "targets/TargetSpecJson.h"
#include "ui/controls/Theme.h"
#include "ui/controls/ToggleSwitch.h"
#include "ui/detail/GraphPane.h"
#include "ui/detail/HeadlineFigure.h"
#include "ui/detail/HopList.h"
#include "ui/detail/LatencyHistoryChart.h"
#include "ui/detail/SampleListView.h"
#include "ui/overview/TargetTile.h"
#include "ui/sheet/AddTargetSheet.h"
#include "ui/tray/TrayRow.h"
#include "ui/window/DetailArea.h"
#include "ui/window/RemovalNote.h"
#include "ui/window/Sidebar.h"
#include "ui/window/TargetCard.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

namespace vantorel {
namespace {

using namespace std::chrono_literals;
using test::spinUntil;

TEST(MainWindow, SidebarCardsSwitchSelectAndRemoveTargetsAndSayHowTheyAreDoing) {
    lab::TunPath path;
    path.setDestinations({path.address(2), path.address(3)});
    path.setDelay(5ms);
    const auto address = [&](int last) { return QString::fromStdString(path.address(last)); };
    // Nothing answers at .9; two of the sweep's four hosts do. All are off, as at launch.
    Preferences::instance().setValue(keys::appearance, QStringLiteral("dark"));
    const std::vector<TargetSpec> listed{{TargetKind::hostPing, address(2), {}, 24},
                                         {TargetKind::hostPing, address(9), {}, 24},
                                         {TargetKind::pingSweep, address(2), address(5), 24}};
    Preferences::instance().setValue(keys::targetsV2, *encodeTargetSpecs(listed));
    HostStore store(MonitorTiming{.probeInterval = 0.1, .probeTimeout = 0.1, .restartDelay = 0.2});
    const auto& targets = store.targets();
    MainWindow window(store);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    auto& detail = *window.findChild<DetailArea*>();
    const auto cards = [&] { return window.findChild<Sidebar*>()->cards(); };
    const auto card = [&](int index) { return cards().at(std::size_t(index)); };
    const auto text = [](QObject* in, auto name) { return in->findChild<QLabel*>(name)->text(); };
    const auto status = [&](int index) { return text(card(index), "cardStatus"); };
    const auto caption = [&] { return text(&window, "sidebarCaption"); };
    const auto state = [&](int i) { return std::pair(status(i), card(i)->statusColour()); };
    const auto flip = [&](int index) {
        QTest::mouseClick(card(index)->findChild<ToggleSwitch*>("activeSwitch"), Qt::LeftButton);
    };
    const auto trash = [&](int i) { return card(i)->findChild<QToolButton*>("removeButton"); };
    const auto select = [&](int index) {
        QTest::mouseClick(card(index), Qt::LeftButton, {}, QPoint(40, card(index)->height() / 2));
    };

    EXPECT_TRUE(caption() == "3 targets · 0 active" && status(0) == "monitoring off");
    flip(0);
    EXPECT_EQ(state(0), std::pair(QString("starting…"), theme::gray()));
    EXPECT_EQ(caption(), "3 targets · 1 active");
    EXPECT_EQ(window.findChild<QWidget*>("overviewButton")->accessibleDescription(), caption());
    ASSERT_TRUE(spinUntil([&] { return text(card(0), "latencyFigure") == "5 ms"; }));
    EXPECT_EQ(card(0)->findChild<QLabel*>("latencyFigure")->palette().color(QPalette::WindowText),
              card(0)->statusColour());
    EXPECT_EQ(state(0), std::pair(QString("0% packet loss"), theme::green()));

    flip(1);
    flip(2);
    EXPECT_EQ(state(2), std::pair(QString("scanning… 0/4"), theme::orange()));
    ASSERT_TRUE(spinUntil([&] { return status(1).startsWith("Reconnecting… ("); }));
    EXPECT_EQ(card(1)->statusColour(), theme::orange());
    // Its detail pane says the same, rather than that it waits for replies.
    select(1);
    const auto paneText = [&] { return detail.findChild<GraphPane*>()->emptyStateText(); };
    EXPECT_TRUE(spinUntil([&] { return paneText() == status(1); })) << paneText().toStdString();
    ASSERT_TRUE(spinUntil([&] { return status(2) == "2/4 alive"; }, 20s));
    EXPECT_EQ((QStringList{text(card(2), "upFigure"), text(card(2), "hostsFigure"),
                           TrayRow::figure(*targets[2]), card(2)->accessibleDescription()}),
              (QStringList{"2 up", "4 hosts", "2/4 up", "Ping Sweep, ok, 2/4 alive"}));
    const auto* up = card(2)->findChild<QLabel*>("upFigure");
    EXPECT_EQ(std::pair(card(2)->statusColour(), up->palette().color(QPalette::WindowText)),
              std::pair(theme::green(), theme::green()));

    QTest::mousePress(card(0), Qt::LeftButton);
    QTest::mouseRelease(card(0), Qt::LeftButton, {}, QPoint(-5, -5));
    EXPECT_EQ(window.selection(), targets[1]->id()) << "released off the card: no click";
    // The selected target's chart and list follow its live samples.
    select(0);
    ASSERT_EQ(detail.shownTarget(), targets[0]);
    const auto& samples = targets[0]->monitors().front()->samples();
    const std::int64_t seen = samples.back().id;
    ASSERT_TRUE(spinUntil([&] { return samples.back().id > seen + 2; }));
    const auto* chart = detail.findChild<LatencyHistoryChart*>();
    EXPECT_EQ(chart->scrollX(), samples.back().time - chart->span());
    EXPECT_EQ(detail.findChild<SampleListView*>()->topSeq(), samples.back().id);
    // The header shows the overview, keeping the selection; choosing a card leaves it.
    QTest::mouseClick(window.findChild<QAbstractButton*>("overviewButton"), Qt::LeftButton);
    EXPECT_TRUE(detail.showsOverview() && window.selection() == targets[0]->id());
    select(2);
    EXPECT_EQ(std::pair(detail.showsOverview(), card(2)->isSelected()), std::pair(false, true));
    EXPECT_EQ(detail.findChild<HeadlineFigure*>()->text(), "2 / 4 up");
    EXPECT_TRUE(detail.findChild<QWidget*>("scanningNote")->isHidden()) << "the scan is over";

    // The card's menu marks a target to start with Vantorel, and the list is saved so.
    QContextMenuEvent menuRequest(QContextMenuEvent::Keyboard, {}, {}); // the pointer far away
    QApplication::sendEvent(card(0), &menuRequest);
    auto* menu = card(0)->findChild<QMenu*>("cardMenu");
    QAction* startWith = menu->actions().value(0);
    ASSERT_TRUE(startWith && startWith->text() == "Start with Vantorel");
    EXPECT_TRUE(card(0)->rect().contains(card(0)->mapFromGlobal(menu->pos()))) << "at the card";
    startWith->trigger();
    menu->close();
    const auto stored = decodeTargetSpecs(Preferences::instance().dataValue(keys::targetsV2));
    EXPECT_TRUE(stored->front().startWithVantorel);
    QApplication::sendEvent(card(0), &menuRequest);
    EXPECT_TRUE(card(0)->findChildren<QMenu*>().last()->actions().value(0)->isChecked());
    card(0)->findChildren<QMenu*>().last()->close();

    flip(0);
    EXPECT_EQ(status(0), "monitoring off");
    EXPECT_EQ(text(card(0), "latencyFigure"), "") << "no old latency for a target that is off";
    EXPECT_EQ(caption(), "3 targets · 2 active");

    // The keyboard: Up and Down select and focus the card above and below, up to the ends; Space
    // switches it; Delete removes it, and undo (Ctrl+Z or the note's button) puts the very target
    // back in its place, on or off as it was, with its samples, saved as before. Ctrl+0: overview.
    card(2)->setFocus(Qt::TabFocusReason);
    QTest::keyClick(card(2), Qt::Key_Down); // the last card: nothing below
    for (const int index : {2, 1, 0})
        QTest::keyClick(card(index), Qt::Key_Up);
    EXPECT_EQ(window.selection(), targets[0]->id());
    QTest::keyClick(card(0), Qt::Key_Down);
    ASSERT_TRUE(card(1)->hasFocus());
    EXPECT_TRUE(trash(0)->isHidden() && !trash(1)->isHidden()) << "on the focused card alone";
    EXPECT_EQ(trash(1)->accessibleName(), "Remove " + address(9));
    for (const bool on : {false, true}) {
        QTest::keyClick(card(1), Qt::Key_Space);
        EXPECT_EQ(targets[1]->enabled(), on);
    }
    const auto removed = targets[1];
    const auto sampleCount = removed->monitors().front()->samples().size();
    const QByteArray saved = Preferences::instance().dataValue(keys::targetsV2);
    QTest::keyClick(card(1), Qt::Key_Delete);
    ASSERT_EQ(targets.size(), 2u);
    EXPECT_TRUE(!window.selection() && !detail.showsOverview()) << "not the overview";
    EXPECT_EQ(card(0)->focusPolicy(), Qt::StrongFocus) << "none selected: Tab's stop";
    EXPECT_EQ(window.removalNote(), "Removed " + address(9) + " — Undo");
    EXPECT_EQ(window.findChild<QPushButton*>("undoButton")->accessibleName(),
              "Undo removing " + address(9));
    EXPECT_TRUE(card(1)->hasFocus()) << "the card now in its place takes the keyboard";
    QTest::keyClick(card(0), Qt::Key_Enter);
    EXPECT_EQ(window.selection(), targets[0]->id()) << "keypad Enter selects a card";
    QTest::keyClick(card(1), Qt::Key_Return);
    EXPECT_EQ(window.selection(), targets[1]->id()) << "Return selects the focused card";
    QTest::keyClick(&window, Qt::Key_Z, Qt::ControlModifier);
    ASSERT_EQ(targets.size(), 3u);
    EXPECT_EQ(std::pair(targets[1], removed->enabled()), std::pair(removed, true));
    EXPECT_TRUE(card(1)->findChild<ToggleSwitch*>("activeSwitch")->isChecked());
    EXPECT_GE(removed->monitors().front()->samples().size(), sampleCount);
    EXPECT_EQ(window.selection(), removed->id());
    EXPECT_TRUE(card(1)->hasFocus()) << "the restored card takes the keyboard";
    EXPECT_EQ(card(1)->focusPolicy(), Qt::StrongFocus) << "the selected card: Tab's stop";
    EXPECT_EQ(Preferences::instance().dataValue(keys::targetsV2), saved);
    EXPECT_EQ(window.removalNote(), "");
    card(0)->setFocus(Qt::TabFocusReason);
    QTest::keyClick(card(0), Qt::Key_Delete);
    QTest::mouseClick(window.findChild<QPushButton*>("undoButton"), Qt::LeftButton);
    ASSERT_EQ(targets.size(), 3u);
    EXPECT_FALSE(targets[0]->enabled());
    QTest::keyClick(&window, Qt::Key_0, Qt::ControlModifier);
    EXPECT_TRUE(detail.showsOverview());
    select(1);
    EXPECT_FALSE(detail.showsOverview()) << "choosing the selected card leaves it";
    for (int click = 0; click < 2; ++click)
        QTest::mouseClick(window.findChild<QAbstractButton*>("overviewButton"), Qt::LeftButton);
    EXPECT_FALSE(detail.showsOverview()) << "the header shows it and hides it again";
    select(2);

    // Removing the selected target clears the selection before the target goes; removing
    // another leaves it. The trash button shows while the pointer is over the card.
    const QUuid selected = targets[2]->id();
    std::vector<bool> presentWhenCleared;
    QObject::connect(&window, &MainWindow::selectionChanged, [&] {
        if (!window.selection())
            presentWhenCleared.push_back(store.target(selected) != nullptr);
    });
    for (const bool wasSelected : {false, true}) {
        QEnterEvent enter(QPointF(10, 10), QPointF(10, 10), card(1)->mapToGlobal(QPoint()));
        QApplication::sendEvent(card(1), &enter);
        EXPECT_FALSE(trash(1)->isHidden());
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(card(1), &leave);
        EXPECT_EQ(trash(1)->isHidden(), !card(1)->hasFocus()) << "gone with the pointer, or focus";
        QApplication::sendEvent(card(1), &enter);
        QTest::mouseClick(trash(1), Qt::LeftButton);
        EXPECT_EQ(presentWhenCleared, std::vector<bool>(wasSelected, true));
        EXPECT_EQ(window.selection().has_value(), !wasSelected);
    }
    EXPECT_EQ(text(&detail, "graphTitle"), "No target selected");
    ASSERT_TRUE(spinUntil([&] { return cards().size() == 1; }));
    EXPECT_TRUE(card(0)->hasFocus()) << "the last card's keyboard goes to the one above";
    EXPECT_EQ(caption(), "1 targets · 0 active");
    // The card's menu removes its target; the note offers it back for ten seconds, and Ctrl+Z
    // does nothing once the note is gone.
    select(0);
    QApplication::sendEvent(card(0), &menuRequest);
    card(0)->findChildren<QMenu*>().last()->close();
    card(0)->findChildren<QMenu*>().last()->actions().value(1)->trigger(); // Remove
    EXPECT_TRUE(targets.empty());
    EXPECT_GT(window.findChild<RemovalNote*>()->remainingMilliseconds(), 9000);
    window.findChild<RemovalNote*>()->dismiss();
    QTest::keyClick(&window, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_TRUE(targets.empty());

    // The sheet adds a target switched on and selected; an equal one selects the one there.
    for (int round = 0; round < 2; ++round) {
        window.select(QUuid());
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        QTest::keyClick(&window, Qt::Key_N, Qt::ControlModifier);
        QPointer sheet = window.findChild<AddTargetSheet*>();
        ASSERT_TRUE(sheet);
        QTest::keyClicks(sheet->findChild<QLineEdit*>("hostField"), address(2));
        QTest::mouseClick(sheet->findChild<QPushButton*>("addButton"), Qt::LeftButton);
        ASSERT_TRUE(spinUntil([&] { return sheet.isNull(); }));
        ASSERT_EQ(targets.size(), 1u);
        EXPECT_TRUE(targets[0]->enabled());
        EXPECT_EQ(window.selection(), targets[0]->id());
        EXPECT_EQ(window.focusWidget(), card(0)) << "the keyboard goes on from the new card";
    }

    // With the settings folder read-only, adding a target warns that it is not saved.
    const lab::ReadOnlyFolder readOnly(
        QFileInfo(Preferences::instance().filePath()).path().toStdString());
    testing::internal::CaptureStderr();
    window.addTarget({TargetKind::hostPing, address(3), {}, 24});
    window.addTarget({TargetKind::hostPing, address(4), {}, 24});
    const auto* warning = window.findChild<QWidget*>("saveWarning");
    ASSERT_EQ(std::tuple(warning && warning->isVisible(), targets.size()), std::tuple(true, 3u));
    QWidget* notices = warning->parentWidget();
    QTest::mouseClick(warning->findChild<QToolButton*>(), Qt::LeftButton);
    EXPECT_FALSE(notices->isVisible()) << "an empty strip would still catch clicks";
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); // as the main loop does
    Preferences::instance().setValue(keys::appearance, QStringLiteral("light"));
    EXPECT_TRUE(window.findChild<QWidget*>("saveWarning")->isVisible() && notices->width() <= 640);
    EXPECT_GT(window.palette().window().color().lightness(), 128) << "restyled as it changed";
    EXPECT_TRUE(MainWindow(store).findChild<QWidget*>("saveWarning")) << "and a window opened now";
    // A folder that stays unwritable is logged once, not at every change.
    const auto log = QString::fromStdString(testing::internal::GetCapturedStderr());
    EXPECT_EQ(log.count("settings could not be saved"), 1) << log.toStdString();

    // A route of 21 hops gets a tile of three units, which shows 20 of them and counts the rest.
    path.setRouters(std::vector<lab::TunPath::Router>(20, {path.address(9)}));
    window.addTarget({TargetKind::traceroute, address(2), {}, 24});
    const auto& route = *targets.back()->monitors().front();
    ASSERT_TRUE(spinUntil([&] { return route.hopStats().size() == 21; }, 10s));
    const HopList* hops = detail.findChild<HopList*>();
    EXPECT_TRUE(spinUntil([&] { return hops->rows().size() == 21 && hops->isVisible(); }));
    EXPECT_TRUE(detail.findChild<QWidget*>("tracingNote")->isHidden());
    QTest::keyClick(&window, Qt::Key_0, Qt::ControlModifier);
    const auto routeTileTexts = [&] {
        const auto tiles = window.findChildren<TargetTile*>();
        const auto found = std::ranges::find(tiles, targets.back(), &TargetTile::target);
        return found == tiles.end() ? QStringList() : test::PaintRecorder(**found).texts();
    };
    EXPECT_TRUE(spinUntil([&] { return routeTileTexts().contains("+ 1 more hops"); }, 10s))
        << routeTileTexts().join(' ').toStdString();
}

} // namespace
} // namespace vantorel
