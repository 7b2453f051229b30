#include "net/ServiceMeasure.h"
#include "net/ServiceProbe.h"
#include "support/EventLoop.h"
#include "support/HttpTestServer.h"
#include "support/QtPrinters.h"

#include <QFile>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QTcpServer>
#include <gtest/gtest.h>

using namespace std::chrono_literals;
using vantorel::test::HttpAnswer;
using vantorel::test::HttpTestServer;

namespace vantorel {
namespace {

ServiceProbe probeOf(const QUrl& url) {
    return ServiceProbe::Http{url};
}

TEST(ServiceProbeHttp, StatusesUpTo399CountAsSuccessHigherOnesOnlyReportTheirStatus) {
    HttpTestServer server;
    server.answer(
        "/moved",
        {.status = 301, .reason = "Moved Permanently", .headers = {{"Location", "/elsewhere"}}});
    server.answer("/not-modified", {.status = 304, .reason = "Not Modified"});
    server.answer("/missing", {.status = 404, .reason = "Not Found"});
    server.answer("/unavailable", {.status = 503, .reason = "Service Unavailable"});
    const std::vector<std::pair<QString, int>> cases = {{"/ok", 200},
                                                        {"/moved", 301},
                                                        {"/not-modified", 304},
                                                        {"/missing", 404},
                                                        {"/unavailable", 503}};

    std::vector<ServiceProbe> probes;
    for (const auto& [path, status] : cases)
        probes.push_back(probeOf(server.url(path)));
    const auto attempts = test::measureAll(probes);

    for (std::size_t i = 0; i < cases.size(); ++i) {
        const auto& [path, status] = cases[i];
        const ServiceResult& result = attempts[i].result;
        SCOPED_TRACE(path.toStdString());
        EXPECT_EQ(result.httpStatus, status);
        EXPECT_EQ(result.rttMs.has_value(), status <= 399);
        if (result.rttMs)
            EXPECT_GT(*result.rttMs, 0.0);
        EXPECT_FALSE(result.errorText);
        EXPECT_TRUE(attempts[i].resumedOnMainThread);
    }
    // The redirect was reported, not followed.
    for (const auto& request : server.requests())
        EXPECT_NE(request.path, "/elsewhere");
    EXPECT_EQ(server.requests().size(), cases.size());
}

TEST(ServiceProbeHttp, EveryAttemptReachesTheServerAndNoCookieIsSentBack) {
    HttpTestServer server;
    server.answer("/session", {.headers = {{"Set-Cookie", "session=abc; Path=/; Max-Age=3600"},
                                           {"Cache-Control", "public, max-age=3600"},
                                           {"ETag", "\"v1\""}}});
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(test::measure(probeOf(server.url("/session"))).result.httpStatus, 200);

    ASSERT_EQ(server.requests().size(), 2u) << "a cached answer would time nothing";
    for (const auto& request : server.requests()) {
        EXPECT_FALSE(request.headers.contains("cookie"));
        EXPECT_FALSE(request.headers.contains("if-none-match"));
    }
}

TEST(ServiceProbeHttp, TimedToTheHeadWhileALargeSlowBodyIsNeverDownloaded) {
    HttpTestServer server;
    constexpr qint64 bodyBytes = 200'000'000;
    server.answer("/large", {.headDelay = 200ms, .bodyBytes = bodyBytes});

    const auto attempt = test::measure(probeOf(server.url("/large")));
    EXPECT_EQ(attempt.result.httpStatus, 200);
    ASSERT_TRUE(attempt.result.rttMs);
    EXPECT_GE(*attempt.result.rttMs, 195.0) << "the head came 200 ms after the request";
    EXPECT_LT(*attempt.result.rttMs, 2000.0);
    EXPECT_FALSE(attempt.result.errorText);

    // Streaming the body takes half a minute; the client must hang up right after the head.
    ASSERT_TRUE(test::spinUntil([&] { return !server.cutOffBodies().empty(); }, 3s));
    const auto cut = server.cutOffBodies().front();
    EXPECT_LT(cut.afterHead, 2s);
    EXPECT_LT(cut.bodyBytesWritten, bodyBytes / 20);
}

TEST(ServiceProbeHttp, TransportFailureGivesOnlyAReadableReason) {
    quint16 port = 0;
    {
        QTcpServer closed;
        ASSERT_TRUE(closed.listen(QHostAddress::LocalHost));
        port = closed.serverPort();
    }
    const auto attempt =
        test::measure(probeOf(QUrl(QStringLiteral("http://127.0.0.1:%1/").arg(port))));
    EXPECT_FALSE(attempt.result.rttMs);
    EXPECT_FALSE(attempt.result.httpStatus);
    ASSERT_TRUE(attempt.result.errorText);
    EXPECT_TRUE(attempt.result.errorText->contains("refused", Qt::CaseInsensitive))
        << attempt.result.errorText->toStdString();
    EXPECT_LT(attempt.took, 1s);
    EXPECT_TRUE(attempt.resumedOnMainThread);
}

QSslConfiguration serverTls() {
    QFile certificate(QStringLiteral(VANTOREL_NET_FIXTURES "/service-tls.crt"));
    QFile key(QStringLiteral(VANTOREL_NET_FIXTURES "/service-tls.key"));
    EXPECT_TRUE(certificate.open(QIODevice::ReadOnly) && key.open(QIODevice::ReadOnly));
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.setLocalCertificate(QSslCertificate(&certificate, QSsl::Pem));
    tls.setPrivateKey(QSslKey(&key, QSsl::Rsa, QSsl::Pem));
    tls.setPeerVerifyMode(QSslSocket::VerifyNone);
    return tls;
}

TEST(ServiceProbeHttps, CertificateTheClientDoesNotTrustFailsWithAReasonAndNoStatus) {
    const QSslConfiguration tls = serverTls();
    HttpTestServer server(tls);

    const auto untrusted = test::measure(probeOf(server.url("/")));
    EXPECT_FALSE(untrusted.result.rttMs);
    EXPECT_FALSE(untrusted.result.httpStatus);
    ASSERT_TRUE(untrusted.result.errorText);
    EXPECT_TRUE(untrusted.result.errorText->contains("certificate", Qt::CaseInsensitive))
        << untrusted.result.errorText->toStdString();
    EXPECT_TRUE(server.requests().empty()) << "no request may be sent over an unverified channel";

    // A server with the same certificate, once that is trusted, answers: the failure above was
    // the verification, not a broken server. (Another port: the manager keeps a connection's TLS
    // settings for as long as it keeps the connection.)
    HttpTestServer sameCertificate(tls);
    const QSslConfiguration original = QSslConfiguration::defaultConfiguration();
    QSslConfiguration trusting = original;
    trusting.addCaCertificate(tls.localCertificate());
    QSslConfiguration::setDefaultConfiguration(trusting);
    const auto trusted = test::measure(probeOf(sameCertificate.url("/")));
    QSslConfiguration::setDefaultConfiguration(original);
    EXPECT_EQ(trusted.result.httpStatus, 200);
    EXPECT_TRUE(trusted.result.rttMs);
    EXPECT_FALSE(trusted.result.errorText);
}

} // namespace
} // namespace vantorel
