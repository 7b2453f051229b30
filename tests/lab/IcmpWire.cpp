#include "lab/IcmpWire.h"

#include <algorithm>

namespace vantorel::lab::icmp {
namespace {

std::uint16_t read16(const std::uint8_t* at) {
    return static_cast<std::uint16_t>(at[0] << 8 | at[1]);
}

std::uint32_t read32(const std::uint8_t* at) {
    return std::uint32_t{read16(at)} << 16 | read16(at + 2);
}

void write16(std::uint8_t* at, std::uint32_t value) {
    at[0] = static_cast<std::uint8_t>(value >> 8);
    at[1] = static_cast<std::uint8_t>(value);
}

// Stores at `at`, among the `length` bytes from `from`, their Internet checksum (RFC 1071).
void writeChecksum(std::uint8_t* at, const std::uint8_t* from, std::size_t length) {
    write16(at, 0);
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < length; i += 2)
        sum += i + 1 < length ? read16(from + i) : std::uint32_t{from[i]} << 8;
    while (sum >> 16)
        sum = (sum & 0xffff) + (sum >> 16);
    write16(at, ~sum);
}

// A datagram from `source` to the request's source: the IPv4 header (20 bytes) filled in, then
// `icmpLength` bytes of ICMP message left zero.
std::vector<std::uint8_t> replyTo(const EchoRequest& request, std::uint32_t source,
                                  std::size_t icmpLength) {
    std::vector<std::uint8_t> packet(20 + icmpLength);
    packet[0] = 0x45;
    write16(&packet[2], static_cast<std::uint32_t>(packet.size()));
    packet[8] = 64; // TTL
    packet[9] = 1;  // ICMP
    write16(&packet[12], source >> 16);
    write16(&packet[14], source);
    write16(&packet[16], request.source >> 16);
    write16(&packet[18], request.source);
    writeChecksum(&packet[10], packet.data(), 20);
    return packet;
}

} // namespace

std::optional<EchoRequest> parseEchoRequest(std::span<const std::uint8_t> packet) {
    if (packet.size() < 20 || packet[0] >> 4 != 4)
        return std::nullopt;
    const std::size_t headerLength = std::size_t{packet[0] & 0x0fu} * 4;
    const std::size_t totalLength = read16(&packet[2]);
    const bool fragment = (read16(&packet[6]) & 0x3fff) != 0; // more fragments, or an offset
    if (headerLength < 20 || totalLength > packet.size() || totalLength < headerLength + 8 ||
        packet[9] != 1 || fragment || packet[headerLength] != 8 || packet[headerLength + 1] != 0)
        return std::nullopt; // not ICMP (1), or not an echo request (type 8, code 0)
    return EchoRequest{packet.first(totalLength), headerLength, read32(&packet[12]),
                       read32(&packet[16]), packet[8]};
}

std::vector<std::uint8_t> echoReply(const EchoRequest& request) {
    const auto message = request.datagram.subspan(request.headerLength);
    auto reply = replyTo(request, request.destination, message.size());
    std::uint8_t* icmp = &reply[20]; // type 0, code 0: echo reply
    std::copy(message.begin() + 4, message.end(), icmp + 4);
    writeChecksum(icmp + 2, icmp, message.size());
    return reply;
}

std::vector<std::uint8_t> timeExceeded(const EchoRequest& request, std::uint32_t from) {
    const std::size_t quoted = request.headerLength + 8;
    auto reply = replyTo(request, from, 8 + quoted);
    std::uint8_t* icmp = &reply[20];
    icmp[0] = 11; // time exceeded in transit, code 0
    std::uint8_t* quote = icmp + 8;
    std::copy_n(request.datagram.begin(), quoted, quote);
    quote[8] = 1;
    writeChecksum(quote + 10, quote, request.headerLength);
    writeChecksum(icmp + 2, icmp, 8 + quoted);
    return reply;
}

std::optional<std::vector<std::uint8_t>> tcpSynAck(std::span<const std::uint8_t> packet) {
    if (packet.size() < 40 || packet[0] != 0x45 || packet[9] != 6 || packet[33] != 0x02)
        return std::nullopt; // not TCP (6) behind a plain IPv4 header, or not a bare SYN
    std::vector<std::uint8_t> reply(40);
    std::copy_n(packet.begin(), 20, reply.begin());
    write16(&reply[2], 40);
    std::copy_n(&packet[16], 4, &reply[12]); // the addresses swapped
    std::copy_n(&packet[12], 4, &reply[16]);
    writeChecksum(&reply[10], reply.data(), 20);
    std::uint8_t* tcp = &reply[20];
    std::copy_n(&packet[22], 2, tcp); // the ports swapped
    std::copy_n(&packet[20], 2, tcp + 2);
    const std::uint32_t acknowledged = read32(&packet[24]) + 1;
    write16(tcp + 8, acknowledged >> 16);
    write16(tcp + 10, acknowledged);
    tcp[12] = 5 << 4;        // 20 bytes of header, no options
    tcp[13] = 0x12;          // SYN, ACK
    write16(tcp + 14, 8192); // window
    // The checksum covers a pseudo-header of addresses, protocol and length before the segment.
    std::vector<std::uint8_t> summed(12 + 20);
    std::copy_n(&reply[12], 8, summed.begin());
    summed[9] = 6;
    summed[11] = 20;
    std::copy_n(tcp, 20, &summed[12]);
    writeChecksum(&summed[12 + 16], summed.data(), summed.size());
    std::copy_n(&summed[12 + 16], 2, tcp + 16);
    return reply;
}

} // namespace vantorel::lab::icmp
