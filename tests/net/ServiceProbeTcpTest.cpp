#include "net/ServiceMeasure.h"
#include "net/ServiceProbe.h"
#include "support/EventLoop.h"
#include "support/QtPrinters.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <gtest/gtest.h>
#include <memory>

using namespace std::chrono_literals;

namespace vantorel {
namespace {

quint16 closedPort() {
    QTcpServer server;
    EXPECT_TRUE(server.listen(QHostAddress::LocalHost));
    return server.serverPort(); // nothing listens there once `server` is gone
}

TEST(ServiceProbeTcp, OpenPortIsTimedToTheConnectionWhichIsClosedAgainAtOnce) {
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost));

    const auto attempt = test::measure(ServiceProbe::Tcp{"127.0.0.1", server.serverPort()});
    ASSERT_TRUE(attempt.result.rttMs);
    EXPECT_GT(*attempt.result.rttMs, 0.0);
    EXPECT_LE(*attempt.result.rttMs, double(attempt.took.count()) + 1.0);
    EXPECT_FALSE(attempt.result.httpStatus);
    EXPECT_FALSE(attempt.result.errorText);
    EXPECT_TRUE(attempt.resumedOnMainThread);

    ASSERT_TRUE(test::spinUntil([&] { return server.hasPendingConnections(); }, 1s));
    std::unique_ptr<QTcpSocket> accepted(server.nextPendingConnection());
    // The far end sees the connection end without having to send or wait for anything.
    EXPECT_TRUE(test::spinUntil(
        [&] {
            accepted->read(1);
            return accepted->state() == QAbstractSocket::UnconnectedState;
        },
        1s));
}

TEST(ServiceProbeTcp, ClosedPortFailsAtOnceWithNothingToReport) {
    const auto attempt = test::measure(ServiceProbe::Tcp{"127.0.0.1", closedPort()});
    EXPECT_EQ(attempt.result, ServiceResult{});
    EXPECT_LT(attempt.took, 1s) << "a refused connection must not wait for the deadline";
    EXPECT_TRUE(attempt.resumedOnMainThread);
}

TEST(ServiceProbeTcp, PortZeroIsAnInvalidPortNotAFailedConnection) {
    const auto attempt = test::measure(ServiceProbe::Tcp{"127.0.0.1", 0});
    EXPECT_EQ(attempt.result, (ServiceResult{std::nullopt, std::nullopt, "Invalid port"}));
}

} // namespace
} // namespace vantorel
