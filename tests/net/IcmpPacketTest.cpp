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

Bytes concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const auto& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

Bytes echoReply(std::uint16_t sequence) {
    auto message = buildEchoRequest(sequence, ascii("Vantorel"));
    message[0] = kTypeEchoReply;
    return message;
}

Bytes timeExceededQuoting(std::uint16_t sequence) {
    Bytes header = {kTypeTimeExceeded, 0, 0, 0, 0, 0, 0, 0};
    auto quotedRequest = buildEchoRequest(sequence, {});
    return concat({header, ipv4Header(), quotedRequest});
}

TEST(IcmpChecksum, MatchesKnownValuesAndVerifiesToZero) {
    EXPECT_EQ(internetChecksum(buildEchoRequest(1, ascii("abc"))), 0) << "odd length, padded";
    auto withAbc = buildEchoRequest(1, ascii("abc"));
    EXPECT_EQ(withAbc[2] << 8 | withAbc[3], 0x339C);
    auto empty = buildEchoRequest(1, {});
    EXPECT_EQ(empty[2] << 8 | empty[3], 0xF7FE);
    EXPECT_EQ(internetChecksum({}), 0xFFFF);
    // Carries above bit 15 fold back in: 0xFFFF + 0x0001 = 0x0001 after folding.
    EXPECT_EQ(internetChecksum(Bytes{0xFF, 0xFF, 0x00, 0x01}), std::uint16_t(~0x0001));
}

TEST(IcmpEchoRequest, HasTypeIdentifierSequenceAndPayloadInPlace) {
    const auto message = buildEchoRequest(0xABCD, ascii("Vantorel"));
    ASSERT_EQ(message.size(), 16u);
    EXPECT_EQ(message[0], kTypeEchoRequest);
    EXPECT_EQ(message[1], 0);
    EXPECT_EQ(message[4] | message[5], 0) << "identifier is always 0";
    EXPECT_EQ(message[6], 0xAB);
    EXPECT_EQ(message[7], 0xCD);
    EXPECT_EQ(std::string(message.begin() + 8, message.end()), "Vantorel");
}

TEST(IcmpParse, EchoReplyWithOrWithoutIpv4Header) {
    EXPECT_EQ(parseDatagram(echoReply(7)), (ParsedDatagram{7, false}));
    EXPECT_EQ(parseDatagram(concat({ipv4Header(0x45), echoReply(513)})),
              (ParsedDatagram{513, false}));
    EXPECT_EQ(parseDatagram(concat({ipv4Header(0x46), echoReply(65535)})),
              (ParsedDatagram{65535, false}))
        << "a header with options is skipped by its declared length";
    // Exactly eight bytes are enough; the payload is not looked at.
    EXPECT_EQ(parseDatagram(Bytes{0, 9, 9, 9, 9, 9, 0x01, 0x02}), (ParsedDatagram{258, false}));
}

TEST(IcmpParse, TimeExceededGivesTheQuotedSequence) {
    const auto datagram = concat({ipv4Header(), timeExceededQuoting(0x1234)});
    ASSERT_EQ(datagram.size(), 56u);
    EXPECT_EQ(datagram[54], 0x12);
    EXPECT_EQ(datagram[55], 0x34);
    EXPECT_EQ(parseDatagram(datagram), (ParsedDatagram{0x1234, true}));
    EXPECT_EQ(parseDatagram(timeExceededQuoting(3)), (ParsedDatagram{3, true}))
        << "without the outer header";
}

TEST(IcmpParse, ShortMalformedOrOtherMessagesGiveNothing) {
    const auto full = concat({ipv4Header(), timeExceededQuoting(1)});
    for (std::size_t cut = 0; cut < full.size(); ++cut)
        EXPECT_FALSE(parseDatagram(Bytes(full.begin(), full.begin() + cut))) << "cut at " << cut;

    auto quotedNotIpv4 = timeExceededQuoting(1);
    quotedNotIpv4[8] = 0x65;
    EXPECT_FALSE(parseDatagram(quotedNotIpv4));

    auto unreachable = echoReply(1);
    unreachable[0] = kTypeDestinationUnreachable;
    EXPECT_FALSE(parseDatagram(unreachable));
    auto request = buildEchoRequest(1, {});
    EXPECT_FALSE(parseDatagram(request));

    EXPECT_FALSE(parseDatagram(Bytes(7, 0)));
    auto headerClaimingSixtyBytes = concat({ipv4Header(0x45), echoReply(1)});
    headerClaimingSixtyBytes[0] = 0x4F;
    EXPECT_FALSE(parseDatagram(headerClaimingSixtyBytes))
        << "declared header longer than the datagram";
}

TEST(IcmpReturnedRequest, ReadsTheSequenceOfOurOwnRequestOnly) {
    EXPECT_EQ(sequenceOfReturnedRequest(buildEchoRequest(4242, ascii("Vantorel"))), 4242);
    EXPECT_FALSE(sequenceOfReturnedRequest(echoReply(1)));
    EXPECT_FALSE(sequenceOfReturnedRequest(Bytes{kTypeEchoRequest, 0, 0, 0, 0, 0, 1}));
}

TEST(IcmpSequenceCounter, StartsAtOneAndWrapsToZero) {
    SequenceCounter counter;
    EXPECT_EQ(counter.advance(), 1);
    for (int i = 2; i <= 65535; ++i)
        counter.advance();
    EXPECT_EQ(counter.current(), 65535);
    EXPECT_EQ(counter.advance(), 0);
    EXPECT_EQ(counter.advance(), 1);
}

} // namespace
} // namespace vantorel::icmp
