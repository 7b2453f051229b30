#include "net/Ipv4Text.h"
#include "net/Ipv6Text.h"
#include "net/SocketAddress.h"

#include <gtest/gtest.h>

namespace vantorel {
namespace {

TEST(Ipv4Text, ReadsExactlyFourDecimalComponentsMostSignificantFirstAndWritesThemCanonically) {
    const std::pair<const char*, std::uint32_t> accepted[] = {
        {"0.0.0.0", 0u},
        {"255.255.255.255", 0xffffffffu},
        {"198.18.0.1", 0xc6120001u},
        {"010.001.0.7", 0x0a010007u},
        {"+1.+2.+3.+4", 0x01020304u},
        {"0000000000000000000001.2.3.255", 0x010203ffu}};
    for (const auto& [text, address] : accepted)
        EXPECT_TRUE(parseIPv4(text) == address && parseIPv4(QString::fromUtf8(text)) == address)
            << text;
    for (const char* text :
         {"", "1.2.3", "1.2.3.4.", "1..2.3", ".1.2.3", "256.1.1.1", "4294967296.1.1.1", " 1.2.3.4",
          "1.2.3.4 ", "1.2.3.x", "1.2.3.-4", "-0.1.2.3", "+.1.2.3", "++1.2.3.4", "1,2,3,4"})
        EXPECT_FALSE(parseIPv4(text) || parseIPv4(QString::fromUtf8(text))) << '"' << text << '"';
    // Digits of other scripts are digits to Qt, but not in an address; nor is a letter whose low
    // byte is an ASCII digit.
    for (const char16_t* text : {u"1.2.3.\u0664", u"1.2.3.\uff14", u"1.2.3.\u0134"})
        EXPECT_FALSE(parseIPv4(QStringView(text))) << QString::fromUtf16(text).toStdString();

    // Formatting is canonical, so a text that parses may come back otherwise.
    EXPECT_EQ(formatIPv4(*parseIPv4("010.1.0.7")), "10.1.0.7");
    EXPECT_EQ(formatIPv4Qt(0x7f000001u), QStringLiteral("127.0.0.1"));
    for (std::uint64_t address = 0; address <= 0xffffffffu; address += 0x01010101u / 7 + 13)
        EXPECT_EQ(parseIPv4(formatIPv4(std::uint32_t(address))), address);
}

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
        // RFC 4291: "::" for one or more groups, anywhere; a quad for the last 32 bits.
        {"0:0:0:0:0:0:0:0", "::"},
        {"1:2:3:4:5:6:7::", "1:2:3:4:5:6:7:0"},
        {"1:2:3:4:5:6:1.2.3.4", "1:2:3:4:5:6:102:304"},
        {"::1.2.3.4", "::102:304"},
        // A zone stays as typed.
        {"FE80::0:1%eth0", "fe80::1%eth0"},
        {"fe80::1%veth-a.1_2abcde", "fe80::1%veth-a.1_2abcde"}};
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(canonical(text), expected) << text;
        EXPECT_EQ(parseIPv6(QString::fromUtf8(text)), parseIPv6(expected)) << text;
    }
    // What inet_pton refuses is refused too (the fuzzer checks that for any text), and so is a
    // zone that cannot be an interface.
    for (const char* text : {"", ":::", "1:2:3:4:5:6:7", "1:2:3:4:5:6:7:8::", "1::2::3",
                             "12345::", "::1.2.3.04", "::+1.2.3.4", "[::1]", "::1/128", "fe80::1%",
                             "%eth0", "fe80::1%eth 0", "fe80::1%0123456789abcdef"})
        EXPECT_EQ(canonical(text), "invalid") << '"' << text << '"';
    EXPECT_FALSE(parseIPv6(QStringLiteral("::\u0661"))) << "a digit of another script";
    const auto byNumber = SocketAddress::fromText(u"fe80::1%1"); // a zone by number: loopback
    EXPECT_EQ(byNumber ? addressText(byNumber->get()) : "", QStringLiteral("fe80::1%lo"));
    EXPECT_TRUE(SocketAddress::fromText(u"fe80::1%123456789")) << "an index of nine digits";
}

} // namespace
} // namespace vantorel
