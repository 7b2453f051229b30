#include "lab/Addresses.h"
#include "lab/Lab.h"
#include "lab/TestResolver.h"
#include "net/ServiceMeasure.h"
#include "net/ServiceProbe.h"
#include "support/HttpTestServer.h"
#include "support/QtPrinters.h"

#include <QTcpServer>
#include <gtest/gtest.h>

using namespace std::chrono_literals;
using vantorel::test::HttpTestServer;

namespace vantorel {
namespace {

// The two real-time deadlines run side by side, so together they cost five seconds.
TEST(ServiceProbeDeadlines, UnansweredSynsEndAtThreeSecondsAndAHeadlessServerAtFive) {
    lab::Lab lab;
    const std::string host = lab.addHost();
    // The host's /24 is routed into a namespace that drops silently whatever no host claims.
    const std::string nobody = lab::ipv4Text((lab::ipv4Value(host) & 0xFFFFFF00u) | 200u);
    HttpTestServer server;
    server.answer("/hang", {.silent = true});

    const auto attempts = test::measureAll(
        {ServiceProbe::Tcp{QString::fromStdString(nobody), 80},
         // The same path with someone at the end: a closed port there is refused at once, so
         // the wait above is the deadline and not some failure of the lab's routing.
         ServiceProbe::Tcp{QString::fromStdString(host), 80},
         ServiceProbe::Http{server.url("/hang")}},
        10s);

    const auto& unanswered = attempts[0];
    EXPECT_EQ(unanswered.result, ServiceResult{});
    EXPECT_GE(unanswered.took, 2950ms);
    EXPECT_LT(unanswered.took, 3500ms);

    const auto& refused = attempts[1];
    EXPECT_EQ(refused.result, ServiceResult{});
    EXPECT_LT(refused.took, 1s);

    const auto& headless = attempts[2];
    EXPECT_FALSE(headless.result.rttMs);
    EXPECT_FALSE(headless.result.httpStatus);
    ASSERT_TRUE(headless.result.errorText);
    EXPECT_FALSE(headless.result.errorText->isEmpty());
    // Qt's transfer timer is coarse: it may fire up to 5 % early.
    EXPECT_GE(headless.took, 4700ms);
    EXPECT_LT(headless.took, 6s);
    ASSERT_EQ(server.requests().size(), 1u) << "the request was sent; only the head never came";
}

TEST(ServiceProbeNames, NamesAreResolvedAndAnUnknownOneFailsAsItsKindFails) {
    lab::TestResolver resolver;
    resolver.addHost("service.lab", "127.0.0.1").start();
    HttpTestServer server;
    const auto port = server.port();

    const auto attempts = test::measureAll({
        ServiceProbe::Tcp{"service.lab", port},
        ServiceProbe::Tcp{"nowhere.lab", port},
        ServiceProbe::Http{QUrl(QStringLiteral("http://service.lab:%1/").arg(port))},
        ServiceProbe::Http{QUrl(QStringLiteral("http://nowhere.lab:%1/").arg(port))},
    });

    EXPECT_TRUE(attempts[0].result.rttMs);
    EXPECT_EQ(attempts[1].result, ServiceResult{}) << "a TCP failure carries no text";
    EXPECT_EQ(attempts[2].result.httpStatus, 200);
    EXPECT_TRUE(attempts[2].result.rttMs);
    EXPECT_FALSE(attempts[3].result.rttMs);
    EXPECT_FALSE(attempts[3].result.httpStatus);
    ASSERT_TRUE(attempts[3].result.errorText);
    EXPECT_TRUE(attempts[3].result.errorText->contains("nowhere.lab"))
        << attempts[3].result.errorText->toStdString();
}

} // namespace
} // namespace vantorel
