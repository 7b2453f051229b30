#include "lab/Addresses.h"

#include "lab/Command.h"

#include <arpa/inet.h>
#include <cstring>
#include <map>
#include <mutex>

namespace vantorel::lab {
namespace {

std::mutex slotMutex;
std::map<const void*, std::size_t> lastSlot; // in turn: a range let go may linger in the kernel

std::uint32_t take(std::bitset<256>& taken, int count) {
    std::lock_guard lock(slotMutex);
    for (std::size_t step = 1; step <= std::size_t(count); ++step)
        if (const auto slot = (lastSlot[&taken] + step) % std::size_t(count); !taken.test(slot)) {
            taken.set(slot);
            return static_cast<std::uint32_t>(lastSlot[&taken] = slot);
        }
    throw LabError("more than " + std::to_string(count) + " lab networks alive at once");
}

} // namespace

std::string ipv4Text(std::uint32_t address) {
    return std::to_string(address >> 24) + "." + std::to_string(address >> 16 & 0xff) + "." +
           std::to_string(address >> 8 & 0xff) + "." + std::to_string(address & 0xff);
}

std::uint32_t ipv4Value(const std::string& text) {
    in_addr parsed = {};
    if (::inet_pton(AF_INET, text.c_str(), &parsed) != 1)
        throw LabError("not an IPv4 address: \"" + text + "\"");
    return ntohl(parsed.s_addr);
}

std::string ipv6Twin(const std::string& ipv4) {
    in6_addr twin = {{{0x20, 0x01, 0x0d, 0xb8}}};
    const std::uint32_t value = htonl(ipv4Value(ipv4));
    std::memcpy(&twin.s6_addr[12], &value, sizeof value);
    char text[INET6_ADDRSTRLEN] = {};
    return ::inet_ntop(AF_INET6, &twin, text, sizeof text);
}

Slot::Slot(std::bitset<256>& taken, int count)
    : number(take(taken, count))
    , taken_(taken) {}

Slot::~Slot() {
    std::lock_guard lock(slotMutex);
    taken_[number] = false;
}

} // namespace vantorel::lab
