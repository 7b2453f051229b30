#include "alerts/AlertEngine.h"
#include "settings/Preferences.h"
#include "settings/SettingKeys.h"
#include "support/QtPrinters.h"
#include "targets/HeldTarget.h"
#include "targets/HostStore.h"

#include <QThread>
#include <gtest/gtest.h>

namespace vantorel {
namespace {

using test::answeredThenLost;
using test::Outcomes;

// What the engine hands the desktop, one line a notification: "title | subtitle | sound or
// silent", and "authorization" for the request for permission.
class PostedNotifications final : public NotificationSink {
public:
    explicit PostedNotifications(QStringList& posted)
        : posted_(posted) {}
    void requestAuthorization() override { posted_.append("authorization"); }
    void post(const QString& title, const QString& body, NotificationSound sound) override {
        posted_.append(title + " | " + body +
                       (sound == NotificationSound::alert ? " | sound" : " | silent"));
    }

private:
    QStringList& posted_;
};

// Targets held in known states in a store, and an engine whose evaluations the test runs by hand.
class AlertRules : public ::testing::Test {
protected:
    void SetUp() override {
        setLimits(true, 0, 10, 0);
        Preferences::instance().setValue(HostStore::kKey, QByteArray("[]"));
        store = std::make_unique<HostStore>();
        engine = std::make_unique<AlertEngine>(std::make_unique<PostedNotifications>(posted), 1e6);
        engine->start(*store);
    }
    static void setLimits(bool enabled, int unreachableSecs, double lossPct, double latencyMs) {
        auto& preferences = Preferences::instance();
        preferences.setValue(keys::alertsEnabled, enabled);
        preferences.setValue(keys::alertUnreachableSecs, unreachableSecs);
        preferences.setValue(keys::alertLossPct, lossPct);
        preferences.setValue(keys::alertLatencyMs, latencyMs);
    }
    Target& held(const TargetSpec& spec, const std::vector<Outcomes>& outcomes,
                 const std::vector<std::optional<bool>>& alive = {}) {
        auto& target = *store->target(store->add(spec));
        test::holdMonitors(target, outcomes, alive);
        return target;
    }
    // One evaluation; the notifications it posted, sorted, as the order among rules is free.
    QStringList evaluate() {
        posted.clear();
        engine->evaluate();
        authorizations += int(posted.removeAll("authorization"));
        posted.sort();
        return posted;
    }

    QStringList posted;
    int authorizations = 0;
    std::unique_ptr<HostStore> store;
    std::unique_ptr<AlertEngine> engine;
};

TEST_F(AlertRules, LossAndLatencyFireOnlyStrictlyAboveAPositiveLimit) {
    Outcomes loss10_1(101, std::nullopt), loss12_9(129, std::nullopt);
    loss10_1.resize(1000, 5.0);
    loss12_9.resize(1000, 5.0);
    const struct {
        double lossLimit, latencyLimit;
        TargetKind kind;
        Outcomes outcomes;
        QString fired;
    } cases[] = {
        {10, 0, TargetKind::hostPing, answeredThenLost(9, 1), ""},
        {10, 0, TargetKind::hostPing, loss10_1, "h high packet loss (10%) | Host Ping | sound"},
        {10, 0, TargetKind::hostPing, loss12_9, "h high packet loss (12%) | Host Ping | sound"},
        {0, 0, TargetKind::hostPing, answeredThenLost(1, 1), ""},
        {-1, 0, TargetKind::hostPing, answeredThenLost(1, 1), ""},
        {10, 80, TargetKind::traceroute, {80}, ""},
        {10, 80, TargetKind::traceroute, {80.9}, "h high latency (80 ms) | Traceroute | sound"},
        {10, -5, TargetKind::traceroute, {80.9}, ""},
        {1, 1, TargetKind::pingSweep, {90, std::nullopt}, ""}, // sweeps are only ever unreachable
    };
    for (const auto& [lossLimit, latencyLimit, kind, outcomes, fired] : cases) {
        setLimits(true, 0, lossLimit, latencyLimit);
        // A sweep's scan looks its host up at once, so it gets an address rather than a name.
        auto& target =
            held({kind, kind == TargetKind::pingSweep ? "127.0.0.9" : "h", "", 24}, {outcomes});
        EXPECT_EQ(evaluate().join(""), fired) << lossLimit << ' ' << latencyLimit;
        store->remove(target.id());
    }
}

// The outage clock starts at the first evaluation that sees the target down; the alert fires at
// the first evaluation at least the limit later (5 s at the least). Evaluations are bracketed by
// clock readings, so "just before" means before the limit whatever the engine read.
TEST_F(AlertRules, UnreachableFiresOnceTheTargetHasBeenDownForTheLimit) {
    for (const auto& [setting, limit] : {std::pair{0, 5.0}, std::pair{7, 7.0}}) {
        setLimits(true, setting, 0, 0);
        auto& target = held({TargetKind::hostPing, "h", "", 24}, {answeredThenLost(1, 3)});
        const Date before = dateNow();
        EXPECT_EQ(evaluate(), QStringList{}) << "down, but only just";
        const Date after = dateNow();
        QThread::msleep(qint64(std::max(0.0, before + limit - 0.1 - dateNow()) * 1000));
        EXPECT_EQ(evaluate(), QStringList{}) << setting;
        ASSERT_LT(dateNow(), before + limit) << "the machine stalled; the case proves nothing";
        QThread::msleep(qint64(std::max(0.0, after + limit - dateNow()) * 1000) + 1);
        EXPECT_EQ(evaluate(), QStringList{"h unreachable | Host Ping | sound"}) << setting;
        test::holdMonitors(target, {{5}});
        EXPECT_EQ(evaluate(), QStringList{"h reachable again | Host Ping | silent"});
        store->remove(target.id());
    }
}

TEST_F(AlertRules, RecoveriesAreSilentAndDisabledTargetsAndAlertsAreForgotten) {
    setLimits(false, 0, 10, 50);
    auto& target = held({TargetKind::traceroute, "127.0.0.8", "", 24}, {{100, 100, std::nullopt}});
    EXPECT_EQ(evaluate(), QStringList{});
    EXPECT_EQ(authorizations, 0) << "no permission is asked for while alerts are off";
    setLimits(true, 0, 10, 50);
    EXPECT_EQ(evaluate(), (QStringList{"127.0.0.8 high latency (100 ms) | Traceroute | sound",
                                       "127.0.0.8 high packet loss (33%) | Traceroute | sound"}));
    EXPECT_EQ(evaluate(), QStringList{}) << "a rule that stays fired is not repeated";
    test::holdMonitors(target, {Outcomes(10, 20.0)});
    EXPECT_EQ(evaluate(),
              (QStringList{"127.0.0.8 latency back to normal | Traceroute | silent",
                           "127.0.0.8 packet loss back to normal | Traceroute | silent"}));

    test::holdMonitors(target, {{100}});
    EXPECT_EQ(evaluate().size(), 1);
    target.setEnabled(false);
    EXPECT_EQ(evaluate(), QStringList{}) << "no recovery for a disabled target";
    target.setEnabled(true);
    test::holdMonitors(target, {});
    EXPECT_EQ(evaluate().size(), 1) << "enabled again while still slow, it fires afresh";
    setLimits(false, 0, 10, 50);
    EXPECT_EQ(evaluate(), QStringList{});
    setLimits(true, 0, 10, 50);
    EXPECT_EQ(evaluate().size(), 1) << "switching alerts off forgets what had fired";
    EXPECT_EQ(authorizations, 1);
}

} // namespace
} // namespace vantorel
