#include "monitor/PingMonitor.h"
#include "support/EventLoop.h"
#include "support/HttpTestServer.h"
#include "support/QtPrinters.h"

#include <QTcpServer>
#include <gtest/gtest.h>

using namespace std::chrono_literals;
using vantorel::test::HttpAnswer;
using vantorel::test::HttpTestServer;
using vantorel::test::spinUntil;

namespace vantorel {
namespace {

// Checks every 100 ms instead of every 5 s (HTTP) or 1 s (TCP).
std::shared_ptr<PingMonitor> serviceMonitor(const QString& address) {
    return PingMonitor::create(address, PingMonitor::Mode::service, std::nullopt,
                               {.httpCheckPeriod = 0.1, .tcpCheckPeriod = 0.1});
}

TEST(ServiceMode, HttpStatusesBecomeSamplesAfterTheFirstAttemptIsDropped) {
    HttpTestServer server;
    server.answer("/", HttpAnswer{.status = 503, .reason = "Service Unavailable"});
    auto monitor = serviceMonitor(server.url().toString());
    monitor->start();
    ASSERT_TRUE(spinUntil([&] { return monitor->samples().size() >= 2; }));
    EXPECT_GE(server.requests().size(), 3u) << "the first attempt is not kept";
    EXPECT_EQ(monitor->httpStatus(), 503);
    EXPECT_FALSE(monitor->statusMessage());
    EXPECT_FALSE(monitor->samples().back().rtt);

    server.answer("/", HttpAnswer{.status = 200});
    ASSERT_TRUE(spinUntil([&] { return monitor->samples().back().rtt.has_value(); }));
    EXPECT_EQ(monitor->httpStatus(), 200);
    monitor->stop();
}

TEST(ServiceMode, FailuresAreLostSamplesWithTheirReasonAndNeverPause) {
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost));
    const auto port = closed.serverPort();
    closed.close();
    auto tcp = serviceMonitor(QStringLiteral("127.0.0.1:%1").arg(port));
    auto http = serviceMonitor(QStringLiteral("http://127.0.0.1:%1/").arg(port));
    auto invalid = serviceMonitor("server");
    for (const auto& monitor : {tcp, http, invalid})
        monitor->start();
    EXPECT_FALSE(invalid->isRunning());
    EXPECT_EQ(invalid->statusMessage(), "Invalid address — use host:port or an http(s):// URL");
    ASSERT_TRUE(
        spinUntil([&] { return tcp->samples().size() >= 6 && http->samples().size() >= 6; }));
    EXPECT_TRUE(tcp->isRunning());
    EXPECT_FALSE(tcp->statusMessage()) << "a refused TCP port has no message";
    EXPECT_EQ(tcp->stats().lossPct, 100);
    EXPECT_TRUE(http->isRunning());
    EXPECT_TRUE(http->statusMessage().has_value()) << "an HTTP failure says why";
    EXPECT_FALSE(http->httpStatus());
    EXPECT_TRUE(invalid->samples().empty());
    tcp->stop();
    http->stop();
    EXPECT_FALSE(http->statusMessage());
}

} // namespace
} // namespace vantorel
