#include "targets/HostOrCidr.h"

#include "net/Ipv4Text.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>
#include <limits>
#include <ostream>

namespace vantorel {

void PrintTo(const HostOrCidr& entry, std::ostream* out) {
    *out << entry.host.toStdString() << " prefix " << entry.prefix;
}

namespace {

HostOrCidrResult entry(const char* host, std::int64_t prefix) {
    return HostOrCidr{QString::fromLatin1(host), prefix};
}

HostOrCidrResult failure(const char* message) {
    return QString::fromUtf8(message);
}

TEST(ParseHostOrCidr, AcceptsHostsAndSmallIpv4Blocks) {
    EXPECT_EQ(parseHostOrCidr(u"10.0.0.0/24"), entry("10.0.0.0", 24));
    EXPECT_EQ(parseHostOrCidr(u"10.0.0.9/31"), entry("10.0.0.9", 31));
    EXPECT_EQ(parseHostOrCidr(u"  10.0.0.5 \t"), entry("10.0.0.5", 32));
    EXPECT_EQ(parseHostOrCidr(u"router"), entry("router", 32));
    // /32 names one host, so it need not be an address.
    EXPECT_EQ(parseHostOrCidr(u"router/32"), entry("router", 32));
    EXPECT_EQ(parseHostOrCidr(u" router /+32 "), entry("router", 32));
    EXPECT_EQ(parseHostOrCidr(u"10.0.0.0/0024"), entry("10.0.0.0", 24));
    EXPECT_EQ(parseHostOrCidr(u"010.0.0.0/24"), entry("010.0.0.0", 24));
}

TEST(ParseHostOrCidr, ExplainsWhatIsMissing) {
    EXPECT_EQ(parseHostOrCidr(u""), failure("Enter a host or CIDR"));
    EXPECT_EQ(parseHostOrCidr(u" \t "), failure("Enter a host or CIDR"));
    EXPECT_EQ(parseHostOrCidr(u"/24"), failure("Missing address"));
    EXPECT_EQ(parseHostOrCidr(u"  /24"), failure("Missing address"));
    EXPECT_EQ(parseHostOrCidr(u"/"), failure("Missing address"));
}

TEST(ParseHostOrCidr, RefusesMasksThatAreNotPlainIntegers) {
    for (const char16_t* text : {u"10.0.0.0/", u"10.0.0.0/ 24", u"10.0.0.0/24/1", u"10.0.0.0/2 4",
                                 u"10.0.0.0/x", u"10.0.0.0/+", u"10.0.0.0/24.0",
                                 u"10.0.0.0/99999999999999999999", u"10.0.0.0/\u0662\u0664"})
        EXPECT_EQ(parseHostOrCidr(text), failure("Invalid CIDR mask"))
            << QString::fromUtf16(text).toStdString();
}

TEST(ParseHostOrCidr, AllowsOnlyPrefixes24To32) {
    const HostOrCidrResult outOfRange = failure("CIDR mask must be /24\xE2\x80\x93/32");
    for (const char16_t* text :
         {u"10.0.0.0/23", u"10.0.0.0/33", u"10.0.0.0/0", u"10.0.0.0/-24", u"router/16",
          u"10.0.0.0/-9223372036854775808", u"10.0.0.0/9223372036854775807"})
        EXPECT_EQ(parseHostOrCidr(text), outOfRange) << QString::fromUtf16(text).toStdString();
}

TEST(ParseHostOrCidr, BlocksNeedAnIpv4Address) {
    const HostOrCidrResult noAddress = failure("Ranges require a valid IPv4 address");
    EXPECT_EQ(parseHostOrCidr(u"router/24"), noAddress);
    EXPECT_EQ(parseHostOrCidr(u"10.0.0/31"), noAddress);
}

TEST(ExpandCidr, LeavesOutNetworkAndBroadcastWhereTheBlockHasThem) {
    const QStringList block24 = expandCidr("10.1.2.3", 24);
    ASSERT_EQ(block24.size(), 254);
    EXPECT_EQ(block24.front(), "10.1.2.1");
    EXPECT_EQ(block24.back(), "10.1.2.254");
    EXPECT_EQ(expandCidr("10.1.2.3", 30), (QStringList{"10.1.2.1", "10.1.2.2"}));
    EXPECT_EQ(expandCidr("10.1.2.3", 31), (QStringList{"10.1.2.2", "10.1.2.3"}));
    EXPECT_EQ(expandCidr("255.255.255.255", 30),
              (QStringList{"255.255.255.253", "255.255.255.254"}));
    EXPECT_EQ(expandCidr("010.1.2.3", 31), (QStringList{"10.1.2.2", "10.1.2.3"}));
}

TEST(ExpandCidr, IsTheHostAloneWithoutABlock) {
    EXPECT_EQ(expandCidr("10.1.2.3", 32), QStringList{"10.1.2.3"});
    EXPECT_EQ(expandCidr("010.1.2.3", 40), QStringList{"010.1.2.3"});
    EXPECT_EQ(expandCidr("router", 24), QStringList{"router"});
}

TEST(CidrRange, CountsTheLargestBlocksWithoutOverflowing) {
    const auto address = [](const char* text) { return *parseIPv4(std::string_view(text)); };
    const Ipv4Range whole{address("0.0.0.1"), address("255.255.255.254")};
    EXPECT_EQ(cidrRange(u"198.18.7.9", 0), whole);
    EXPECT_EQ(cidrRange(u"198.18.7.9", -5), whole);
    EXPECT_EQ(cidrRange(u"198.18.7.9", std::numeric_limits<std::int64_t>::min()), whole);
    EXPECT_EQ(cidrRange(u"198.18.7.9", 1),
              (Ipv4Range{address("128.0.0.1"), address("255.255.255.254")}));
    EXPECT_EQ(cidrRange(u"198.18.7.9", 15),
              (Ipv4Range{address("198.18.0.1"), address("198.19.255.254")}));
    EXPECT_EQ(cidrRange(u"198.18.7.9", 32), std::nullopt);
}

} // namespace
} // namespace vantorel
