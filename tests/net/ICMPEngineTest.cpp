#include "net/ICMPEngine.h"

#include "lab/Kernel.h"
#include "lab/Lab.h"
#include "lab/TunPath.h"
#include "net/IcmpSocket.h"
#include "platform/MainThread.h"
#include "platform/Task.h"
#include "support/EventLoop.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <ctime>
#include <gtest/gtest.h>
#include <poll.h>

using namespace std::chrono_literals;
using vantorel::lab::inFamily;
using namespace vantorel::test;

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
    if (const auto* reply = outcome ? std::get_if<ICMPReply>(&*outcome) : nullptr; reply && ms)
        *ms = reply->ms;
    return describe(outcome.value_or(ICMPFailed{-1}));
}

TEST(ICMPEngine, RepliesComeFromTheHostOrFromEachRouterOnTheWayOverBothFamilies) {
    lab::Lab lab;
    const auto host = lab.addHost();
    auto& route = lab.addRouteThroughRouters(3);
    const auto linkLocal = lab.linkLocalHost();
    for (const char* loopback : {"127.0.0.1", "::1"})
        for (int i = 0; i < 10; ++i)
            EXPECT_EQ(probe(ICMPEngine::shared(), loopback), "reply from " + std::string(loopback));
    EXPECT_EQ(probe(ICMPEngine::shared(), linkLocal), "reply from " + linkLocal);
    auto traceEngine = ICMPEngine::create();
    for (const bool ipv6 : {false, true}) {
        const auto to = inFamily(ipv6, host), destination = inFamily(ipv6, route.destination());
        EXPECT_EQ(probe(ICMPEngine::shared(), to), "reply from " + to);
        for (int ttl = 1; const auto& router : route.routers())
            EXPECT_EQ(probe(traceEngine, destination, ttl++),
                      "time exceeded from " + inFamily(ipv6, router));
        EXPECT_EQ(probe(traceEngine, destination, 4), "reply from " + destination);
    }
}

TEST(ICMPEngine, EachProbeTimesOutOnItsOwnDeadlineAndAnUnreachableAnswerDoesNotEndItEarly) {
    lab::Lab lab;
    const auto silent = lab.addSilentHost();
    const auto unreachable = lab.addUnreachableBehindRouter().target;
    auto engine = ICMPEngine::create();
    const std::pair<std::string, double> probes[] = {
        {silent, 1.5}, {silent, 0.4}, {unreachable, 0.3}, {lab::ipv6Twin(unreachable), 0.2}};
    std::atomic<qint64> endedAt[4] = {}; // -1: ended otherwise than by timing out
    QElapsedTimer clock;
    clock.start();
    const std::clock_t cpuBefore = std::clock();
    for (std::size_t i = 0; i < 4; ++i)
        engine->probe(QString::fromStdString(probes[i].first), 64, probes[i].second,
                      [&, i](ICMPOutcome outcome) {
                          endedAt[i] =
                              std::holds_alternative<ICMPTimeout>(outcome) ? clock.elapsed() : -1;
                      });
    ASSERT_TRUE(spinUntil([&] { return endedAt[0] != 0; }, 5s));
    EXPECT_LT(std::clock() - cpuBefore, CLOCKS_PER_SEC / 2) << "timed, not polled";
    for (std::size_t i = 0; i < 4; ++i)
        EXPECT_GE(endedAt[i], qint64(probes[i].second * 1000) - 5) << i;
    EXPECT_LT(std::max({endedAt[1].load(), endedAt[2].load(), endedAt[3].load()}), 1000);
}

