#include "MainWindowFixture.h"
#include "support/EventLoop.h"
#include "support/QtPrinters.h"
#include "ui/controls/KindBadge.h"
#include "ui/sheet/AddTargetSheet.h"
#include "ui/window/DetailArea.h"
#include "ui/window/TargetCard.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

namespace vantorel {
namespace {

using namespace std::chrono_literals;
using test::spinUntil;

// Addresses of the lab's benchmark range; the targets in these tests stay switched off.
const TargetSpec kFirst{TargetKind::hostPing, QStringLiteral("198.18.250.1"), QString(), 24};
const TargetSpec kSecond{TargetKind::hostPing, QStringLiteral("198.18.250.2"), QString(), 24};
const TargetSpec kThird{TargetKind::traceroute, QStringLiteral("198.18.250.3"), QString(), 24};

class MainWindowTest : public MainWindowFixture {
protected:
    DetailArea* detail() const {
        return window->findChild<DetailArea*>(QStringLiteral("detailArea"));
    }
    QString detailTitle() const { return labelText(detail(), "graphTitle"); }

    // A click on the card's body, away from its switch.
    static void clickCard(TargetCard* card) {
        QTest::mouseClick(card, Qt::LeftButton, {}, QPoint(40, card->height() / 2));
    }

    // The pointer comes over the card, which brings out its trash button.
    static QToolButton* revealTrash(TargetCard* card) {
        auto* trash = card->findChild<QToolButton*>(QStringLiteral("removeButton"));
        EXPECT_FALSE(trash->isVisible()) << "hidden until hovered";
        QEnterEvent enter(QPointF(10, 10), QPointF(10, 10), card->mapToGlobal(QPointF(10, 10)));
        QApplication::sendEvent(card, &enter);
        EXPECT_TRUE(trash->isVisible());
        return trash;
    }

