#include "lab/IcmpWire.h"

#include <algorithm>

namespace vantorel::lab::icmp {
namespace {

constexpr std::size_t ipv4HeaderLength = 20;
constexpr std::size_t icmpHeaderLength = 8;
constexpr std::uint8_t icmpProtocol = 1;
constexpr std::uint8_t replyTtl = 64;

std::uint16_t read16(const std::uint8_t* at) {
    return static_cast<std::uint16_t>(at[0] << 8 | at[1]);
}

std::uint32_t read32(const std::uint8_t* at) {
    return std::uint32_t{at[0]} << 24 | std::uint32_t{at[1]} << 16 | std::uint32_t{at[2]} << 8 |
           at[3];
}

void write16(std::uint8_t* at, std::uint16_t value) {
    at[0] = static_cast<std::uint8_t>(value >> 8);
    at[1] = static_cast<std::uint8_t>(value);
}

void write32(std::uint8_t* at, std::uint32_t value) {
    write16(at, static_cast<std::uint16_t>(value >> 16));
    write16(at + 2, static_cast<std::uint16_t>(value));
}

// A 20-byte header without options; the checksum covers it once it is filled in.
void writeIpv4Header(std::uint8_t* at, std::size_t totalLength, std::uint16_t identifier,
                     std::uint32_t source, std::uint32_t destination) {
    at[0] = 0x45;
    at[1] = 0;
    write16(at + 2, static_cast<std::uint16_t>(totalLength));
    write16(at + 4, identifier);
    write16(at + 6, 0);
    at[8] = replyTtl;
    at[9] = icmpProtocol;
    write16(at + 10, 0);
    write32(at + 12, source);
    write32(at + 16, destination);
    write16(at + 10, checksum({at, ipv4HeaderLength}));
}

} // namespace

std::uint16_t checksum(std::span<const std::uint8_t> data) {
    std::uint32_t sum = 0;
    std::size_t i = 0;
    for (; i + 1 < data.size(); i += 2)
        sum += read16(&data[i]);
    if (i < data.size())
        sum += std::uint32_t{data[i]} << 8;
    while (sum >> 16)
        sum = (sum & 0xffff) + (sum >> 16);
    return static_cast<std::uint16_t>(~sum);
}

std::optional<EchoRequest> parseEchoRequest(std::span<const std::uint8_t> packet) {
    if (packet.size() < ipv4HeaderLength || packet[0] >> 4 != 4)
        return std::nullopt;
    const std::size_t headerLength = std::size_t{packet[0] & 0x0fu} * 4;
    const std::size_t totalLength = read16(&packet[2]);
    const bool fragment = (read16(&packet[6]) & 0x3fff) != 0; // more-fragments or an offset
    if (headerLength < ipv4HeaderLength || totalLength > packet.size() ||
        totalLength < headerLength + icmpHeaderLength || packet[9] != icmpProtocol || fragment)
        return std::nullopt;
    if (packet[headerLength] != echoRequestType || packet[headerLength + 1] != 0)
        return std::nullopt;
    EchoRequest request;
    request.datagram = packet.first(totalLength);
    request.headerLength = headerLength;
    request.ttl = packet[8];
    request.source = read32(&packet[12]);
    request.destination = read32(&packet[16]);
    return request;
}

std::vector<std::uint8_t> echoReply(const EchoRequest& request, std::uint16_t ipIdentifier) {
    const auto message = request.datagram.subspan(request.headerLength);
    std::vector<std::uint8_t> reply(ipv4HeaderLength + message.size());
    writeIpv4Header(reply.data(), reply.size(), ipIdentifier, request.destination, request.source);
    std::uint8_t* icmp = reply.data() + ipv4HeaderLength;
    std::copy(message.begin(), message.end(), icmp);
    icmp[0] = echoReplyType;
    icmp[1] = 0;
    write16(icmp + 2, 0);
    write16(icmp + 2, checksum({icmp, message.size()}));
    return reply;
}

std::vector<std::uint8_t> errorReply(const EchoRequest& request, std::uint32_t from,
                                     std::uint8_t type, std::uint8_t code, std::uint8_t quotedTtl,
                                     std::uint16_t ipIdentifier) {
    const std::size_t quoted = request.headerLength + icmpHeaderLength;
    std::vector<std::uint8_t> reply(ipv4HeaderLength + icmpHeaderLength + quoted);
    writeIpv4Header(reply.data(), reply.size(), ipIdentifier, from, request.source);
    std::uint8_t* icmp = reply.data() + ipv4HeaderLength;
    icmp[0] = type;
    icmp[1] = code; // bytes 2–7: checksum, then four unused bytes left zero
    std::uint8_t* quote = icmp + icmpHeaderLength;
    std::copy_n(request.datagram.begin(), quoted, quote);
    quote[8] = quotedTtl;
    write16(quote + 10, 0);
    write16(quote + 10, checksum({quote, request.headerLength}));
    write16(icmp + 2, checksum({icmp, icmpHeaderLength + quoted}));
    return reply;
}

} // namespace vantorel::lab::icmp
