#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// The few IPv4/ICMP packets the TUN path emulator reads and writes. Kept apart from the
// emulator's threading so the byte layout can be checked on its own.
namespace vantorel::lab::icmp {

// The Internet checksum (RFC 1071) of `data`, ready to be stored big-endian.
std::uint16_t checksum(std::span<const std::uint8_t> data);

// An ICMP echo request as read from a TUN device: a whole IPv4 datagram.
struct EchoRequest {
    std::span<const std::uint8_t> datagram; // up to the IPv4 total length
    std::size_t headerLength = 0;           // of the IPv4 header, options included
    std::uint32_t source = 0;               // addresses in host byte order
    std::uint32_t destination = 0;
    std::uint8_t ttl = 0;
};

// Recognises an unfragmented IPv4 ICMP echo request; anything else gives nullopt.
std::optional<EchoRequest> parseEchoRequest(std::span<const std::uint8_t> packet);

// The echo reply a host would send: same identifier, sequence and payload. Linux ping sockets
// rewrite the identifier to their port, so whatever the request carried is echoed as it is.
std::vector<std::uint8_t> echoReply(const EchoRequest& request, std::uint16_t ipIdentifier);

// An ICMP error (time exceeded, destination unreachable) from `from` about the request, quoting
// its IPv4 header and the first 8 bytes of its ICMP message, as RFC 792 requires at least. The
// quoted TTL is the one the request had when it reached the router that answers.
std::vector<std::uint8_t> errorReply(const EchoRequest& request, std::uint32_t from,
                                     std::uint8_t type, std::uint8_t code, std::uint8_t quotedTtl,
                                     std::uint16_t ipIdentifier);

inline constexpr std::uint8_t echoReplyType = 0;
inline constexpr std::uint8_t destinationUnreachableType = 3;
inline constexpr std::uint8_t echoRequestType = 8;
inline constexpr std::uint8_t timeExceededType = 11;

} // namespace vantorel::lab::icmp
