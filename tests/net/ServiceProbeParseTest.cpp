#include "net/ServiceProbe.h"

#include <gtest/gtest.h>

namespace vantorel {
namespace {

std::string parsed(const QString& text) {
    const auto probe = ServiceProbe::parse(text);
    if (!probe)
        return "invalid";
    if (const auto* tcp = probe->tcp())
        return QStringLiteral("tcp %1 %2").arg(tcp->host).arg(tcp->port).toStdString();
    return "http " + probe->http()->url.toString().toStdString();
}

TEST(ServiceProbeParse, ReadsUrlsAndHostPortPairsAsTyped) {
    const std::pair<QString, std::string> cases[] = {
        // URLs: trimmed, the scheme tested in any case, what follows it keeps its case.
        {" \thttps://example.com/status?Check=1 \t", "http https://example.com/status?Check=1"},
        {"HTTP://Example.com:8080/Health/Live", "http http://example.com:8080/Health/Live"},
        {"http://[::1]:8080/", "http http://[::1]:8080/"},
        {"https://[2001:DB8::1]/", "http https://[2001:db8::1]/"},
        {QStringLiteral("\u00a0http://example.com\u3000"), "http http://example.com"},
        {"http://example.com\n", "invalid"}, // a line break is not blank here
        {"http://", "invalid"},
        {"  https://  ", "invalid"},
        {"http:///path", "invalid"},
        {"http://exa mple.com/", "invalid"},
        {"http://example.com:99999/", "invalid"},
        // Host and port split at the last colon; the port reads as an unsigned number 1–65535.
        {"server:22", "tcp server 22"},
        {"\t db.internal:5432  ", "tcp db.internal 5432"},
        {"10.0.0.5:65535", "tcp 10.0.0.5 65535"},
        {"server:+0001", "tcp server 1"},
        {"server:000000000000000000022", "tcp server 22"},
        {QStringLiteral("server:\uff12\uff12"), "invalid"}, // digits of another script
        {"server:22\n", "invalid"},
        // An IPv6 host goes in brackets and is kept in its canonical form.
        {"[::1]:22", "tcp ::1 22"},
        {"[2001:DB8:0::1]:443", "tcp 2001:db8::1 443"},
        {"[fe80::1%eth0]:22", "tcp fe80::1%eth0 22"}};
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(parsed(text), expected) << text.toStdString();
    const QString invalid[] = {
        "",           "   ",       "server",       "server:",         ":22",
        "a:b:22",     "[]:22",     "::1:22",       "ftp://server:21", "http:server:80",
        "[::1]",      "[::1]:0",   "[1.2.3.4]:22", "[server]:22",     "[::1:22",
        "server:0",   "server:-0", "server:00",    "server:65536",    "server:4294967318",
        "server:-22", "server:+",  "server:++22",  "server: 22",      "server:22 x",
        "server:0x16"};
    for (const auto& text : invalid)
        EXPECT_EQ(parsed(text), "invalid") << '"' << text.toStdString() << '"';
}

} // namespace
} // namespace vantorel
