#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// The IPv4 packets of the TUN path emulator, apart from its threading: ICMP, and the one TCP
// segment a service check needs answered.
namespace vantorel::lab::icmp {

// An unfragmented IPv4 ICMP echo request, as read from a TUN device.
struct EchoRequest {
    std::span<const std::uint8_t> datagram; // up to the IPv4 total length
    std::size_t headerLength = 0;           // of the IPv4 header, options included
    std::uint32_t source = 0;               // addresses in host byte order
    std::uint32_t destination = 0;
    std::uint8_t ttl = 0;
};

std::optional<EchoRequest> parseEchoRequest(std::span<const std::uint8_t> packet);

// The echo reply a host would send, with identifier, sequence and payload as they came (Linux
// ping sockets rewrite the identifier to their port).
std::vector<std::uint8_t> echoReply(const EchoRequest& request);

// ICMP time exceeded from router `from`, quoting the request's IPv4 header, with the TTL (1) it
// had on reaching that router, and the first 8 bytes of its ICMP message, as RFC 792 requires.
std::vector<std::uint8_t> timeExceeded(const EchoRequest& request, std::uint32_t from);

// The SYN-ACK a listening host would answer an IPv4 TCP SYN with; none for any other packet.
std::optional<std::vector<std::uint8_t>> tcpSynAck(std::span<const std::uint8_t> packet);

} // namespace vantorel::lab::icmp
