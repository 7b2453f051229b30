#pragma once

#include <cstdint>
#include <vector>

namespace vantorel::test {

// Sees every ICMP packet this network namespace receives, through a raw socket (the lab runs as
// root), so tests can read the sequence numbers the engine actually put on the wire.
class RawIcmpSniffer {
public:
    RawIcmpSniffer();
    ~RawIcmpSniffer();

    // Sequence numbers of the echo requests received since the last call, in arrival order.
    std::vector<std::uint16_t> echoRequestSequences();

private:
    int fd_;
};

} // namespace vantorel::test
