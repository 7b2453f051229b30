#include "net/Ipv4Text.h"

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
    for (const auto& [text, address] : accepted) {
        EXPECT_EQ(parseIPv4(text), address) << text;
        EXPECT_EQ(parseIPv4(QString::fromUtf8(text)), address) << text;
    }
    for (const char* text :
         {"", "1.2.3", "1.2.3.4.", "1..2.3", ".1.2.3", "256.1.1.1", "4294967296.1.1.1", " 1.2.3.4",
          "1.2.3.4 ", "1.2.3.x", "1.2.3.-4", "-0.1.2.3", "+.1.2.3", "++1.2.3.4", "1,2,3,4"}) {
        EXPECT_FALSE(parseIPv4(text)) << '"' << text << '"';
        EXPECT_FALSE(parseIPv4(QString::fromUtf8(text))) << '"' << text << '"';
    }
    // Digits of other scripts are digits to Qt, but not in an address.
    EXPECT_FALSE(parseIPv4(QStringLiteral("1.2.3.\u0664")));
    EXPECT_FALSE(parseIPv4(QStringLiteral("1.2.3.\uff14")));

    // Formatting is canonical, so a text that parses may come back otherwise.
    EXPECT_EQ(formatIPv4(*parseIPv4("010.1.0.7")), "10.1.0.7");
    EXPECT_EQ(formatIPv4Qt(0x7f000001u), QStringLiteral("127.0.0.1"));
    for (std::uint64_t address = 0; address <= 0xffffffffu; address += 0x01010101u / 7 + 13)
        EXPECT_EQ(parseIPv4(formatIPv4(std::uint32_t(address))), address);
}

} // namespace
} // namespace vantorel