    QAbstractButton* button(const char* name) const {
        auto* found = window->findChild<QAbstractButton*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
};

TEST_F(MainWindowTest, CaptionCountsTargetsAndActiveOnesWithThePlaceholderWhenEmpty) {
    open({});
    EXPECT_EQ(caption(), "0 targets · 0 active");
    EXPECT_TRUE(cards().empty());
    EXPECT_EQ(detailTitle(), "No target selected");
    EXPECT_EQ(detail()->findChild<KindBadge*>()->text(), "Host Ping");
    EXPECT_EQ(labelText(detail(), "emptyStateText"), "Monitoring is off");

    open({kFirst});
    EXPECT_EQ(caption(), "1 targets · 0 active");

    // A service check whose address cannot be parsed switches on without sending anything.
    const TargetSpec invalidService{TargetKind::serviceCheck, QStringLiteral("no port here"),
                                    QString(), 24};
    open({kFirst, invalidService, kThird});
    ASSERT_EQ(cards().size(), 3u);
    EXPECT_EQ(caption(), "3 targets · 0 active");
    flipSwitch(card(1));
    EXPECT_EQ(caption(), "3 targets · 1 active");
    flipSwitch(card(1));
    EXPECT_EQ(caption(), "3 targets · 0 active");
}

TEST_F(MainWindowTest, CardsFollowTheStoreOrderAndSelectionOutlinesOne) {
    open({kFirst, kSecond, kThird});
    ASSERT_EQ(cards().size(), 3u);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(card(i)->target()->id(), store->targets()[std::size_t(i)]->id());
    EXPECT_FALSE(window->selection());

    clickCard(card(1));
    EXPECT_EQ(window->selection(), store->targets()[1]->id());
    EXPECT_FALSE(card(0)->isSelected());
    EXPECT_TRUE(card(1)->isSelected());
    EXPECT_EQ(detailTitle(), "198.18.250.2");
    EXPECT_EQ(detail()->shownTarget(), store->targets()[1]);

    // The switch belongs to the target, not to the selection.
    const auto switchedId = store->targets()[2]->id();
    flipSwitch(card(2));
    EXPECT_EQ(window->selection(), store->targets()[1]->id());
    store->target(switchedId)->setEnabled(false);
}

TEST_F(MainWindowTest, RemovingTheSelectedTargetClearsTheSelectionBeforeTheTargetGoes) {
    open({kFirst, kSecond, kThird});
    const QUuid second = store->targets()[1]->id();
    clickCard(card(1));
    ASSERT_EQ(window->selection(), second);

    std::vector<bool> presentWhenCleared;
    QObject::connect(window.get(), &MainWindow::selectionChanged, [&] {
        if (!window->selection())
            presentWhenCleared.push_back(store->target(second) != nullptr);
    });

    // Removing another target leaves the selection alone.
    QToolButton* trash = revealTrash(card(2));
    EXPECT_EQ(trash->toolTip(), "Remove target");
    QTest::mouseClick(trash, Qt::LeftButton);
    EXPECT_EQ(store->targets().size(), 2u);
    EXPECT_EQ(window->selection(), second);
    EXPECT_TRUE(presentWhenCleared.empty());

    QTest::mouseClick(revealTrash(card(1)), Qt::LeftButton);
    EXPECT_EQ(presentWhenCleared, std::vector<bool>{true});
    EXPECT_FALSE(window->selection());
    EXPECT_EQ(store->target(second), nullptr);
    EXPECT_EQ(detailTitle(), "No target selected");
    ASSERT_TRUE(spinUntil([&] { return cards().size() == 1; }));
    EXPECT_EQ(card(0)->target()->spec(), kFirst);
    EXPECT_EQ(caption(), "1 targets · 0 active");
}

TEST_F(MainWindowTest, DeleteKeyRemovesTheSelectedTargetOnly) {
    open({kFirst, kSecond});
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    QTest::keyClick(window.get(), Qt::Key_Delete);
    EXPECT_EQ(store->targets().size(), 2u) << "nothing selected, nothing removed";

    clickCard(card(0));
    QTest::keyClick(window.get(), Qt::Key_Delete);
    ASSERT_EQ(store->targets().size(), 1u);
    EXPECT_EQ(store->targets()[0]->spec(), kSecond);
    EXPECT_FALSE(window->selection());
}

TEST_F(MainWindowTest, AddingATargetEqualToOneInTheListSelectsTheExistingOne) {
    open({kFirst, kSecond});
    const QUuid second = store->targets()[1]->id();
    QTest::mouseClick(button("addTargetButton"), Qt::LeftButton);
    QPointer<AddTargetSheet> sheet =
        window->findChild<AddTargetSheet*>(QStringLiteral("addTargetSheet"));
    ASSERT_TRUE(sheet);
    EXPECT_TRUE(sheet->isVisible());
    // Ctrl+N while it is open brings up the same sheet, not a second one.
    window->showAddTarget();
    EXPECT_EQ(window->findChildren<AddTargetSheet*>().size(), 1);

    auto* host = sheet->findChild<QLineEdit*>(QStringLiteral("hostField"));
    ASSERT_NE(host, nullptr);
    QTest::keyClicks(host, kSecond.host);
    QTest::mouseClick(sheet->findChild<QPushButton*>(QStringLiteral("addButton")), Qt::LeftButton);

    EXPECT_EQ(window->selection(), second);
    EXPECT_EQ(store->targets().size(), 2u);
    EXPECT_FALSE(store->target(second)->enabled()) << "the existing target is left as it was";
    EXPECT_TRUE(card(1)->isSelected());
    EXPECT_EQ(detailTitle(), kSecond.host);
    EXPECT_TRUE(spinUntil([&] { return sheet.isNull(); })) << "the sheet closes after adding";
}

TEST_F(MainWindowTest, ShortcutsOpenTheSheetAndThePreferences) {
    open({kFirst});
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    QTest::keyClick(window.get(), Qt::Key_N, Qt::ControlModifier);
    QPointer<AddTargetSheet> sheet =
        window->findChild<AddTargetSheet*>(QStringLiteral("addTargetSheet"));
    ASSERT_TRUE(sheet);
    QTest::mouseClick(sheet->findChild<QPushButton*>(QStringLiteral("cancelButton")),
                      Qt::LeftButton);
    ASSERT_TRUE(spinUntil([&] { return sheet.isNull(); })) << "a cancelled sheet is gone";
    EXPECT_EQ(store->targets().size(), 1u);

    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    QTest::keyClick(window.get(), Qt::Key_Comma, Qt::ControlModifier);
    const auto windows = QApplication::topLevelWidgets();
    EXPECT_TRUE(std::any_of(windows.begin(), windows.end(), [](const QWidget* w) {
        return w->objectName() == "preferencesWindow" && w->isVisible();
    }));
}

TEST_F(MainWindowTest, HeaderTogglesTheOverviewAndChoosingATargetLeavesIt) {
    open({kFirst, kSecond});
    QAbstractButton* header = button("overviewButton");
    EXPECT_EQ(header->toolTip(), "Overview of all targets");
    clickCard(card(0));

    QTest::mouseClick(header, Qt::LeftButton);
    EXPECT_TRUE(window->showsOverview());
    EXPECT_TRUE(detail()->showsOverview());
    EXPECT_EQ(window->selection(), store->targets()[0]->id()) << "the overview keeps the selection";

    QTest::mouseClick(header, Qt::LeftButton);
    EXPECT_FALSE(detail()->showsOverview());
    EXPECT_EQ(detail()->shownTarget(), store->targets()[0]);

    // Choosing a card, even the selected one, returns from the overview.
    QTest::mouseClick(header, Qt::LeftButton);
    clickCard(card(0));
    EXPECT_FALSE(detail()->showsOverview());
    QTest::mouseClick(header, Qt::LeftButton);
    clickCard(card(1));
    EXPECT_FALSE(detail()->showsOverview());
    EXPECT_EQ(detail()->shownTarget(), store->targets()[1]);
}

TEST_F(MainWindowTest, EveryIconOnlyButtonExplainsItself) {
    open({kFirst});
    EXPECT_EQ(button("preferencesButton")->toolTip(), "Preferences");
    EXPECT_FALSE(button("preferencesButton")->icon().isNull());
    EXPECT_EQ(button("addTargetButton")->text(), "Add Target");
    for (const auto* widget : window->findChildren<QAbstractButton*>())
        EXPECT_FALSE(widget->accessibleName().isEmpty()) << widget->objectName().toStdString();
}

} // namespace
} // namespace vantorel