TEST(ICMPEngine, LifeOfAnEngineFromAForbiddenSocketToItsLastProbe) {
    lab::Lab lab;
    const auto unreachable = lab.addUnreachableRoute();
    const auto prohibited = lab.addProhibitRoute();
    const auto silent = QString::fromStdString(lab.addSilentHost());
    lab::writeSysctls({{"net.ipv4.ping_group_range", "1 0"}}); // nobody, as on a fresh Debian
    auto engine = ICMPEngine::create();
    EXPECT_EQ(probe(engine, "127.0.0.1"), describe(ICMPFailed{EACCES}));
    EXPECT_EQ(probe(engine, "::1"), describe(ICMPFailed{EACCES}));
    lab::writeSysctls({{"net.ipv4.ping_group_range", "0 2147483647"}});
    EXPECT_EQ(probe(engine, "127.0.0.1"), "reply from 127.0.0.1") << "the socket is tried again";
    EXPECT_EQ(probe(engine, "::1"), "reply from ::1");
    for (const char* name : {"localhost", "fe80::1%nowhere", "[::1]", "::1/128"})
        EXPECT_EQ(probe(engine, name), describe(ICMPFailed{EINVAL})) << "not a literal: " << name;
    // Whatever the retry after a queued error, a route's own refusal fails the probe.
    for (const bool ipv6 : {false, true}) {
        EXPECT_EQ(probe(engine, inFamily(ipv6, unreachable)), describe(ICMPFailed{EHOSTUNREACH}));
        EXPECT_EQ(probe(engine, inFamily(ipv6, prohibited)), describe(ICMPFailed{EACCES}));
    }

    // Released with a probe in flight, the engine lives on until that probe has ended.
    std::atomic<bool> ended = false;
    engine->probe(silent, 64, 0.3, [&](ICMPOutcome outcome) {
        ended = std::holds_alternative<ICMPTimeout>(outcome);
    });
    const std::weak_ptr<ICMPEngine> released = engine;
    engine.reset();
    EXPECT_TRUE(spinUntil([&] { return ended.load() && released.expired(); }));
}

TEST(ICMPEngine, LateAnswerIsIgnoredAndTheNextProbeGetsItsOwnOverBothFamilies) {
    lab::TunPath path;
    path.setDestinations({path.address(2)});
    auto engine = ICMPEngine::create();
    for (const bool ipv6 : {false, true}) {
        const auto destination = inFamily(ipv6, path.address(2));
        path.setDelay(600ms);
        std::vector<std::string> ended; // handed over from the ICMP thread
        engine->probe(QString::fromStdString(destination), 64, 0.2, [&](ICMPOutcome outcome) {
            QMetaObject::invokeMethod(qApp, [&, outcome] { ended.push_back(describe(outcome)); });
        });
        spinFor(800ms); // the answer comes 600 ms after the request, long after the timeout
        EXPECT_EQ(path.counters().echoReplies, ipv6 ? 3u : 1u);
        EXPECT_EQ(ended, std::vector<std::string>{"timeout"});
        path.setDelay(20ms);
        double ms = 0;
        EXPECT_EQ(probe(engine, destination, 64, &ms), "reply from " + destination);
        EXPECT_GE(ms, 20.0);
    }
}

// On Linux an ICMP error queued on a ping socket fails the next send, whoever it was meant for.
// Step by step on one socket: a probe expires at a router; with that error queued, unread, one
// goes to an address that is off; with its unreachable queued, one goes to a live host.
TEST(IcmpSocket, AQueuedErrorFailsNoLaterSendAndStillReachesItsOwnProbe) {
    lab::TunPath path;
    const auto live = path.address(2), off = path.address(3), router = path.address(101);
    path.setDestinations({live});
    path.setUnreachable({off}, router);
    path.setRouters({{router}});
    for (const bool ipv6 : {false, true}) {
        IcmpSocket socket(ipv6 ? AF_INET6 : AF_INET);
        ASSERT_EQ(socket.open(), 0);
        std::vector<std::string> answers;
        const auto answered = [&](const IcmpAnswer& answer) {
            answers.push_back(std::to_string(answer.sequence) + " from " +
                              answer.from.toStdString() + (answer.timeExceeded ? " expired" : ""));
        };
        std::uint16_t sequence = 0;
        // Sends, then waits for `event` or any error on the socket; returns the send's error.
        const auto send = [&](const std::string& to, int hopLimit, short event) {
            const auto at = SocketAddress::fromText(QString::fromStdString(inFamily(ipv6, to)));
            const int error = socket.send(*at, hopLimit, ++sequence, answered).error;
            pollfd waiting{socket.descriptor(), event, 0};
            EXPECT_EQ(::poll(&waiting, 1, 2000), 1) << "nothing came back";
            return error;
        };
        EXPECT_EQ(send(live, 1, POLLERR), 0);
        EXPECT_EQ(send(off, 64, POLLERR), 0) << "failed by the time exceeded";
        EXPECT_EQ(send(live, 64, POLLIN), 0) << "failed by the unreachable";
        spinUntil([&] { return socket.drain(answered), answers.size() >= 2; }, 2s);
        EXPECT_EQ(answers, (std::vector{"1 from " + inFamily(ipv6, router) + " expired",
                                        "3 from " + inFamily(ipv6, live)}));
    }
}

