#include "net/Ipv6Text.h"

#include <gtest/gtest.h>

namespace vantorel {
namespace {

std::string canonical(std::string_view text) {
    const auto address = parseIPv6(text);
    return address ? formatIPv6(*address) : "invalid";
}

TEST(Ipv6Text, ReadsRfc4291FormsAndWritesThemAsRfc5952Says) {
    const std::pair<const char*, const char*> cases[] = {
        // RFC 5952: leading zeros go, hex is lower case, "::" replaces the longest run of zero
        // groups (the first of equal runs), never a single one; mapped IPv4 keeps its quad.
        {"2001:0db8:0:0:0:0:2:1", "2001:db8::2:1"},
        {"2001:DB8::ABCD", "2001:db8::abcd"},
        {"2001:db8::0001", "2001:db8::1"},
        {"2001:db8:0:1:1:1:1:1", "2001:db8:0:1:1:1:1:1"},
        {"2001:0:0:1:0:0:0:1", "2001:0:0:1::1"},
        {"2001:db8:0:0:1:0:0:1", "2001:db8::1:0:0:1"},
        {"::ffff:c000:0201", "::ffff:192.0.2.1"},
        {"0:0:0:0:0:ffff:192.0.2.1", "::ffff:192.0.2.1"},
        // RFC 4291: "::" for one or more groups, anywhere; a quad for the last 32 bits.
        {"0:0:0:0:0:0:0:0", "::"},
        {"::1", "::1"},
        {"1::", "1::"},
        {"1:2:3:4:5:6:7::", "1:2:3:4:5:6:7:0"},
        {"::2:3:4:5:6:7:8", "0:2:3:4:5:6:7:8"},
        {"1:2:3:4:5:6:1.2.3.4", "1:2:3:4:5:6:102:304"},
        {"::1.2.3.4", "::102:304"},
        {"::0.0.0.0", "::"},
        // A zone stays as typed.
        {"FE80::0:1%eth0", "fe80::1%eth0"},
        {"fe80::1%2", "fe80::1%2"},
        {"fe80::1%veth-a.1_2", "fe80::1%veth-a.1_2"},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(canonical(text), expected) << text;
        EXPECT_EQ(canonical(expected), expected) << "canonical text reads back the same";
        EXPECT_EQ(parseIPv6(QString::fromUtf8(text)), parseIPv6(text)) << text;
    }
    for (const char* text : {"",
                             ":",
                             ":::",
                             "1:2:3:4:5:6:7",
                             "1:2:3:4:5:6:7:8:9",
                             "1:2:3:4:5:6:7:8::",
                             "1::2::3",
                             ":1::",
                             "1::2:",
                             "1:::2",
                             "12345::",
                             "g::",
                             "::1.2.3",
                             "::1.2.3.04",
                             "::256.0.0.1",
                             "::+1.2.3.4",
                             "::1.2.3.4:5",
                             "1:2:3:4:5:6:7:1.2.3.4",
                             "1.2.3.4",
                             "[::1]",
                             "::1/128",
                             " ::1",
                             "::1 ",
                             "fe80::1%",
                             "%eth0",
                             "fe80::1%eth 0",
                             "fe80::1%a/b",
                             "fe80::1%a%b",
                             "fe80::1%0123456789abcdef"})
        EXPECT_EQ(canonical(text), "invalid") << '"' << text << '"';
    EXPECT_FALSE(parseIPv6(QStringLiteral("::\u0661"))) << "a digit of another script";
}

} // namespace
} // namespace vantorel
