#include "net/IcmpPacket.h"

#include <gtest/gtest.h>
#include <string_view>

namespace vantorel::icmp {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes ascii(std::string_view text) {
    return Bytes(text.begin(), text.end());
}

Bytes ipv4Header(std::uint8_t versionAndLength = 0x45) {
    Bytes header(std::size_t(versionAndLength & 0x0f) * 4, 0);
    header[0] = versionAndLength;
    return header;
}

Bytes operator+(Bytes head, const Bytes& tail) {
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

Bytes echoReply(std::uint16_t sequence, std::uint8_t type = kTypeEchoReply) {
    return {type, 0, 0, 0, 0, 0, std::uint8_t(sequence >> 8), std::uint8_t(sequence)};
}

Bytes timeExceededQuoting(std::uint16_t sequence, std::uint8_t quotedVersionAndLength = 0x45) {
    return Bytes{kTypeTimeExceeded, 0, 0, 0, 0, 0, 0, 0} + ipv4Header(quotedVersionAndLength) +
           buildEchoRequest(sequence, {});
}

TEST(IcmpPacket, EchoRequestsAreBuiltAndRepliesAndQuotedRequestsRead) {
    const auto message = buildEchoRequest(0xABCD, ascii("Vantorel"));
    EXPECT_EQ(message, (Bytes{8, 0, message[2], message[3], 0, 0, 0xAB, 0xCD} + ascii("Vantorel")));
    EXPECT_EQ(internetChecksum(message), 0) << "a correct checksum sums to zero";

    // The last byte of the odd payload is padded with zero.
    const auto odd = buildEchoRequest(1, ascii("abc")), empty = buildEchoRequest(1, {});
    EXPECT_EQ(std::pair(odd[2] << 8 | odd[3], empty[2] << 8 | empty[3]), std::pair(0x339C, 0xF7FE));
    // Carries above bit 15 fold back in: 0xFFFF + 0x0001 = 0x0001 after folding.
    EXPECT_EQ(internetChecksum(Bytes{0xFF, 0xFF, 0x00, 0x01}), std::uint16_t(~0x0001));

    // Replies and quoted requests are read with or without an IPv4 header in front.
    const auto quoted = ipv4Header() + timeExceededQuoting(0x1234); // the number at bytes 54, 55
    const struct {
        const char* what;
        Bytes datagram;
        std::optional<ParsedDatagram> expected;
        bool icmpV6 = false;
    } cases[] = {
        {"bare echo reply", echoReply(258) + ascii("Vantorel"), ParsedDatagram{258, false}},
        {"echo reply behind a header", ipv4Header() + echoReply(513), ParsedDatagram{513, false}},
        {"header with options", ipv4Header(0x46) + echoReply(65535), ParsedDatagram{65535, false}},
        {"time exceeded behind a header", quoted, ParsedDatagram{0x1234, true}},
        {"bare time exceeded", timeExceededQuoting(3), ParsedDatagram{3, true}},
        {"quoted header is not IPv4", timeExceededQuoting(1, 0x65), std::nullopt},
        {"unreachable", Bytes{kTypeDestinationUnreachable, 0, 0, 0, 0, 0, 0, 1}, std::nullopt},
        {"echo request", buildEchoRequest(1, {}), std::nullopt},
        {"header longer than datagram", Bytes{0x4F} + Bytes(19, 0) + echoReply(1), std::nullopt},
        // ICMPv6 datagrams come without their header, and only echo replies come.
        {"v6 echo reply", echoReply(258, kTypeV6EchoReply), ParsedDatagram{258, false}, true},
        {"v6 cut short", Bytes{kTypeV6EchoReply, 0, 0, 0, 0, 0, 1}, std::nullopt, true},
        {"v6 echo request", buildEchoRequest(1, {}, kTypeV6EchoRequest), std::nullopt, true},
        {"v4 echo reply as v6", echoReply(1), std::nullopt, true}};
    for (const auto& c : cases)
        EXPECT_EQ((c.icmpV6 ? parseDatagramV6 : parseDatagram)(c.datagram), c.expected) << c.what;
    for (std::size_t cut = 0; cut < quoted.size(); ++cut)
        EXPECT_FALSE(parseDatagram(Bytes(quoted.begin(), quoted.begin() + cut))) << "cut " << cut;
    EXPECT_EQ(sequenceOfReturnedRequest(buildEchoRequest(9, {}, 128), kTypeV6EchoRequest), 9);
    EXPECT_FALSE(sequenceOfReturnedRequest(buildEchoRequest(9, {}, 128)));
}

} // namespace
} // namespace vantorel::icmp
