#include "lab/IcmpWire.h"

#include <gtest/gtest.h>

namespace vantorel::lab::icmp {
namespace {

// An echo request from 198.19.0.1 to 198.19.0.2 with TTL 3, identifier 0x1234, sequence 7 and
// a four-byte payload, checksums filled in.
std::vector<std::uint8_t> echoRequest() {
    std::vector<std::uint8_t> packet = {
        0x45, 0x00, 0x00, 0x20, 0xab, 0xcd, 0x40, 0x00, 0x03, 0x01, 0x00, 0x00, // IPv4
        198,  19,   0,    1,    198,  19,   0,    2,                            // addresses
        0x08, 0x00, 0x00, 0x00, 0x12, 0x34, 0x00, 0x07, 'p',  'i',  'n',  'g'}; // ICMP
    const std::uint16_t header = checksum({packet.data(), 20});
    packet[10] = header >> 8;
    packet[11] = header & 0xff;
    const std::uint16_t message = checksum({packet.data() + 20, 12});
    packet[22] = message >> 8;
    packet[23] = message & 0xff;
    return packet;
}

TEST(IcmpWire, ChecksumFollowsRfc1071) {
    const std::vector<std::uint8_t> example = {0x00, 0x01, 0xf2, 0x03, 0xf4, 0xf5, 0xf6, 0xf7};
    EXPECT_EQ(checksum(example), 0x220d);
    const std::vector<std::uint8_t> odd = {0x01};
    EXPECT_EQ(checksum(odd), 0xfeff);
    // A block that carries its own checksum sums to zero.
    EXPECT_EQ(checksum(echoRequest()), 0);
}

TEST(IcmpWire, ParsesEchoRequestsOnly) {
    std::vector<std::uint8_t> packet = echoRequest();
    packet.push_back(0xee); // bytes past the IPv4 total length are not part of the datagram
    const auto request = parseEchoRequest(packet);
    ASSERT_TRUE(request);
    EXPECT_EQ(request->ttl, 3);
    EXPECT_EQ(request->source, 0xC6130001u);
    EXPECT_EQ(request->destination, 0xC6130002u);
    EXPECT_EQ(request->datagram.size(), 32u);

    auto changed = [](std::size_t at, std::uint8_t value) {
        std::vector<std::uint8_t> bytes = echoRequest();
        bytes[at] = value;
        return parseEchoRequest(bytes).has_value();
    };
    EXPECT_FALSE(changed(20, 0));   // an echo reply
    EXPECT_FALSE(changed(9, 17));   // UDP
    EXPECT_FALSE(changed(0, 0x65)); // IPv6 version nibble
    EXPECT_FALSE(changed(6, 0x20)); // more fragments follow
    EXPECT_FALSE(changed(3, 0x40)); // total length beyond what was read
    const std::vector<std::uint8_t> whole = echoRequest();
    EXPECT_FALSE(parseEchoRequest(std::span(whole).first(27))); // the ICMP header cut short
}

TEST(IcmpWire, EchoReplyMirrorsTheRequest) {
    const std::vector<std::uint8_t> packet = echoRequest();
    const std::vector<std::uint8_t> reply = echoReply(*parseEchoRequest(packet), 9);
    ASSERT_EQ(reply.size(), 32u);
    EXPECT_EQ(checksum({reply.data(), 20}), 0);
    EXPECT_EQ(checksum({reply.data() + 20, 12}), 0);
    EXPECT_EQ(std::vector(reply.begin() + 12, reply.begin() + 16),
              std::vector(packet.begin() + 16, packet.begin() + 20)); // from the destination
    EXPECT_EQ(reply[20], echoReplyType);
    EXPECT_EQ(std::vector(reply.begin() + 24, reply.end()),
              std::vector(packet.begin() + 24, packet.end())); // identifier, sequence, payload
}

TEST(IcmpWire, ErrorQuotesHeaderAndFirstEightBytes) {
    const std::vector<std::uint8_t> packet = echoRequest();
    const std::vector<std::uint8_t> error =
        errorReply(*parseEchoRequest(packet), 0xC6130065, timeExceededType, 0, 1, 9);
    ASSERT_EQ(error.size(), 20u + 8u + 20u + 8u);
    EXPECT_EQ(checksum({error.data(), 20}), 0);
    EXPECT_EQ(checksum({error.data() + 20, error.size() - 20}), 0);
    EXPECT_EQ(error[12], 198);
    EXPECT_EQ(error[15], 0x65); // from the router
    EXPECT_EQ(error[20], timeExceededType);
    const std::uint8_t* quote = error.data() + 28;
    EXPECT_EQ(quote[8], 1); // the TTL as it reached the router
    EXPECT_EQ(checksum({quote, 20}), 0);
    EXPECT_EQ(std::vector(quote + 20, quote + 28),
              std::vector(packet.begin() + 20, packet.begin() + 28));
}

} // namespace
} // namespace vantorel::lab::icmp
