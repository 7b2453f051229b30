#include "net/Ipv4Text.h"

#include <gtest/gtest.h>

namespace vantorel {
namespace {

TEST(ParseIPv4, AcceptsDottedQuadsWithMostSignificantComponentFirst) {
    EXPECT_EQ(parseIPv4("0.0.0.0"), 0u);
    EXPECT_EQ(parseIPv4("255.255.255.255"), 0xffffffffu);
    EXPECT_EQ(parseIPv4("198.18.0.1"), 0xc6120001u);
}

TEST(ParseIPv4, AcceptsLeadingZerosAndPlusSigns) {
    EXPECT_EQ(parseIPv4("010.001.0.7"), 0x0a010007u);
    EXPECT_EQ(parseIPv4("+1.2.3.4"), 0x01020304u);
    EXPECT_EQ(parseIPv4("1.+2.+3.+4"), 0x01020304u);
    EXPECT_EQ(parseIPv4("0000000000000000000001.2.3.255"), 0x010203ffu);
}

TEST(ParseIPv4, RejectsAnythingElse) {
    const char* const rejected[] = {
        "",         "1.2.3",     "1.2.3.4.",  "1..2.3",
        ".1.2.3",   "256.1.1.1", "1.2.3.256", "4294967296.1.1.1",
        " 1.2.3.4", "1.2.3.4 ",  "1.2.3.x",   "1.2.3.-4",
        "-0.1.2.3", "+.1.2.3",   "++1.2.3.4", "1,2,3,4",

    };
    for (const char* text : rejected)
        EXPECT_FALSE(parseIPv4(text).has_value()) << '"' << text << '"';
    EXPECT_FALSE(parseIPv4(std::string_view("1.2.3.4\0", 8)).has_value());
}

TEST(ParseIPv4, QtTextFollowsTheSameRules) {
    EXPECT_EQ(parseIPv4(QStringLiteral("198.18.0.1")), 0xc6120001u);
    EXPECT_FALSE(parseIPv4(QStringLiteral("1.2.3.4 ")).has_value());
    // Digits of other scripts are still digits to Qt, but not to an address.
    EXPECT_FALSE(parseIPv4(QString::fromUtf8("1.2.3.\xD9\xA4")).has_value());
    EXPECT_FALSE(parseIPv4(QString::fromUtf8("1.2.3.\xEF\xBC\x94")).has_value());
}

TEST(FormatIPv4, WritesCanonicalDottedQuads) {
    EXPECT_EQ(formatIPv4(0xffffffffu), "255.255.255.255");
    EXPECT_EQ(formatIPv4(0xc6120a01u), "198.18.10.1");
    EXPECT_EQ(formatIPv4Qt(0x7f000001u), QStringLiteral("127.0.0.1"));
    EXPECT_EQ(formatIPv4(*parseIPv4("010.1.0.7")), "10.1.0.7");
}

TEST(FormatIPv4, ParsesBackToTheSameAddress) {
    for (std::uint64_t address = 0; address <= 0xffffffffu; address += 0x01010101u / 7 + 13) {
        const auto parsed = parseIPv4(formatIPv4(std::uint32_t(address)));
        ASSERT_TRUE(parsed.has_value()) << address;
        EXPECT_EQ(*parsed, address);
    }
}

} // namespace
} // namespace vantorel
