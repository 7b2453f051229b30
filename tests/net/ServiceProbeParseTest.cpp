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
        // Host and port split at the last colon; the port reads as an unsigned number 1–65535.
        {"server:22", "tcp server 22"},
        {"\t db.internal:5439  ", "tcp db.internal 5439"},
        {"10.0.0.5:65535", "tcp 10.0.0.5 65535"},
        {"server:+0001", "tcp server 1"},
        {"server:000000000000000000022", "tcp server 22"},
        // An IPv6 host goes in brackets and is kept in its canonical form.
        {"[::1]:22", "tcp ::1 22"},
        {"[2001:DB8:0::1]:443", "tcp 2001:db8::1 443"},
        {"[fe80::1%eth0]:22", "tcp fe80::1%eth0 22"}};
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(parsed(text), expected) << text.toStdString();
    // A line break is not blank here, and digits of another script are no port.
    const QString invalid[] = {
        "",       "::1:22",   "server:-0",   "server:0x16",   "ftp://server:21",
        "   ",    "server:",  "server:00",   "server:22\n",   "server:4294967318",
        ":22",    "[::1]:0",  "server:-22",  "[1.2.3.4]:22",  "server:\uff12\uff12",
        "[]:22",  "[::1:22",  "server: 22",  "server:65536",  "http://example.com\n",
        "[::1]",  "http://",  "[server]:22", "  https://  ",  "http://exa mple.com/",
        "server", "server:0", "server:++22", "http:///path",  "http://example.com:99999/",
        "a:b:22", "server:+", "server:22 x", "http:server:80"};
    for (const auto& text : invalid)
        EXPECT_EQ(parsed(text), "invalid") << '"' << text.toStdString() << '"';
}

} // namespace
} // namespace vantorel
