#include "net/ServiceProbe.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>

namespace vantorel {
namespace {

std::optional<ServiceProbe::Tcp> tcpOf(const QString& text) {
    const auto probe = ServiceProbe::parse(text);
    if (!probe || !probe->tcp())
        return std::nullopt;
    return *probe->tcp();
}

std::optional<QUrl> urlOf(const QString& text) {
    const auto probe = ServiceProbe::parse(text);
    if (!probe || !probe->http())
        return std::nullopt;
    return probe->http()->url;
}

TEST(ServiceProbeParse, UrlsAreTrimmedAndKeepTheCaseOfWhatFollowsTheScheme) {
    const auto trimmed = urlOf(" \thttps://example.com/status?Check=1 \t");
    ASSERT_TRUE(trimmed);
    EXPECT_EQ(trimmed->scheme(), "https");
    EXPECT_EQ(trimmed->host(), "example.com");
    EXPECT_EQ(trimmed->path(), "/status");
    EXPECT_EQ(trimmed->query(), "Check=1");

    const auto upper = urlOf("HTTP://Example.com:8080/Health/Live");
    ASSERT_TRUE(upper) << "the scheme test ignores case";
    EXPECT_EQ(upper->scheme(), "http");
    EXPECT_EQ(upper->port(), 8080);
    EXPECT_EQ(upper->path(), "/Health/Live");

    const auto ipv6 = urlOf("http://[::1]:8080/");
    ASSERT_TRUE(ipv6) << "a URL may name an IPv6 host in brackets";
    EXPECT_EQ(ipv6->host(), "::1");

    // Any Unicode space counts as blank; a line break does not.
    EXPECT_TRUE(urlOf(QStringLiteral("\u00a0http://example.com\u3000")));
    EXPECT_FALSE(ServiceProbe::parse(u"http://example.com\n"));
}

TEST(ServiceProbeParse, UrlsWithoutHostOrThatAreNotWellFormedAreRejected) {
    for (const char* text : {"http://", "HTTPS://", "  https://  ", "http:///path", "http://:80/",
                             "http://exa mple.com/", "http://example.com:99999/"})
        EXPECT_FALSE(ServiceProbe::parse(QString::fromUtf8(text))) << text;
}

TEST(ServiceProbeParse, HostAndPortSplitAtTheLastColon) {
    EXPECT_EQ(tcpOf("server:22"), (ServiceProbe::Tcp{"server", 22}));
    EXPECT_EQ(tcpOf("10.0.0.5:8080"), (ServiceProbe::Tcp{"10.0.0.5", 8080}));
    EXPECT_EQ(tcpOf("\t db.internal:5432  "), (ServiceProbe::Tcp{"db.internal", 5432}));
    EXPECT_EQ(tcpOf("server:1"), (ServiceProbe::Tcp{"server", 1}));
    EXPECT_EQ(tcpOf("server:65535"), (ServiceProbe::Tcp{"server", 65535}));
    // The port reads like any unsigned number: a plus sign and leading zeros are fine.
    EXPECT_EQ(tcpOf("server:+22"), (ServiceProbe::Tcp{"server", 22}));
    EXPECT_EQ(tcpOf("server:000000000000000000022"), (ServiceProbe::Tcp{"server", 22}));
}

TEST(ServiceProbeParse, HostAndPortRejectsMissingPartsColonsInTheHostAndBadPorts) {
    for (const char* text : {"",
                             "   ",
                             "server",
                             "server:",
                             ":22",
                             "a:b:22",
                             "[::1]:22",
                             "::1:22",
                             "ftp://server:21",
                             "http:server:80",
                             "server:0",
                             "server:-0",
                             "server:00",
                             "server:70000",
                             "server:65536",
                             "server:99999999999999999999",
                             "server:-22",
                             "server:+",
                             "server:++22",
                             "server:+-22",
                             "server: 22",
                             "server:22 x",
                             "server:0x16",
                             "server:2 2",
                             "server:22\n"})
        EXPECT_FALSE(ServiceProbe::parse(QString::fromUtf8(text))) << '"' << text << '"';
    // Digits of other scripts are not decimal digits here.
    EXPECT_FALSE(ServiceProbe::parse(QStringLiteral("server:\uff12\uff12")));
    EXPECT_FALSE(ServiceProbe::parse(QStringLiteral("server:\u0662\u0662")));
}

} // namespace
} // namespace vantorel
