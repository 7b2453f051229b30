#include "net/ServiceProbe.h"

#include "net/ServiceMeasure.h"
#include "support/EventLoop.h"
#include "support/HttpTestServer.h"

#include <QFile>
#include <QSslKey>
#include <QTcpServer>
#include <QTcpSocket>
#include <gtest/gtest.h>

using namespace std::chrono_literals;
using namespace vantorel::test;

namespace vantorel {
namespace {

TEST(ServiceProbeTcp, OpenPortIsTimedAndLetGoAndAClosedOneFailsWithoutWaiting) {
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost));
    const auto open = measure(ServiceProbe::Tcp{"127.0.0.1", server.serverPort()});
    EXPECT_EQ(open.result, (ServiceResult{open.result.rttMs, std::nullopt, std::nullopt}));
    EXPECT_TRUE(open.result.rttMs > 0.0 && open.result.rttMs <= double(open.took.count()) + 1.0);
    // The far end sees the connection end without having to send or wait for anything.
    ASSERT_TRUE(spinUntil([&] { return server.hasPendingConnections(); }, 1s));
    std::unique_ptr<QTcpSocket> accepted(server.nextPendingConnection());
    EXPECT_TRUE(spinUntil(
        [&] { return accepted->read(1), accepted->state() == QAbstractSocket::UnconnectedState; },
        1s));

    const auto refused = measure(ServiceProbe::Tcp{"127.0.0.1", unusedPort()});
    EXPECT_EQ(refused.result, ServiceResult{}) << "a TCP failure carries nothing";
    EXPECT_LT(refused.took, 1s) << "a refused connection must not wait for the deadline";

    // IPv6 as well, by address; port 0 is not tried at all; "010" is ten, as typed, not octal.
    QTcpServer six, ten;
    ASSERT_TRUE(six.listen(QHostAddress::LocalHostIPv6) && ten.listen(QHostAddress("127.0.0.10")));
    const auto attempts = measureAll(
        {ServiceProbe::Tcp{"::1", six.serverPort()}, ServiceProbe::Tcp{"[::1]", six.serverPort()},
         ServiceProbe::Tcp{"127.0.0.1", 0}, ServiceProbe::Tcp{"127.0.0.010", ten.serverPort()}});
    EXPECT_TRUE(attempts[0].result.rttMs && attempts[1].result.rttMs && attempts[3].result.rttMs);
    EXPECT_EQ(attempts[2].result, (ServiceResult{{}, {}, QStringLiteral("Invalid port")}));
}

TEST(ServiceProbeHttp, TimedToTheHeadUpTo399ThenOnlyTheStatusOrAReadableReason) {
    QFile certificate(VANTOREL_NET_FIXTURES "/service-tls.crt"),
        key(VANTOREL_NET_FIXTURES "/service-tls.key");
    ASSERT_TRUE(certificate.open(QIODevice::ReadOnly) && key.open(QIODevice::ReadOnly));
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.setLocalCertificate(QSslCertificate(&certificate, QSsl::Pem));
    tls.setPrivateKey(QSslKey(&key, QSsl::Rsa, QSsl::Pem));
    HttpTestServer server, untrusted(tls);
    constexpr qint64 bodyBytes = 200'000'000; // streaming it all would take half a minute
    // Paths on `server`, else whole URLs; status 0: none. A 301 is reported, not followed.
    const QString refused = QStringLiteral("http://127.0.0.1:%1/").arg(unusedPort()),
                  unknown = untrusted.url().toString();
    const std::tuple<QString, int, QString> cases[] = {
        {"/ok", 200, ""},           {"/moved", 301, ""},         {"/not-modified", 304, ""},
        {"/last-timed", 399, ""},   {"/first-untimed", 400, ""}, {"/missing", 404, ""},
        {"/down", 503, ""},         {"/large", 200, ""},         {refused, 0, "refused"},
        {unknown, 0, "certificate"}};
    std::vector<ServiceProbe> probes;
    for (const auto& [where, status, reason] : cases) {
        if (where.startsWith('/'))
            server.answer(where, {.status = status,
                                  .headers = {{"Location", "/elsewhere"},
                                              {"Set-Cookie", "session=abc; Max-Age=3600"},
                                              {"Cache-Control", "public, max-age=3600"}}});
        probes.push_back(
            ServiceProbe::Http{where.startsWith('/') ? server.url(where) : QUrl(where)});
    }
    server.answer("/large", {.headDelay = 200ms, .bodyBytes = bodyBytes});
    const auto attempts = measureAll(probes);
    for (std::size_t i = 0; const auto& [where, status, reason] : cases) {
        const ServiceResult& result = attempts[i++].result;
        SCOPED_TRACE(where.toStdString());
        EXPECT_EQ(result.httpStatus.value_or(0), status);
        EXPECT_EQ(result.rttMs.has_value(), status > 0 && status <= 399);
        EXPECT_TRUE(result.errorText.value_or("").contains(reason, Qt::CaseInsensitive));
        EXPECT_EQ(result.errorText.has_value(), !reason.isEmpty());
    }
    EXPECT_TRUE(attempts[7].result.rttMs >= 195.0 && attempts[7].result.rttMs < 1e3) << "200 ms";
    EXPECT_LT(attempts[8].took, 1s);
    EXPECT_TRUE(untrusted.requests().empty()) << "nothing is sent over an unverified channel";
    ASSERT_TRUE(spinUntil([&] { return !server.cutOffBodies().empty(); }, 3s));
    EXPECT_LT(server.cutOffBodies().front(), bodyBytes / 20);

    // A cached answer would time nothing, and a cookie sent back would change what is checked.
    EXPECT_EQ(measure(ServiceProbe::Http{server.url("/ok")}).result.httpStatus, 200);
    ASSERT_EQ(server.requests().size(), 9u);
    for (const auto& request : server.requests())
        EXPECT_FALSE(request.path == "/elsewhere" || request.headers.contains("cookie"));
}

} // namespace
} // namespace vantorel
