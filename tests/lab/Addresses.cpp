#include "lab/Addresses.h"

#include "lab/LabError.h"

#include <arpa/inet.h>
#include <mutex>

namespace vantorel::lab {
namespace {

std::mutex slotMutex;

} // namespace

std::string ipv4Text(std::uint32_t address) {
    return std::to_string(address >> 24) + "." + std::to_string((address >> 16) & 0xff) + "." +
           std::to_string((address >> 8) & 0xff) + "." + std::to_string(address & 0xff);
}

std::uint32_t ipv4Value(const std::string& text) {
    in_addr parsed = {};
    if (::inet_pton(AF_INET, text.c_str(), &parsed) != 1)
        throw LabError("not an IPv4 address: \"" + text + "\"");
    return ntohl(parsed.s_addr);
}

int SlotPool::acquire() {
    std::lock_guard lock(slotMutex);
    for (int slot = 0; slot < size_ && slot < 256; ++slot) {
        std::uint64_t& word = taken_[slot / 64];
        const std::uint64_t bit = std::uint64_t{1} << (slot % 64);
        if (!(word & bit)) {
            word |= bit;
            return slot;
        }
    }
    throw LabError(std::string("too many ") + what_ + " alive at once (at most " +
                   std::to_string(size_) + ")");
}

void SlotPool::release(int slot) {
    std::lock_guard lock(slotMutex);
    taken_[slot / 64] &= ~(std::uint64_t{1} << (slot % 64));
}

} // namespace vantorel::lab
