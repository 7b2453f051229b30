// The header chips: the statistics of the target, the HTTP status, and the sweep filters with
// the host list they filter.
#include "ResultsPaneFixture.h"
#include "lab/Lab.h"
#include "monitor/PingMonitor.h"
#include "support/EventLoop.h"
#include "support/HttpTestServer.h"
#include "ui/controls/TargetStatus.h"
#include "ui/controls/Theme.h"
#include "ui/detail/ResultChip.h"
#include "ui/detail/SweepHostList.h"
#include "ui/detail/SweepHostModel.h"

#include <QStringList>

namespace vantorel {
namespace {

using namespace std::chrono_literals;
using test::spinUntil;
using Filter = ResultChip::Filter;

class ChipsTest : public ResultsPaneFixture {
protected:
    QString value(const char* objectName) const { return chip(objectName)->value(); }

    QStringList listedHosts() const {
        const SweepHostModel& rows = *pane->hostList()->hostModel();
        QStringList hosts;
        for (int row = 0; row < rows.rowCount(); ++row)
            hosts << rows.index(row, 0).data().toString();
        return hosts;
    }
    QStringList statusWords() const {
        const SweepHostModel& rows = *pane->hostList()->hostModel();
        QStringList words;
        for (int row = 0; row < rows.rowCount(); ++row)
            words << rows.index(row, 0).data(SweepHostModel::statusTextRole).toString();
        return words;
    }
    std::vector<Filter> filters() const {
        return {chip("aliveChip")->filter(), chip("deadChip")->filter(),
                chip("totalChip")->filter()};
    }
};

QStringList qtList(const std::vector<std::string>& hosts) {
    QStringList list;
    for (const auto& host : hosts)
        list << qt(host);
    return list;
}

TEST_F(ChipsTest, StatisticChipsShowTheTargetsFigures) {
    open(singleHost(TargetKind::hostPing, QStringLiteral("127.0.0.1")), false);
    EXPECT_EQ(value("chip_avg"), QStringLiteral("—"));
    EXPECT_EQ(pane->findChild<ResultChip*>(QStringLiteral("chip_HTTP")), nullptr);

    PingMonitor& fed = *target->monitors().front();
    for (const std::optional<double> rtt :
         {std::optional(10.0), std::optional(20.0), std::optional<double>(), std::optional(30.0)})
        fed.record(rtt, dateNow());
    ASSERT_TRUE(spinUntil([&] { return value("chip_avg") != QStringLiteral("—"); }, 3s));
    EXPECT_EQ(value("chip_avg"), QStringLiteral("20 ms"));
    EXPECT_EQ(value("chip_min"), QStringLiteral("10 ms"));
    EXPECT_EQ(value("chip_max"), QStringLiteral("30 ms"));
    EXPECT_EQ(value("chip_loss"), QStringLiteral("25%"));
    EXPECT_EQ(value("chip_jitter"), QStringLiteral("%1 ms").arg(std::round(*target->jitter())));
    EXPECT_EQ(value("chip_MOS"), QString::asprintf("%.1f", *target->mos()));
    EXPECT_EQ(chip("chip_avg")->filter(), Filter::none);
}

TEST_F(ChipsTest, HttpStatusIsGreenBelow400AndRedFrom400On) {
    test::HttpTestServer server;
    server.answer(QStringLiteral("/moved"), {.status = 399, .reason = "Odd"});
    server.answer(QStringLiteral("/missing"), {.status = 400, .reason = "Bad Request"});
    for (const auto& [path, status, colour] :
         {std::tuple{"/moved", 399, theme::green()}, std::tuple{"/missing", 400, theme::red()}}) {
        SCOPED_TRACE(path);
        open(singleHost(TargetKind::serviceCheck, server.url(QString::fromLatin1(path)).toString()),
             true);
        ResultChip* http = chip("chip_HTTP");
        ASSERT_TRUE(spinUntil([&] { return http->isVisible(); }, 10s));
        EXPECT_EQ(http->value(), QString::number(status));
        EXPECT_EQ(http->valueColour(), colour);
    }
}

TEST_F(ChipsTest, SweepListsAliveHostsUntilDeadOrTotalIsPressed) {
    lab::Lab lab;
    lab.startSubnet();
    const auto alive = lab.addHosts(3);
    const auto silent = lab.addSilentHosts(2);
    open({TargetKind::pingSweep, qt(alive.front()), qt(silent.back()), 24}, true);
    // Before any answer every host is listed, as not known yet.
    EXPECT_EQ(listedHosts().size(), 5);
    ASSERT_TRUE(spinUntil([&] { return knownHostCount(*target) == 5; }, 30s));
    ASSERT_TRUE(spinUntil([&] { return listedHosts().size() == 3; }, 3s));

    EXPECT_EQ(listedHosts(), qtList(alive));
    EXPECT_EQ(statusWords(), QStringList(3, QStringLiteral("Alive")));
    EXPECT_EQ(value("aliveChip"), QStringLiteral("3"));
    EXPECT_EQ(value("deadChip"), QStringLiteral("2"));
    EXPECT_EQ(value("totalChip"), QStringLiteral("5"));
    EXPECT_EQ(filters(), (std::vector{Filter::on, Filter::off, Filter::off}));

    press("deadChip");
    EXPECT_EQ(listedHosts(), qtList(alive) + qtList(silent));
    EXPECT_EQ(filters(), (std::vector{Filter::on, Filter::on, Filter::on}));

    press("aliveChip");
    EXPECT_EQ(listedHosts(), qtList(silent));
    EXPECT_EQ(statusWords(), QStringList(2, QStringLiteral("Dead")));
    EXPECT_EQ(filters(), (std::vector{Filter::off, Filter::on, Filter::off}));

    press("deadChip");
    EXPECT_TRUE(listedHosts().isEmpty());
    EXPECT_EQ(filters(), (std::vector{Filter::off, Filter::off, Filter::off}));

    press("totalChip");
    EXPECT_EQ(listedHosts().size(), 5);
    EXPECT_TRUE(pane->showAlive() && pane->showDead());
}

TEST_F(ChipsTest, HostsWithoutAResultAreListedWhateverTheFilters) {
    const TargetSpec spec{TargetKind::pingSweep, QStringLiteral("198.18.240.1"),
                          QStringLiteral("198.18.240.4"), 24};
    auto sweep = Target::create(spec, false, kFast);
    sweep->monitors()[0]->restoreLiveness(true, 1.5, QStringLiteral("gateway.lab"));
    sweep->monitors()[1]->restoreLiveness(false, std::nullopt, std::nullopt);
    show(sweep);

    EXPECT_EQ(listedHosts(), (QStringList{"198.18.240.1", "198.18.240.3", "198.18.240.4"}));
    EXPECT_EQ(statusWords(), (QStringList{"Alive", "checking…", "checking…"}));
    const SweepHostModel& rows = *pane->hostList()->hostModel();
    EXPECT_EQ(rows.index(0, 0).data(SweepHostModel::hostnameRole).toString(), "gateway.lab");
    EXPECT_EQ(rows.index(0, 0).data(SweepHostModel::replyTextRole).toString(), "1.5 ms");
    EXPECT_EQ(rows.index(1, 0).data(SweepHostModel::replyTextRole).toString(), "");

    press("aliveChip");
    EXPECT_EQ(listedHosts(), (QStringList{"198.18.240.3", "198.18.240.4"}));
    press("totalChip");
    EXPECT_EQ(listedHosts().size(), 4);

    // A result arriving later is filtered like the others.
    press("deadChip");
    sweep->monitors()[2]->restoreLiveness(false, std::nullopt, std::nullopt);
    ASSERT_TRUE(spinUntil([&] { return listedHosts().size() == 2; }, 3s));
    EXPECT_EQ(listedHosts(), (QStringList{"198.18.240.1", "198.18.240.4"}));
}

} // namespace
} // namespace vantorel
