#include "lab/IcmpWire.h"

#include <algorithm>

namespace vantorel::lab::icmp {
namespace {

constexpr std::uint8_t twinPrefix[12] = {0x20, 0x01, 0x0d, 0xb8}; // 2001:db8::/96

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

void write32(std::uint8_t* at, std::uint32_t value) {
    write16(at, value >> 16);
    write16(at + 2, value);
}

// Stores at `at`, among the `length` bytes from `from`, their Internet checksum (RFC 1071),
// starting from `sum` (that of an ICMPv6 pseudo-header).
void writeChecksum(std::uint8_t* at, const std::uint8_t* from, std::size_t length,
                   std::uint32_t sum = 0) {
    write16(at, 0);
    for (std::size_t i = 0; i < length; i += 2)
        sum += i + 1 < length ? read16(from + i) : std::uint32_t{from[i]} << 8;
    while (sum >> 16)
        sum = (sum & 0xffff) + (sum >> 16);
    write16(at, ~sum);
}

// The datagram from `from` (or its twin) to the request's source that carries `message`, whose
// checksum it fills in: for ICMPv6 over the pseudo-header of addresses, length and type too.
std::vector<std::uint8_t> datagram(const EchoRequest& request, std::uint32_t from,
                                   std::vector<std::uint8_t> message) {
    const bool v6 = request.ipv6;
    const std::uint8_t* source = request.datagram.data() + (v6 ? 8 : 12);
    std::vector<std::uint8_t> packet(v6 ? 40 : 20);
    const auto length = static_cast<std::uint32_t>(message.size());
    if (v6) {
        packet[0] = 0x60;
        write16(&packet[4], length);
        packet[6] = 58; // ICMPv6
        packet[7] = 64; // hop limit
        std::copy_n(twinPrefix, 12, &packet[8]);
        write32(&packet[20], from);
        std::copy_n(source, 16, &packet[24]);
    } else {
        packet[0] = 0x45;
        write16(&packet[2], 20 + length);
        packet[8] = 64; // TTL
        packet[9] = 1;  // ICMP
        write32(&packet[12], from);
        std::copy_n(source, 4, &packet[16]);
        writeChecksum(&packet[10], packet.data(), 20);
    }
    std::uint32_t pseudoHeader = v6 ? length + 58 : 0;
    for (std::size_t i = 8; v6 && i < 40; i += 2)
        pseudoHeader += read16(&packet[i]);
    writeChecksum(&message[2], message.data(), message.size(), pseudoHeader);
    packet.insert(packet.end(), message.begin(), message.end());
    return packet;
}

std::optional<EchoRequest> parseIpv6(std::span<const std::uint8_t> packet) {
    const std::size_t end = 40 + std::size_t{read16(&packet[4])};
    if (packet.size() < 48 || end > packet.size() || end < 48 || packet[6] != 58 ||
        packet[40] != 128 || packet[41] != 0 ||
        !std::equal(twinPrefix, twinPrefix + 12, &packet[24]))
        return std::nullopt; // not ICMPv6 (58), not an echo request (128, 0), or not to a twin
    return EchoRequest{packet.first(end), 40, true, read32(&packet[36]), packet[7]};
}

} // namespace

std::optional<EchoRequest> parseEchoRequest(std::span<const std::uint8_t> packet) {
    if (packet.size() >= 48 && packet[0] >> 4 == 6)
        return parseIpv6(packet);
    if (packet.size() < 20 || packet[0] >> 4 != 4)
        return std::nullopt;
    const std::size_t headerLength = std::size_t{packet[0] & 0x0fu} * 4;
    const std::size_t totalLength = read16(&packet[2]);
    const bool fragment = (read16(&packet[6]) & 0x3fff) != 0; // more fragments, or an offset
    if (headerLength < 20 || totalLength > packet.size() || totalLength < headerLength + 8 ||
        packet[9] != 1 || fragment || packet[headerLength] != 8 || packet[headerLength + 1] != 0)
        return std::nullopt; // not ICMP (1), or not an echo request (type 8, code 0)
    return EchoRequest{packet.first(totalLength), headerLength, false, read32(&packet[16]),
                       packet[8]};
}

std::vector<std::uint8_t> echoReply(const EchoRequest& request) {
    std::vector<std::uint8_t> message(request.datagram.begin() + request.headerLength,
                                      request.datagram.end());
    message[0] = request.ipv6 ? 129 : 0; // echo reply, code 0
    return datagram(request, request.destination, std::move(message));
}

std::vector<std::uint8_t> errorReply(const EchoRequest& request, std::uint32_t from, Error error) {
    const bool expired = error == Error::timeExceeded;
    const std::size_t quoted = request.ipv6 ? request.datagram.size() : request.headerLength + 8;
    std::vector<std::uint8_t> message(8);
    // IPv4: 11/0 time exceeded in transit, 3/1 host unreachable; ICMPv6: 3/0 hop limit exceeded
    // in transit, 1/3 address unreachable.
    message[0] = request.ipv6 ? (expired ? 3 : 1) : (expired ? 11 : 3);
    message[1] = expired ? 0 : (request.ipv6 ? 3 : 1);
    message.insert(message.end(), request.datagram.begin(), request.datagram.begin() + quoted);
    std::uint8_t* quote = &message[8];
    if (expired)
        quote[request.ipv6 ? 7 : 8] = 1;
    if (!request.ipv6)
        writeChecksum(quote + 10, quote, request.headerLength);
    return datagram(request, from, std::move(message));
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
    write32(tcp + 8, read32(&packet[24]) + 1); // acknowledges the SYN
    tcp[12] = 5 << 4;                          // 20 bytes of header, no options
    tcp[13] = 0x12;                            // SYN, ACK
    write16(tcp + 14, 8192);                   // window
    // The checksum covers a pseudo-header of addresses, protocol (6) and length (20) too.
    std::uint32_t pseudoHeader = 6 + 20;
    for (std::size_t i = 12; i < 20; i += 2)
        pseudoHeader += read16(&reply[i]);
    writeChecksum(tcp + 16, tcp, 20, pseudoHeader);
    return reply;
}

} // namespace vantorel::lab::icmp
