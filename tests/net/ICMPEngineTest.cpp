#include "net/ICMPEngine.h"

#include "lab/Kernel.h"
#include "lab/Lab.h"
#include "lab/TunPath.h"
#include "platform/MainThread.h"
#include "platform/Task.h"
#include "support/EventLoop.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <gtest/gtest.h>

using namespace std::chrono_literals;
using vantorel::test::spinFor;
using vantorel::test::spinUntil;

namespace vantorel {
namespace {

// "reply from A", "time exceeded from A", "timeout" or "failed <errno>".
std::string describe(const ICMPOutcome& outcome) {
    if (const auto* failed = std::get_if<ICMPFailed>(&outcome))
        return "failed " + std::to_string(failed->error);
    const auto* reply = std::get_if<ICMPReply>(&outcome);
    if (!reply)
        return "timeout";
    // Even loopback takes some microseconds; a time that reads "0.000 ms" was measured from a
    // send stamp taken after the kernel had already received the answer.
    EXPECT_TRUE(reply->ms >= 0.0005 && reply->ms < 1000) << reply->ms;
    return (reply->timeExceeded ? "time exceeded from " : "reply from ") +
           reply->from.toStdString();
}

// Awaits one probe from a main-thread task, as the monitors do.
std::string probe(const std::shared_ptr<ICMPEngine>& engine, const std::string& ip, int ttl = 64,
                  double* ms = nullptr) {
    std::optional<ICMPOutcome> outcome;
    startTask([&](TaskHandle) -> QCoro::Task<> {
        outcome = co_await engine->probe(QString::fromStdString(ip), ttl, 1.0);
        EXPECT_TRUE(isMainThread()) << "the awaiting task must go on where it started";
    });
    EXPECT_TRUE(spinUntil([&] { return outcome.has_value(); }));
    const auto* reply = outcome ? std::get_if<ICMPReply>(&*outcome) : nullptr;
    if (reply && ms)
        *ms = reply->ms;
    return describe(outcome.value_or(ICMPFailed{-1}));
}

TEST(ICMPEngine, RepliesComeFromTheHostOrFromEachRouterOnTheWay) {
    lab::Lab lab;
    const auto host = lab.addHost();
    auto& route = lab.addRouteThroughRouters(3);
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(probe(ICMPEngine::shared(), "127.0.0.1"), "reply from 127.0.0.1");
    EXPECT_EQ(probe(ICMPEngine::shared(), host), "reply from " + host);
    auto traceEngine = ICMPEngine::create();
    for (int ttl = 1; ttl <= 3; ++ttl)
        EXPECT_EQ(probe(traceEngine, route.destination(), ttl),
                  "time exceeded from " + route.routers()[std::size_t(ttl - 1)]);
    EXPECT_EQ(probe(traceEngine, route.destination(), 4), "reply from " + route.destination());
}

TEST(ICMPEngine, EachProbeTimesOutOnItsOwnDeadlineAndAnUnreachableAnswerDoesNotEndItEarly) {
    lab::Lab lab;
    const auto silent = QString::fromStdString(lab.addSilentHost());
    const auto unreachable = QString::fromStdString(lab.addUnreachableBehindRouter().target);
    const auto host = lab.addHost();
    auto engine = ICMPEngine::create();
    const std::pair<QString, double> probes[] = {{silent, 1.5}, {silent, 0.3}, {unreachable, 0.4}};
    std::atomic<qint64> endedAt[3] = {};
    std::atomic<bool> timedOut[3] = {};
    QElapsedTimer clock;
    clock.start();
    for (std::size_t i = 0; i < 3; ++i)
        engine->probe(probes[i].first, 64, probes[i].second, [&, i](ICMPOutcome outcome) {
            timedOut[i] = std::holds_alternative<ICMPTimeout>(outcome);
            endedAt[i] = clock.elapsed();
        });
    ASSERT_TRUE(spinUntil([&] { return endedAt[0] > 0; }, 5s));
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_TRUE(timedOut[i]) << i;
        EXPECT_GE(endedAt[i], qint64(probes[i].second * 1000) - 5) << i;
    }
    EXPECT_LT(endedAt[1], 1000) << "a later, shorter probe waited for the longer one";
    EXPECT_LT(endedAt[2], 1000);
    // The queued unreachable error must not upset what follows on the same socket.
    EXPECT_EQ(probe(engine, host), "reply from " + host);
}

TEST(ICMPEngine, LifeOfAnEngineFromAForbiddenSocketToItsLastProbe) {
    lab::Lab lab;
    const auto unreachable = lab.addUnreachableRoute();
    const auto prohibited = lab.addProhibitRoute();
    const auto silent = QString::fromStdString(lab.addSilentHost());
    lab::writeSysctls({{"net.ipv4.ping_group_range", "1 0"}}); // nobody, as on a fresh Debian
    auto engine = ICMPEngine::create();
    EXPECT_EQ(probe(engine, "127.0.0.1"), describe(ICMPFailed{EACCES}));
    lab::writeSysctls({{"net.ipv4.ping_group_range", "0 2147483647"}});
    EXPECT_EQ(probe(engine, "127.0.0.1"), "reply from 127.0.0.1") << "the socket is tried again";
    EXPECT_EQ(probe(engine, "localhost"), describe(ICMPFailed{EINVAL}))
        << "names are never resolved";
    EXPECT_EQ(probe(engine, unreachable), describe(ICMPFailed{EHOSTUNREACH}));
    EXPECT_EQ(probe(engine, prohibited), describe(ICMPFailed{EACCES}));

    // Released with a probe in flight, the engine lives on until that probe has ended.
    std::atomic<bool> ended = false;
    engine->probe(silent, 64, 0.3, [&](ICMPOutcome outcome) {
        ended = std::holds_alternative<ICMPTimeout>(outcome);
    });
    engine.reset();
    EXPECT_TRUE(spinUntil([&] { return ended.load(); })) << "no timeout";
}

TEST(ICMPEngine, LateAnswerIsIgnoredAndTheNextProbeGetsItsOwn) {
    lab::TunPath path;
    const auto destination = path.address(2);
    path.setDestinations({destination});
    path.setDelay(600ms);
    auto engine = ICMPEngine::create();
    std::vector<std::string> outcomes; // handed over from the ICMP thread
    engine->probe(QString::fromStdString(destination), 64, 0.2, [&](ICMPOutcome outcome) {
        QMetaObject::invokeMethod(qApp, [&, outcome] { outcomes.push_back(describe(outcome)); });
    });
    spinFor(800ms); // the answer comes 600 ms after the request, long after the timeout
    EXPECT_EQ(path.counters().echoReplies, 1u);
    EXPECT_EQ(outcomes, std::vector<std::string>{"timeout"});
    path.setDelay(20ms);
    double ms = 0;
    EXPECT_EQ(probe(engine, destination, 64, &ms), "reply from " + destination);
    EXPECT_GE(ms, 20.0);
}

TEST(ICMPEngine, EveryProbeEndsExactlyOnceAcrossTheSequenceWrap) {
    auto engine = ICMPEngine::create();
    std::vector<int> outcomes(65'537, 0); // the last two carry 0 and 1 again
    std::size_t delivered = 0;
    // Bursts stay below what the socket's receive buffer holds, as a staggered sweep does.
    auto sendUpTo = [&](std::size_t to) {
        for (std::size_t i = delivered; i < to; ++i)
            engine->probe("127.0.0.1", 64, 2.0, [&, i](ICMPOutcome) {
                QMetaObject::invokeMethod(qApp, [&, i] { ++outcomes[i], ++delivered; });
            });
        return spinUntil([&] { return delivered >= to; });
    };
    for (std::size_t to = 200; delivered < outcomes.size(); to += 200)
        ASSERT_TRUE(sendUpTo(std::min(to, outcomes.size())));
    spinFor(50ms);
    EXPECT_EQ(std::count(outcomes.begin(), outcomes.end(), 1), std::ptrdiff_t(outcomes.size()));
}

} // namespace
} // namespace vantorel
