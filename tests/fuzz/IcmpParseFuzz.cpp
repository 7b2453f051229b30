#include "net/IcmpPacket.h"

#include <cstddef>
#include <cstdint>

// Datagrams come from the network: no bytes may crash or over-read the ICMP or ICMPv6 parsers.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    if (const auto parsed = vantorel::icmp::parseDatagram(bytes))
        (void)parsed->sequence;
    if (const auto parsed = vantorel::icmp::parseDatagramV6(bytes))
        (void)parsed->sequence;
    (void)vantorel::icmp::sequenceOfReturnedRequest(bytes);
    (void)vantorel::icmp::sequenceOfReturnedRequest(bytes, vantorel::icmp::kTypeV6EchoRequest);
    (void)vantorel::icmp::internetChecksum(bytes);
    return 0;
}
