#include "net/ICMPEngine.h"

#include "lab/Lab.h"
#include "lab/TunPath.h"
#include "net/RawIcmpSniffer.h"
#include "platform/Task.h"
#include "support/EventLoop.h"

#include <QDir>
#include <QElapsedTimer>
#include <algorithm>
#include <atomic>
#include <gtest/gtest.h>
#include <iterator>
#include <set>
#include <unistd.h>

using namespace std::chrono_literals;
using vantorel::test::RawIcmpSniffer;
using vantorel::test::spinFor;
using vantorel::test::spinUntil;

namespace vantorel {
namespace {

// Awaits one probe from a main-thread task, as the monitors do.
ICMPOutcome probeAndWait(const std::shared_ptr<ICMPEngine>& engine, const std::string& ip,
                         int ttl = 64, double timeout = 1.0) {
    std::optional<ICMPOutcome> outcome;
    startTask([&](TaskHandle) -> QCoro::Task<> {
        outcome = co_await engine->probe(QString::fromStdString(ip), ttl, timeout);
    });
    EXPECT_TRUE(spinUntil([&] { return outcome.has_value(); }, 10s));
    return outcome.value_or(ICMPOutcome{ICMPFailed{-1}});
}

::testing::AssertionResult isReplyFrom(const ICMPOutcome& outcome, const std::string& from,
                                       bool timeExceeded) {
    const auto* reply = std::get_if<ICMPReply>(&outcome);
    if (!reply)
        return ::testing::AssertionFailure()
               << "outcome is not a reply (index " << outcome.index() << ")";
    if (reply->from.toStdString() != from || reply->timeExceeded != timeExceeded)
        return ::testing::AssertionFailure() << "reply from " << reply->from.toStdString()
                                             << " timeExceeded=" << reply->timeExceeded;
    if (!(reply->ms > 0 && reply->ms < 1000))
        return ::testing::AssertionFailure() << "implausible rtt " << reply->ms;
    return ::testing::AssertionSuccess();
}

// The sockets this process has open, by inode. Compared as sets, because engines of earlier tests
// may still be closing theirs while a test runs.
std::set<std::string> openSockets() {
    std::set<std::string> sockets;
    for (const auto& name : QDir("/proc/self/fd").entryList(QDir::System | QDir::NoDotAndDotDot)) {
        char target[256] = {};
        const auto path = QByteArray("/proc/self/fd/") + name.toLatin1();
        if (::readlink(path.constData(), target, sizeof(target) - 1) > 0 &&
            std::string_view(target).starts_with("socket:"))
            sockets.insert(target);
    }
    return sockets;
}

TEST(ICMPEngine, EchoRepliesFromLoopbackAndANamespacedHost) {
    lab::Lab lab;
    const auto host = lab.addHost();
    auto engine = ICMPEngine::shared();
    EXPECT_TRUE(isReplyFrom(probeAndWait(engine, "127.0.0.1"), "127.0.0.1", false));
    EXPECT_TRUE(isReplyFrom(probeAndWait(engine, host), host, false));
}

TEST(ICMPEngine, SilentHostAndUnreachableAnswerBothEndInTimeoutAfterTheFullWait) {
    lab::Lab lab;
    const auto silent = lab.addSilentHost();
    const auto unreachable = lab.addUnreachableBehindRouter();
    const auto host = lab.addHost();
    auto engine = ICMPEngine::create();
    for (const auto& target : {silent, unreachable.target}) {
        QElapsedTimer clock;
        clock.start();
        EXPECT_TRUE(std::holds_alternative<ICMPTimeout>(probeAndWait(engine, target, 64, 0.4)))
            << target;
        EXPECT_GE(clock.elapsed(), 390) << "an unreachable answer must not end the probe early";
    }
    // The queued unreachable error must not upset what follows on the same socket.
    EXPECT_TRUE(isReplyFrom(probeAndWait(engine, host), host, false));
}

TEST(ICMPEngine, EachProbeTimesOutOnItsOwnDeadlineWhateverTheOrderSent) {
    lab::Lab lab;
    const auto silent = QString::fromStdString(lab.addSilentHost());
    auto engine = ICMPEngine::create();
    QElapsedTimer clock;
    clock.start();
    std::atomic<qint64> longEnded = 0, shortEnded = 0;
    engine->probe(silent, 64, 1.5, [&](ICMPOutcome) { longEnded = clock.elapsed(); });
    engine->probe(silent, 64, 0.3, [&](ICMPOutcome) { shortEnded = clock.elapsed(); });
    ASSERT_TRUE(spinUntil([&] { return longEnded > 0; }, 5s));
    EXPECT_GE(shortEnded, 295);
    EXPECT_LT(shortEnded, 1000) << "a later, shorter probe waited for the longer one";
    EXPECT_GE(longEnded, 1495);
}

TEST(ICMPEngine, TimeExceededThroughNamespacedRoutersComesFromEachRouter) {
    lab::Lab lab;
    auto& route = lab.addRouteThroughRouters(3);
    auto engine = ICMPEngine::create();
    for (int ttl = 1; ttl <= 3; ++ttl)
        EXPECT_TRUE(isReplyFrom(probeAndWait(engine, route.destination(), ttl),
                                route.routers()[std::size_t(ttl - 1)], true))
            << "ttl " << ttl;
    EXPECT_TRUE(
        isReplyFrom(probeAndWait(engine, route.destination(), 4), route.destination(), false));
}

TEST(ICMPEngine, SendErrorsAndHostNamesFailAtOnceWithoutUsingASequenceNumber) {
    lab::Lab lab;
    const auto unreachable = lab.addUnreachableRoute();
    const auto prohibited = lab.addProhibitRoute();
    RawIcmpSniffer sniffer;
    auto engine = ICMPEngine::create();

    probeAndWait(engine, "127.0.0.1");
    const auto named = probeAndWait(engine, "localhost");
    ASSERT_TRUE(std::holds_alternative<ICMPFailed>(named));
    EXPECT_EQ(std::get<ICMPFailed>(named).error, EINVAL);
    probeAndWait(engine, "127.0.0.1");
    EXPECT_EQ(sniffer.echoRequestSequences(), (std::vector<std::uint16_t>{1, 2}));

    const auto refused = probeAndWait(engine, unreachable);
    ASSERT_TRUE(std::holds_alternative<ICMPFailed>(refused));
    EXPECT_EQ(std::get<ICMPFailed>(refused).error, EHOSTUNREACH);
    const auto forbidden = probeAndWait(engine, prohibited);
    ASSERT_TRUE(std::holds_alternative<ICMPFailed>(forbidden));
    EXPECT_EQ(std::get<ICMPFailed>(forbidden).error, EACCES);
}

TEST(ICMPEngine, LateAnswerIsIgnoredAndTheNextProbeGetsItsOwn) {
    lab::TunPath path;
    const auto destination = path.address(2);
    path.setDestinations({destination});
    path.setDelay(600ms);
    auto engine = ICMPEngine::create();

    int outcomes = 0;
    std::optional<ICMPOutcome> first;
    // The callback runs on the ICMP thread; the outcome is handed to this one to be looked at.
    engine->probe(QString::fromStdString(destination), 64, 0.2, [&](ICMPOutcome outcome) {
        QMetaObject::invokeMethod(QCoreApplication::instance(), [&, outcome] {
            ++outcomes;
            first = outcome;
        });
    });
    ASSERT_TRUE(spinUntil([&] { return outcomes == 1; }));
    EXPECT_TRUE(first && std::holds_alternative<ICMPTimeout>(*first));
    spinFor(700ms); // the answer arrives 600 ms after the request, long after the timeout
    EXPECT_EQ(path.counters().echoReplies, 1u);
    EXPECT_EQ(outcomes, 1);

    path.setDelay(20ms);
    const auto next = probeAndWait(engine, destination);
    ASSERT_TRUE(isReplyFrom(next, destination, false));
    EXPECT_GE(std::get<ICMPReply>(next).ms, 20.0);
}

TEST(ICMPEngine, EveryProbeEndsExactlyOnceAcrossTheSequenceWrap) {
    auto engine = ICMPEngine::create();
    // The 65,535th probe carries 65535, the next ones 0 and 1.
    std::vector<int> outcomes(65'537, 0);
    std::size_t delivered = 0;
    // Bursts stay below what the socket's receive buffer holds, as a staggered sweep does.
    constexpr std::size_t kBurst = 200;
    auto sendBurst = [&](std::size_t from, std::size_t to) {
        for (std::size_t i = from; i < to; ++i)
            engine->probe("127.0.0.1", 64, 2.0, [&, i](ICMPOutcome) {
                QMetaObject::invokeMethod(QCoreApplication::instance(), [&, i] {
                    ++outcomes[i];
                    ++delivered;
                });
            });
        return spinUntil([&] { return delivered >= to; }, 10s);
    };
    for (std::size_t from = 0; from < 65'534; from += kBurst)
        ASSERT_TRUE(sendBurst(from, std::min<std::size_t>(from + kBurst, 65'534)));
    RawIcmpSniffer sniffer;
    ASSERT_TRUE(sendBurst(65'534, outcomes.size()));
    EXPECT_EQ(sniffer.echoRequestSequences(), (std::vector<std::uint16_t>{65535, 0, 1}));
    spinFor(50ms);
    EXPECT_EQ(std::count(outcomes.begin(), outcomes.end(), 1), std::ptrdiff_t(outcomes.size()));
}

TEST(ICMPEngine, AProbeInFlightKeepsItsEngineAndTheSocketClosesAfter) {
    lab::Lab lab;
    const auto silent = lab.addSilentHost();
    const auto before = openSockets();
    auto engine = ICMPEngine::create();
    std::atomic<bool> timedOut = false;
    engine->probe(QString::fromStdString(silent), 64, 0.3, [&](ICMPOutcome outcome) {
        timedOut = std::holds_alternative<ICMPTimeout>(outcome);
    });
    std::set<std::string> opened;
    ASSERT_TRUE(spinUntil([&] {
        const auto now = openSockets();
        opened.clear();
        std::set_difference(now.begin(), now.end(), before.begin(), before.end(),
                            std::inserter(opened, opened.end()));
        return opened.size() == 1;
    }));
    engine.reset();
    EXPECT_TRUE(spinUntil([&] { return timedOut.load(); })) << "the outcome must still arrive";
    EXPECT_TRUE(spinUntil([&] { return !openSockets().contains(*opened.begin()); }))
        << "socket left open";
}

} // namespace
} // namespace vantorel
