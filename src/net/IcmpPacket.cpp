#include "net/IcmpPacket.h"

namespace vantorel::icmp {

namespace {
constexpr std::size_t kIcmpHeaderLength = 8;

bool hasIpv4Header(std::uint8_t first) {
    return (first >> 4) == 4;
}
std::size_t ipv4HeaderLength(std::uint8_t first) {
    return std::size_t(first & 0x0f) * 4;
}
std::uint16_t readBigEndian16(std::span<const std::uint8_t> bytes, std::size_t offset) {
    return std::uint16_t(bytes[offset] << 8 | bytes[offset + 1]);
}
} // namespace

std::uint16_t internetChecksum(std::span<const std::uint8_t> bytes) {
    std::uint32_t sum = 0;
    std::size_t i = 0;
    for (; i + 1 < bytes.size(); i += 2)
        sum += std::uint32_t(bytes[i] << 8 | bytes[i + 1]);
    if (i < bytes.size())
        sum += std::uint32_t(bytes[i] << 8);
    while (sum >> 16)
        sum = (sum & 0xffff) + (sum >> 16);
    return std::uint16_t(~sum);
}

std::vector<std::uint8_t>
buildEchoRequest(std::uint16_t sequence, std::span<const std::uint8_t> payload, std::uint8_t type) {
    std::vector<std::uint8_t> message(kIcmpHeaderLength + payload.size(), 0);
    message[0] = type;
    message[6] = std::uint8_t(sequence >> 8);
    message[7] = std::uint8_t(sequence & 0xff);
    std::copy(payload.begin(), payload.end(), message.begin() + kIcmpHeaderLength);
    const auto checksum = internetChecksum(message);
    message[2] = std::uint8_t(checksum >> 8);
    message[3] = std::uint8_t(checksum & 0xff);
    return message;
}

std::optional<ParsedDatagram> parseDatagram(std::span<const std::uint8_t> bytes) {
    const std::size_t n = bytes.size();
    const std::size_t h = (n >= 1 && hasIpv4Header(bytes[0])) ? ipv4HeaderLength(bytes[0]) : 0;
    if (h + kIcmpHeaderLength > n)
        return std::nullopt;
    switch (bytes[h]) {
    case kTypeEchoReply:
        return ParsedDatagram{readBigEndian16(bytes, h + 6), false};
    case kTypeTimeExceeded: {
        // The message quotes the offending packet's IPv4 header and its first 8 bytes.
        const std::size_t quoted = h + kIcmpHeaderLength;
        if (quoted >= n || !hasIpv4Header(bytes[quoted]))
            return std::nullopt;
        const std::size_t q = quoted + ipv4HeaderLength(bytes[quoted]);
        if (q + kIcmpHeaderLength > n)
            return std::nullopt;
        return ParsedDatagram{readBigEndian16(bytes, q + 6), true};
    }
    default:
        return std::nullopt;
    }
}

std::optional<ParsedDatagram> parseDatagramV6(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < kIcmpHeaderLength || bytes[0] != kTypeV6EchoReply)
        return std::nullopt;
    return ParsedDatagram{readBigEndian16(bytes, 6), false};
}

std::optional<std::uint16_t> sequenceOfReturnedRequest(std::span<const std::uint8_t> bytes,
                                                       std::uint8_t requestType) {
    if (bytes.size() < kIcmpHeaderLength || bytes[0] != requestType)
        return std::nullopt;
    return readBigEndian16(bytes, 6);
}

} // namespace vantorel::icmp
