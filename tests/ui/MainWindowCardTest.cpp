#include "MainWindowFixture.h"
#include "lab/Lab.h"
#include "lab/TunPath.h"
#include "support/EventLoop.h"
#include "support/QtPrinters.h"
#include "ui/controls/Theme.h"
#include "ui/controls/ToggleSwitch.h"
#include "ui/window/TargetCard.h"

#include <QLabel>
#include <QRegularExpression>

namespace vantorel {
namespace {

using namespace std::chrono_literals;
using test::spinUntil;

class TargetCardStates : public MainWindowFixture {
protected:
    static QString figure(const TargetCard* card, const char* name) {
        return labelText(card, name);
    }
    static bool switchedOn(const TargetCard* card) {
        return card->findChild<ToggleSwitch*>(QStringLiteral("activeSwitch"))->isChecked();
    }
};

TEST_F(TargetCardStates, HostPingGoesFromOffThroughStartingToLatencyAndLossAndBackToOff) {
    lab::TunPath path;
    const QString host = qt(path.address(2));
    path.setDestinations({path.address(2)});
    path.setDelay(5ms);
    path.setLoss(lab::TunPath::Loss::everyNth(2));
    open({{TargetKind::hostPing, host, QString(), 24}});
    TargetCard* c = card(0);

    EXPECT_EQ(cardStatus(c), "monitoring off");
    EXPECT_EQ(c->statusColour(), theme::gray());
    EXPECT_FALSE(switchedOn(c));
    EXPECT_EQ(figure(c, "latencyFigure"), "");

    flipSwitch(c);
    EXPECT_TRUE(c->target()->enabled());
    EXPECT_EQ(cardStatus(c), "starting…");
    EXPECT_EQ(c->statusColour(), theme::gray()) << "no latency yet";

    const QRegularExpression loss(QStringLiteral("^(\\d+)% packet loss$"));
    ASSERT_TRUE(spinUntil([&] {
        const auto match = loss.match(cardStatus(c));
        return match.hasMatch() && match.captured(1).toInt() > 0;
    })) << cardStatus(c).toStdString();
    // Every second echo is dropped.
    ASSERT_TRUE(spinUntil([&] {
        const int percent = loss.match(cardStatus(c)).captured(1).toInt();
        return percent >= 35 && percent <= 65;
    })) << cardStatus(c).toStdString();
    EXPECT_TRUE(spinUntil([&] { return figure(c, "latencyFigure") == "5 ms"; }))
        << figure(c, "latencyFigure").toStdString();
    EXPECT_EQ(c->statusColour(), theme::green());

    flipSwitch(c);
    EXPECT_FALSE(c->target()->enabled());
    EXPECT_EQ(cardStatus(c), "monitoring off");
    EXPECT_EQ(c->statusColour(), theme::gray());
    EXPECT_EQ(figure(c, "latencyFigure"), "")
        << "an old latency is not shown for a switched-off target";
}

TEST_F(TargetCardStates, StatusMessagesShowInOrangeInsteadOfFigures) {
    lab::TunPath path; // nothing at this address ever answers
    const QString silent = qt(path.address(9));
    const QString invalid = QStringLiteral("not a service address");
    open({{TargetKind::hostPing, silent, QString(), 24},
          {TargetKind::serviceCheck, invalid, QString(), 24}});

    flipSwitch(card(0));
    EXPECT_EQ(cardStatus(card(0)), "starting…");
    ASSERT_TRUE(spinUntil([&] { return cardStatus(card(0)).startsWith("Reconnecting… ("); }))
        << cardStatus(card(0)).toStdString();
    EXPECT_EQ(card(0)->statusColour(), theme::orange());
    EXPECT_EQ(figure(card(0), "latencyFigure"), "");

    flipSwitch(card(1));
    ASSERT_TRUE(spinUntil([&] { return cardStatus(card(1)).startsWith("Invalid address"); }))
        << cardStatus(card(1)).toStdString();
    EXPECT_EQ(card(1)->statusColour(), theme::orange());
    EXPECT_EQ(card(1)->target()->spec().displayName(), invalid);
    EXPECT_EQ(caption(), "2 targets · 2 active");
}

TEST_F(TargetCardStates, SweepCountsItsScanThenTheHostsThatAreUp) {
    lab::Lab lab;
    lab.startSubnet();
    const auto alive = lab.addHosts(2);
    lab.addSilentHost();
    const QString first = qt(alive.front());
    const QString last = first.left(first.lastIndexOf('.') + 1) + "4";
    // A second range in which nothing answers at all.
    lab::TunPath empty;
    open({{TargetKind::pingSweep, first, last, 24},
          {TargetKind::pingSweep, qt(empty.address(10)), qt(empty.address(12)), 24}});
    TargetCard* sweep = card(0);
    TargetCard* dead = card(1);

    EXPECT_EQ(cardStatus(sweep), "monitoring off");
    EXPECT_EQ(figure(sweep, "hostsFigure"), "4 hosts");
    EXPECT_EQ(figure(sweep, "upFigure"), "0 up");
    EXPECT_EQ(sweep->statusColour(), theme::gray());

    flipSwitch(sweep);
    flipSwitch(dead);
    EXPECT_EQ(cardStatus(sweep), "scanning… 0/4");
    EXPECT_EQ(sweep->statusColour(), theme::orange());
    EXPECT_EQ(cardStatus(dead), "scanning… 0/3");

    ASSERT_TRUE(spinUntil([&] { return cardStatus(sweep) == "2/4 alive"; }, 20s))
        << cardStatus(sweep).toStdString();
    EXPECT_EQ(sweep->statusColour(), theme::green());
    EXPECT_EQ(figure(sweep, "upFigure"), "2 up");
    EXPECT_EQ(figure(sweep, "hostsFigure"), "4 hosts");

    ASSERT_TRUE(spinUntil([&] { return cardStatus(dead) == "0/3 alive"; }, 20s))
        << cardStatus(dead).toStdString();
    EXPECT_EQ(dead->statusColour(), theme::red());
}

} // namespace
} // namespace vantorel
