#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// The ICMP and ICMPv6 packets of the TUN path emulator, apart from its threading, and the one
// TCP segment a service check needs answered.
namespace vantorel::lab::icmp {

// An unfragmented IPv4 ICMP echo request, or an ICMPv6 one (without extension headers) to the
// IPv6 twin of an IPv4 address (Addresses.h), as read from a TUN device.
struct EchoRequest {
    std::span<const std::uint8_t> datagram; // up to the IPv4 total length or the IPv6 payload's end
    std::size_t headerLength = 0;           // of the IP header, options included
    bool ipv6 = false;
    std::uint32_t destination = 0; // host byte order; for IPv6, the address it twins
    std::uint8_t ttl = 0;          // or hop limit
};

std::optional<EchoRequest> parseEchoRequest(std::span<const std::uint8_t> packet);

// The echo reply a host would send, with identifier, sequence and payload as they came (Linux
// ping sockets rewrite the identifier to their port).
std::vector<std::uint8_t> echoReply(const EchoRequest& request);

enum class Error { timeExceeded, hostUnreachable };

// The ICMP error that router `from` (an IPv4 address, or its twin for IPv6) sends about the
// request: time exceeded in transit, or destination (ICMPv6: address) unreachable. It quotes the
// request as it reached that router, with TTL 1 for time exceeded: for IPv4 its header and the
// first 8 bytes of its ICMP message (RFC 792), for IPv6 all of it (RFC 4443).
std::vector<std::uint8_t> errorReply(const EchoRequest& request, std::uint32_t from, Error error);

// The SYN-ACK a listening host would answer an IPv4 TCP SYN with; none for any other packet.
std::optional<std::vector<std::uint8_t>> tcpSynAck(std::span<const std::uint8_t> packet);

} // namespace vantorel::lab::icmp