// A sweep of a sparse range whose empty addresses come back host unreachable, at the liveness
// mode's pace (five probes 0.2 s apart per host, the first ones spread over a quarter of a
// second; a scan every 7 s), and a host ping once a second, on the shared engine for a minute:
// every probe of an answering address is answered, every other one times out.
TEST(ICMPEngine, UnreachableAnswersToASweepFailNoProbeOnTheSameEngine) {
    lab::TunPath path;
    path.setDelay(2ms);
    std::vector<std::string> answering{path.address(254)}, off;
    for (int last = 2; last < 253; ++last)
        (last % 16 == 0 ? answering : off).push_back(path.address(last));
    path.setDestinations(answering);
    path.setUnreachable(off, path.address(253));
    QElapsedTimer clock;
    clock.start();
    std::vector<std::string> wrong; // "address: outcome" of each probe that ended otherwise
    std::size_t running = 0;
    const auto every = [&](int last, double period, int burst) {
        ++running;
        startTask([&, last, period, burst](TaskHandle task) -> QCoro::Task<> {
            const auto address = path.address(last);
            const std::string expected =
                std::ranges::count(answering, address) ? "reply from " + address : "timeout";
            for (double at = last / 254.0 * 0.25; at < 60; at += period) {
                co_await sleepForSeconds(task, at - double(clock.elapsed()) / 1000);
                for (int i = 0; i < burst; ++i) {
                    co_await sleepForSeconds(task, i > 0 ? 0.2 : 0);
                    const auto outcome = describe(co_await ICMPEngine::shared()->probe(
                        QString::fromStdString(address), 64, 1.0));
                    if (outcome != expected)
                        wrong.push_back(address + ": " + outcome);
                }
            }
            --running;
        });
    };
    every(254, 1, 1); // the host ping
    for (int last = 2; last < 253; ++last)
        every(last, 7, 5);
    ASSERT_TRUE(spinUntil([&] { return running == 0; }, 80s));
    EXPECT_EQ(wrong, std::vector<std::string>{});
    EXPECT_GT(path.counters().unreachable, 9000u) << "the sweep did not run at its pace";
}

TEST(ICMPEngine, EveryProbeEndsExactlyOnceAcrossTheSequenceWrap) {
    auto engine = ICMPEngine::create();
    std::vector<int> outcomes(65'537, 0); // the last two carry 0 and 1 again
    std::size_t delivered = 0;
    // Bursts stay below what the socket's receive buffer holds, as a staggered sweep does.
    for (std::size_t sent = 0; sent < outcomes.size();) {
        for (const std::size_t to = std::min(sent + 200, outcomes.size()); sent < to; ++sent)
            engine->probe("127.0.0.1", 64, 2.0, [&, i = sent](ICMPOutcome) {
                QMetaObject::invokeMethod(qApp, [&, i] { ++outcomes[i], ++delivered; });
            });
        ASSERT_TRUE(spinUntil([&] { return delivered >= sent; }));
    }
    spinFor(50ms);
    EXPECT_EQ(std::count(outcomes.begin(), outcomes.end(), 1), std::ptrdiff_t(outcomes.size()));
}

} // namespace
} // namespace vantorel
