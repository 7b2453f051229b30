#pragma once

#include <cstdint>
#include <string>

namespace vantorel::lab {

// Every address the lab hands out lies in 198.18.0.0/15, the range set aside for benchmarking
// networks, so nothing a test probes can be a real machine. 198.18.0.0/16 is cut into one /20
// per Lab, 198.19.0.0/16 into one /24 per TunPath.

std::string ipv4Text(std::uint32_t address);      // host byte order
std::uint32_t ipv4Value(const std::string& text); // throws LabError on malformed text

// A small pool of numbered slots, so that several Labs (or TunPaths) alive in one process get
// disjoint address ranges, and a range is reused once its owner is gone. Thread-safe.
class SlotPool {
public:
    SlotPool(const char* what, int size)
        : what_(what)
        , size_(size) {}
    int acquire(); // throws LabError when all slots are taken
    void release(int slot);

private:
    const char* what_;
    int size_;
    std::uint64_t taken_[4] = {};
};

} // namespace vantorel::lab
