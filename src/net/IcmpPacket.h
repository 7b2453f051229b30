#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// Pure functions over ICMP bytes: building echo requests and reading what comes back. Kept apart
// from the socket code so that every shape of datagram can be tested (and fuzzed) without a
// network.
namespace vantorel::icmp {

inline constexpr std::uint8_t kTypeEchoReply = 0;
inline constexpr std::uint8_t kTypeDestinationUnreachable = 3;
inline constexpr std::uint8_t kTypeEchoRequest = 8;
inline constexpr std::uint8_t kTypeTimeExceeded = 11;
// ICMPv6 (RFC 4443) numbers its types anew.
inline constexpr std::uint8_t kTypeV6TimeExceeded = 3;
inline constexpr std::uint8_t kTypeV6EchoRequest = 128;
inline constexpr std::uint8_t kTypeV6EchoReply = 129;

// RFC 1071 Internet checksum of `bytes` (an odd last byte is the high byte of a final word).
std::uint16_t internetChecksum(std::span<const std::uint8_t> bytes);

// An echo request: `type` (8, or 128 for ICMPv6), code 0, identifier 0, the sequence number,
// `payload`, with its checksum. An ICMPv6 checksum covers the addresses too, so the kernel
// replaces it.
std::vector<std::uint8_t> buildEchoRequest(std::uint16_t sequence,
                                           std::span<const std::uint8_t> payload,
                                           std::uint8_t type = kTypeEchoRequest);

struct ParsedDatagram {
    std::uint16_t sequence;
    bool timeExceeded;

    bool operator==(const ParsedDatagram&) const = default;
};

// Reads a received datagram, with or without a leading IPv4 header: an echo reply gives its
// sequence number; a time-exceeded message gives the sequence number of the quoted request.
// Anything else, or anything cut short, gives nothing.
std::optional<ParsedDatagram> parseDatagram(std::span<const std::uint8_t> bytes);

// The same for ICMPv6, whose datagrams come without the IPv6 header: an echo reply (129) gives its
// sequence number. Nothing else reaches an ICMPv6 ping socket as a datagram; its errors come
// through the error queue.
std::optional<ParsedDatagram> parseDatagramV6(std::span<const std::uint8_t> bytes);

// Sequence number of the echo request (of type `requestType`) that the kernel hands back with a
// queued ICMP error (the error queue returns the request we sent, starting at its ICMP header).
std::optional<std::uint16_t> sequenceOfReturnedRequest(std::span<const std::uint8_t> bytes,
                                                       std::uint8_t requestType = kTypeEchoRequest);

// The per-engine sequence counter: advanced before each send, wrapping from 65535 to 0, so the
// first probe of a fresh engine carries 1.
class SequenceCounter {
public:
    std::uint16_t advance() { return ++value_; }
    std::uint16_t current() const { return value_; }

private:
    std::uint16_t value_ = 0;
};

} // namespace vantorel::icmp
