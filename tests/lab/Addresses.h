#pragma once

#include <bitset>
#include <cstdint>
#include <string>

namespace vantorel::lab {

// Every address the lab hands out lies in 198.18.0.0/15, the range set aside for benchmarking
// networks, so nothing a test probes can be a real machine. 198.18.0.0/16 is cut into one /20
// per Lab, 198.19.0.0/16 into one /24 per TunPath.
//
// The lab is dual-stack: each of its IPv4 addresses has an IPv6 twin in the documentation prefix,
// 2001:db8::/96 followed by the 32 bits of the IPv4 address (198.18.0.5: 2001:db8::c612:5), set
// up wherever the IPv4 address is (see ip() in Command.h), so a /24 there is a /120 here.

std::string ipv4Text(std::uint32_t address);      // host byte order
std::uint32_t ipv4Value(const std::string& text); // throws LabError on malformed text
std::string ipv6Twin(const std::string& ipv4);    // in canonical (RFC 5952) text
inline std::string inFamily(bool ipv6, const std::string& ipv4) {
    return ipv6 ? ipv6Twin(ipv4) : ipv4;
}

// One of the first `count` slots marked in `taken`, held while this lives, so that several Labs (or
// TunPaths) alive in one process get disjoint address ranges. Throws LabError if all are taken.
class Slot {
public:
    Slot(std::bitset<256>& taken, int count);
    ~Slot();
    Slot(const Slot&) = delete;
    Slot& operator=(const Slot&) = delete;

    const std::uint32_t number;

private:
    std::bitset<256>& taken_;
};

} // namespace vantorel::lab
